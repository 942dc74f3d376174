// Python values <-> VARIANTs for the zelnor2 binding.
#pragma once
#include <pybind11/pybind11.h>

#include "platform/automation/oleauto.h"

namespace zelnor2py {

namespace py = pybind11;

// A by-reference VARIANT for VARIANT* parameters: the member writes into it,
// .value reads it afterwards (a byte array as bytes).  While a call that was
// given the Ref runs, with the interpreter lock released, its value belongs
// to that call: reading, setting or passing it elsewhere meanwhile is refused.
class Ref {
 public:
  Ref();
  explicit Ref(py::handle value);
  ~Ref();
  Ref(const Ref&) = delete;
  Ref& operator=(const Ref&) = delete;
  py::object Value() const;
  void SetValue(py::handle value);
  // The bytes of a byte-array value (TypeError for any other value).
  py::bytes Bytes() const;
  // A copy of the value into an empty VARIANT.
  void CopyTo(automation::VARIANT* out) const;

  // Moves the value out for the length of one call; GiveBack ends the loan.
  automation::VARIANT Lend();
  void GiveBack(const automation::VARIANT& value);

 private:
  void RefuseWhileLent() const;
  automation::VARIANT variant_;
  bool lent_ = false;
};

// The Python type of Ref, once the module has registered it.
PyTypeObject* RefType();

// Fills *out from a Python value, as a value the VARIANT keeps on its own:
// numbers, Booleans, texts, byte buffers (copied), automation objects,
// sequences (arrays of variants) and Refs (their current value, copied).
// Throws TypeError or OverflowError for values with no automation form.
void ToVariant(py::handle value, automation::VARIANT* out);
py::object FromVariant(const automation::VARIANT& value);

// What kind of plain argument a value is: handled without any allocation.
// Returns false when the value needs the general conversion.
bool SimpleToVariant(PyObject* value, automation::VARIANT* out);
// True for an object whose buffer a call may read as bytes (not a number).
bool IsByteBuffer(PyObject* value);

}  // namespace zelnor2py
