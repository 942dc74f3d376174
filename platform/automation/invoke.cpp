// Standard name lookup and invocation over a declared member table: match
// positional and named arguments to parameters, convert them to the declared
// types, supply defaults, call the function-table slot, hand back the
// [out,retval] value, and turn a failing call into DISP_E_EXCEPTION.
//
// One call costs no allocation when its arguments already have the declared
// types: the converted arguments live on the stack, numbers and flags are
// copied, texts lent for the call.
#include <algorithm>
#include <cstdint>
#include <memory>
#include <string>
#include <type_traits>
#include <vector>

#include "platform/automation/small_array.h"
#include "platform/automation/typeinfo.h"

namespace automation {
namespace {
char16_t Fold(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c + 32) : c; }

bool SameName(const char* declared, const OLECHAR* name) {
  if (!declared || !name) return false;
  size_t i = 0;
  for (; declared[i] && name[i]; ++i)
    if (Fold(static_cast<unsigned char>(declared[i])) != Fold(name[i])) return false;
  return !declared[i] && !name[i];
}

// FNV-1a over the folded characters; equal for names SameName matches.
template <class Char>
uint32_t NameHash(const Char* name) {
  uint32_t h = 2166136261u;
  for (; *name; ++name) h = (h ^ Fold(static_cast<std::make_unsigned_t<Char>>(*name))) * 16777619u;
  return h;
}

const MemberDesc* FindByName(const InterfaceDesc& iface, LPOLESTR name) {
  for (const MemberDesc& m : iface.members)
    if (SameName(m.name, name)) return &m;
  return nullptr;
}

bool KindMatches(INVOKEKIND kind, WORD flags) {
  switch (kind) {
    case INVOKE_FUNC:
      return flags & DISPATCH_METHOD;
    case INVOKE_PROPERTYGET:
      return flags & DISPATCH_PROPERTYGET;
    case INVOKE_PROPERTYPUT:
      return flags & (DISPATCH_PROPERTYPUT | DISPATCH_PROPERTYPUTREF);
    case INVOKE_PROPERTYPUTREF:
      return flags & DISPATCH_PROPERTYPUTREF;
  }
  return false;
}

const MemberDesc* FindByDispid(const InterfaceDesc& iface, DISPID dispid, WORD flags) {
  // A put flag selects the put row; otherwise a method or a get.
  for (const MemberDesc& m : iface.members)
    if (m.dispid == dispid && KindMatches(m.kind, flags)) return &m;
  return nullptr;
}

bool IsOmitted(const VARIANT& v) { return v.vt == VT_ERROR && v.scode == DISP_E_PARAMNOTFOUND; }

// The storage of the [out,retval] value while the call runs.
struct RetvalSlot {
  LONG number = 0;
  VARIANT_BOOL flag = 0;
  BSTR text = nullptr;
  VARIANT variant;
  RetvalSlot() { VariantInit(&variant); }
  ~RetvalSlot() {
    SysFreeString(text);
    VariantClear(&variant);
  }
  void* Pointer(VARTYPE vt) {
    switch (vt) {
      case VT_I4:
        return &number;
      case VT_BOOL:
        return &flag;
      case VT_BSTR:
        return &text;
      default:
        return &variant;
    }
  }
  // Moves the value into the caller's result.
  void Hand(VARTYPE vt, VARIANT* out) {
    if (!out) return;
    VariantInit(out);
    switch (vt) {
      case VT_I4:
        out->vt = VT_I4;
        out->lVal = number;
        break;
      case VT_BOOL:
        out->vt = VT_BOOL;
        out->boolVal = flag ? VARIANT_TRUE : VARIANT_FALSE;
        break;
      case VT_BSTR:
        out->vt = VT_BSTR;
        out->bstrVal = text;
        text = nullptr;
        break;
      default:
        *out = variant;
        VariantInit(&variant);
        break;
    }
  }
};

// Every declared row has at most 16 parameters, so calls stay in place.
constexpr size_t kInPlaceArguments = 17;

// Converted arguments and the [out,retval] slot.  Owns what the conversions
// allocated; lent texts and by-reference entries belong to the caller.
class ArgList {
 public:
  explicit ArgList(size_t n) : n_(n), values_(n), lent_(n) {
    for (size_t i = 0; i < n; ++i) {
      VariantInit(&values_[i]);
      lent_[i] = false;
    }
  }
  ~ArgList() {
    for (size_t i = 0; i < n_; ++i)
      if (!lent_[i] && !(values_[i].vt & VT_BYREF)) VariantClear(&values_[i]);
  }
  ArgList(const ArgList&) = delete;
  ArgList& operator=(const ArgList&) = delete;
  VARIANT& operator[](size_t i) { return values_[i]; }
  VARIANT* data() { return values_.data(); }
  void Lend(size_t i) { lent_[i] = true; }

 private:
  size_t n_;
  SmallArray<VARIANT, kInPlaceArguments> values_;
  SmallArray<bool, kInPlaceArguments> lent_;
};

HRESULT DefaultFor(const ParamDesc& p, VARIANT* out) {
  bool has_default = p.flags & PARAMFLAG_FHASDEFAULT;
  switch (p.vt) {
    case VT_I4:
      out->vt = VT_I4;
      out->lVal = has_default ? p.default_number : 0;
      return S_OK;
    case VT_BOOL:
      out->vt = VT_BOOL;
      out->boolVal = has_default && p.default_number ? VARIANT_TRUE : VARIANT_FALSE;
      return S_OK;
    case VT_BSTR:
      // An optional string without a default arrives as the empty string.
      out->bstrVal = SysAllocString(has_default && p.default_text ? p.default_text : u"");
      if (!out->bstrVal) return E_OUTOFMEMORY;
      out->vt = VT_BSTR;
      return S_OK;
    default:
      return DISP_E_PARAMNOTOPTIONAL;  // a VARIANT* has nothing to point at
  }
}

HRESULT ConvertArg(const ParamDesc& p, VARIANT& arg, VARIANT* out, bool* lent) {
  if (p.vt == (VT_VARIANT | VT_BYREF)) {
    // Passed through: a by-reference VARIANT designates the caller's variable,
    // any other argument is handed over as it stands.
    out->vt = VT_VARIANT | VT_BYREF;
    out->pvarVal = arg.vt == (VT_VARIANT | VT_BYREF) && arg.pvarVal ? arg.pvarVal : &arg;
    return S_OK;
  }
  if (arg.vt == p.vt && (p.vt == VT_I4 || p.vt == VT_BOOL || p.vt == VT_BSTR)) {
    // Already the declared type: the value as it stands (an [in] text is
    // only read, so the caller's string serves for the call).
    *out = arg;
    *lent = p.vt == VT_BSTR;
    return S_OK;
  }
  HRESULT hr = VariantChangeType(out, &arg, 0, p.vt);
  if (FAILED(hr) && hr != DISP_E_OVERFLOW && hr != E_OUTOFMEMORY) hr = DISP_E_TYPEMISMATCH;
  return hr;
}

using Positions = SmallArray<int, kInPlaceArguments>;

// For each declared parameter, the index into rgvarg of its argument, or -1.
HRESULT MatchArguments(const MemberDesc& m, const DISPPARAMS& dp, Positions& where, UINT* arg_err) {
  size_t count = m.params.size();
  UINT positional = dp.cArgs - dp.cNamedArgs;
  // More arguments than parameters (a put's value counting as one) is a
  // wrong count, however they are split between positions and names.
  if (positional > count || dp.cArgs > count) return DISP_E_BADPARAMCOUNT;
  std::fill(where.data(), where.data() + count, -1);
  for (UINT i = 0; i < positional; ++i) where[i] = static_cast<int>(dp.cArgs - 1 - i);
  bool is_put = m.kind == INVOKE_PROPERTYPUT || m.kind == INVOKE_PROPERTYPUTREF;
  for (UINT n = 0; n < dp.cNamedArgs; ++n) {
    DISPID id = dp.rgdispidNamedArgs[n];
    if (is_put && id == DISPID_PROPERTYPUT) id = 0;  // the put's value
    if (id < 0 || static_cast<size_t>(id) >= count || where[static_cast<size_t>(id)] >= 0) {
      if (arg_err) *arg_err = n;
      return DISP_E_PARAMNOTFOUND;
    }
    where[static_cast<size_t>(id)] = static_cast<int>(n);
  }
  return S_OK;
}

HRESULT PrepareArguments(const MemberDesc& m, DISPPARAMS& dp, ArgList& args, UINT* arg_err) {
  Positions where(m.params.size());
  HRESULT hr = MatchArguments(m, dp, where, arg_err);
  if (FAILED(hr)) return hr;
  for (size_t i = 0; i < m.params.size(); ++i) {
    const ParamDesc& p = m.params[i];
    int at = where[i];
    if (at < 0 || IsOmitted(dp.rgvarg[at])) {
      if (!(p.flags & PARAMFLAG_FOPT)) {
        if (arg_err && at >= 0) *arg_err = static_cast<UINT>(at);
        return DISP_E_PARAMNOTOPTIONAL;
      }
      hr = DefaultFor(p, &args[i]);
    } else {
      bool lent = false;
      hr = ConvertArg(p, dp.rgvarg[at], &args[i], &lent);
      if (lent) args.Lend(i);
      if (FAILED(hr) && arg_err) *arg_err = static_cast<UINT>(at);
    }
    if (FAILED(hr)) return hr;
  }
  return S_OK;
}

void FillException(HRESULT hr, EXCEPINFO* excep) {
  *excep = EXCEPINFO{};
  excep->scode = hr;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) != S_OK || !info) return;
  info->GetSource(&excep->bstrSource);
  info->GetDescription(&excep->bstrDescription);
  info->GetHelpFile(&excep->bstrHelpFile);
  info->GetHelpContext(&excep->dwHelpContext);
  info->Release();
}

// The parameter names after the member's (ids[0] is already set).
HRESULT LookupParameters(const MemberDesc& m, LPOLESTR* names, UINT count, DISPID* ids) {
  HRESULT hr = S_OK;
  for (UINT n = 1; n < count; ++n) {
    for (size_t i = 0; i < m.params.size(); ++i)
      if (SameName(m.params[i].name, names[n])) ids[n] = static_cast<DISPID>(i);
    if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

template <class Find>
HRESULT Lookup(LPOLESTR* names, UINT count, DISPID* ids, Find&& find) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_INVALIDARG;
  std::fill(ids, ids + count, DISPID_UNKNOWN);
  const MemberDesc* m = find(names[0]);
  if (!m) return DISP_E_UNKNOWNNAME;
  ids[0] = m->dispid;
  return LookupParameters(*m, names, count, ids);
}

bool ValidParams(const DISPPARAMS* params) {
  return params && !(params->cArgs && !params->rgvarg) && params->cNamedArgs <= params->cArgs &&
         !(params->cNamedArgs && !params->rgdispidNamedArgs);
}

HRESULT InvokeRow(void* instance, const MemberDesc* m, DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep,
                  UINT* arg_err) {
  if (!m || !m->call) return DISP_E_MEMBERNOTFOUND;
  ArgList args(m->params.size() + 1);
  HRESULT hr = PrepareArguments(*m, *params, args, arg_err);
  if (FAILED(hr)) return hr;
  RetvalSlot retval;
  if (m->retval != VT_EMPTY) {
    VARIANT& slot = args[m->params.size()];
    slot.vt = VT_BYREF;  // marks the slot as not owned by the argument list
    slot.byref = retval.Pointer(m->retval);
  }
  if (result) VariantInit(result);
  SetErrorInfo(0, nullptr);
  hr = m->call(instance, args.data());
  if (FAILED(hr)) {
    if (!excep) return DISP_E_EXCEPTION;  // the error information stays with the thread
    FillException(hr, excep);
    return DISP_E_EXCEPTION;
  }
  if (m->retval != VT_EMPTY) retval.Hand(m->retval, result);
  return S_OK;
}
}  // namespace

MemberIndex::MemberIndex(const InterfaceDesc& iface) : iface_(iface) {
  const auto& rows = iface.members;
  size_t size = 8;
  while (size < 2 * rows.size()) size *= 2;
  names_.assign(size, -1);
  for (size_t r = 0; r < rows.size(); ++r) {
    dispids_.emplace_back(rows[r].dispid, r);
    std::u16string name = Utf16FromUtf8(rows[r].name ? rows[r].name : "");
    if (!rows[r].name || FindByName(name.c_str())) continue;  // the first row of a name answers
    size_t slot = NameHash(rows[r].name) & (size - 1);
    while (names_[slot] >= 0) slot = (slot + 1) & (size - 1);
    names_[slot] = static_cast<int32_t>(r);
  }
  std::stable_sort(dispids_.begin(), dispids_.end(),
                   [](const auto& a, const auto& b) { return a.first < b.first; });
}

const MemberDesc* MemberIndex::FindByName(const OLECHAR* name) const {
  if (!name) return nullptr;
  const size_t mask = names_.size() - 1;
  for (size_t slot = NameHash(name) & mask; names_[slot] >= 0; slot = (slot + 1) & mask) {
    const MemberDesc& m = iface_.members[static_cast<size_t>(names_[slot])];
    if (SameName(m.name, name)) return &m;
  }
  return nullptr;
}

const MemberDesc* MemberIndex::FindByDispid(DISPID dispid, WORD flags) const {
  auto it = std::lower_bound(dispids_.begin(), dispids_.end(), dispid,
                             [](const auto& entry, DISPID id) { return entry.first < id; });
  for (; it != dispids_.end() && it->first == dispid; ++it) {
    const MemberDesc& m = iface_.members[it->second];
    if (KindMatches(m.kind, flags)) return &m;
  }
  return nullptr;
}

HRESULT LookupNames(const InterfaceDesc& iface, LPOLESTR* names, UINT count, DISPID* ids) {
  return Lookup(names, count, ids, [&](LPOLESTR name) { return FindByName(iface, name); });
}

HRESULT LookupNames(const MemberIndex& index, LPOLESTR* names, UINT count, DISPID* ids) {
  return Lookup(names, count, ids, [&](LPOLESTR name) { return index.FindByName(name); });
}

HRESULT InvokeMember(void* instance, const InterfaceDesc& iface, DISPID dispid, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  if (!instance || !ValidParams(params)) return E_INVALIDARG;
  return InvokeRow(instance, FindByDispid(iface, dispid, flags), params, result, excep, arg_err);
}

HRESULT InvokeMember(void* instance, const MemberIndex& index, DISPID dispid, WORD flags, DISPPARAMS* params,
                     VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  if (!instance || !ValidParams(params)) return E_INVALIDARG;
  return InvokeRow(instance, index.FindByDispid(dispid, flags), params, result, excep, arg_err);
}

HRESULT DispGetIDsOfNames(ITypeInfo* ptinfo, LPOLESTR* rgszNames, UINT cNames, DISPID* rgdispid) {
  if (!ptinfo) return E_INVALIDARG;
  return ptinfo->GetIDsOfNames(rgszNames, cNames, rgdispid);
}

HRESULT DispInvoke(void* instance, ITypeInfo* ptinfo, DISPID dispidMember, WORD wFlags, DISPPARAMS* pparams,
                   VARIANT* pvarResult, EXCEPINFO* pexcepinfo, UINT* puArgErr) {
  if (!ptinfo) return E_INVALIDARG;
  return ptinfo->Invoke(instance, dispidMember, wFlags, pparams, pvarResult, pexcepinfo, puArgErr);
}

}  // namespace automation
