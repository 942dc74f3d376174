// The COM-facing MyCanvas object: IUnknown, IDispatch, IMyCanvas,
// ISupportErrorInfo and IProvideClassInfo (and no other interface) over one
// TMyCanvas.  Every IMyCanvas function converts its arguments and calls the
// TMyCanvas member inside the one guard that turns an escaping failure into
// the standard failure report.
//
// Threads: the host would deliver every call on the object's creating thread,
// one at a time.  Here a client may call from any thread, so the guard takes
// the object's own lock for the length of each member call: calls into one
// object run one after the other, whichever threads make them.  Reference
// counting is atomic, so the last release may happen on any thread.
#pragma once
#include <atomic>
#include <mutex>

#include "canvas/Zelnor2_TLB.h"
#include "canvas/main.h"

namespace zelnor {

using automation::ULONG;

// What an object shares with the server that made it.
struct ObjectHost {
  automation::ITypeInfo* interface_info;  // type information of IMyCanvas
  automation::ITypeInfo* class_info;      // type information of MyCanvas
  std::atomic<int32_t>* live_objects;     // +1 while the object lives (may be null)
};

class TMyCanvasObject final : public IMyCanvas,
                              public automation::ISupportErrorInfo,
                              public automation::IProvideClassInfo {
 public:
  // Makes an object with no reference; the first QueryInterface on
  // InnerUnknown() takes one.  With an outer object (aggregation) the
  // interfaces' IUnknown functions delegate to it.  The canvas construction
  // may throw.
  explicit TMyCanvasObject(const ObjectHost& host, IUnknown* outer = nullptr);
  TMyCanvas& Canvas() { return canvas_; }
  // The object's own reference counting and interface lookup; its address is
  // the object's identity (the IUnknown it answers).
  IUnknown* InnerUnknown() { return &inner_; }

  // IUnknown of the five interfaces.
  HRESULT QueryInterface(const automation::IID& riid, void** ppv) override;
  ULONG AddRef() override;
  ULONG Release() override;

  // IDispatch
  HRESULT GetTypeInfoCount(automation::UINT* pctinfo) override;
  HRESULT GetTypeInfo(automation::UINT iTInfo, automation::LCID lcid,
                      automation::ITypeInfo** ppTInfo) override;
  HRESULT GetIDsOfNames(const automation::IID& riid, automation::LPOLESTR* rgszNames, automation::UINT cNames,
                        automation::LCID lcid, automation::DISPID* rgDispId) override;
  HRESULT Invoke(automation::DISPID dispIdMember, const automation::IID& riid, automation::LCID lcid,
                 automation::WORD wFlags, automation::DISPPARAMS* pDispParams, VARIANT* pVarResult,
                 automation::EXCEPINFO* pExcepInfo, automation::UINT* puArgErr) override;

  // ISupportErrorInfo, IProvideClassInfo
  HRESULT InterfaceSupportsErrorInfo(const automation::IID& riid) override;
  HRESULT GetClassInfo(automation::ITypeInfo** ppTI) override;

  // IMyCanvas: every function forwards to the TMyCanvas method of its row.
#define SLOT(kind, name, slot, body, dispid, params, ...) \
  HRESULT slot(ZELNOR_IDL_MAP(ZELNOR_IDL_DECLARE, params)) override;
#include "canvas/member_list.inc"

 private:
  ~TMyCanvasObject();
  // Runs body holding the object's lock; an escaping failure becomes the
  // standard failure report.  Nothing is allocated on the way to the body.
  template <class Body>
  HRESULT Guarded(Body&& body);
  // Checks that no pointer argument is null (E_POINTER), then calls Body on
  // the canvas inside the guard with the arguments converted to their native
  // form, storing its result through the trailing [out,retval] argument.
  template <auto Body, class... A>
  HRESULT Forward(const A&... args);

  class Inner final : public IUnknown {
   public:
    explicit Inner(TMyCanvasObject* self) : self_(self) {}
    HRESULT QueryInterface(const automation::IID& riid, void** ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

   private:
    TMyCanvasObject* self_;
  };

  // Counts the object as live from before the canvas exists until after it
  // is gone, so the module never looks unloadable while canvas code runs.
  struct LiveToken {
    explicit LiveToken(std::atomic<int32_t>* count) : count_(count) {
      if (count_) count_->fetch_add(1);
    }
    ~LiveToken() {
      if (count_) count_->fetch_sub(1);
    }
    LiveToken(const LiveToken&) = delete;
    LiveToken& operator=(const LiveToken&) = delete;
    std::atomic<int32_t>* count_;
  };

  LiveToken live_;
  std::atomic<ULONG> refs_{0};
  Inner inner_{this};
  IUnknown* outer_;
  ObjectHost host_;
  std::mutex call_lock_;  // held by the guard for each member call
  TMyCanvas canvas_;
};

// Reports a failure the standard way: error information with the interface
// IMyCanvas, source "Zelnor2.MyCanvas" and the message as description, set as
// the thread's error information; returns E_UNEXPECTED, or hr when it is a
// negative HRESULT of the component runtime.
HRESULT ReportFailure(const std::string& message, HRESULT hr = automation::E_UNEXPECTED);

}  // namespace zelnor
