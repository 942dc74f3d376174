// Standard name lookup and invocation over a declared member table: match
// positional and named arguments to parameters, convert them to the declared
// types, supply defaults, call the function-table slot, hand back the
// [out,retval] value, and turn a failing call into DISP_E_EXCEPTION.
#include <algorithm>
#include <vector>

#include "platform/automation/typeinfo.h"

namespace automation {
namespace {
bool SameName(const char* declared, LPOLESTR name) {
  if (!declared || !name) return false;
  size_t i = 0;
  for (; declared[i] && name[i]; ++i) {
    char16_t a = static_cast<unsigned char>(declared[i]), b = name[i];
    if (a >= u'A' && a <= u'Z') a += 32;
    if (b >= u'A' && b <= u'Z') b += 32;
    if (a != b) return false;
  }
  return !declared[i] && !name[i];
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

// Converted arguments; owns what the conversions allocated.
struct ArgList {
  std::vector<VARIANT> values;
  explicit ArgList(size_t n) : values(n) {
    for (VARIANT& v : values) VariantInit(&v);
  }
  ~ArgList() {
    for (VARIANT& v : values)
      if (!(v.vt & VT_BYREF)) VariantClear(&v);
  }
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

HRESULT ConvertArg(const ParamDesc& p, VARIANT& arg, VARIANT* out) {
  if (p.vt == (VT_VARIANT | VT_BYREF)) {
    // Passed through: a by-reference VARIANT designates the caller's variable,
    // any other argument is handed over as it stands.
    out->vt = VT_VARIANT | VT_BYREF;
    out->pvarVal = arg.vt == (VT_VARIANT | VT_BYREF) && arg.pvarVal ? arg.pvarVal : &arg;
    return S_OK;
  }
  HRESULT hr = VariantChangeType(out, &arg, 0, p.vt);
  if (FAILED(hr) && hr != DISP_E_OVERFLOW && hr != E_OUTOFMEMORY) hr = DISP_E_TYPEMISMATCH;
  return hr;
}

// For each declared parameter, the index into rgvarg of its argument, or -1.
HRESULT MatchArguments(const MemberDesc& m, const DISPPARAMS& dp, std::vector<int>* where, UINT* arg_err) {
  size_t count = m.params.size();
  UINT positional = dp.cArgs - dp.cNamedArgs;
  // More arguments than parameters (a put's value counting as one) is a
  // wrong count, however they are split between positions and names.
  if (positional > count || dp.cArgs > count) return DISP_E_BADPARAMCOUNT;
  where->assign(count, -1);
  for (UINT i = 0; i < positional; ++i) (*where)[i] = static_cast<int>(dp.cArgs - 1 - i);
  bool is_put = m.kind == INVOKE_PROPERTYPUT || m.kind == INVOKE_PROPERTYPUTREF;
  for (UINT n = 0; n < dp.cNamedArgs; ++n) {
    DISPID id = dp.rgdispidNamedArgs[n];
    if (is_put && id == DISPID_PROPERTYPUT) id = 0;  // the put's value
    if (id < 0 || static_cast<size_t>(id) >= count || (*where)[static_cast<size_t>(id)] >= 0) {
      if (arg_err) *arg_err = n;
      return DISP_E_PARAMNOTFOUND;
    }
    (*where)[static_cast<size_t>(id)] = static_cast<int>(n);
  }
  return S_OK;
}

HRESULT PrepareArguments(const MemberDesc& m, DISPPARAMS& dp, ArgList& args, UINT* arg_err) {
  std::vector<int> where;
  HRESULT hr = MatchArguments(m, dp, &where, arg_err);
  if (FAILED(hr)) return hr;
  for (size_t i = 0; i < m.params.size(); ++i) {
    const ParamDesc& p = m.params[i];
    int at = where[i];
    if (at < 0 || IsOmitted(dp.rgvarg[at])) {
      if (!(p.flags & PARAMFLAG_FOPT)) {
        if (arg_err && at >= 0) *arg_err = static_cast<UINT>(at);
        return DISP_E_PARAMNOTOPTIONAL;
      }
      hr = DefaultFor(p, &args.values[i]);
    } else {
      hr = ConvertArg(p, dp.rgvarg[at], &args.values[i]);
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
}  // namespace

HRESULT LookupNames(const InterfaceDesc& iface, LPOLESTR* names, UINT count, DISPID* ids) {
  if (count == 0) return S_OK;
  if (!names || !ids) return E_INVALIDARG;
  std::fill(ids, ids + count, DISPID_UNKNOWN);
  const MemberDesc* m = FindByName(iface, names[0]);
  if (!m) return DISP_E_UNKNOWNNAME;
  ids[0] = m->dispid;
  HRESULT hr = S_OK;
  for (UINT n = 1; n < count; ++n) {
    for (size_t i = 0; i < m->params.size(); ++i)
      if (SameName(m->params[i].name, names[n])) ids[n] = static_cast<DISPID>(i);
    if (ids[n] == DISPID_UNKNOWN) hr = DISP_E_UNKNOWNNAME;
  }
  return hr;
}

HRESULT InvokeMember(void* instance, const InterfaceDesc& iface, DISPID dispid, WORD flags,
                     DISPPARAMS* params, VARIANT* result, EXCEPINFO* excep, UINT* arg_err) {
  if (!instance || !params || (params->cArgs && !params->rgvarg) || params->cNamedArgs > params->cArgs ||
      (params->cNamedArgs && !params->rgdispidNamedArgs))
    return E_INVALIDARG;
  const MemberDesc* m = FindByDispid(iface, dispid, flags);
  if (!m || !m->call) return DISP_E_MEMBERNOTFOUND;
  ArgList args(m->params.size() + 1);
  HRESULT hr = PrepareArguments(*m, *params, args, arg_err);
  if (FAILED(hr)) return hr;
  RetvalSlot retval;
  if (m->retval != VT_EMPTY) {
    args.values.back().vt = VT_BYREF;  // marks the slot as not owned by the argument list
    args.values.back().byref = retval.Pointer(m->retval);
  }
  if (result) VariantInit(result);
  SetErrorInfo(0, nullptr);
  hr = m->call(instance, args.values.data());
  if (FAILED(hr)) {
    if (!excep) return DISP_E_EXCEPTION;  // the error information stays with the thread
    FillException(hr, excep);
    return DISP_E_EXCEPTION;
  }
  if (m->retval != VT_EMPTY) retval.Hand(m->retval, result);
  return S_OK;
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
