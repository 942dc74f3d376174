// zelnor2.Object: a Python object standing for one automation object.  An
// object whose type information is readable is an instance of a class made
// from it (one per interface: zelnor2's view of IMyCanvas), whose methods and
// properties are descriptors that call by dispatch id; any other object finds
// its members by name at run time.  Either way, member names match in any
// letter case, as the automation lookup does.
#pragma once
#include <pybind11/pybind11.h>

#include "platform/automation/oleauto.h"

namespace zelnor2py {

namespace py = pybind11;

// The C layout of zelnor2.Object and of the classes made from it.
struct DispatchObject {
  PyObject_HEAD automation::IDispatch* dispatch;  // null after release()
  PyObject* late_members;  // without type information: name -> member found by name (dict), or null
};

// Readies zelnor2.Object and adds it to the module.
void AddObjectType(py::module_& m);
PyTypeObject* ObjectType();

// A new Python object for d, holding its own reference to d.
py::object WrapDispatch(automation::IDispatch* d);
// The interface behind a zelnor2 object: null when value is not one; a
// released object gives null too.
automation::IDispatch* DispatchOf(PyObject* value);
bool IsDispatchObject(PyObject* value);
// The interface behind value for a call; TypeError or ValueError otherwise.
automation::IDispatch* RequireDispatch(PyObject* value);

}  // namespace zelnor2py
