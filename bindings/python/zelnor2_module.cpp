// The Python module zelnor2: CreateObject by ProgID through the component
// runtime, objects whose members are read from their type information (with
// docstrings and signatures), calls that release the interpreter lock, Ref
// for VARIANT* parameters, ComError for failures, the named result codes,
// pixel-format and copy-mode numbers, and a few low-level probes of the
// runtime's contracts in zelnor2.lowlevel.
#include <pybind11/eval.h>
#include <pybind11/pybind11.h>

#include <vector>

#include "bindings/python/call.h"
#include "bindings/python/dispatch_object.h"
#include "bindings/python/errors.h"
#include "bindings/python/members.h"
#include "bindings/python/support_source.h"
#include "bindings/python/values.h"
#include "platform/activation/activation.h"

namespace zelnor2py {
using namespace automation;

namespace {
GUID ParseGuid(const std::string& text) {
  GUID g;
  if (!GuidFromString(text, &g)) throw py::value_error("not a GUID: " + text);
  return g;
}

activation::Module* ModuleAt(const std::string& path) {
  std::string error;
  activation::Module* m = activation::LoadModule(path, &error);
  if (!m) throw py::value_error(error);
  return m;
}

template <class Iface, class Use>
HRESULT WithInterface(py::handle obj, const IID& iid, Use use) {
  Iface* p = nullptr;
  HRESULT hr = RequireDispatch(obj.ptr())->QueryInterface(iid, reinterpret_cast<void**>(&p));
  if (FAILED(hr)) return hr;
  hr = use(p);
  p->Release();
  return hr;
}

void AddLowLevel(py::module_& m) {
  py::module_ low = m.def_submodule("lowlevel", "Direct probes of the component runtime's contracts");
  low.def("dll_can_unload_now", [](const std::string& path) { return ModuleAt(path)->DllCanUnloadNow(); });
  low.def("dll_register_server", [](const std::string& path) { return ModuleAt(path)->DllRegisterServer(); });
  low.def("dll_unregister_server",
          [](const std::string& path) { return ModuleAt(path)->DllUnregisterServer(); });
  // DllGetClassObject: (hresult, output was null).
  low.def("get_class_object", [](const std::string& path, const std::string& clsid, const std::string& iid) {
    void* out = reinterpret_cast<void*>(1);
    HRESULT hr = ModuleAt(path)->DllGetClassObject(ParseGuid(clsid), ParseGuid(iid), &out);
    bool null = out == nullptr;
    if (!null && SUCCEEDED(hr)) static_cast<IUnknown*>(out)->Release();
    return py::make_tuple(hr, null);
  });
  // IClassFactory::CreateInstance with an outer object (aggregation) asking for iid.
  low.def("create_aggregated", [](const std::string& path, const std::string& clsid, const std::string& iid) {
    IClassFactory* f = nullptr;
    HRESULT hr =
        ModuleAt(path)->DllGetClassObject(ParseGuid(clsid), IID_IClassFactory, reinterpret_cast<void**>(&f));
    if (FAILED(hr)) return py::make_tuple(hr, true);
    struct Outer final : IUnknown {
      HRESULT QueryInterface(REFIID, void** ppv) override { return *ppv = nullptr, E_NOINTERFACE; }
      ULONG AddRef() override { return 2; }
      ULONG Release() override { return 1; }
    } outer;
    void* out = reinterpret_cast<void*>(1);
    hr = f->CreateInstance(&outer, ParseGuid(iid), &out);
    bool null = out == nullptr;
    if (!null && SUCCEEDED(hr)) static_cast<IUnknown*>(out)->Release();
    f->Release();
    return py::make_tuple(hr, null);
  });
  low.def("lock_server", [](const std::string& path, const std::string& clsid, bool lock) {
    IClassFactory* f = nullptr;
    HRESULT hr =
        ModuleAt(path)->DllGetClassObject(ParseGuid(clsid), IID_IClassFactory, reinterpret_cast<void**>(&f));
    if (FAILED(hr)) return hr;
    hr = f->LockServer(lock ? 1 : 0);
    f->Release();
    return hr;
  });
  low.def("free_unused_libraries", &activation::CoFreeUnusedLibraries);
  low.def("supports_error_info", [](py::handle obj, const std::string& iid) {
    GUID asked = ParseGuid(iid);
    return WithInterface<ISupportErrorInfo>(obj, IID_ISupportErrorInfo, [&](ISupportErrorInfo* p) {
      return p->InterfaceSupportsErrorInfo(asked);
    });
  });
  low.def("query_interface", [](py::handle obj, const std::string& iid) {
    return WithInterface<IUnknown>(obj, ParseGuid(iid), [](IUnknown*) { return S_OK; });
  });
  // IDispatch::GetTypeInfo: (hresult, output was null).
  low.def("get_type_info", [](py::handle obj, unsigned index) {
    ITypeInfo* info = reinterpret_cast<ITypeInfo*>(1);
    HRESULT hr = RequireDispatch(obj.ptr())->GetTypeInfo(index, 0, &info);
    bool null = info == nullptr;
    if (!null && SUCCEEDED(hr)) info->Release();
    return py::make_tuple(hr, null);
  });
  low.def("interface_id", [](py::handle obj) {
    ITypeInfo* info = nullptr;
    if (FAILED(RequireDispatch(obj.ptr())->GetTypeInfo(0, 0, &info)) || !info)
      throw py::value_error("no type information");
    TYPEATTR* attr = nullptr;
    std::string text;
    if (SUCCEEDED(info->GetTypeAttr(&attr))) {
      text = GuidToString(attr->guid);
      info->ReleaseTypeAttr(attr);
    }
    info->Release();
    return text;
  });
  // IDispatch::Invoke by name with explicit flags: (hresult, result value).
  low.def("invoke", [](py::handle obj, const std::string& name, int flags, const py::args& args) {
    IDispatch* d = RequireDispatch(obj.ptr());
    std::u16string wide = Utf16FromUtf8(name);
    LPOLESTR names[1] = {wide.data()};
    DISPID id = DISPID_UNKNOWN;
    HRESULT hr = d->GetIDsOfNames(IID_NULL, names, 1, 0, &id);
    if (FAILED(hr)) return py::make_tuple(hr, py::none());
    std::vector<VARIANT> values(args.size());
    for (VARIANT& v : values) VariantInit(&v);
    DISPID put = DISPID_PROPERTYPUT;
    bool is_put = flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    VARIANT result;
    VariantInit(&result);
    EXCEPINFO excep{};
    try {
      for (size_t i = 0; i < args.size(); ++i) ToVariant(args[i], &values[args.size() - 1 - i]);
      DISPPARAMS dp{values.data(), is_put ? &put : nullptr, static_cast<UINT>(values.size()),
                    is_put ? 1u : 0u};
      hr = d->Invoke(id, IID_NULL, 0, static_cast<WORD>(flags), &dp, &result, &excep, nullptr);
    } catch (...) {
      for (VARIANT& v : values) VariantClear(&v);
      throw;
    }
    for (VARIANT& v : values) VariantClear(&v);
    SysFreeString(excep.bstrSource);
    SysFreeString(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    py::object value = FromVariant(result);
    VariantClear(&result);
    return py::make_tuple(hr, value);
  });
  low.attr("DISPATCH_METHOD") = DISPATCH_METHOD;
  low.attr("DISPATCH_PROPERTYGET") = DISPATCH_PROPERTYGET;
  low.attr("DISPATCH_PROPERTYPUT") = DISPATCH_PROPERTYPUT;
  low.attr("DISPATCH_PROPERTYPUTREF") = DISPATCH_PROPERTYPUTREF;
  low.def("clsid_from_progid", [](const std::string& progid) {
    CLSID clsid;
    HRESULT hr = activation::CLSIDFromProgID(progid, &clsid);
    return FAILED(hr) ? std::string() : GuidToString(clsid);
  });
  low.attr("IID_IUnknown") = GuidToString(IID_IUnknown);
  low.attr("IID_IDispatch") = GuidToString(IID_IDispatch);
  low.attr("IID_IClassFactory") = GuidToString(IID_IClassFactory);
  low.attr("IID_ISupportErrorInfo") = GuidToString(IID_ISupportErrorInfo);
  low.attr("IID_IProvideClassInfo") = GuidToString(IID_IProvideClassInfo);
  low.attr("IID_ITypeInfo") = GuidToString(IID_ITypeInfo);
}

void AddConstants(py::module_& m) {
  const std::pair<const char*, HRESULT> codes[] = {
      {"S_OK", S_OK},
      {"S_FALSE", S_FALSE},
      {"E_UNEXPECTED", E_UNEXPECTED},
      {"E_FAIL", E_FAIL},
      {"E_NOINTERFACE", E_NOINTERFACE},
      {"E_POINTER", E_POINTER},
      {"E_INVALIDARG", E_INVALIDARG},
      {"CLASS_E_NOAGGREGATION", CLASS_E_NOAGGREGATION},
      {"CLASS_E_CLASSNOTAVAILABLE", CLASS_E_CLASSNOTAVAILABLE},
      {"REGDB_E_CLASSNOTREG", REGDB_E_CLASSNOTREG},
      {"DISP_E_MEMBERNOTFOUND", DISP_E_MEMBERNOTFOUND},
      {"DISP_E_PARAMNOTFOUND", DISP_E_PARAMNOTFOUND},
      {"DISP_E_TYPEMISMATCH", DISP_E_TYPEMISMATCH},
      {"DISP_E_UNKNOWNNAME", DISP_E_UNKNOWNNAME},
      {"DISP_E_EXCEPTION", DISP_E_EXCEPTION},
      {"DISP_E_OVERFLOW", DISP_E_OVERFLOW},
      {"DISP_E_BADINDEX", DISP_E_BADINDEX},
      {"DISP_E_BADPARAMCOUNT", DISP_E_BADPARAMCOUNT},
      {"DISP_E_PARAMNOTOPTIONAL", DISP_E_PARAMNOTOPTIONAL},
  };
  for (const auto& [name, hr] : codes) m.attr(name) = hr;
}
}  // namespace

PYBIND11_MODULE(zelnor2, m) {
  m.doc() =
      "Automation objects by ProgID, for example zelnor2.CreateObject(\"Zelnor2.MyCanvas\").\n\n"
      "Members are read from the object's type information: dir() lists them, help() describes\n"
      "them.  Calls release the interpreter lock, so threads with their own objects run at once;\n"
      "calls into one object from several threads run one after the other.";

  py::class_<Ref>(m, "Ref",
                  "A by-reference VARIANT for VARIANT* parameters; read .value after the call (a byte\n"
                  "array comes back as bytes, as does bytes(ref))")
      .def(py::init<>())
      .def(py::init<py::handle>(), py::arg("value"))
      .def_property("value", &Ref::Value, &Ref::SetValue)
      .def("__bytes__", &Ref::Bytes)
      .def("__repr__", [](const Ref& r) { return "zelnor2.Ref(" + std::string(py::repr(r.Value())) + ")"; });

  py::exec(kSupportSource, m.attr("__dict__"));
  SetComErrorClass(m.attr("ComError").ptr());
  AddObjectType(m);
  AddMemberTypes(m);

  m.def("CreateObject", &CreateObject, py::arg("progid"),
        "Creates an object by ProgID (or braced CLSID) through the registration store");
  m.def(
      "FreeUnusedLibraries",
      [] {
        py::gil_scoped_release unlocked;
        return activation::CoFreeUnusedLibraries();
      },
      "Unloads component modules that allow it; returns how many were unloaded");
  AddConstants(m);
  AddLowLevel(m);
}

}  // namespace zelnor2py
