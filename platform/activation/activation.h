// Client side of the component runtime: activation by ProgID through the
// registration store (ProgID -> CLSID -> InprocServer32 module path), loading
// of component modules and their release once they allow it.
#pragma once
#include <string>

#include "platform/automation/oleauto.h"

namespace activation {

using automation::HRESULT;

// The four entry points of a loaded component module.
struct Module {
  std::string path;
  void* handle = nullptr;
  HRESULT (*DllGetClassObject)(const automation::CLSID&, const automation::IID&, void**) = nullptr;
  HRESULT (*DllCanUnloadNow)() = nullptr;
  HRESULT (*DllRegisterServer)() = nullptr;
  HRESULT (*DllUnregisterServer)() = nullptr;
};

// Loads a module (once per path; later calls return the same module) and
// resolves its entry points.  Null with *error set when it cannot be loaded
// or lacks an entry point.
Module* LoadModule(const std::string& path, std::string* error);

// Reads "ProgID\Clsid" from the registration stores (the user's, then the
// machine's; see registry::LookupFiles); REGDB_E_CLASSNOTREG when absent,
// REGDB_E_READREGDB with *error naming the file when a store cannot be read.
// Text in the braced GUID form is accepted as a class id too.
HRESULT CLSIDFromProgID(const std::string& progid, automation::CLSID* clsid, std::string* error = nullptr);
HRESULT CoGetClassObject(const automation::CLSID& clsid, const automation::IID& riid, void** ppv,
                         std::string* error);
// Creates an object of the class named by ProgID or braced CLSID text.
// On failure *error says why (the thread's error information may hold more).
HRESULT CoCreateInstance(const std::string& name, const automation::IID& riid, void** ppv,
                         std::string* error);

// Unloads every module whose DllCanUnloadNow answers S_OK; returns how many.
int CoFreeUnusedLibraries();

// Text of a well-known HRESULT ("DISP_E_TYPEMISMATCH"), else its hex form.
std::string HResultName(HRESULT hr);

}  // namespace activation
