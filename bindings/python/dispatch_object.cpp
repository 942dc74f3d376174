#include "bindings/python/dispatch_object.h"

#include <string>

#include "bindings/python/call.h"
#include "bindings/python/errors.h"
#include "bindings/python/members.h"

namespace zelnor2py {
using namespace automation;

namespace {
PyTypeObject g_object_type = {PyVarObject_HEAD_INIT(nullptr, 0)};

DispatchObject* AsObject(PyObject* o) { return reinterpret_cast<DispatchObject*>(o); }

// The last release destroys the object and frees its pictures: not with the
// interpreter lock held.
void DropReference(IDispatch* d) {
  if (!d) return;
  Py_BEGIN_ALLOW_THREADS;
  d->Release();
  Py_END_ALLOW_THREADS;
}

void ObjectDealloc(PyObject* self) {
  DispatchObject* o = AsObject(self);
  IDispatch* d = o->dispatch;
  o->dispatch = nullptr;
  Py_CLEAR(o->late_members);
  DropReference(d);
  Py_TYPE(self)->tp_free(self);
}

PyObject* ObjectRelease(PyObject* self, PyObject*) {
  DispatchObject* o = AsObject(self);
  IDispatch* d = o->dispatch;
  o->dispatch = nullptr;
  DropReference(d);
  Py_RETURN_NONE;
}

PyObject* ObjectRepr(PyObject* self) {
  const char* state = AsObject(self)->dispatch ? "" : " (released)";
  return PyUnicode_FromFormat("<zelnor2 %s object at %p%s>", Py_TYPE(self)->tp_name, self, state);
}

std::string Utf8Of(PyObject* text) {
  Py_ssize_t size = 0;
  const char* data = PyUnicode_AsUTF8AndSize(text, &size);
  if (!data) throw py::error_already_set();
  return std::string(data, static_cast<size_t>(size));
}

std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

bool IsSpecialName(const std::string& name) {
  return name.size() > 4 && name.compare(0, 2, "__") == 0 && name.compare(name.size() - 2, 2, "__") == 0;
}

// A member's name as UTF-8. The object reads a name only up to its first
// NUL, so "Width\0x" would reach Width: such a name names no member.
std::string MemberNameOf(PyObject* name) {
  std::string text = Utf8Of(name);
  if (text.find('\0') != std::string::npos) throw py::attribute_error("a member name cannot contain NUL");
  return text;
}

DISPID LookupId(IDispatch* d, const std::string& name) {
  std::u16string wide = Utf16FromUtf8(name);
  LPOLESTR names[1] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  if (FAILED(d->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id)))
    throw py::attribute_error("the object has no member '" + name + "'");
  return id;
}

// A member found by name through the object, once per object and name.
PyObject* LateMember(PyObject* self, PyObject* name, const std::string& text) {
  IDispatch* d = RequireDispatch(self);
  DispatchObject* o = AsObject(self);
  if (!o->late_members && !(o->late_members = PyDict_New())) throw py::error_already_set();
  PyObject* method = PyDict_GetItemWithError(o->late_members, name);
  if (!method) {
    if (PyErr_Occurred()) throw py::error_already_set();
    py::object fresh = py::reinterpret_steal<py::object>(LateMethod(text, LookupId(d, text)));
    if (PyDict_SetItem(o->late_members, name, fresh.ptr()) != 0) throw py::error_already_set();
    method = fresh.ptr();
  }
  return PyMethod_New(method, self);
}

// Reached when the class has no attribute of exactly that name: a member in
// another letter case, or one the object finds by name.
PyObject* LateGetAttr(PyObject* self, PyObject* name) {
  const std::string text = MemberNameOf(name);
  if (IsSpecialName(text)) {
    PyErr_Format(PyExc_AttributeError, "'%s' object has no attribute '%U'", Py_TYPE(self)->tp_name, name);
    return nullptr;
  }
  if (PyObject* descriptor = FindFolded(Py_TYPE(self), Lower(text)))
    return Py_TYPE(descriptor)->tp_descr_get(descriptor, self, reinterpret_cast<PyObject*>(Py_TYPE(self)));
  return LateMember(self, name, text);
}

PyObject* ObjectGetAttr(PyObject* self, PyObject* name) {
  PyObject* found = PyObject_GenericGetAttr(self, name);
  if (found || !PyErr_ExceptionMatches(PyExc_AttributeError)) return found;
  PyErr_Clear();
  return Translated<PyObject*>(nullptr, [&] { return LateGetAttr(self, name); });
}

int LateSetAttr(PyObject* self, PyObject* name, PyObject* value) {
  const std::string text = MemberNameOf(name);
  if (!value) throw py::attribute_error("members of an automation object cannot be deleted");
  PyObject* descriptor = FindFolded(Py_TYPE(self), Lower(text));
  if (!descriptor) descriptor = _PyType_Lookup(Py_TYPE(self), name);
  if (const MemberInfo* m = descriptor ? MemberOf(descriptor) : nullptr)
    return PutProperty(self, *m, value);  // a method too: the object says it has no such put
  MemberInfo late;
  late.name = text;
  late.dispid = LookupId(RequireDispatch(self), text);
  late.described = false;
  return PutProperty(self, late, value);
}

int ObjectSetAttr(PyObject* self, PyObject* name, PyObject* value) {
  if (PyObject* descriptor = _PyType_Lookup(Py_TYPE(self), name))
    if (descrsetfunc set = Py_TYPE(descriptor)->tp_descr_set) return set(descriptor, self, value);
  return Translated<int>(-1, [&] { return LateSetAttr(self, name, value); });
}

PyMethodDef kObjectMethods[] = {
    {"release", ObjectRelease, METH_NOARGS, "Drops the object's reference now (the object becomes unusable)"},
    {nullptr, nullptr, 0, nullptr},
};
}  // namespace

void AddObjectType(py::module_& m) {
  PyTypeObject& t = g_object_type;
  t.tp_name = "zelnor2.Object";
  t.tp_doc =
      "An automation object reached through IDispatch.  Attribute reads are property gets (or methods),\n"
      "attribute writes property puts; member and parameter names match in any letter case.";
  t.tp_basicsize = sizeof(DispatchObject);
  t.tp_flags = Py_TPFLAGS_DEFAULT | Py_TPFLAGS_BASETYPE;
  t.tp_dealloc = ObjectDealloc;
  t.tp_repr = ObjectRepr;
  t.tp_getattro = ObjectGetAttr;
  t.tp_setattro = ObjectSetAttr;
  t.tp_methods = kObjectMethods;
  if (PyType_Ready(&t) < 0) throw py::error_already_set();
  m.attr("Object") = py::handle(reinterpret_cast<PyObject*>(&t));
}

PyTypeObject* ObjectType() { return &g_object_type; }

py::object WrapDispatch(IDispatch* d) {
  PyTypeObject* cls = &g_object_type;
  ITypeInfo* info = nullptr;
  if (d->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info) == S_OK && info) {
    struct Release {
      ITypeInfo* info;
      ~Release() { info->Release(); }
    } release{info};
    if (PyTypeObject* described = ClassFor(info)) cls = described;
  }
  PyObject* o = cls->tp_alloc(cls, 0);
  if (!o) throw py::error_already_set();
  d->AddRef();
  AsObject(o)->dispatch = d;
  AsObject(o)->late_members = nullptr;
  return py::reinterpret_steal<py::object>(o);
}

bool IsDispatchObject(PyObject* value) { return PyObject_TypeCheck(value, &g_object_type); }

IDispatch* DispatchOf(PyObject* value) {
  return IsDispatchObject(value) ? AsObject(value)->dispatch : nullptr;
}

IDispatch* RequireDispatch(PyObject* value) {
  if (!IsDispatchObject(value)) throw py::type_error("not a zelnor2 object");
  IDispatch* d = AsObject(value)->dispatch;
  if (!d) throw py::value_error("the object has been released");
  return d;
}

}  // namespace zelnor2py
