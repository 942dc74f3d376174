// VARIANT life cycle and coercion between the scalar automation types.
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>

#include "platform/automation/oleauto.h"

namespace automation {
namespace {
bool IsScalarType(VARTYPE vt) {
  switch (vt) {
    case VT_EMPTY:
    case VT_NULL:
    case VT_I1:
    case VT_UI1:
    case VT_I2:
    case VT_UI2:
    case VT_I4:
    case VT_UI4:
    case VT_INT:
    case VT_UINT:
    case VT_I8:
    case VT_UI8:
    case VT_R4:
    case VT_R8:
    case VT_DATE:
    case VT_CY:
    case VT_BOOL:
    case VT_ERROR:
    case VT_BSTR:
    case VT_UNKNOWN:
    case VT_DISPATCH:
    case VT_VARIANT:
      return true;
    default:
      return false;
  }
}

// A type a VARIANT may hold: scalars, arrays of element types, references.
bool IsValidVartype(VARTYPE vt) {
  VARTYPE base = vt & VT_TYPEMASK;
  if (vt & ~(VT_TYPEMASK | VT_ARRAY | VT_BYREF)) return false;
  if (base == VT_VARIANT && !(vt & (VT_ARRAY | VT_BYREF))) return false;
  return IsScalarType(base);
}

BSTR CopyBstr(BSTR s) {
  return s ? SysAllocStringByteLen(reinterpret_cast<const char*>(s), SysStringByteLen(s)) : nullptr;
}
}  // namespace

void VariantInit(VARIANT* pvarg) {
  if (!pvarg) return;
  pvarg->vt = VT_EMPTY;
  pvarg->wReserved1 = pvarg->wReserved2 = pvarg->wReserved3 = 0;
  pvarg->llVal = 0;
}

HRESULT VariantClear(VARIANT* pvarg) {
  if (!pvarg) return E_INVALIDARG;
  if (!IsValidVartype(pvarg->vt)) return DISP_E_BADVARTYPE;
  if (!(pvarg->vt & VT_BYREF)) {
    if (pvarg->vt & VT_ARRAY) {
      HRESULT hr = SafeArrayDestroy(pvarg->parray);
      if (FAILED(hr)) return hr;
    } else if (pvarg->vt == VT_BSTR) {
      SysFreeString(pvarg->bstrVal);
    } else if ((pvarg->vt == VT_UNKNOWN || pvarg->vt == VT_DISPATCH) && pvarg->punkVal) {
      pvarg->punkVal->Release();
    }
  }
  VariantInit(pvarg);
  return S_OK;
}

HRESULT VariantCopy(VARIANT* pvargDest, const VARIANT* pvargSrc) {
  if (!pvargDest || !pvargSrc) return E_INVALIDARG;
  if (pvargDest == pvargSrc) return S_OK;
  if (!IsValidVartype(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  VARIANT copy = *pvargSrc;
  copy.wReserved1 = copy.wReserved2 = copy.wReserved3 = 0;
  if (!(copy.vt & VT_BYREF)) {
    if (copy.vt & VT_ARRAY) {
      HRESULT hr = SafeArrayCopy(pvargSrc->parray, &copy.parray);
      if (FAILED(hr)) return hr;
    } else if (copy.vt == VT_BSTR) {
      copy.bstrVal = CopyBstr(pvargSrc->bstrVal);
      if (pvargSrc->bstrVal && !copy.bstrVal) return E_OUTOFMEMORY;
    } else if ((copy.vt == VT_UNKNOWN || copy.vt == VT_DISPATCH) && copy.punkVal) {
      copy.punkVal->AddRef();
    }
  }
  HRESULT hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&copy);
    return hr;
  }
  *pvargDest = copy;
  return S_OK;
}

HRESULT VariantCopyInd(VARIANT* pvarDest, const VARIANT* pvargSrc) {
  if (!pvarDest || !pvargSrc) return E_INVALIDARG;
  if (!(pvargSrc->vt & VT_BYREF)) return VariantCopy(pvarDest, pvargSrc);
  if (!IsValidVartype(pvargSrc->vt)) return DISP_E_BADVARTYPE;
  if (!pvargSrc->byref) return E_INVALIDARG;
  VARTYPE vt = pvargSrc->vt & ~VT_BYREF;
  VARIANT value;
  VariantInit(&value);
  if (vt == VT_VARIANT) {
    const VARIANT* inner = pvargSrc->pvarVal;
    if (inner->vt & VT_BYREF) return E_INVALIDARG;  // only one level of indirection
    return VariantCopy(pvarDest, inner);
  }
  if (vt & VT_ARRAY) {
    value.vt = vt;
    value.parray = *pvargSrc->pparray;
  } else {
    value.vt = vt;
    size_t size = vt == VT_I1 || vt == VT_UI1                                                  ? 1
                  : vt == VT_I2 || vt == VT_UI2 || vt == VT_BOOL                               ? 2
                  : vt == VT_R8 || vt == VT_I8 || vt == VT_UI8 || vt == VT_DATE || vt == VT_CY ? 8
                  : vt == VT_BSTR || vt == VT_UNKNOWN || vt == VT_DISPATCH                     ? sizeof(void*)
                                                                                               : 4;
    std::memcpy(&value.llVal, pvargSrc->byref, size);
  }
  return VariantCopy(pvarDest, &value);  // value borrows; the copy is deep
}

// ---------------------------------------------------------------- coercion
namespace {
// A scalar read out of a VARIANT: an exact integer or a real.
struct Number {
  bool real = false;
  int64_t i = 0;
  double d = 0;
};

bool ParseNumber(std::u16string_view text, Number* out) {
  std::string s = Utf8FromUtf16(text);
  size_t b = s.find_first_not_of(" \t\r\n");
  size_t e = s.find_last_not_of(" \t\r\n");
  if (b == std::string::npos) return false;
  s = s.substr(b, e - b + 1);
  if (s.find_first_not_of("+-0123456789.eE") != std::string::npos) return false;
  errno = 0;
  char* end = nullptr;
  long long whole = std::strtoll(s.c_str(), &end, 10);
  if (*end == '\0' && errno == 0) {
    out->i = whole;
    return true;
  }
  errno = 0;
  double d = std::strtod(s.c_str(), &end);
  if (*end != '\0' || end == s.c_str()) return false;
  out->real = true;
  out->d = d;  // +-HUGE_VAL on overflow: reported as DISP_E_OVERFLOW by the range check
  return true;
}

bool EqualsNoCase(std::u16string_view a, std::u16string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char16_t x = a[i] >= u'A' && a[i] <= u'Z' ? a[i] + 32 : a[i];
    char16_t y = b[i] >= u'A' && b[i] <= u'Z' ? b[i] + 32 : b[i];
    if (x != y) return false;
  }
  return true;
}

HRESULT ReadNumber(const VARIANT& v, Number* n) {
  switch (v.vt) {
    case VT_EMPTY:
      n->i = 0;
      return S_OK;
    case VT_I1:
      n->i = v.cVal;
      return S_OK;
    case VT_UI1:
      n->i = v.bVal;
      return S_OK;
    case VT_I2:
      n->i = v.iVal;
      return S_OK;
    case VT_UI2:
      n->i = v.uiVal;
      return S_OK;
    case VT_I4:
    case VT_INT:
      n->i = v.lVal;
      return S_OK;
    case VT_UI4:
    case VT_UINT:
      n->i = v.ulVal;
      return S_OK;
    case VT_I8:
      n->i = v.llVal;
      return S_OK;
    case VT_BOOL:
      n->i = v.boolVal ? -1 : 0;
      return S_OK;
    case VT_UI8:
      if (v.ullVal > static_cast<uint64_t>(std::numeric_limits<int64_t>::max())) {
        n->real = true;
        n->d = static_cast<double>(v.ullVal);
      } else {
        n->i = static_cast<int64_t>(v.ullVal);
      }
      return S_OK;
    case VT_R4:
      n->real = true;
      n->d = v.fltVal;
      return S_OK;
    case VT_R8:
    case VT_DATE:
      n->real = true;
      n->d = v.dblVal;
      return S_OK;
    case VT_BSTR:
      return ParseNumber(BstrView(v.bstrVal), n) ? S_OK : DISP_E_TYPEMISMATCH;
    default:
      return DISP_E_TYPEMISMATCH;
  }
}

// Rounds a real to an integer (half to even) within [lo, hi].
HRESULT ToInteger(const Number& n, int64_t lo, int64_t hi, int64_t* out) {
  if (!n.real) {
    if (n.i < lo || n.i > hi) return DISP_E_OVERFLOW;
    *out = n.i;
    return S_OK;
  }
  if (!std::isfinite(n.d)) return DISP_E_OVERFLOW;
  double r = std::nearbyint(n.d);  // default rounding mode: to nearest, ties to even
  if (r < static_cast<double>(lo) || r >= static_cast<double>(hi) + 1.0) return DISP_E_OVERFLOW;
  *out = static_cast<int64_t>(r);
  return S_OK;
}

double ToReal(const Number& n) { return n.real ? n.d : static_cast<double>(n.i); }

std::string FormatNumber(const Number& n) {
  if (!n.real) return std::to_string(n.i);
  char text[40];
  std::snprintf(text, sizeof text, "%.15G", n.d);
  return text;
}

HRESULT StoreInteger(const Number& n, VARTYPE vt, VARIANT* out) {
  int64_t v = 0;
  HRESULT hr = S_OK;
  switch (vt) {
    case VT_I1:
      hr = ToInteger(n, INT8_MIN, INT8_MAX, &v);
      out->cVal = static_cast<char>(v);
      break;
    case VT_UI1:
      hr = ToInteger(n, 0, UINT8_MAX, &v);
      out->bVal = static_cast<BYTE>(v);
      break;
    case VT_I2:
      hr = ToInteger(n, INT16_MIN, INT16_MAX, &v);
      out->iVal = static_cast<int16_t>(v);
      break;
    case VT_UI2:
      hr = ToInteger(n, 0, UINT16_MAX, &v);
      out->uiVal = static_cast<USHORT>(v);
      break;
    case VT_I4:
    case VT_INT:
      hr = ToInteger(n, INT32_MIN, INT32_MAX, &v);
      out->lVal = static_cast<LONG>(v);
      break;
    case VT_UI4:
    case VT_UINT:
      hr = ToInteger(n, 0, UINT32_MAX, &v);
      out->ulVal = static_cast<ULONG>(v);
      break;
    case VT_I8:
      hr = ToInteger(n, INT64_MIN, INT64_MAX, &v);
      out->llVal = v;
      break;
    case VT_UI8:
      hr = ToInteger(n, 0, INT64_MAX, &v);
      out->ullVal = static_cast<uint64_t>(v);
      break;
    default:
      return DISP_E_BADVARTYPE;
  }
  if (SUCCEEDED(hr)) out->vt = vt;
  return hr;
}

// Converts a plain (not by-reference) value to vt into *out (an empty VARIANT).
HRESULT Convert(const VARIANT& src, VARTYPE vt, WORD flags, VARIANT* out) {
  if (src.vt == vt) return VariantCopy(out, &src);
  if (vt == VT_EMPTY) return S_OK;  // *out is already empty
  if (src.vt == VT_NULL || vt == VT_NULL || src.vt == VT_ERROR || vt == VT_ERROR) return DISP_E_TYPEMISMATCH;
  if ((src.vt & VT_ARRAY) || (vt & VT_ARRAY)) return DISP_E_TYPEMISMATCH;
  if (vt == VT_BSTR) {
    std::string text;
    if (src.vt == VT_BOOL && (flags & VARIANT_ALPHABOOL)) {
      text = src.boolVal ? "True" : "False";
    } else if (src.vt != VT_EMPTY) {
      Number n;
      HRESULT hr = ReadNumber(src, &n);
      if (FAILED(hr)) return hr;
      text = FormatNumber(n);
    }
    out->bstrVal = BstrFromUtf8(text);
    if (!out->bstrVal) return E_OUTOFMEMORY;
    out->vt = VT_BSTR;
    return S_OK;
  }
  if (vt == VT_BOOL && src.vt == VT_BSTR) {
    // Text becomes a Boolean from the words True and False, or from a number.
    std::u16string_view text = BstrView(src.bstrVal);
    if (EqualsNoCase(text, u"true") || EqualsNoCase(text, u"false")) {
      out->boolVal = EqualsNoCase(text, u"true") ? VARIANT_TRUE : VARIANT_FALSE;
      out->vt = VT_BOOL;
      return S_OK;
    }
  }
  Number n;
  HRESULT hr = ReadNumber(src, &n);
  if (FAILED(hr)) return hr;
  switch (vt) {
    case VT_BOOL:
      out->boolVal = (n.real ? n.d != 0 : n.i != 0) ? VARIANT_TRUE : VARIANT_FALSE;
      out->vt = VT_BOOL;
      return S_OK;
    case VT_R8:
    case VT_DATE:
      out->dblVal = ToReal(n);
      out->vt = vt;
      return std::isinf(out->dblVal) && n.real ? (VariantInit(out), DISP_E_OVERFLOW) : S_OK;
    case VT_R4: {
      double d = ToReal(n);
      if (!std::isnan(d) && std::fabs(d) > std::numeric_limits<float>::max()) return DISP_E_OVERFLOW;
      out->fltVal = static_cast<float>(d);
      out->vt = VT_R4;
      return S_OK;
    }
    default:
      return StoreInteger(n, vt, out);
  }
}
}  // namespace

HRESULT VariantChangeType(VARIANT* pvargDest, const VARIANT* pvarSrc, WORD wFlags, VARTYPE vt) {
  if (!pvargDest || !pvarSrc) return E_INVALIDARG;
  if (!IsValidVartype(pvarSrc->vt) || (vt & VT_BYREF) || (!IsValidVartype(vt) && vt != VT_EMPTY))
    return DISP_E_BADVARTYPE;
  VARIANT plain;
  VariantInit(&plain);
  HRESULT hr = VariantCopyInd(&plain, pvarSrc);
  if (FAILED(hr)) return hr;
  VARIANT result;
  VariantInit(&result);
  hr = Convert(plain, vt, wFlags, &result);
  VariantClear(&plain);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  hr = VariantClear(pvargDest);
  if (FAILED(hr)) {
    VariantClear(&result);
    return hr;
  }
  *pvargDest = result;
  return S_OK;
}

HRESULT VariantChangeTypeEx(VARIANT* pvargDest, const VARIANT* pvarSrc, LCID, WORD wFlags, VARTYPE vt) {
  return VariantChangeType(pvargDest, pvarSrc, wFlags, vt);
}

}  // namespace automation
