// Failed calls as Python exceptions: zelnor2.ComError carrying the HRESULT,
// source and description, and the translation of C++ exceptions at the
// entry points the module writes against the C API.
#pragma once
#include <pybind11/pybind11.h>

#include <new>
#include <stdexcept>
#include <string>

#include "platform/automation/oleauto.h"

namespace zelnor2py {

namespace py = pybind11;

// Remembers zelnor2.ComError once the module has defined it.
void SetComErrorClass(PyObject* cls);

// Makes ComError the current Python exception (the interpreter lock held).
void SetComError(automation::HRESULT hr, const std::string& source, const std::string& description,
                 int arg_err = -1);
// The same, thrown to pybind11.
[[noreturn]] void RaiseComError(automation::HRESULT hr, const std::string& source,
                                const std::string& description, int arg_err = -1);
// Raises ComError from the thread's error information (if any) for hr.
[[noreturn]] void RaiseFromErrorInfo(automation::HRESULT hr, const std::string& fallback);

// Runs body; a C++ exception that escapes becomes the matching Python
// exception and `failed` is returned (null for an object, -1 for a status).
template <class Result, class Body>
Result Translated(Result failed, Body&& body) noexcept {
  try {
    return body();
  } catch (py::error_already_set& e) {
    e.restore();
  } catch (const py::builtin_exception& e) {
    e.set_error();
  } catch (const std::bad_alloc&) {
    PyErr_NoMemory();
  } catch (const std::exception& e) {
    PyErr_SetString(PyExc_RuntimeError, e.what());
  } catch (...) {
    PyErr_SetString(PyExc_RuntimeError, "unexpected failure in zelnor2");
  }
  return failed;
}

}  // namespace zelnor2py
