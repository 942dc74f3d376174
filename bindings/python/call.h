// One late-bound call from Python: the arguments are converted while the
// interpreter lock is held, the call itself runs with the lock released (so
// other Python threads run meanwhile, and calls into other objects run at the
// same time), and the result is converted once the lock is back.
//
// Numbers and Booleans convert in place with no allocation.  A byte buffer
// (bytes, bytearray, memoryview, a numpy array) is lent to the call without a
// copy when it is contiguous.  A Ref is lent too: for the length of the call
// its value belongs to the call.
#pragma once
#include <pybind11/pybind11.h>

#include <string>

#include "platform/automation/oleauto.h"

namespace zelnor2py {

namespace py = pybind11;

struct MemberInfo;

// A member's call: positional arguments args[0..nargs), then the values of
// the keywords named in kwnames (the vectorcall layout).  Returns a new
// reference, or null with a Python exception set.
PyObject* CallMember(PyObject* self, const MemberInfo& m, PyObject* const* args, size_t nargs,
                     PyObject* kwnames);
PyObject* GetProperty(PyObject* self, const MemberInfo& m);
// 0, or -1 with a Python exception set.
int PutProperty(PyObject* self, const MemberInfo& m, PyObject* value);

// Creates an object by ProgID or braced CLSID, the interpreter lock released
// while the module loads and the object is made.
py::object CreateObject(const std::string& name);

}  // namespace zelnor2py
