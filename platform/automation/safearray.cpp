// One-dimensional SAFEARRAYs.  The descriptor is preceded by 16 bytes whose
// last four hold the element type, as on the host (FADF_HAVEVARTYPE); the
// element data is a separate zeroed block.
#include <cstdlib>
#include <cstring>
#include <new>

#include "platform/automation/oleauto.h"

namespace automation {
namespace {
constexpr size_t kPrefix = 16;
constexpr size_t kMaxDataBytes = size_t{1} << 31;  // 2 GiB, larger requests fail cleanly

ULONG ElementSize(VARTYPE vt) {
  switch (vt) {
    case VT_I1:
    case VT_UI1:
      return 1;
    case VT_I2:
    case VT_UI2:
    case VT_BOOL:
      return 2;
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_R4:
    case VT_ERROR:
      return 4;
    case VT_R8:
    case VT_I8:
    case VT_UI8:
    case VT_DATE:
    case VT_CY:
      return 8;
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
      return sizeof(void*);
    case VT_VARIANT:
      return sizeof(VARIANT);
    default:
      return 0;
  }
}

USHORT FeatureFor(VARTYPE vt) {
  switch (vt) {
    case VT_BSTR:
      return FADF_BSTR;
    case VT_UNKNOWN:
      return FADF_UNKNOWN;
    case VT_DISPATCH:
      return FADF_DISPATCH;
    case VT_VARIANT:
      return FADF_VARIANT;
    default:
      return 0;
  }
}

VARTYPE& StoredVartype(SAFEARRAY* psa) {
  return *reinterpret_cast<VARTYPE*>(reinterpret_cast<char*>(psa) - sizeof(DWORD));
}

ULONG Count(const SAFEARRAY* psa) { return psa->rgsabound[0].cElements; }

void* ElementAt(SAFEARRAY* psa, ULONG i) {
  return static_cast<char*>(psa->pvData) + size_t{i} * psa->cbElements;
}

// Data the array does not own: left in place, never written or freed.
constexpr USHORT kForeignData = FADF_AUTO | FADF_EMBEDDED;
// Element kinds that own what they point to and need releasing or copying.
constexpr USHORT kOwningElements = FADF_BSTR | FADF_VARIANT | FADF_UNKNOWN | FADF_DISPATCH;

// Before the array is destroyed: releases what the elements own (strings,
// variants, interfaces) and zeroes them, unless the data is foreign.
void ClearElements(SAFEARRAY* psa) {
  if (!psa->pvData || (psa->fFeatures & kForeignData)) return;
  const size_t bytes = size_t{Count(psa)} * psa->cbElements;
  // Plain values (bytes, numbers) own nothing, so there is no loop over the
  // millions of elements of an encoded picture; their data is zeroed only
  // where it outlives the array (static data), since the rest is freed next.
  if (!(psa->fFeatures & kOwningElements)) {
    if (psa->fFeatures & FADF_STATIC) std::memset(psa->pvData, 0, bytes);
    return;
  }
  for (ULONG i = 0; i < Count(psa); ++i) {
    void* e = ElementAt(psa, i);
    if (psa->fFeatures & FADF_BSTR) {
      SysFreeString(*static_cast<BSTR*>(e));
    } else if (psa->fFeatures & FADF_VARIANT) {
      VariantClear(static_cast<VARIANT*>(e));
    } else if (psa->fFeatures & (FADF_UNKNOWN | FADF_DISPATCH)) {
      if (auto* unk = *static_cast<IUnknown**>(e)) unk->Release();
    }
  }
  std::memset(psa->pvData, 0, bytes);
}

SAFEARRAY* NewDescriptor(VARTYPE vt) {
  auto* block = static_cast<char*>(std::calloc(1, kPrefix + sizeof(SAFEARRAY)));
  if (!block) return nullptr;
  auto* psa = reinterpret_cast<SAFEARRAY*>(block + kPrefix);
  psa->cDims = 1;
  psa->fFeatures = static_cast<USHORT>(FADF_HAVEVARTYPE | FeatureFor(vt));
  psa->cbElements = ElementSize(vt);
  StoredVartype(psa) = vt;
  return psa;
}

// Resolves a one-dimensional index to its element, or null when out of bounds.
void* Locate(SAFEARRAY* psa, const LONG* rgIndices) {
  int64_t offset = int64_t{rgIndices[0]} - psa->rgsabound[0].lLbound;
  if (offset < 0 || offset >= int64_t{Count(psa)}) return nullptr;
  return ElementAt(psa, static_cast<ULONG>(offset));
}

// Copies one element value from src into dst (both element slots).
HRESULT CopyElement(USHORT features, ULONG size, void* dst, const void* src) {
  if (features & FADF_BSTR) {
    BSTR s = *static_cast<const BSTR*>(src);
    BSTR copy = s ? SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s)) : nullptr;
    if (s && !copy) return E_OUTOFMEMORY;
    SysFreeString(*static_cast<BSTR*>(dst));
    *static_cast<BSTR*>(dst) = copy;
    return S_OK;
  }
  if (features & FADF_VARIANT)
    return VariantCopy(static_cast<VARIANT*>(dst), static_cast<const VARIANT*>(src));
  if (features & (FADF_UNKNOWN | FADF_DISPATCH)) {
    IUnknown* fresh = *static_cast<IUnknown* const*>(src);
    if (fresh) fresh->AddRef();
    IUnknown*& slot = *static_cast<IUnknown**>(dst);
    if (slot) slot->Release();
    slot = fresh;
    return S_OK;
  }
  std::memcpy(dst, src, size);
  return S_OK;
}
}  // namespace

SAFEARRAY* SafeArrayCreateVector(VARTYPE vt, LONG lLbound, ULONG cElements) {
  ULONG size = ElementSize(vt);
  if (size == 0 || size_t{cElements} * size > kMaxDataBytes) return nullptr;
  SAFEARRAY* psa = NewDescriptor(vt);
  if (!psa) return nullptr;
  psa->pvData = std::calloc(cElements ? cElements : 1, size);
  if (!psa->pvData) {
    SafeArrayDestroyDescriptor(psa);
    return nullptr;
  }
  psa->rgsabound[0] = {cElements, lLbound};
  return psa;
}

HRESULT SafeArrayAllocDescriptorEx(VARTYPE vt, UINT cDims, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (cDims != 1) return E_INVALIDARG;
  if (ElementSize(vt) == 0) return DISP_E_BADVARTYPE;
  *ppsaOut = NewDescriptor(vt);
  return *ppsaOut ? S_OK : E_OUTOFMEMORY;
}

HRESULT SafeArrayDestroyDescriptor(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  std::free(reinterpret_cast<char*>(psa) - kPrefix);
  return S_OK;
}

SAFEARRAY* SafeArrayCreate(VARTYPE vt, UINT cDims, SAFEARRAYBOUND* rgsabound) {
  if (cDims != 1 || !rgsabound) return nullptr;
  return SafeArrayCreateVector(vt, rgsabound[0].lLbound, rgsabound[0].cElements);
}

HRESULT SafeArrayDestroy(SAFEARRAY* psa) {
  if (!psa) return S_OK;
  if (psa->cLocks > 0) return DISP_E_ARRAYISLOCKED;
  ClearElements(psa);
  if (!(psa->fFeatures & (kForeignData | FADF_STATIC))) std::free(psa->pvData);
  return SafeArrayDestroyDescriptor(psa);
}

HRESULT SafeArrayCopy(SAFEARRAY* psa, SAFEARRAY** ppsaOut) {
  if (!ppsaOut) return E_INVALIDARG;
  *ppsaOut = nullptr;
  if (!psa) return S_OK;
  SAFEARRAY* copy = SafeArrayCreateVector(StoredVartype(psa), psa->rgsabound[0].lLbound, Count(psa));
  if (!copy) return E_OUTOFMEMORY;
  if (!(psa->fFeatures & kOwningElements)) {
    if (Count(psa) > 0 && psa->pvData)
      std::memcpy(copy->pvData, psa->pvData, size_t{Count(psa)} * psa->cbElements);
    *ppsaOut = copy;
    return S_OK;
  }
  for (ULONG i = 0; i < Count(psa); ++i) {
    HRESULT hr = CopyElement(psa->fFeatures, psa->cbElements, ElementAt(copy, i), ElementAt(psa, i));
    if (FAILED(hr)) {
      SafeArrayDestroy(copy);
      return hr;
    }
  }
  *ppsaOut = copy;
  return S_OK;
}

UINT SafeArrayGetDim(SAFEARRAY* psa) { return psa ? psa->cDims : 0; }
UINT SafeArrayGetElemsize(SAFEARRAY* psa) { return psa ? psa->cbElements : 0; }

HRESULT SafeArrayGetLBound(SAFEARRAY* psa, UINT nDim, LONG* plLbound) {
  if (!psa || !plLbound) return E_INVALIDARG;
  if (nDim != 1) return DISP_E_BADINDEX;
  *plLbound = psa->rgsabound[0].lLbound;
  return S_OK;
}

HRESULT SafeArrayGetUBound(SAFEARRAY* psa, UINT nDim, LONG* plUbound) {
  if (!psa || !plUbound) return E_INVALIDARG;
  if (nDim != 1) return DISP_E_BADINDEX;
  int64_t upper = int64_t{psa->rgsabound[0].lLbound} + Count(psa) - 1;
  *plUbound = static_cast<LONG>(upper);
  return S_OK;
}

HRESULT SafeArrayGetVartype(SAFEARRAY* psa, VARTYPE* pvt) {
  if (!psa || !pvt) return E_INVALIDARG;
  if (!(psa->fFeatures & FADF_HAVEVARTYPE)) return E_INVALIDARG;
  *pvt = StoredVartype(psa);
  return S_OK;
}

HRESULT SafeArrayLock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0xFFFF) return E_UNEXPECTED;
  ++psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayUnlock(SAFEARRAY* psa) {
  if (!psa) return E_INVALIDARG;
  if (psa->cLocks == 0) return E_UNEXPECTED;
  --psa->cLocks;
  return S_OK;
}

HRESULT SafeArrayAccessData(SAFEARRAY* psa, void** ppvData) {
  if (!psa || !ppvData) return E_INVALIDARG;
  HRESULT hr = SafeArrayLock(psa);
  *ppvData = SUCCEEDED(hr) ? psa->pvData : nullptr;
  return hr;
}

HRESULT SafeArrayUnaccessData(SAFEARRAY* psa) { return SafeArrayUnlock(psa); }

HRESULT SafeArrayPutElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices) return E_INVALIDARG;
  void* slot = Locate(psa, rgIndices);
  if (!slot) return DISP_E_BADINDEX;
  // Strings and interfaces are passed by value (the pointer itself).
  const void* src =
      (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH)) ? static_cast<void*>(&pv) : pv;
  if (!src) return E_INVALIDARG;
  SafeArrayLock(psa);
  HRESULT hr = CopyElement(psa->fFeatures, psa->cbElements, slot, src);
  SafeArrayUnlock(psa);
  return hr;
}

HRESULT SafeArrayGetElement(SAFEARRAY* psa, LONG* rgIndices, void* pv) {
  if (!psa || !rgIndices || !pv) return E_INVALIDARG;
  void* slot = Locate(psa, rgIndices);
  if (!slot) return DISP_E_BADINDEX;
  SafeArrayLock(psa);
  // The destination is uninitialised memory: start it empty before copying.
  if (psa->fFeatures & FADF_VARIANT)
    VariantInit(static_cast<VARIANT*>(pv));
  else if (psa->fFeatures & (FADF_BSTR | FADF_UNKNOWN | FADF_DISPATCH))
    *static_cast<void**>(pv) = nullptr;
  HRESULT hr = CopyElement(psa->fFeatures, psa->cbElements, pv, slot);
  SafeArrayUnlock(psa);
  return hr;
}

}  // namespace automation
