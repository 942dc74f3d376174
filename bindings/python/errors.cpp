#include "bindings/python/errors.h"

#include "platform/activation/activation.h"

namespace zelnor2py {
using namespace automation;

namespace {
PyObject* g_com_error = nullptr;  // zelnor2.ComError, kept for the life of the process

std::string TakeBstr(BSTR& b) {
  std::string s = Utf8FromBstr(b);
  SysFreeString(b);
  b = nullptr;
  return s;
}
}  // namespace

void SetComErrorClass(PyObject* cls) {
  Py_XINCREF(cls);
  g_com_error = cls;
}

void SetComError(HRESULT hr, const std::string& source, const std::string& description, int arg_err) {
  const std::string text = description.empty() ? activation::HResultName(hr) : description;
  auto str = [](const std::string& s) {
    return py::reinterpret_steal<py::object>(
        PyUnicode_DecodeUTF8(s.data(), static_cast<Py_ssize_t>(s.size()), "replace"));
  };
  py::object args[] = {py::int_(hr), str(text), str(source), str(description), py::int_(arg_err)};
  for (const py::object& a : args)
    if (!a) return;  // the failure to make it is the exception now
  PyObject* error = PyObject_CallFunctionObjArgs(g_com_error, args[0].ptr(), args[1].ptr(), args[2].ptr(),
                                                 args[3].ptr(), args[4].ptr(), nullptr);
  if (!error) return;
  PyErr_SetObject(g_com_error, error);
  Py_DECREF(error);
}

void RaiseComError(HRESULT hr, const std::string& source, const std::string& description, int arg_err) {
  SetComError(hr, source, description, arg_err);
  throw py::error_already_set();
}

void RaiseFromErrorInfo(HRESULT hr, const std::string& fallback) {
  IErrorInfo* info = nullptr;
  std::string source, description = fallback;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    BSTR s = nullptr, t = nullptr;
    info->GetSource(&s);
    info->GetDescription(&t);
    source = TakeBstr(s);
    std::string text = TakeBstr(t);
    if (!text.empty()) description = text;
    info->Release();
  }
  RaiseComError(hr, source, description);
}

}  // namespace zelnor2py
