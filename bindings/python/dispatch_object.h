// A Python view of an automation object: attribute reads become property
// gets (or bound methods), attribute writes property puts, and calls with
// positional and keyword arguments late-bound invocations by name.
#pragma once
#include <pybind11/pybind11.h>

#include <map>
#include <memory>
#include <string>

#include "platform/automation/oleauto.h"

namespace zelnor2py {

namespace py = pybind11;

// What the type information says about the members of one object, and the
// dispatch ids already looked up (a script host also looks a name up once).
struct MemberKinds {
  std::map<std::string, bool> has_get;            // by lower-case name: true when a property get exists
  std::map<std::string, automation::DISPID> ids;  // by name as written
};

class DispatchObject {
 public:
  explicit DispatchObject(automation::IDispatch* dispatch);  // takes a new reference
  DispatchObject(const DispatchObject& other);
  DispatchObject& operator=(const DispatchObject&) = delete;
  ~DispatchObject();

  automation::IDispatch* Get() const { return dispatch_; }
  py::object GetAttr(const std::string& name);
  void SetAttr(const std::string& name, const py::object& value);
  py::object Call(const std::string& name, const py::args& args, const py::kwargs& kwargs);
  // Drops the reference now (the object becomes unusable).
  void Release();

 private:
  automation::DISPID Lookup(const std::string& name);
  bool IsProperty(const std::string& name);

  automation::IDispatch* dispatch_;
  std::shared_ptr<MemberKinds> kinds_;
};

// A member of an object, bound for calling.
struct BoundMethod {
  DispatchObject object;
  std::string name;
};

// Raises zelnor2.ComError for a failed call.
[[noreturn]] void RaiseComError(automation::HRESULT hr, const std::string& source,
                                const std::string& description, int arg_err = -1);
// Raises ComError from the thread's error information (if any) for hr.
[[noreturn]] void RaiseFromErrorInfo(automation::HRESULT hr, const std::string& fallback);

}  // namespace zelnor2py
