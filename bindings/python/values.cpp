#include "bindings/python/values.h"

#include <cstring>
#include <string>

#include "bindings/python/dispatch_object.h"

namespace zelnor2py {
using namespace automation;

namespace {
void FromInt(const py::handle& value, VARIANT* out) {
  int overflow = 0;
  long long v = PyLong_AsLongLongAndOverflow(value.ptr(), &overflow);
  if (overflow) {
    // Too big even for 64 bits: a real, which the member's conversion rejects as overflow.
    out->vt = VT_R8;
    out->dblVal = PyLong_AsDouble(value.ptr());
    if (PyErr_Occurred()) throw py::error_already_set();
  } else if (v >= INT32_MIN && v <= INT32_MAX) {
    out->vt = VT_I4;
    out->lVal = static_cast<LONG>(v);
  } else {
    out->vt = VT_I8;
    out->llVal = v;
  }
}

void FromBytes(const py::handle& value, VARIANT* out) {
  py::buffer_info buf = py::reinterpret_borrow<py::buffer>(value).request();
  size_t size = static_cast<size_t>(buf.size * buf.itemsize);
  if (size > UINT32_MAX) throw py::value_error("byte array too large");
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (!sa) throw std::bad_alloc();
  if (size) std::memcpy(sa->pvData, buf.ptr, size);
  out->vt = VT_ARRAY | VT_UI1;
  out->parray = sa;
}

void FromSequence(const py::sequence& seq, VARIANT* out) {
  size_t n = py::len(seq);
  if (n > UINT32_MAX / sizeof(VARIANT)) throw py::value_error("sequence too long");
  SAFEARRAY* sa = SafeArrayCreateVector(VT_VARIANT, 0, static_cast<ULONG>(n));
  if (!sa) throw std::bad_alloc();
  out->vt = VT_ARRAY | VT_VARIANT;  // owned by *out from here on, also when an element fails
  out->parray = sa;
  auto* items = static_cast<VARIANT*>(sa->pvData);
  for (size_t i = 0; i < n; ++i) ToVariant(seq[i], &items[i]);
}

py::object ArrayToPython(SAFEARRAY* sa, VARTYPE element) {
  if (!sa) return py::none();
  ULONG n = sa->rgsabound[0].cElements;
  if (element == VT_UI1) return py::bytes(static_cast<const char*>(sa->pvData), n);
  py::tuple out(n);
  for (ULONG i = 0; i < n; ++i) {
    LONG index = sa->rgsabound[0].lLbound + static_cast<LONG>(i);
    VARIANT item;
    VariantInit(&item);
    if (element == VT_VARIANT) {
      SafeArrayGetElement(sa, &index, &item);
    } else {
      item.vt = element;
      std::memcpy(&item.llVal, static_cast<char*>(sa->pvData) + size_t{i} * sa->cbElements, sa->cbElements);
      VARIANT copy;
      VariantInit(&copy);
      VariantCopy(&copy, &item);  // deep copy of strings/interfaces
      item = copy;
    }
    out[i] = FromVariant(item);
    VariantClear(&item);
  }
  return out;
}
}  // namespace

void ToVariant(const py::handle& value, VARIANT* out) {
  VariantInit(out);
  if (value.is_none()) return;
  if (py::isinstance<py::bool_>(value)) {
    out->vt = VT_BOOL;
    out->boolVal = value.cast<bool>() ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (py::isinstance<py::int_>(value)) {
    FromInt(value, out);
  } else if (PyIndex_Check(value.ptr())) {  // integer-like objects, e.g. numpy integers
    PyObject* index = PyNumber_Index(value.ptr());
    if (!index) throw py::error_already_set();
    FromInt(py::reinterpret_steal<py::object>(index), out);
  } else if (py::isinstance<py::float_>(value)) {
    out->vt = VT_R8;
    out->dblVal = value.cast<double>();
  } else if (py::isinstance<py::str>(value)) {
    out->bstrVal = BstrFromUtf8(value.cast<std::string>());
    if (!out->bstrVal) throw std::bad_alloc();
    out->vt = VT_BSTR;
  } else if (py::isinstance<py::bytes>(value) || py::isinstance<py::bytearray>(value) ||
             py::isinstance<py::memoryview>(value)) {
    FromBytes(value, out);
  } else if (py::isinstance<Ref>(value)) {
    out->vt = VT_VARIANT | VT_BYREF;
    out->pvarVal = value.cast<Ref&>().Variant();
  } else if (py::isinstance<DispatchObject>(value)) {
    IDispatch* d = value.cast<DispatchObject&>().Get();
    if (d) d->AddRef();
    out->vt = VT_DISPATCH;
    out->pdispVal = d;
  } else if (py::isinstance<py::tuple>(value) || py::isinstance<py::list>(value)) {
    FromSequence(value.cast<py::sequence>(), out);
  } else {
    throw py::type_error("no automation form for a value of type " +
                         std::string(py::str(value.get_type().attr("__name__"))));
  }
}

py::object FromVariant(const VARIANT& v) {
  if (v.vt & VT_BYREF) {
    VARIANT plain;
    VariantInit(&plain);
    if (FAILED(VariantCopyInd(&plain, &v))) return py::none();
    py::object out = FromVariant(plain);
    VariantClear(&plain);
    return out;
  }
  if (v.vt & VT_ARRAY) return ArrayToPython(v.parray, v.vt & VT_TYPEMASK);
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return py::none();
    case VT_BOOL:
      return py::bool_(v.boolVal != 0);
    case VT_I1:
      return py::int_(static_cast<int>(v.cVal));
    case VT_UI1:
      return py::int_(v.bVal);
    case VT_I2:
      return py::int_(v.iVal);
    case VT_UI2:
      return py::int_(v.uiVal);
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
      return py::int_(v.lVal);
    case VT_UI4:
    case VT_UINT:
      return py::int_(v.ulVal);
    case VT_I8:
      return py::int_(v.llVal);
    case VT_UI8:
      return py::int_(v.ullVal);
    case VT_R4:
      return py::float_(v.fltVal);
    case VT_R8:
    case VT_DATE:
      return py::float_(v.dblVal);
    case VT_BSTR:
      return py::str(Utf8FromBstr(v.bstrVal));
    case VT_DISPATCH:
      return v.pdispVal ? py::cast(DispatchObject(v.pdispVal)) : py::none();
    default:
      return py::none();
  }
}

Ref::Ref() { VariantInit(&variant_); }
Ref::Ref(const py::object& value) { ToVariant(value, &variant_); }
Ref::~Ref() { VariantClear(&variant_); }
py::object Ref::Value() const { return FromVariant(variant_); }
void Ref::SetValue(const py::object& value) {
  VARIANT fresh;
  ToVariant(value, &fresh);
  VariantClear(&variant_);
  variant_ = fresh;
}

}  // namespace zelnor2py
