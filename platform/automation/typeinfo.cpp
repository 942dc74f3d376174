// Type information over the static descriptions: attributes, function
// descriptions with parameter defaults, names, documentation, and the
// standard lookup and invocation for an interface; the default-interface
// link for a class.
#include "platform/automation/typeinfo.h"

#include <atomic>
#include <cstring>
#include <memory>
#include <new>

namespace automation {
namespace {
class TypeInfo final : public ITypeInfo {
 public:
  TypeInfo(const TypeLibDesc& lib, const InterfaceDesc* iface, const CoClassDesc* cls, ITypeInfo* ref)
      : lib_(lib), iface_(iface), cls_(cls), ref_(ref) {
    if (iface_) index_ = std::make_unique<MemberIndex>(*iface_);
    if (ref_) ref_->AddRef();
  }

  HRESULT QueryInterface(REFIID riid, void** ppv) override {
    if (!ppv) return E_POINTER;
    if (riid == IID_IUnknown || riid == IID_ITypeInfo) {
      *ppv = static_cast<ITypeInfo*>(this);
      AddRef();
      return S_OK;
    }
    *ppv = nullptr;
    return E_NOINTERFACE;
  }
  ULONG AddRef() override { return ++refs_; }
  ULONG Release() override {
    ULONG left = --refs_;
    if (left == 0) delete this;
    return left;
  }

  HRESULT GetTypeAttr(TYPEATTR** out) override;
  HRESULT GetTypeComp(ITypeComp**) override { return E_NOTIMPL; }
  HRESULT GetFuncDesc(UINT index, FUNCDESC** out) override;
  HRESULT GetVarDesc(UINT, void**) override { return TYPE_E_ELEMENTNOTFOUND; }
  HRESULT GetNames(MEMBERID memid, BSTR* names, UINT max, UINT* count) override;
  HRESULT GetRefTypeOfImplType(UINT index, HREFTYPE* out) override {
    if (!out) return E_INVALIDARG;
    if (!cls_ || index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *out = 1;
    return S_OK;
  }
  HRESULT GetImplTypeFlags(UINT index, INT* out) override {
    if (!out) return E_INVALIDARG;
    if (!cls_ || index != 0) return TYPE_E_ELEMENTNOTFOUND;
    *out = IMPLTYPEFLAG_FDEFAULT;
    return S_OK;
  }
  HRESULT GetIDsOfNames(LPOLESTR* names, UINT count, MEMBERID* ids) override {
    if (!index_) return DISP_E_UNKNOWNNAME;
    return LookupNames(*index_, names, count, ids);
  }
  HRESULT Invoke(void* instance, MEMBERID memid, WORD flags, DISPPARAMS* params, VARIANT* result,
                 EXCEPINFO* excep, UINT* arg_err) override {
    if (!index_) return DISP_E_MEMBERNOTFOUND;
    return InvokeMember(instance, *index_, memid, flags, params, result, excep, arg_err);
  }
  HRESULT GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* context, BSTR* file) override;
  HRESULT GetDllEntry(MEMBERID, INVOKEKIND, BSTR*, BSTR*, WORD*) override { return TYPE_E_ELEMENTNOTFOUND; }
  HRESULT GetRefTypeInfo(HREFTYPE ref, ITypeInfo** out) override {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    if (!cls_ || ref != 1 || !ref_) return TYPE_E_ELEMENTNOTFOUND;
    ref_->AddRef();
    *out = ref_;
    return S_OK;
  }
  HRESULT AddressOfMember(MEMBERID, INVOKEKIND, void**) override { return E_NOTIMPL; }
  HRESULT CreateInstance(IUnknown*, REFIID, void** ppv) override {
    if (ppv) *ppv = nullptr;
    return E_NOTIMPL;
  }
  HRESULT GetMops(MEMBERID, BSTR* out) override {
    if (out) *out = nullptr;
    return S_OK;
  }
  HRESULT GetContainingTypeLib(ITypeLib** out, UINT* index) override {
    if (out) *out = nullptr;
    if (index) *index = 0;
    return E_NOTIMPL;
  }
  void ReleaseTypeAttr(TYPEATTR* attr) override { CoTaskMemFree(attr); }
  void ReleaseFuncDesc(FUNCDESC* desc) override;
  void ReleaseVarDesc(void*) override {}

 private:
  ~TypeInfo() {
    if (ref_) ref_->Release();
  }
  const MemberDesc* FindMember(MEMBERID memid) const {
    if (!iface_) return nullptr;
    for (const MemberDesc& m : iface_->members)
      if (m.dispid == memid) return &m;
    return nullptr;
  }

  std::atomic<ULONG> refs_{1};
  const TypeLibDesc& lib_;
  const InterfaceDesc* iface_;
  const CoClassDesc* cls_;
  ITypeInfo* ref_;
  std::unique_ptr<MemberIndex> index_;  // for an interface
};

HRESULT TypeInfo::GetTypeAttr(TYPEATTR** out) {
  if (!out) return E_INVALIDARG;
  auto* attr = static_cast<TYPEATTR*>(CoTaskMemAlloc(sizeof(TYPEATTR)));
  if (!attr) return E_OUTOFMEMORY;
  *attr = TYPEATTR{};
  attr->lcid = lib_.lcid;
  attr->memidConstructor = attr->memidDestructor = MEMBERID_NIL;
  attr->cbAlignment = sizeof(void*);
  if (iface_) {
    attr->guid = iface_->iid;
    attr->typekind = TKIND_INTERFACE;
    attr->cFuncs = static_cast<WORD>(iface_->members.size());
    attr->cImplTypes = 1;  // IDispatch
    attr->cbSizeVft = static_cast<WORD>((kDispatchSlots + iface_->members.size()) * sizeof(void*));
    attr->cbSizeInstance = sizeof(void*);
    attr->wTypeFlags = iface_->type_flags;
    attr->wMajorVerNum = iface_->major;
    attr->wMinorVerNum = iface_->minor;
  } else {
    attr->guid = cls_->clsid;
    attr->typekind = TKIND_COCLASS;
    attr->cImplTypes = 1;
    attr->wTypeFlags = cls_->type_flags;
    attr->wMajorVerNum = cls_->major;
    attr->wMinorVerNum = cls_->minor;
  }
  *out = attr;
  return S_OK;
}

void SetElem(ELEMDESC* e, VARTYPE vt, TYPEDESC* pointee) {
  if (vt & VT_BYREF) {
    pointee->vt = vt & ~VT_BYREF;
    e->tdesc.vt = VT_PTR;
    e->tdesc.lptdesc = pointee;
  } else {
    e->tdesc.vt = vt;
  }
}

// A FUNCDESC is one task-memory block: the descriptor, its parameter
// descriptions, pointee types and default-value records; default strings are
// BSTRs freed by ReleaseFuncDesc.
HRESULT TypeInfo::GetFuncDesc(UINT index, FUNCDESC** out) {
  if (!out) return E_INVALIDARG;
  *out = nullptr;
  if (!iface_ || index >= iface_->members.size()) return TYPE_E_ELEMENTNOTFOUND;
  const MemberDesc& m = iface_->members[index];
  size_t n = m.params.size() + (m.retval != VT_EMPTY ? 1 : 0);
  size_t bytes = sizeof(FUNCDESC) + n * (sizeof(ELEMDESC) + sizeof(TYPEDESC) + sizeof(PARAMDESCEX));
  auto* block = static_cast<char*>(CoTaskMemAlloc(bytes));
  if (!block) return E_OUTOFMEMORY;
  std::memset(block, 0, bytes);
  auto* fd = reinterpret_cast<FUNCDESC*>(block);
  auto* elems = reinterpret_cast<ELEMDESC*>(block + sizeof(FUNCDESC));
  auto* pointees = reinterpret_cast<TYPEDESC*>(elems + n);
  auto* defaults = reinterpret_cast<PARAMDESCEX*>(pointees + n);
  fd->memid = m.dispid;
  fd->funckind = FUNC_PUREVIRTUAL;
  fd->invkind = m.kind;
  fd->callconv = CC_STDCALL;
  fd->cParams = static_cast<int16_t>(n);
  fd->oVft = static_cast<int16_t>((kDispatchSlots + index) * sizeof(void*));
  fd->elemdescFunc.tdesc.vt = VT_HRESULT;
  fd->lprgelemdescParam = elems;
  for (size_t i = 0; i < m.params.size(); ++i) {
    const ParamDesc& p = m.params[i];
    SetElem(&elems[i], p.vt, &pointees[i]);
    elems[i].paramdesc.wParamFlags = p.flags;
    if (!(p.flags & PARAMFLAG_FHASDEFAULT)) continue;
    PARAMDESCEX& d = defaults[i];
    d.cBytes = sizeof(PARAMDESCEX);
    VariantInit(&d.varDefaultValue);
    if (p.vt == VT_BSTR) {
      d.varDefaultValue.vt = VT_BSTR;
      d.varDefaultValue.bstrVal = SysAllocString(p.default_text ? p.default_text : u"");
    } else {
      d.varDefaultValue.vt = p.vt;
      if (p.vt == VT_BOOL)
        d.varDefaultValue.boolVal = p.default_number ? VARIANT_TRUE : VARIANT_FALSE;
      else
        d.varDefaultValue.lVal = p.default_number;
    }
    elems[i].paramdesc.pparamdescex = &d;
  }
  if (m.retval != VT_EMPTY) {
    SetElem(&elems[n - 1], static_cast<VARTYPE>(m.retval | VT_BYREF), &pointees[n - 1]);
    elems[n - 1].paramdesc.wParamFlags = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;
  }
  *out = fd;
  return S_OK;
}

void TypeInfo::ReleaseFuncDesc(FUNCDESC* fd) {
  if (!fd) return;
  for (int16_t i = 0; i < fd->cParams; ++i)
    if (PARAMDESCEX* d = fd->lprgelemdescParam[i].paramdesc.pparamdescex) VariantClear(&d->varDefaultValue);
  CoTaskMemFree(fd);
}

HRESULT TypeInfo::GetNames(MEMBERID memid, BSTR* names, UINT max, UINT* count) {
  if (!names || !count) return E_INVALIDARG;
  *count = 0;
  const MemberDesc* m = FindMember(memid);
  if (!m) return TYPE_E_ELEMENTNOTFOUND;
  auto put = [&](const char* text) {
    if (*count < max) names[(*count)++] = BstrFromUtf8(text);
  };
  put(m->name);
  for (const ParamDesc& p : m->params)
    if (p.name) put(p.name);
  if (m->retval_name) put(m->retval_name);
  return S_OK;
}

// A member's documentation string is its help text; a member without one
// (or with an empty one) has none.
HRESULT TypeInfo::GetDocumentation(MEMBERID memid, BSTR* name, BSTR* doc, DWORD* context, BSTR* file) {
  const char* item_name = nullptr;
  BSTR help = nullptr;
  if (memid == MEMBERID_NIL) {
    item_name = iface_ ? iface_->name : cls_->name;
    const char16_t* text = iface_ ? iface_->help : cls_->help;
    if (doc && text) help = SysAllocString(text);
  } else {
    const MemberDesc* m = FindMember(memid);
    if (!m) return TYPE_E_ELEMENTNOTFOUND;
    item_name = m->name;
    if (doc && m->help && *m->help) help = BstrFromUtf8(m->help);
  }
  if (name) *name = BstrFromUtf8(item_name);
  if (doc) *doc = help;
  if (context) *context = 0;
  if (file) *file = nullptr;
  return S_OK;
}

}  // namespace

HRESULT CreateInterfaceTypeInfo(const TypeLibDesc& lib, const InterfaceDesc& iface, ITypeInfo** out) {
  if (!out) return E_INVALIDARG;
  try {
    *out = new TypeInfo(lib, &iface, nullptr, nullptr);
  } catch (const std::bad_alloc&) {
    *out = nullptr;
    return E_OUTOFMEMORY;
  }
  return S_OK;
}

HRESULT CreateClassTypeInfo(const TypeLibDesc& lib, const CoClassDesc& cls, ITypeInfo* iface_info,
                            ITypeInfo** out) {
  if (!out || !iface_info) return E_INVALIDARG;
  *out = new (std::nothrow) TypeInfo(lib, nullptr, &cls, iface_info);
  return *out ? S_OK : E_OUTOFMEMORY;
}

}  // namespace automation
