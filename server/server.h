// The component server of the module Zelnor2.so: the server object (type
// information, live-object and factory-reference counts), the MyCanvas class
// factory and the factory list.  One server object exists while the module is
// loaded.
#pragma once
#include <atomic>
#include <cstdint>
#include <shared_mutex>
#include <string>
#include <vector>

#include "canvas/com_object.h"
#include "platform/automation/oleauto.h"

namespace zelnor {

class ComServer;

class MyCanvasFactory final : public automation::IClassFactory {
 public:
  explicit MyCanvasFactory(ComServer& server) : server_(server) {}
  const automation::CLSID& ClassId() const;

  HRESULT QueryInterface(const automation::IID& riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT CreateInstance(automation::IUnknown* outer, const automation::IID& riid, void** ppv) override;
  HRESULT LockServer(int32_t lock) override;

 private:
  ComServer& server_;
  std::atomic<int32_t> locks_{0};
};

class ComServer {
 public:
  ComServer();  // loads the type information and makes the factory
  ~ComServer();
  ComServer(const ComServer&) = delete;
  ComServer& operator=(const ComServer&) = delete;

  // The factory serving clsid, under the read lock, or null.
  MyCanvasFactory* FindFactory(const automation::CLSID& clsid);
  bool CanUnload() const { return live_objects_.load() == 0 && factory_refs_.load() == 0; }

  std::atomic<int32_t>& LiveObjects() { return live_objects_; }
  std::atomic<int32_t>& FactoryRefs() { return factory_refs_; }
  ObjectHost Host() { return {interface_info_, class_info_, &live_objects_}; }
  bool TypeInfoLoaded() const { return interface_info_ != nullptr; }

 private:
  automation::ITypeInfo* interface_info_ = nullptr;
  automation::ITypeInfo* class_info_ = nullptr;
  std::atomic<int32_t> live_objects_{0};
  std::atomic<int32_t> factory_refs_{0};
  std::shared_mutex factories_lock_;
  std::vector<MyCanvasFactory*> factories_;
};

// The server of this module while it is loaded (null before load completes
// and after unload begins).
ComServer* CurrentServer();

// Full path of this module file.
std::string ModulePath();

// Registration and unregistration of the class (S_OK or E_FAIL).
HRESULT RegisterClassEntries(ComServer* server);
HRESULT UnregisterClassEntries(ComServer* server);

}  // namespace zelnor
