#include "bindings/python/call.h"

#include <memory>
#include <new>
#include <vector>

#include "bindings/python/dispatch_object.h"
#include "bindings/python/errors.h"
#include "bindings/python/members.h"
#include "bindings/python/values.h"
#include "platform/activation/activation.h"
#include "platform/automation/small_array.h"

namespace zelnor2py {
using namespace automation;

namespace {
constexpr size_t kInPlace = 16;

// The converted arguments of one call, in DISPPARAMS order (named ones
// first, then the positional ones last to first).  Owns what it converted;
// gives lent Refs back and releases lent buffers when it ends, which must be
// with the interpreter lock held.
class CallArguments {
 public:
  explicit CallArguments(size_t count)
      : count_(count), values_(count), named_(count), held_(count), lenders_(count) {
    for (size_t i = 0; i < count; ++i) VariantInit(&values_[i]);
  }
  ~CallArguments() {
    for (size_t i = 0; i < count_; ++i)
      if (!(values_[i].vt & VT_BYREF)) VariantClear(&values_[i]);
    for (size_t k = 0; k < lent_; ++k) lenders_[k]->GiveBack(held_[k]);
    for (Py_buffer& view : buffers_) PyBuffer_Release(&view);
  }
  CallArguments(const CallArguments&) = delete;
  CallArguments& operator=(const CallArguments&) = delete;

  void Set(size_t i, PyObject* value) {
    if (SimpleToVariant(value, &values_[i])) return;
    if (PyObject_TypeCheck(value, RefType())) return Lend(i, py::handle(value).cast<Ref&>());
    if (IsByteBuffer(value) && LendBuffer(i, value)) return;
    ToVariant(value, &values_[i]);
  }
  void Name(size_t i, DISPID id) { named_[i] = id; }
  DISPPARAMS Params(size_t named) {
    return {count_ ? values_.data() : nullptr, named ? named_.data() : nullptr, static_cast<UINT>(count_),
            static_cast<UINT>(named)};
  }

 private:
  // The member reads and writes the Ref's value in the call's own storage;
  // a Ref passed twice is one variable.
  void Lend(size_t i, Ref& ref) {
    size_t k = 0;
    while (k < lent_ && lenders_[k] != &ref) ++k;
    if (k == lent_) {
      held_[k] = ref.Lend();
      lenders_[k] = &ref;
      ++lent_;
    }
    values_[i].vt = VT_VARIANT | VT_BYREF;
    values_[i].pvarVal = &held_[k];
  }

  // A byte array over the buffer's own memory, for a contiguous buffer.
  bool LendBuffer(size_t i, PyObject* value) {
    if (buffers_.empty()) buffers_.reserve(count_);  // views never move once taken
    Py_buffer view;
    if (PyObject_GetBuffer(value, &view, PyBUF_SIMPLE) != 0) {
      PyErr_Clear();  // not contiguous: the general conversion copies it
      return false;
    }
    SAFEARRAY* sa = nullptr;
    if (view.len > UINT32_MAX || FAILED(SafeArrayAllocDescriptorEx(VT_UI1, 1, &sa))) {
      PyBuffer_Release(&view);
      if (!sa) throw std::bad_alloc();
      throw py::value_error("byte array too large");
    }
    buffers_.push_back(view);
    sa->pvData = view.buf;
    sa->rgsabound[0] = {static_cast<ULONG>(view.len), 0};
    sa->fFeatures |= FADF_AUTO;
    values_[i].vt = VT_ARRAY | VT_UI1;
    values_[i].parray = sa;
    return true;
  }

  size_t count_;
  SmallArray<VARIANT, kInPlace> values_;
  SmallArray<DISPID, kInPlace> named_;
  SmallArray<VARIANT, kInPlace> held_;  // values of the lent Refs
  SmallArray<Ref*, kInPlace> lenders_;
  size_t lent_ = 0;
  std::vector<Py_buffer> buffers_;
};

// What a call hands back, released however the call ends.
struct CallOutcome {
  VARIANT result;
  EXCEPINFO excep{};
  UINT arg_err = 0xFFFFFFFF;
  CallOutcome() { VariantInit(&result); }
  ~CallOutcome() {
    VariantClear(&result);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
  }
  CallOutcome(const CallOutcome&) = delete;
  CallOutcome& operator=(const CallOutcome&) = delete;
};

// The call, with the interpreter lock released; a reference of its own keeps
// the object alive even if another thread releases it meanwhile.
HRESULT InvokeUnlocked(IDispatch* d, DISPID id, WORD flags, DISPPARAMS* dp, CallOutcome* out) {
  HRESULT hr;
  d->AddRef();
  Py_BEGIN_ALLOW_THREADS;
  hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, dp, &out->result, &out->excep, &out->arg_err);
  d->Release();
  Py_END_ALLOW_THREADS;
  return hr;
}

PyObject* Invoke(IDispatch* d, DISPID id, WORD flags, DISPPARAMS dp, const std::string& name) {
  CallOutcome out;
  const HRESULT hr = InvokeUnlocked(d, id, flags, &dp, &out);
  if (hr == DISP_E_EXCEPTION) {
    SetComError(out.excep.scode ? out.excep.scode : hr, Utf8FromBstr(out.excep.bstrSource),
                Utf8FromBstr(out.excep.bstrDescription));
    return nullptr;
  }
  if (FAILED(hr)) {
    int position = -1;  // the Python position of a positional argument the call refused
    if (out.arg_err < dp.cArgs && out.arg_err >= dp.cNamedArgs)
      position = static_cast<int>(dp.cArgs - 1 - out.arg_err);
    SetComError(hr, "", activation::HResultName(hr) + " calling " + name, position);
    return nullptr;
  }
  return FromVariant(out.result).release().ptr();
}

bool SameFolded(const std::string& declared, const char* text, Py_ssize_t size) {
  if (declared.size() != static_cast<size_t>(size)) return false;
  auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c + 32) : c; };
  for (size_t i = 0; i < declared.size(); ++i)
    if (fold(declared[i]) != fold(text[i])) return false;
  return true;
}

std::string Utf8Of(PyObject* text) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(text, &size);
  if (!data) throw py::error_already_set();
  return std::string(data, static_cast<size_t>(size));
}

// The position of a keyword among the declared parameters (any letter case).
DISPID DeclaredParameter(const MemberInfo& m, PyObject* keyword) {
  Py_ssize_t size = 0;
  const char* text = PyUnicode_AsUTF8AndSize(keyword, &size);
  if (!text) throw py::error_already_set();
  for (size_t i = 0; i < m.params.size(); ++i)
    if (SameFolded(m.params[i].name, text, size)) return static_cast<DISPID>(i);
  return DISPID_UNKNOWN;
}

// The keywords' ids looked up through the object, with the member's name.
std::vector<DISPID> LateParameters(IDispatch* d, const MemberInfo& m, PyObject* kwnames) {
  const auto count = static_cast<size_t>(PyTuple_GET_SIZE(kwnames));
  std::vector<std::u16string> wide{Utf16FromUtf8(m.name)};
  for (size_t k = 0; k < count; ++k) wide.push_back(Utf16FromUtf8(Utf8Of(PyTuple_GET_ITEM(kwnames, k))));
  std::vector<LPOLESTR> names;
  for (auto& w : wide) names.push_back(w.data());
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  d->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT, ids.data());
  ids.erase(ids.begin());
  return ids;
}

// Sets the keyword arguments as named ones; false with ComError set when a
// keyword names no parameter.
bool SetKeywords(IDispatch* d, const MemberInfo& m, PyObject* const* values, PyObject* kwnames,
                 CallArguments& call) {
  const auto count = static_cast<size_t>(PyTuple_GET_SIZE(kwnames));
  std::vector<DISPID> late;
  if (!m.described) late = LateParameters(d, m, kwnames);
  for (size_t k = 0; k < count; ++k) {
    PyObject* keyword = PyTuple_GET_ITEM(kwnames, k);
    const DISPID id = m.described ? DeclaredParameter(m, keyword) : late[k];
    if (id == DISPID_UNKNOWN) {
      SetComError(DISP_E_UNKNOWNNAME, "", m.name + " has no parameter '" + Utf8Of(keyword) + "'");
      return false;
    }
    call.Set(k, values[k]);
    call.Name(k, id);
  }
  return true;
}
}  // namespace

PyObject* CallMember(PyObject* self, const MemberInfo& m, PyObject* const* args, size_t nargs,
                     PyObject* kwnames) {
  return Translated<PyObject*>(nullptr, [&]() -> PyObject* {
    IDispatch* d = RequireDispatch(self);
    const size_t named = kwnames ? static_cast<size_t>(PyTuple_GET_SIZE(kwnames)) : 0;
    CallArguments call(nargs + named);
    if (named && !SetKeywords(d, m, args + nargs, kwnames, call)) return nullptr;
    for (size_t i = 0; i < nargs; ++i) call.Set(named + nargs - 1 - i, args[i]);
    const WORD flags = m.described && m.is_method ? DISPATCH_METHOD : DISPATCH_METHOD | DISPATCH_PROPERTYGET;
    return Invoke(d, m.dispid, flags, call.Params(named), m.name);
  });
}

PyObject* GetProperty(PyObject* self, const MemberInfo& m) {
  return Translated<PyObject*>(nullptr, [&]() -> PyObject* {
    IDispatch* d = RequireDispatch(self);
    CallArguments none(0);
    return Invoke(d, m.dispid, DISPATCH_PROPERTYGET, none.Params(0), m.name);
  });
}

int PutProperty(PyObject* self, const MemberInfo& m, PyObject* value) {
  return Translated<int>(-1, [&]() -> int {
    IDispatch* d = RequireDispatch(self);
    CallArguments call(1);
    call.Set(0, value);
    call.Name(0, DISPID_PROPERTYPUT);
    PyObject* done = Invoke(d, m.dispid, DISPATCH_PROPERTYPUT, call.Params(1), m.name);
    if (!done) return -1;
    Py_DECREF(done);
    return 0;
  });
}

py::object CreateObject(const std::string& name) {
  IDispatch* dispatch = nullptr;
  std::string error;
  HRESULT hr;
  {
    py::gil_scoped_release unlocked;
    SetErrorInfo(0, nullptr);
    hr = activation::CoCreateInstance(name, IID_IDispatch, reinterpret_cast<void**>(&dispatch), &error);
  }
  if (FAILED(hr) || !dispatch) RaiseFromErrorInfo(FAILED(hr) ? hr : E_POINTER, error);
  py::object object;
  try {
    object = WrapDispatch(dispatch);
  } catch (...) {
    dispatch->Release();
    throw;
  }
  dispatch->Release();  // the Python object holds its own reference
  return object;
}

}  // namespace zelnor2py
