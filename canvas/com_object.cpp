#include "canvas/com_object.h"

#include <exception>
#include <mutex>
#include <string>

namespace zelnor {
using namespace automation;

HRESULT ReportFailure(const std::string& message, HRESULT hr) {
  ICreateErrorInfo* create = nullptr;
  if (SUCCEEDED(CreateErrorInfo(&create)) && create) {
    std::u16string description = Utf16FromUtf8(message);
    create->SetGUID(IID_IMyCanvas);
    create->SetSource(const_cast<LPOLESTR>(u"Zelnor2.MyCanvas"));
    create->SetDescription(description.data());
    create->SetHelpContext(0);
    IErrorInfo* info = nullptr;
    if (SUCCEEDED(create->QueryInterface(IID_IErrorInfo, reinterpret_cast<void**>(&info)))) {
      SetErrorInfo(0, info);
      info->Release();
    }
    create->Release();
  }
  return hr < 0 ? hr : E_UNEXPECTED;
}

template <class Body>
HRESULT TMyCanvasObject::Guarded(Body&& body) {
  try {
    std::lock_guard hold(call_lock_);
    body();
    return S_OK;
  } catch (const ComError& e) {
    return ReportFailure(e.what(), e.hr());
  } catch (const std::exception& e) {
    return ReportFailure(e.what());
  } catch (...) {
    return ReportFailure("unexpected failure");
  }
}

TMyCanvasObject::TMyCanvasObject(const ObjectHost& host, IUnknown* outer)
    : live_(host.live_objects), outer_(outer), host_(host) {
  host_.interface_info->AddRef();
  host_.class_info->AddRef();
}

TMyCanvasObject::~TMyCanvasObject() {
  host_.interface_info->Release();
  host_.class_info->Release();
}

HRESULT TMyCanvasObject::Inner::QueryInterface(const IID& riid, void** ppv) {
  if (!ppv) return E_POINTER;
  if (riid == IID_IUnknown) {
    *ppv = static_cast<IUnknown*>(this);
  } else if (riid == IID_IDispatch || riid == IID_IMyCanvas) {
    *ppv = static_cast<IMyCanvas*>(self_);
  } else if (riid == IID_ISupportErrorInfo) {
    *ppv = static_cast<ISupportErrorInfo*>(self_);
  } else if (riid == IID_IProvideClassInfo) {
    *ppv = static_cast<IProvideClassInfo*>(self_);
  } else {
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  static_cast<IUnknown*>(*ppv)->AddRef();
  return S_OK;
}

ULONG TMyCanvasObject::Inner::AddRef() { return ++self_->refs_; }

ULONG TMyCanvasObject::Inner::Release() {
  ULONG left = --self_->refs_;
  if (left == 0) delete self_;
  return left;
}

HRESULT TMyCanvasObject::QueryInterface(const IID& riid, void** ppv) {
  return outer_ ? outer_->QueryInterface(riid, ppv) : inner_.QueryInterface(riid, ppv);
}

ULONG TMyCanvasObject::AddRef() { return outer_ ? outer_->AddRef() : inner_.AddRef(); }

ULONG TMyCanvasObject::Release() { return outer_ ? outer_->Release() : inner_.Release(); }

HRESULT TMyCanvasObject::GetTypeInfoCount(UINT* pctinfo) {
  if (!pctinfo) return E_INVALIDARG;
  *pctinfo = 1;
  return S_OK;
}

HRESULT TMyCanvasObject::GetTypeInfo(UINT iTInfo, LCID, ITypeInfo** ppTInfo) {
  if (!ppTInfo) return E_INVALIDARG;
  *ppTInfo = nullptr;
  if (iTInfo != 0) return DISP_E_BADINDEX;
  host_.interface_info->AddRef();
  *ppTInfo = host_.interface_info;
  return S_OK;
}

HRESULT TMyCanvasObject::GetIDsOfNames(const IID& riid, LPOLESTR* rgszNames, UINT cNames, LCID,
                                       DISPID* rgDispId) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  return DispGetIDsOfNames(host_.interface_info, rgszNames, cNames, rgDispId);
}

HRESULT TMyCanvasObject::Invoke(DISPID dispIdMember, const IID& riid, LCID, WORD wFlags,
                                DISPPARAMS* pDispParams, VARIANT* pVarResult, EXCEPINFO* pExcepInfo,
                                UINT* puArgErr) {
  if (!(riid == IID_NULL)) return DISP_E_UNKNOWNINTERFACE;
  // Either put form sets a property.
  if (wFlags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF))
    wFlags |= DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF;
  return DispInvoke(static_cast<IMyCanvas*>(this), host_.interface_info, dispIdMember, wFlags, pDispParams,
                    pVarResult, pExcepInfo, puArgErr);
}

HRESULT TMyCanvasObject::InterfaceSupportsErrorInfo(const IID& riid) {
  bool ours = riid == IID_IMyCanvas || riid == IID_IDispatch || riid == IID_IUnknown ||
              riid == IID_ISupportErrorInfo || riid == IID_IProvideClassInfo;
  return ours ? S_OK : S_FALSE;
}

HRESULT TMyCanvasObject::GetClassInfo(ITypeInfo** ppTI) {
  if (!ppTI) return E_POINTER;
  host_.class_info->AddRef();
  *ppTI = host_.class_info;
  return S_OK;
}

// ---------------------------------------------------------------- IMyCanvas
template <auto Body, class... A>
HRESULT TMyCanvasObject::Forward(const A&... args) {
  if (!(args.Present() && ...)) return E_POINTER;
  return Guarded([&] { idl::CallNative(canvas_, Body, args...); });
}

#define SLOT(kind, name, slot, body, dispid, params, ...)                      \
  HRESULT TMyCanvasObject::slot(ZELNOR_IDL_MAP(ZELNOR_IDL_DECLARE, params)) {  \
    return Forward<&TMyCanvas::body>(ZELNOR_IDL_MAP(ZELNOR_IDL_PASS, params)); \
  }
#include "canvas/member_list.inc"

}  // namespace zelnor
