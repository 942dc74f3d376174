#include "bindings/python/values.h"

#include <cstring>
#include <new>
#include <stdexcept>
#include <string>

#include "bindings/python/dispatch_object.h"

namespace zelnor2py {
using namespace automation;

namespace {
void FromInt(PyObject* value, VARIANT* out) {
  int overflow = 0;
  long long v = PyLong_AsLongLongAndOverflow(value, &overflow);
  if (v == -1 && PyErr_Occurred()) throw py::error_already_set();
  if (overflow) {
    // Too big even for 64 bits: a real, which the member's conversion rejects as overflow.
    out->vt = VT_R8;
    out->dblVal = PyLong_AsDouble(value);
    if (PyErr_Occurred()) throw py::error_already_set();
  } else if (v >= INT32_MIN && v <= INT32_MAX) {
    out->vt = VT_I4;
    out->lVal = static_cast<LONG>(v);
  } else {
    out->vt = VT_I8;
    out->llVal = v;
  }
}

// A copy of the buffer's bytes in a new byte array.
void CopyBuffer(PyObject* value, VARIANT* out) {
  Py_buffer view;
  if (PyObject_GetBuffer(value, &view, PyBUF_FULL_RO) != 0) throw py::error_already_set();
  struct Release {
    Py_buffer* v;
    ~Release() { PyBuffer_Release(v); }
  } release{&view};
  const auto size = static_cast<size_t>(view.len);
  if (size > UINT32_MAX) throw py::value_error("byte array too large");
  SAFEARRAY* sa = SafeArrayCreateVector(VT_UI1, 0, static_cast<ULONG>(size));
  if (!sa) throw std::bad_alloc();
  if (size && PyBuffer_ToContiguous(sa->pvData, &view, view.len, 'C') != 0) {
    SafeArrayDestroy(sa);
    throw py::error_already_set();
  }
  out->vt = VT_ARRAY | VT_UI1;
  out->parray = sa;
}

void FromSequence(PyObject* value, VARIANT* out) {
  py::sequence seq = py::reinterpret_borrow<py::sequence>(value);
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

PyTypeObject* g_ref_type = nullptr;
}  // namespace

PyTypeObject* RefType() {
  if (!g_ref_type) g_ref_type = reinterpret_cast<PyTypeObject*>(py::type::of<Ref>().ptr());
  return g_ref_type;
}

bool SimpleToVariant(PyObject* value, VARIANT* out) {
  VariantInit(out);
  if (PyBool_Check(value)) {
    out->vt = VT_BOOL;
    out->boolVal = value == Py_True ? VARIANT_TRUE : VARIANT_FALSE;
  } else if (PyLong_Check(value)) {
    FromInt(value, out);
  } else if (PyFloat_Check(value)) {
    out->vt = VT_R8;
    out->dblVal = PyFloat_AS_DOUBLE(value);
  } else if (value == Py_None) {
    // VT_EMPTY
  } else {
    return false;
  }
  return true;
}

bool IsByteBuffer(PyObject* value) {
  if (!PyObject_CheckBuffer(value)) return false;
  // A number that also exports a buffer (a numpy scalar) is a number.
  PyNumberMethods* number = Py_TYPE(value)->tp_as_number;
  return !(number && (number->nb_index || number->nb_float) && !PySequence_Check(value));
}

void ToVariant(py::handle handle, VARIANT* out) {
  PyObject* value = handle.ptr();
  if (SimpleToVariant(value, out)) return;
  if (IsByteBuffer(value)) {  // before the integer test: a numpy array is both
    CopyBuffer(value, out);
  } else if (PyIndex_Check(value)) {  // integer-like objects, e.g. numpy integers
    PyObject* index = PyNumber_Index(value);
    if (!index) throw py::error_already_set();
    FromInt(py::reinterpret_steal<py::object>(index).ptr(), out);
  } else if (PyUnicode_Check(value)) {
    Py_ssize_t size = 0;
    const char* text = PyUnicode_AsUTF8AndSize(value, &size);
    if (!text) throw py::error_already_set();
    out->bstrVal = BstrFromUtf8(std::string(text, static_cast<size_t>(size)));
    if (!out->bstrVal) throw std::bad_alloc();
    out->vt = VT_BSTR;
  } else if (PyObject_TypeCheck(value, RefType())) {
    handle.cast<Ref&>().CopyTo(out);  // a Ref inside a value stands for its current value
  } else if (IsDispatchObject(value)) {
    IDispatch* d = DispatchOf(value);  // null once released
    if (d) d->AddRef();
    out->vt = VT_DISPATCH;
    out->pdispVal = d;
  } else if (PyTuple_Check(value) || PyList_Check(value)) {
    FromSequence(value, out);
  } else if (Py_TYPE(value)->tp_as_number && Py_TYPE(value)->tp_as_number->nb_float) {
    out->vt = VT_R8;
    out->dblVal = PyFloat_AsDouble(value);
    if (out->dblVal == -1.0 && PyErr_Occurred()) throw py::error_already_set();
  } else {
    throw py::type_error("no automation form for a value of type " + std::string(Py_TYPE(value)->tp_name));
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
      return v.pdispVal ? WrapDispatch(v.pdispVal) : py::none();
    default:
      return py::none();
  }
}

Ref::Ref() { VariantInit(&variant_); }
Ref::Ref(py::handle value) { ToVariant(value, &variant_); }
Ref::~Ref() { VariantClear(&variant_); }

void Ref::RefuseWhileLent() const {
  if (lent_) throw std::runtime_error("the Ref is in use by a call that is still running");
}

py::object Ref::Value() const {
  RefuseWhileLent();
  return FromVariant(variant_);
}

void Ref::SetValue(py::handle value) {
  RefuseWhileLent();
  VARIANT fresh;
  ToVariant(value, &fresh);
  VariantClear(&variant_);
  variant_ = fresh;
}

py::bytes Ref::Bytes() const {
  RefuseWhileLent();
  const VARIANT& v = variant_;
  if (v.vt != (VT_ARRAY | VT_UI1)) throw py::type_error("the Ref does not hold a byte array");
  if (!v.parray) return py::bytes();
  return py::bytes(static_cast<const char*>(v.parray->pvData), v.parray->rgsabound[0].cElements);
}

void Ref::CopyTo(VARIANT* out) const {
  RefuseWhileLent();
  if (FAILED(VariantCopy(out, &variant_))) throw std::bad_alloc();
}

VARIANT Ref::Lend() {
  RefuseWhileLent();
  lent_ = true;
  VARIANT out = variant_;
  VariantInit(&variant_);
  return out;
}

void Ref::GiveBack(const VARIANT& value) {
  VariantClear(&variant_);
  variant_ = value;
  lent_ = false;
}

}  // namespace zelnor2py
