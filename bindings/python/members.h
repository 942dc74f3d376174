// What the type information says about the members of one interface, and
// the Python class made from it: a method descriptor (zelnor2.Method) per
// method and a data descriptor (zelnor2.Property) per property, each with its
// docstring and, for methods, its inspect.Signature.
#pragma once
#include <pybind11/pybind11.h>

#include <string>
#include <vector>

#include "platform/automation/oleauto.h"

namespace zelnor2py {

namespace py = pybind11;

struct ParamInfo {
  std::string name;
  automation::VARTYPE vt = automation::VT_EMPTY;  // VT_VARIANT | VT_BYREF for a VARIANT*
  bool optional = false;
  bool has_default = false;
  py::object default_value;
};

struct MemberInfo {
  std::string name;
  automation::DISPID dispid = automation::DISPID_UNKNOWN;
  bool is_method = false;
  bool readable = false, writable = false;            // a property's get and put rows
  std::vector<ParamInfo> params;                      // of the method
  automation::VARTYPE result = automation::VT_EMPTY;  // the method's [out,retval], or the property's type
  std::string result_name;
  std::string help;
  // False for a member found by name on an object without type information:
  // keyword names are then looked up through the object.
  bool described = true;
};

// Readies zelnor2.Method and zelnor2.Property and adds them to the module;
// takes the docstring and signature makers from the module's Python part.
void AddMemberTypes(py::module_& m);

// The class for objects with this type information (made once per interface
// identifier, kept for the life of the process), or null when the type
// information cannot be read; a borrowed reference.
PyTypeObject* ClassFor(automation::ITypeInfo* info);

// The descriptor of the class's member whose lower-case name is lower_name
// (borrowed), or null.
PyObject* FindFolded(PyTypeObject* cls, const std::string& lower_name);

// A method descriptor for a member found by name at run time (new reference).
PyObject* LateMethod(const std::string& name, automation::DISPID id);

// The member a descriptor of zelnor2.Method or zelnor2.Property calls, or null
// for any other object.
const MemberInfo* MemberOf(PyObject* descriptor);
bool IsPropertyDescriptor(PyObject* descriptor);

}  // namespace zelnor2py
