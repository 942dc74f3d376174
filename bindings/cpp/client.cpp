// The C++ client (include/zelnor2/client.h): activation through
// platform/activation, calls through IDispatch with the arguments as VARIANTs,
// results and failures turned back into C++ values and zelnor2::Error.
#include "zelnor2/client.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>

#include "platform/activation/activation.h"
#include "platform/automation/oleauto.h"

namespace zelnor2 {
using namespace automation;

namespace {
std::string Describe(std::int32_t hresult, const std::string& source, const std::string& description) {
  char code[32];
  std::snprintf(code, sizeof code, " (hresult 0x%08X)", static_cast<unsigned>(hresult));
  std::string text = description.empty() ? activation::HResultName(hresult) : description;
  return (source.empty() ? "" : source + ": ") + text + code;
}

[[noreturn]] void Mismatch(const char* wanted) {
  throw Error(kTypeMismatch, "", std::string("the value is not ") + wanted);
}

std::string TakeBstr(BSTR& b) {
  std::string s = Utf8FromBstr(b);
  SysFreeString(b);
  b = nullptr;
  return s;
}

[[noreturn]] void ThrowFromErrorInfo(HRESULT hr, const std::string& fallback) {
  std::string source, description = fallback;
  IErrorInfo* info = nullptr;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    BSTR s = nullptr, d = nullptr;
    info->GetSource(&s);
    info->GetDescription(&d);
    source = TakeBstr(s);
    if (std::string text = TakeBstr(d); !text.empty()) description = text;
    info->Release();
  }
  throw Error(hr, source, description);
}

// Owns the VARIANTs of one invocation, in the reverse order of DISPPARAMS.
struct Variants {
  std::vector<VARIANT> values;
  std::vector<DISPID> named;
  explicit Variants(size_t n) : values(n) {
    for (VARIANT& v : values) VariantInit(&v);
  }
  ~Variants() {
    for (VARIANT& v : values) VariantClear(&v);
  }
  Variants(const Variants&) = delete;
  Variants& operator=(const Variants&) = delete;
};

void ToVariant(const Value& value, VARIANT* out);

SAFEARRAY* NewVector(VARTYPE type, size_t n) {
  if (n > UINT32_MAX) throw Error(kOverflow, "", "array too large for an automation array");
  SAFEARRAY* sa = SafeArrayCreateVector(type, 0, static_cast<ULONG>(n));
  if (!sa) throw std::bad_alloc();
  return sa;
}

void ListToVariant(const std::vector<Value>& list, VARIANT* out) {
  SAFEARRAY* sa = NewVector(VT_VARIANT, list.size());
  out->vt = VT_ARRAY | VT_VARIANT;  // owned by *out from here on, also when an element fails
  out->parray = sa;
  auto* items = static_cast<VARIANT*>(sa->pvData);
  for (size_t i = 0; i < list.size(); ++i) ToVariant(list[i], &items[i]);
}

void ToVariant(const Value& value, VARIANT* out) {
  VariantInit(out);
  switch (value.kind()) {
    case Value::Kind::kEmpty:
      return;
    case Value::Kind::kBool:
      out->vt = VT_BOOL;
      out->boolVal = value.AsBool() ? VARIANT_TRUE : VARIANT_FALSE;
      return;
    case Value::Kind::kInt: {
      std::int64_t v = value.AsInt64();
      if (v >= INT32_MIN && v <= INT32_MAX) {
        out->vt = VT_I4;
        out->lVal = static_cast<LONG>(v);
      } else {
        out->vt = VT_I8;  // the member's conversion reports the overflow
        out->llVal = v;
      }
      return;
    }
    case Value::Kind::kDouble:
      out->vt = VT_R8;
      out->dblVal = value.AsDouble();
      return;
    case Value::Kind::kString:
      out->bstrVal = BstrFromUtf8(value.AsString());
      if (!out->bstrVal) throw std::bad_alloc();
      out->vt = VT_BSTR;
      return;
    case Value::Kind::kBytes: {
      const Bytes& bytes = value.AsBytes();
      SAFEARRAY* sa = NewVector(VT_UI1, bytes.size());
      if (!bytes.empty()) std::memcpy(sa->pvData, bytes.data(), bytes.size());
      out->vt = VT_ARRAY | VT_UI1;
      out->parray = sa;
      return;
    }
    case Value::Kind::kList:
      ListToVariant(value.AsList(), out);
      return;
  }
}

Value FromVariant(const VARIANT& v);

Value FromArray(SAFEARRAY* sa, VARTYPE element) {
  if (!sa) return {};
  if (sa->cDims != 1) throw Error(kTypeMismatch, "", "arrays of more than one dimension are not supported");
  ULONG n = sa->rgsabound[0].cElements;
  if (element == VT_UI1) {
    const auto* data = static_cast<const std::uint8_t*>(sa->pvData);
    return Bytes(data, data + n);
  }
  std::vector<Value> list;
  list.reserve(n);
  for (ULONG i = 0; i < n; ++i) {
    LONG index = sa->rgsabound[0].lLbound + static_cast<LONG>(i);
    VARIANT item;
    VariantInit(&item);
    if (element == VT_VARIANT) {
      if (FAILED(SafeArrayGetElement(sa, &index, &item))) throw std::bad_alloc();
    } else {
      VARIANT view;
      VariantInit(&view);
      view.vt = element;
      std::memcpy(&view.llVal, static_cast<char*>(sa->pvData) + size_t{i} * sa->cbElements,
                  std::min<size_t>(sa->cbElements, sizeof view.llVal));
      VariantCopy(&item, &view);  // a deep copy of strings
    }
    try {
      list.push_back(FromVariant(item));
    } catch (...) {
      VariantClear(&item);
      throw;
    }
    VariantClear(&item);
  }
  return list;
}

Value FromVariant(const VARIANT& v) {
  if (v.vt & VT_BYREF) {
    VARIANT plain;
    VariantInit(&plain);
    if (FAILED(VariantCopyInd(&plain, &v))) throw Error(kTypeMismatch, "", "unreadable by-reference result");
    Value out;
    try {
      out = FromVariant(plain);
    } catch (...) {
      VariantClear(&plain);
      throw;
    }
    VariantClear(&plain);
    return out;
  }
  if (v.vt & VT_ARRAY) return FromArray(v.parray, v.vt & VT_TYPEMASK);
  switch (v.vt) {
    case VT_EMPTY:
    case VT_NULL:
      return {};
    case VT_BOOL:
      return v.boolVal != 0;
    case VT_I1:
      return v.cVal;
    case VT_UI1:
      return v.bVal;
    case VT_I2:
      return v.iVal;
    case VT_UI2:
      return v.uiVal;
    case VT_I4:
    case VT_INT:
    case VT_ERROR:
      return v.lVal;
    case VT_UI4:
    case VT_UINT:
      return v.ulVal;
    case VT_I8:
      return v.llVal;
    case VT_UI8:
      return v.ullVal;
    case VT_R4:
      return static_cast<double>(v.fltVal);
    case VT_R8:
    case VT_DATE:
      return v.dblVal;
    case VT_BSTR:
      return Utf8FromBstr(v.bstrVal);
    default:
      throw Error(kTypeMismatch, "", "a result of variant type " + std::to_string(v.vt) + " has no C++ form");
  }
}

// Invokes and turns a failure into Error; the by-reference arguments are
// read back afterwards by the caller.
VARIANT InvokeOrThrow(IDispatch* d, DISPID id, WORD flags, Variants& args, std::string_view name) {
  DISPPARAMS dp{args.values.empty() ? nullptr : args.values.data(),
                args.named.empty() ? nullptr : args.named.data(), static_cast<UINT>(args.values.size()),
                static_cast<UINT>(args.named.size())};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO excep{};
  UINT arg_err = 0xFFFFFFFF;
  HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, &result, &excep, &arg_err);
  if (hr == DISP_E_EXCEPTION) {
    if (excep.pfnDeferredFillIn) excep.pfnDeferredFillIn(&excep);
    std::string source = TakeBstr(excep.bstrSource), description = TakeBstr(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    throw Error(excep.scode ? excep.scode : hr, source, description);
  }
  if (FAILED(hr)) {
    std::string text = activation::HResultName(hr) + " calling " + std::string(name);
    if (arg_err < args.values.size())
      text += " (argument " + std::to_string(args.values.size() - arg_err) + ")";
    throw Error(hr, "", text);
  }
  return result;
}

// Takes the result VARIANT: converts it and clears it, also when conversion fails.
Value TakeResult(VARIANT& result) {
  try {
    Value out = FromVariant(result);
    VariantClear(&result);
    return out;
  } catch (...) {
    VariantClear(&result);
    throw;
  }
}
// A name for GetIDsOfNames, which reads names up to their first NUL: a name
// holding one would be taken for the shorter name before it, so it names
// nothing.
std::u16string LookupName(std::string_view name, std::string_view member = {}) {
  if (name.find('\0') != std::string_view::npos) {
    if (member.empty())
      throw Error(kUnknownName, "", "a member name holding a NUL character names no member");
    throw Error(kUnknownName, "", std::string(member) + " has no parameter whose name holds a NUL character");
  }
  return Utf16FromUtf8(name);
}

// Named arguments resolve through GetIDsOfNames with the member's name first.
std::vector<DISPID> NamedIds(IDispatch* d, std::string_view member, const std::vector<Argument>& args) {
  std::vector<std::u16string> wide{LookupName(member)};
  for (const Argument& a : args)
    if (!a.name().empty()) wide.push_back(LookupName(a.name(), member));
  std::vector<LPOLESTR> names;
  for (std::u16string& w : wide) names.push_back(w.data());
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT hr = d->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()), LOCALE_USER_DEFAULT,
                                ids.data());
  if (FAILED(hr)) {
    for (size_t i = 1; i < ids.size(); ++i)
      if (ids[i] == DISPID_UNKNOWN)
        throw Error(hr, "", std::string(member) + " has no parameter '" + Utf8FromUtf16(wide[i]) + "'");
    throw Error(hr, "", "the object has no member '" + std::string(member) + "'");
  }
  return std::vector<DISPID>(ids.begin() + 1, ids.end());
}

}  // namespace

Error::Error(std::int32_t hresult, std::string source, std::string description)
    : std::runtime_error(Describe(hresult, source, description)),
      hresult_(hresult),
      source_(std::move(source)),
      description_(std::move(description)) {}

void Value::ThrowOverflow() { throw Error(kOverflow, "", "the integer does not fit in 64 bits"); }

bool Value::AsBool() const {
  if (const bool* b = std::get_if<bool>(&data_)) return *b;
  if (const std::int64_t* i = std::get_if<std::int64_t>(&data_)) return *i != 0;
  Mismatch("a Boolean");
}

std::int64_t Value::AsInt64() const {
  if (const std::int64_t* i = std::get_if<std::int64_t>(&data_)) return *i;
  if (const bool* b = std::get_if<bool>(&data_)) return *b ? -1 : 0;
  Mismatch("an integer");
}

std::int32_t Value::AsInt() const {
  std::int64_t v = AsInt64();
  if (v < INT32_MIN || v > INT32_MAX) throw Error(kOverflow, "", "the integer does not fit in 32 bits");
  return static_cast<std::int32_t>(v);
}

double Value::AsDouble() const {
  if (const double* d = std::get_if<double>(&data_)) return *d;
  if (const std::int64_t* i = std::get_if<std::int64_t>(&data_)) return static_cast<double>(*i);
  Mismatch("a number");
}

const std::string& Value::AsString() const {
  if (const std::string* s = std::get_if<std::string>(&data_)) return *s;
  Mismatch("a string");
}

const Bytes& Value::AsBytes() const {
  if (const Bytes* b = std::get_if<Bytes>(&data_)) return *b;
  Mismatch("a byte array");
}

const std::vector<Value>& Value::AsList() const {
  if (const auto* l = std::get_if<std::vector<Value>>(&data_)) return *l;
  Mismatch("a list");
}

struct Object::State {
  explicit State(IDispatch* d) : dispatch(d) {}
  ~State() { dispatch->Release(); }
  State(const State&) = delete;
  State& operator=(const State&) = delete;

  DISPID Lookup(std::string_view name);
  Value Invoke(DISPID id, WORD flags, std::vector<Argument>& args, std::string_view name);

  IDispatch* dispatch;
  std::map<std::string, DISPID, std::less<>> ids;  // by name as written
};

DISPID Object::State::Lookup(std::string_view name) {
  if (auto it = ids.find(name); it != ids.end()) return it->second;
  std::u16string wide = LookupName(name);
  LPOLESTR names[1] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = dispatch->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw Error(hr, "", "the object has no member '" + std::string(name) + "'");
  ids.emplace(std::string(name), id);
  return id;
}

Value Object::State::Invoke(DISPID id, WORD flags, std::vector<Argument>& args, std::string_view name) {
  // DISPPARAMS lists named arguments first, then the positional ones last to first.
  std::vector<const Argument*> order;
  for (const Argument& a : args)
    if (!a.name().empty()) order.push_back(&a);
  size_t named = order.size();
  for (size_t i = args.size(); i-- > 0;)
    if (args[i].name().empty()) order.push_back(&args[i]);
  Variants call(order.size());
  if (named) call.named = NamedIds(dispatch, name, args);
  // Each by-reference argument is a VARIANT* into a holder of its value,
  // which the member may replace; the holders are read back after the call.
  struct Holders {
    std::vector<std::pair<VARIANT*, Ref*>> list;
    ~Holders() {
      for (auto& [holder, ref] : list) {
        VariantClear(holder);
        delete holder;
      }
    }
  } refs;
  refs.list.reserve(order.size());
  for (size_t i = 0; i < order.size(); ++i) {
    ToVariant(order[i]->value(), &call.values[i]);
    if (Ref* ref = order[i]->ref()) {
      refs.list.emplace_back(new VARIANT(call.values[i]), ref);  // the holder owns the value now
      call.values[i].vt = VT_VARIANT | VT_BYREF;
      call.values[i].pvarVal = refs.list.back().first;
    }
  }
  VARIANT result = InvokeOrThrow(dispatch, id, flags, call, name);
  Value out = TakeResult(result);
  for (auto& [holder, ref] : refs.list) ref->set_value(FromVariant(*holder));
  return out;
}

Value Object::Invoke(std::string_view name, std::vector<Argument>& args) {
  if (!state_) throw Error(kUnexpected, "", "the object has been released");
  return state_->Invoke(state_->Lookup(name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, args, name);
}

Value Object::Get(std::string_view property) const {
  if (!state_) throw Error(kUnexpected, "", "the object has been released");
  std::vector<Argument> none;
  return state_->Invoke(state_->Lookup(property), DISPATCH_PROPERTYGET, none, property);
}

void Object::Put(std::string_view property, const Value& value) {
  if (!state_) throw Error(kUnexpected, "", "the object has been released");
  DISPID id = state_->Lookup(property);
  Variants call(1);
  ToVariant(value, &call.values[0]);
  call.named.push_back(DISPID_PROPERTYPUT);
  VARIANT result = InvokeOrThrow(state_->dispatch, id, DISPATCH_PROPERTYPUT, call, property);
  VariantClear(&result);
}

namespace {
// Reads one function description of the interface into a Member.
Member DescribeFunction(ITypeInfo* info, const FUNCDESC& fd) {
  Member member;
  member.kind = fd.invkind == INVOKE_FUNC          ? Member::Kind::kMethod
                : fd.invkind == INVOKE_PROPERTYGET ? Member::Kind::kPropertyGet
                                                   : Member::Kind::kPropertyPut;
  size_t passed = 0;  // the parameters a caller passes: all but the [out,retval] one
  for (int i = 0; i < fd.cParams; ++i)
    if (!(fd.lprgelemdescParam[i].paramdesc.wParamFlags & PARAMFLAG_FRETVAL)) ++passed;
  std::vector<BSTR> names(static_cast<size_t>(fd.cParams) + 1, nullptr);
  UINT got = 0;
  HRESULT hr = info->GetNames(fd.memid, names.data(), static_cast<UINT>(names.size()), &got);
  for (UINT i = 0; i < got; ++i) {
    std::string text = TakeBstr(names[i]);
    if (i == 0) {
      member.name = std::move(text);
    } else if (i <= passed && member.kind != Member::Kind::kPropertyPut) {
      member.parameters.push_back(std::move(text));
    }
  }
  if (FAILED(hr) || member.name.empty()) throw Error(FAILED(hr) ? hr : E_FAIL, "", "a member has no name");
  return member;
}
}  // namespace

std::vector<Member> Object::Members() const {
  if (!state_) throw Error(kUnexpected, "", "the object has been released");
  ITypeInfo* info = nullptr;
  HRESULT hr = state_->dispatch->GetTypeInfo(0, LOCALE_USER_DEFAULT, &info);
  if (FAILED(hr) || !info)
    throw Error(FAILED(hr) ? hr : E_NOINTERFACE, "", "the object has no type information");
  struct Held {
    ITypeInfo* info;
    TYPEATTR* attr = nullptr;
    FUNCDESC* func = nullptr;
    ~Held() {
      if (func) info->ReleaseFuncDesc(func);
      if (attr) info->ReleaseTypeAttr(attr);
      info->Release();
    }
  } held{info};
  hr = info->GetTypeAttr(&held.attr);
  if (FAILED(hr)) throw Error(hr, "", "the object's type information has no attributes");
  std::vector<Member> members;
  members.reserve(held.attr->cFuncs);
  for (UINT i = 0; i < held.attr->cFuncs; ++i) {
    hr = info->GetFuncDesc(i, &held.func);
    if (FAILED(hr)) throw Error(hr, "", "the object's type information has no function " + std::to_string(i));
    members.push_back(DescribeFunction(info, *held.func));
    info->ReleaseFuncDesc(held.func);
    held.func = nullptr;
  }
  return members;
}

Object CreateObject(std::string_view progid) {
  IDispatch* dispatch = nullptr;
  std::string error;
  SetErrorInfo(0, nullptr);
  HRESULT hr = activation::CoCreateInstance(std::string(progid), IID_IDispatch,
                                            reinterpret_cast<void**>(&dispatch), &error);
  if (FAILED(hr) || !dispatch) ThrowFromErrorInfo(FAILED(hr) ? hr : E_POINTER, error);
  return Object(std::make_shared<Object::State>(dispatch));  // takes the one reference
}

}  // namespace zelnor2
