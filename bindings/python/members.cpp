#include "bindings/python/members.h"

#include <cstddef>
#include <map>
#include <memory>

#include "bindings/python/call.h"
#include "bindings/python/dispatch_object.h"
#include "bindings/python/errors.h"
#include "bindings/python/values.h"

namespace zelnor2py {
using namespace automation;

namespace {
// ------------------------------------------------------------ reading the type information
std::string TakeBstr(BSTR& b) {
  std::string s = Utf8FromBstr(b);
  SysFreeString(b);
  b = nullptr;
  return s;
}

VARTYPE TypeOf(const ELEMDESC& e) {
  if (e.tdesc.vt == VT_PTR && e.tdesc.lptdesc) return static_cast<VARTYPE>(e.tdesc.lptdesc->vt | VT_BYREF);
  return e.tdesc.vt;
}

const char* TypeName(VARTYPE vt) {
  switch (vt) {
    case VT_I4:
      return "I4";
    case VT_BOOL:
      return "BOOL";
    case VT_BSTR:
      return "BSTR";
    case VT_VARIANT:
      return "VARIANT";
    case VT_VARIANT | VT_BYREF:
      return "VARIANT*";
    default:
      return "";
  }
}

// The names of a function's member and parameters (GetNames order).
std::vector<std::string> NamesOf(ITypeInfo* info, const FUNCDESC& fd) {
  std::vector<BSTR> raw(static_cast<size_t>(fd.cParams) + 1, nullptr);
  UINT count = 0;
  info->GetNames(fd.memid, raw.data(), static_cast<UINT>(raw.size()), &count);
  std::vector<std::string> names;
  for (UINT i = 0; i < count; ++i) names.push_back(TakeBstr(raw[i]));
  return names;
}

std::string HelpOf(ITypeInfo* info, MEMBERID memid) {
  BSTR doc = nullptr;
  if (FAILED(info->GetDocumentation(memid, nullptr, &doc, nullptr, nullptr))) return {};
  return TakeBstr(doc);
}

void ReadMethod(const FUNCDESC& fd, const std::vector<std::string>& names, MemberInfo& m) {
  m.is_method = true;
  size_t named = 1;  // names[0] is the member's
  for (int16_t i = 0; i < fd.cParams; ++i) {
    const ELEMDESC& e = fd.lprgelemdescParam[i];
    const USHORT flags = e.paramdesc.wParamFlags;
    std::string name = named < names.size() ? names[named++] : "arg" + std::to_string(i);
    if (flags & PARAMFLAG_FRETVAL) {
      m.result = static_cast<VARTYPE>(TypeOf(e) & ~VT_BYREF);
      m.result_name = name;
      continue;
    }
    ParamInfo p{name, TypeOf(e), (flags & PARAMFLAG_FOPT) != 0, (flags & PARAMFLAG_FHASDEFAULT) != 0, {}};
    if (p.has_default && e.paramdesc.pparamdescex)
      p.default_value = FromVariant(e.paramdesc.pparamdescex->varDefaultValue);
    m.params.push_back(std::move(p));
  }
}

void ReadProperty(const FUNCDESC& fd, MemberInfo& m) {
  if (fd.invkind == INVOKE_PROPERTYGET) {
    m.readable = true;
    for (int16_t i = 0; i < fd.cParams; ++i)
      if (fd.lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)
        m.result = static_cast<VARTYPE>(TypeOf(fd.lprgelemdescParam[i]) & ~VT_BYREF);
    m.result_name = "Value";
  } else {
    m.writable = true;
    if (m.result == VT_EMPTY && fd.cParams > 0) m.result = TypeOf(fd.lprgelemdescParam[0]);
  }
}

// The members in function-table order, a property's rows joined into one.
std::vector<MemberInfo> ReadMembers(ITypeInfo* info, WORD functions) {
  std::vector<MemberInfo> members;
  std::map<std::string, size_t> by_name;
  for (UINT i = 0; i < functions; ++i) {
    FUNCDESC* fd = nullptr;
    if (FAILED(info->GetFuncDesc(i, &fd)) || !fd) continue;
    std::vector<std::string> names = NamesOf(info, *fd);
    if (!names.empty()) {
      auto [at, fresh] = by_name.emplace(names[0], members.size());
      if (fresh) members.push_back(MemberInfo{names[0], fd->memid});
      MemberInfo& m = members[at->second];
      if (fresh) m.help = HelpOf(info, fd->memid);
      if (fd->invkind == INVOKE_FUNC)
        ReadMethod(*fd, names, m);
      else
        ReadProperty(*fd, m);
    }
    info->ReleaseFuncDesc(fd);
  }
  return members;
}

// What the Python part turns into a docstring and a signature:
// (name, kind, ((name, type, optional, has_default, default), ...),
//  (result name, result type) or None, help, readable, writable).
py::tuple SummaryOf(const MemberInfo& m) {
  py::list params;
  for (const ParamInfo& p : m.params)
    params.append(py::make_tuple(p.name, TypeName(p.vt), p.optional, p.has_default,
                                 p.default_value ? p.default_value : py::none()));
  py::object result = m.result == VT_EMPTY && m.is_method
                          ? py::object(py::none())
                          : py::object(py::make_tuple(m.result_name, TypeName(m.result)));
  return py::make_tuple(m.name, m.is_method ? "method" : "property", py::tuple(params), result, m.help,
                        m.readable, m.writable);
}

// ------------------------------------------------------------ the descriptor types
struct MemberDescriptor {
  PyObject_HEAD vectorcallfunc vectorcall;
  MemberInfo* member;   // owned
  PyObject* summary;    // SummaryOf(member), or null for a member found at run time
  PyObject* doc;        // str or null
  PyObject* signature;  // made on first request
};

PyTypeObject MethodType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyTypeObject PropertyType = {PyVarObject_HEAD_INIT(nullptr, 0)};
PyObject* g_member_doc = nullptr;        // the module's _member_doc
PyObject* g_member_signature = nullptr;  // the module's _member_signature

MemberDescriptor* AsDescriptor(PyObject* o) { return reinterpret_cast<MemberDescriptor*>(o); }

void DescriptorDealloc(PyObject* self) {
  MemberDescriptor* d = AsDescriptor(self);
  delete d->member;
  Py_XDECREF(d->summary);
  Py_XDECREF(d->doc);
  Py_XDECREF(d->signature);
  Py_TYPE(self)->tp_free(self);
}

PyObject* MethodVectorcall(PyObject* callable, PyObject* const* args, size_t nargsf, PyObject* kwnames) {
  const size_t n = static_cast<size_t>(PyVectorcall_NARGS(nargsf));
  const MemberInfo& m = *AsDescriptor(callable)->member;
  if (n < 1 || !IsDispatchObject(args[0])) {
    PyErr_Format(PyExc_TypeError, "%s needs a zelnor2 object to call it on", m.name.c_str());
    return nullptr;
  }
  return CallMember(args[0], m, args + 1, n - 1, kwnames);
}

PyObject* MethodGet(PyObject* self, PyObject* object, PyObject*) {
  if (!object || object == Py_None) return Py_NewRef(self);
  return PyMethod_New(self, object);
}

PyObject* PropertyGet(PyObject* self, PyObject* object, PyObject*) {
  if (!object || object == Py_None) return Py_NewRef(self);
  return GetProperty(object, *AsDescriptor(self)->member);
}

int PropertySet(PyObject* self, PyObject* object, PyObject* value) {
  const MemberInfo& m = *AsDescriptor(self)->member;
  if (!value) {
    PyErr_Format(PyExc_AttributeError, "the property %s cannot be deleted", m.name.c_str());
    return -1;
  }
  return PutProperty(object, m, value);
}

PyObject* DescriptorDoc(PyObject* self, void*) {
  PyObject* doc = AsDescriptor(self)->doc;
  return Py_NewRef(doc ? doc : Py_None);
}

PyObject* DescriptorName(PyObject* self, void*) {
  const std::string& name = AsDescriptor(self)->member->name;
  return PyUnicode_FromStringAndSize(name.data(), static_cast<Py_ssize_t>(name.size()));
}

// What the type information says about the member, as SummaryOf gives it (None
// for a member found by name at run time); the stub generator reads it.
PyObject* DescriptorSummary(PyObject* self, void*) {
  PyObject* summary = AsDescriptor(self)->summary;
  return Py_NewRef(summary ? summary : Py_None);
}

PyObject* MethodSignature(PyObject* self, void*) {
  MemberDescriptor* d = AsDescriptor(self);
  if (!d->summary) Py_RETURN_NONE;  // nothing is known about the parameters
  if (!d->signature) {
    // The call runs Python code, which may let another thread make it too:
    // the first one kept wins.
    PyObject* made = PyObject_CallOneArg(g_member_signature, d->summary);
    if (!made) return nullptr;
    if (d->signature)
      Py_DECREF(made);
    else
      d->signature = made;
  }
  return Py_NewRef(d->signature);
}

PyObject* DescriptorRepr(PyObject* self) {
  const char* kind = Py_IS_TYPE(self, &PropertyType) ? "property" : "method";
  return PyUnicode_FromFormat("<zelnor2 %s %s>", kind, AsDescriptor(self)->member->name.c_str());
}

PyGetSetDef kMethodGetSet[] = {
    {"__doc__", DescriptorDoc, nullptr, nullptr, nullptr},
    {"__name__", DescriptorName, nullptr, nullptr, nullptr},
    {"__signature__", MethodSignature, nullptr, nullptr, nullptr},
    {"_summary", DescriptorSummary, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};
PyGetSetDef kPropertyGetSet[] = {
    {"__doc__", DescriptorDoc, nullptr, nullptr, nullptr},
    {"__name__", DescriptorName, nullptr, nullptr, nullptr},
    {"_summary", DescriptorSummary, nullptr, nullptr, nullptr},
    {nullptr, nullptr, nullptr, nullptr, nullptr},
};

void ReadyType(PyTypeObject& type, const char* name, const char* doc, unsigned long flags) {
  type.tp_name = name;
  type.tp_doc = doc;
  type.tp_basicsize = sizeof(MemberDescriptor);
  type.tp_dealloc = DescriptorDealloc;
  type.tp_repr = DescriptorRepr;
  type.tp_flags = Py_TPFLAGS_DEFAULT | flags;
  if (PyType_Ready(&type) < 0) throw py::error_already_set();
}

// A new descriptor that owns member.
PyObject* NewDescriptor(PyTypeObject& type, std::unique_ptr<MemberInfo> member, PyObject* summary,
                        PyObject* doc) {
  PyObject* o = type.tp_alloc(&type, 0);
  if (!o) throw py::error_already_set();
  MemberDescriptor* d = AsDescriptor(o);
  d->vectorcall = &type == &MethodType ? MethodVectorcall : nullptr;
  d->member = member.release();
  d->summary = Py_XNewRef(summary);
  d->doc = Py_XNewRef(doc);
  d->signature = nullptr;
  return o;
}

// ------------------------------------------------------------ the classes
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::string InterfaceName(ITypeInfo* info, std::string* help) {
  BSTR name = nullptr, doc = nullptr;
  info->GetDocumentation(MEMBERID_NIL, &name, &doc, nullptr, nullptr);
  *help = TakeBstr(doc);
  std::string text = TakeBstr(name);
  return text.empty() ? "Object" : text;
}

// Each class's members by lower-case name, for lookups in any letter case.
std::map<PyTypeObject*, PyObject*>& FoldedByClass() {
  static auto* folded = new std::map<PyTypeObject*, PyObject*>;  // never freed, like the classes
  return *folded;
}

// The namespace of a class: a descriptor per member and its docstring; the
// members by lower-case name go to *folded.
py::dict ClassNamespace(std::vector<MemberInfo> members, const std::string& help, py::dict& folded) {
  py::dict ns;
  for (MemberInfo& info : members) {
    py::tuple summary = SummaryOf(info);
    py::object doc = py::reinterpret_steal<py::object>(PyObject_CallOneArg(g_member_doc, summary.ptr()));
    if (!doc) throw py::error_already_set();
    const std::string name = info.name;
    PyTypeObject& type = info.is_method ? MethodType : PropertyType;
    py::object descriptor = py::reinterpret_steal<py::object>(
        NewDescriptor(type, std::make_unique<MemberInfo>(std::move(info)), summary.ptr(), doc.ptr()));
    ns[py::str(name)] = descriptor;
    folded[py::str(Lower(name))] = descriptor;
  }
  ns["__doc__"] = help.empty() ? py::str("An automation object.") : py::str(help);
  ns["__module__"] = "zelnor2";
  ns["__slots__"] = py::tuple();
  return ns;
}

PyTypeObject* MakeClass(ITypeInfo* info, const TYPEATTR& attr) {
  std::string help;
  const std::string name = InterfaceName(info, &help);
  py::dict folded;
  py::dict ns = ClassNamespace(ReadMembers(info, attr.cFuncs), help, folded);
  py::object base = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(ObjectType()));
  py::object cls = py::reinterpret_borrow<py::object>(reinterpret_cast<PyObject*>(&PyType_Type))(
      name, py::make_tuple(base), ns);
  auto* type = reinterpret_cast<PyTypeObject*>(cls.release().ptr());
  FoldedByClass()[type] = folded.release().ptr();
  return type;
}
}  // namespace

void AddMemberTypes(py::module_& m) {
  g_member_doc = py::object(m.attr("_member_doc")).release().ptr();
  g_member_signature = py::object(m.attr("_member_signature")).release().ptr();
  // A method descriptor: `object.Member(...)` calls it with the object first,
  // without making a bound method on the way.
  MethodType.tp_vectorcall_offset = offsetof(MemberDescriptor, vectorcall);
  MethodType.tp_call = PyVectorcall_Call;
  MethodType.tp_descr_get = MethodGet;
  MethodType.tp_getset = kMethodGetSet;
  ReadyType(MethodType, "zelnor2.Method", "A method of an automation object, called by its dispatch id",
            Py_TPFLAGS_HAVE_VECTORCALL | Py_TPFLAGS_METHOD_DESCRIPTOR);
  PropertyType.tp_descr_get = PropertyGet;
  PropertyType.tp_descr_set = PropertySet;
  PropertyType.tp_getset = kPropertyGetSet;
  ReadyType(PropertyType, "zelnor2.Property", "A property of an automation object: read is get, write is put",
            0);
  m.attr("Method") = py::handle(reinterpret_cast<PyObject*>(&MethodType));
  m.attr("Property") = py::handle(reinterpret_cast<PyObject*>(&PropertyType));
}

PyTypeObject* ClassFor(ITypeInfo* info) {
  static auto* classes = new std::map<std::string, PyTypeObject*>;  // by interface id; never freed
  TYPEATTR* attr = nullptr;
  if (FAILED(info->GetTypeAttr(&attr)) || !attr) return nullptr;
  struct Release {
    ITypeInfo* info;
    TYPEATTR* attr;
    ~Release() { info->ReleaseTypeAttr(attr); }
  } release{info, attr};
  const std::string key = GuidToString(attr->guid);
  if (auto it = classes->find(key); it != classes->end()) return it->second;
  // Making the class runs Python code, which may let another thread make one
  // for the same interface meanwhile: the first one kept answers for both.
  PyTypeObject* cls = MakeClass(info, *attr);
  return classes->emplace(key, cls).first->second;
}

PyObject* LateMethod(const std::string& name, DISPID id) {
  auto member = std::make_unique<MemberInfo>();
  member->name = name;
  member->dispid = id;
  member->described = false;
  return NewDescriptor(MethodType, std::move(member), nullptr, nullptr);
}

PyObject* FindFolded(PyTypeObject* cls, const std::string& lower_name) {
  for (PyTypeObject* t = cls; t; t = t->tp_base)
    if (auto it = FoldedByClass().find(t); it != FoldedByClass().end())
      return PyDict_GetItemString(it->second, lower_name.c_str());
  return nullptr;
}

const MemberInfo* MemberOf(PyObject* descriptor) {
  if (!Py_IS_TYPE(descriptor, &MethodType) && !Py_IS_TYPE(descriptor, &PropertyType)) return nullptr;
  return AsDescriptor(descriptor)->member;
}

bool IsPropertyDescriptor(PyObject* descriptor) { return Py_IS_TYPE(descriptor, &PropertyType); }

}  // namespace zelnor2py
