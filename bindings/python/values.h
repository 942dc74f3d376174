// Python values <-> VARIANTs for the zelnor2 binding.
#pragma once
#include <pybind11/pybind11.h>

#include "platform/automation/oleauto.h"

namespace zelnor2py {

namespace py = pybind11;

// A by-reference VARIANT for VARIANT* parameters: the member writes into it,
// .value reads it afterwards.
class Ref {
 public:
  Ref();
  explicit Ref(const py::object& value);
  ~Ref();
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  py::object Value() const;
  void SetValue(const py::object& value);
  automation::VARIANT* Variant() { return &variant_; }

 private:
  automation::VARIANT variant_;
};

// Fills *out (an empty VARIANT) from a Python value; throws TypeError or
// OverflowError for values with no automation form.
void ToVariant(const py::handle& value, automation::VARIANT* out);
py::object FromVariant(const automation::VARIANT& value);

}  // namespace zelnor2py
