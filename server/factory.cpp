#include <memory>
#include <mutex>

#include "server/server.h"

namespace zelnor {
using namespace automation;

const CLSID& MyCanvasFactory::ClassId() const { return CLSID_MyCanvas; }

HRESULT MyCanvasFactory::QueryInterface(const IID& riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown || riid == IID_IClassFactory) {
    *ppv = static_cast<IClassFactory*>(this);
    AddRef();
    return S_OK;
  }
  *ppv = nullptr;
  return E_NOINTERFACE;
}

// The factory lives until unload; its references are only counted.
ULONG MyCanvasFactory::AddRef() { return static_cast<ULONG>(server_.FactoryRefs().fetch_add(1) + 1); }
ULONG MyCanvasFactory::Release() { return static_cast<ULONG>(server_.FactoryRefs().fetch_sub(1) - 1); }

HRESULT MyCanvasFactory::CreateInstance(IUnknown* outer, const IID& riid, void** ppv) {
  if (!ppv) return E_POINTER;
  *ppv = nullptr;
  if (outer && !(riid == IID_IUnknown)) return CLASS_E_NOAGGREGATION;
  TMyCanvasObject* object = nullptr;
  try {
    object = new TMyCanvasObject(server_.Host(), outer);
  } catch (const std::exception& e) {
    // Only the error information: a server never shows a message box.
    return ReportFailure(e.what());
  } catch (...) {
    return ReportFailure("unexpected failure");
  }
  // A provisional reference keeps the object alive through the lookup; when
  // the lookup fails, dropping it destroys the object.
  IUnknown* identity = object->InnerUnknown();
  identity->AddRef();
  HRESULT hr = identity->QueryInterface(riid, ppv);
  identity->Release();
  return hr;
}

HRESULT MyCanvasFactory::LockServer(int32_t lock) {
  if (lock) {
    ++locks_;
    server_.LiveObjects().fetch_add(1);
    return S_OK;
  }
  // An unlock without a matching lock would leave the module unloadable for ever.
  int32_t held = locks_.load();
  do {
    if (held <= 0) return E_FAIL;
  } while (!locks_.compare_exchange_weak(held, held - 1));
  server_.LiveObjects().fetch_sub(1);
  return S_OK;
}

ComServer::ComServer() {
  if (FAILED(LoadZelnor2TypeInfo(&interface_info_, &class_info_))) return;  // the module then serves no class
  std::unique_lock lock(factories_lock_);
  factories_.push_back(new MyCanvasFactory(*this));
}

ComServer::~ComServer() {
  {
    std::unique_lock lock(factories_lock_);
    for (MyCanvasFactory* f : factories_) delete f;
    factories_.clear();
  }
  if (class_info_) class_info_->Release();
  if (interface_info_) interface_info_->Release();
}

MyCanvasFactory* ComServer::FindFactory(const CLSID& clsid) {
  std::shared_lock lock(factories_lock_);
  for (MyCanvasFactory* f : factories_)
    if (f->ClassId() == clsid) return f;
  return nullptr;
}

}  // namespace zelnor
