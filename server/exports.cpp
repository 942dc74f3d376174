// The module's four entry points and the server object's life with the
// module: made when the module is loaded, freed when it is unloaded.
#include <dlfcn.h>

#include "server/server.h"

namespace zelnor {
using namespace automation;

namespace {
// A plain pointer: its life is exactly the module's, from the load hook to
// the unload hook, with no static destructor of its own.
ComServer* g_server = nullptr;

__attribute__((constructor)) void LoadModule() { g_server = new ComServer(); }
__attribute__((destructor)) void UnloadModule() {
  ComServer* server = g_server;
  g_server = nullptr;
  delete server;
}
}  // namespace

ComServer* CurrentServer() { return g_server; }

std::string ModulePath() {
  Dl_info info{};
  if (!dladdr(reinterpret_cast<void*>(&ModulePath), &info) || !info.dli_fname) return {};
  char* full = realpath(info.dli_fname, nullptr);
  std::string path = full ? full : info.dli_fname;
  std::free(full);
  return path;
}

}  // namespace zelnor

using namespace automation;

extern "C" {

HRESULT DllGetClassObject(const CLSID& rclsid, const IID& riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  zelnor::ComServer* server = zelnor::CurrentServer();
  zelnor::MyCanvasFactory* factory = server ? server->FindFactory(rclsid) : nullptr;
  if (!factory) return CLASS_E_CLASSNOTAVAILABLE;
  return factory->QueryInterface(riid, ppv);
}

HRESULT DllCanUnloadNow() {
  zelnor::ComServer* server = zelnor::CurrentServer();
  return !server || server->CanUnload() ? S_OK : S_FALSE;
}

HRESULT DllRegisterServer() { return zelnor::RegisterClassEntries(zelnor::CurrentServer()); }

HRESULT DllUnregisterServer() { return zelnor::UnregisterClassEntries(zelnor::CurrentServer()); }
}
