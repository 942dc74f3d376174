#include "platform/activation/activation.h"

#include <dlfcn.h>

#include <cstdio>
#include <map>
#include <memory>
#include <mutex>

#include "platform/registry/registry.h"

namespace activation {
using namespace automation;

namespace {
std::mutex g_modules_lock;
std::map<std::string, std::unique_ptr<Module>> g_modules;

template <class Fn>
bool Resolve(void* handle, const char* name, Fn* out) {
  *out = reinterpret_cast<Fn>(dlsym(handle, name));
  return *out != nullptr;
}
}  // namespace

Module* LoadModule(const std::string& path, std::string* error) {
  std::lock_guard lock(g_modules_lock);
  if (auto it = g_modules.find(path); it != g_modules.end()) return it->second.get();
  void* handle = dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
  if (!handle) {
    if (error) *error = "cannot load " + path + ": " + dlerror();
    return nullptr;
  }
  auto m = std::make_unique<Module>();
  m->path = path;
  m->handle = handle;
  if (!Resolve(handle, "DllGetClassObject", &m->DllGetClassObject) ||
      !Resolve(handle, "DllCanUnloadNow", &m->DllCanUnloadNow) ||
      !Resolve(handle, "DllRegisterServer", &m->DllRegisterServer) ||
      !Resolve(handle, "DllUnregisterServer", &m->DllUnregisterServer)) {
    dlclose(handle);
    if (error) *error = path + " is not a component module (an entry point is missing)";
    return nullptr;
  }
  return g_modules.emplace(path, std::move(m)).first->second.get();
}

HRESULT CLSIDFromProgID(const std::string& progid, CLSID* clsid, std::string* error) {
  if (!clsid) return E_INVALIDARG;
  if (GuidFromString(progid, clsid)) return S_OK;
  try {
    std::optional<registry::Found> text =
        registry::MergedStores::ForLookup().GetValue(progid + "\\Clsid", "");
    if (!text || !GuidFromString(text->data, clsid)) return REGDB_E_CLASSNOTREG;
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return REGDB_E_READREGDB;
  }
  return S_OK;
}

HRESULT CoGetClassObject(const CLSID& clsid, const IID& riid, void** ppv, std::string* error) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  registry::MergedStores stores = registry::MergedStores::ForLookup();
  std::optional<registry::Found> path;
  try {
    path = stores.GetValue("CLSID\\" + GuidToString(clsid) + "\\InprocServer32", "");
  } catch (const std::exception& e) {
    if (error) *error = e.what();
    return REGDB_E_READREGDB;
  }
  if (!path || path->data.empty()) {
    if (error) *error = "class " + GuidToString(clsid) + " is not registered in " + stores.Describe();
    return REGDB_E_CLASSNOTREG;
  }
  Module* module = LoadModule(path->data, error);
  if (!module) {
    if (error) *error += " (registered in " + path->file + ")";
    return CLASS_E_CLASSNOTAVAILABLE;
  }
  HRESULT hr = module->DllGetClassObject(clsid, riid, ppv);
  if (FAILED(hr) && error) *error = "the module does not serve the class: " + HResultName(hr);
  return hr;
}

HRESULT CoCreateInstance(const std::string& name, const IID& riid, void** ppv, std::string* error) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  CLSID clsid;
  HRESULT hr = CLSIDFromProgID(name, &clsid, error);
  if (hr == REGDB_E_CLASSNOTREG && error) *error = "invalid class string \"" + name + "\" (not registered)";
  if (FAILED(hr)) return hr;
  IClassFactory* factory = nullptr;
  hr = CoGetClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory), error);
  if (FAILED(hr)) return hr;
  hr = factory->CreateInstance(nullptr, riid, ppv);
  factory->Release();
  if (FAILED(hr) && error) *error = "the object could not be created: " + HResultName(hr);
  return hr;
}

int CoFreeUnusedLibraries() {
  std::lock_guard lock(g_modules_lock);
  int freed = 0;
  for (auto it = g_modules.begin(); it != g_modules.end();) {
    if (it->second->DllCanUnloadNow() == S_OK) {
      dlclose(it->second->handle);
      it = g_modules.erase(it);
      ++freed;
    } else {
      ++it;
    }
  }
  return freed;
}

std::string HResultName(HRESULT hr) {
  static const std::map<HRESULT, const char*> kNames = {
      {S_OK, "S_OK"},
      {S_FALSE, "S_FALSE"},
      {E_UNEXPECTED, "E_UNEXPECTED"},
      {E_NOTIMPL, "E_NOTIMPL"},
      {E_NOINTERFACE, "E_NOINTERFACE"},
      {E_POINTER, "E_POINTER"},
      {E_FAIL, "E_FAIL"},
      {E_OUTOFMEMORY, "E_OUTOFMEMORY"},
      {E_INVALIDARG, "E_INVALIDARG"},
      {CLASS_E_NOAGGREGATION, "CLASS_E_NOAGGREGATION"},
      {CLASS_E_CLASSNOTAVAILABLE, "CLASS_E_CLASSNOTAVAILABLE"},
      {REGDB_E_CLASSNOTREG, "REGDB_E_CLASSNOTREG"},
      {REGDB_E_READREGDB, "REGDB_E_READREGDB"},
      {DISP_E_UNKNOWNINTERFACE, "DISP_E_UNKNOWNINTERFACE"},
      {DISP_E_MEMBERNOTFOUND, "DISP_E_MEMBERNOTFOUND"},
      {DISP_E_PARAMNOTFOUND, "DISP_E_PARAMNOTFOUND"},
      {DISP_E_TYPEMISMATCH, "DISP_E_TYPEMISMATCH"},
      {DISP_E_UNKNOWNNAME, "DISP_E_UNKNOWNNAME"},
      {DISP_E_NONAMEDARGS, "DISP_E_NONAMEDARGS"},
      {DISP_E_BADVARTYPE, "DISP_E_BADVARTYPE"},
      {DISP_E_EXCEPTION, "DISP_E_EXCEPTION"},
      {DISP_E_OVERFLOW, "DISP_E_OVERFLOW"},
      {DISP_E_BADINDEX, "DISP_E_BADINDEX"},
      {DISP_E_BADPARAMCOUNT, "DISP_E_BADPARAMCOUNT"},
      {DISP_E_PARAMNOTOPTIONAL, "DISP_E_PARAMNOTOPTIONAL"},
  };
  if (auto it = kNames.find(hr); it != kNames.end()) return it->second;
  char text[16];
  std::snprintf(text, sizeof text, "0x%08X", static_cast<unsigned>(hr));
  return text;
}

}  // namespace activation
