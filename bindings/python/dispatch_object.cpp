#include "bindings/python/dispatch_object.h"

#include <vector>

#include "bindings/python/values.h"
#include "platform/activation/activation.h"

namespace zelnor2py {
using namespace automation;

namespace {
std::string Lower(std::string s) {
  for (char& c : s)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return s;
}

std::string TakeBstr(BSTR& b) {
  std::string s = Utf8FromBstr(b);
  SysFreeString(b);
  b = nullptr;
  return s;
}

// Reads which names have a property get from the object's type information.
std::shared_ptr<MemberKinds> ReadKinds(IDispatch* d) {
  auto kinds = std::make_shared<MemberKinds>();
  ITypeInfo* info = nullptr;
  if (d->GetTypeInfo(0, 0, &info) != S_OK || !info) return kinds;
  TYPEATTR* attr = nullptr;
  if (SUCCEEDED(info->GetTypeAttr(&attr))) {
    for (UINT i = 0; i < attr->cFuncs; ++i) {
      FUNCDESC* fd = nullptr;
      if (FAILED(info->GetFuncDesc(i, &fd))) continue;
      BSTR name = nullptr;
      UINT got = 0;
      if (SUCCEEDED(info->GetNames(fd->memid, &name, 1, &got)) && got == 1) {
        bool& get = kinds->has_get[Lower(TakeBstr(name))];
        get = get || fd->invkind == INVOKE_PROPERTYGET;
      }
      info->ReleaseFuncDesc(fd);
    }
    info->ReleaseTypeAttr(attr);
  }
  info->Release();
  return kinds;
}

// Owns the arguments of one invocation (in the reverse order of DISPPARAMS).
struct Arguments {
  std::vector<VARIANT> values;
  std::vector<DISPID> named;
  ~Arguments() {
    for (VARIANT& v : values) VariantClear(&v);
  }
  VARIANT* Add() {
    values.emplace_back();
    VariantInit(&values.back());
    return &values.back();
  }
};

py::object Invoke(IDispatch* d, DISPID id, WORD flags, Arguments& args, const std::string& name) {
  DISPPARAMS dp{args.values.empty() ? nullptr : args.values.data(),
                args.named.empty() ? nullptr : args.named.data(), static_cast<UINT>(args.values.size()),
                static_cast<UINT>(args.named.size())};
  VARIANT result;
  VariantInit(&result);
  EXCEPINFO excep{};
  UINT arg_err = 0xFFFFFFFF;
  HRESULT hr = d->Invoke(id, IID_NULL, LOCALE_USER_DEFAULT, flags, &dp, &result, &excep, &arg_err);
  if (hr == DISP_E_EXCEPTION) {
    std::string source = TakeBstr(excep.bstrSource), description = TakeBstr(excep.bstrDescription);
    SysFreeString(excep.bstrHelpFile);
    RaiseComError(excep.scode ? excep.scode : hr, source, description);
  }
  if (FAILED(hr)) {
    int position = -1;
    if (arg_err < args.values.size()) position = static_cast<int>(args.values.size() - 1 - arg_err);
    RaiseComError(hr, "", activation::HResultName(hr) + " calling " + name, position);
  }
  py::object out = FromVariant(result);
  VariantClear(&result);
  return out;
}
}  // namespace

void RaiseComError(HRESULT hr, const std::string& source, const std::string& description, int arg_err) {
  py::object cls = py::module_::import("zelnor2").attr("ComError");
  std::string text = description.empty() ? activation::HResultName(hr) : description;
  py::object error = cls(hr, text, source, description, arg_err);
  PyErr_SetObject(cls.ptr(), error.ptr());
  throw py::error_already_set();
}

void RaiseFromErrorInfo(HRESULT hr, const std::string& fallback) {
  IErrorInfo* info = nullptr;
  std::string source, description = fallback;
  if (GetErrorInfo(0, &info) == S_OK && info) {
    BSTR s = nullptr, t = nullptr;
    info->GetSource(&s);
    info->GetDescription(&t);
    source = TakeBstr(s);
    std::string text = TakeBstr(t);
    if (!text.empty()) description = text;
    info->Release();
  }
  RaiseComError(hr, source, description);
}

DispatchObject::DispatchObject(IDispatch* dispatch) : dispatch_(dispatch) {
  if (dispatch_) dispatch_->AddRef();
}

DispatchObject::DispatchObject(const DispatchObject& other)
    : dispatch_(other.dispatch_), kinds_(other.kinds_) {
  if (dispatch_) dispatch_->AddRef();
}

DispatchObject::~DispatchObject() { Release(); }

void DispatchObject::Release() {
  if (dispatch_) dispatch_->Release();
  dispatch_ = nullptr;
}

DISPID DispatchObject::Lookup(const std::string& name) {
  if (!dispatch_) throw py::value_error("the object has been released");
  if (!kinds_) kinds_ = ReadKinds(dispatch_);
  if (auto it = kinds_->ids.find(name); it != kinds_->ids.end()) return it->second;
  std::u16string wide = Utf16FromUtf8(name);
  LPOLESTR names[1] = {wide.data()};
  DISPID id = DISPID_UNKNOWN;
  HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names, 1, LOCALE_USER_DEFAULT, &id);
  if (FAILED(hr)) throw py::attribute_error("the object has no member '" + name + "'");
  kinds_->ids.emplace(name, id);
  return id;
}

bool DispatchObject::IsProperty(const std::string& name) {
  if (!kinds_) kinds_ = ReadKinds(dispatch_);
  auto it = kinds_->has_get.find(Lower(name));
  return it != kinds_->has_get.end() && it->second;
}

py::object DispatchObject::GetAttr(const std::string& name) {
  DISPID id = Lookup(name);
  if (!IsProperty(name)) return py::cast(BoundMethod{*this, name});
  Arguments none;
  return Invoke(dispatch_, id, DISPATCH_PROPERTYGET, none, name);
}

void DispatchObject::SetAttr(const std::string& name, const py::object& value) {
  DISPID id = Lookup(name);
  Arguments args;
  ToVariant(value, args.Add());
  args.named.push_back(DISPID_PROPERTYPUT);
  Invoke(dispatch_, id, DISPATCH_PROPERTYPUT, args, name);
}

py::object DispatchObject::Call(const std::string& name, const py::args& args, const py::kwargs& kwargs) {
  if (!dispatch_) throw py::value_error("the object has been released");
  if (kwargs.empty()) {
    Arguments call;
    call.values.reserve(args.size());
    for (size_t i = args.size(); i-- > 0;) ToVariant(args[i], call.Add());
    return Invoke(dispatch_, Lookup(name), DISPATCH_METHOD | DISPATCH_PROPERTYGET, call, name);
  }
  // Member and keyword names resolve in one lookup; keywords become named arguments.
  std::vector<std::u16string> wide{Utf16FromUtf8(name)};
  std::vector<py::handle> named_values;
  for (auto item : kwargs) {
    wide.push_back(Utf16FromUtf8(item.first.cast<std::string>()));
    named_values.push_back(item.second);
  }
  std::vector<LPOLESTR> names;
  for (auto& w : wide) names.push_back(w.data());
  std::vector<DISPID> ids(names.size(), DISPID_UNKNOWN);
  HRESULT hr = dispatch_->GetIDsOfNames(IID_NULL, names.data(), static_cast<UINT>(names.size()),
                                        LOCALE_USER_DEFAULT, ids.data());
  if (FAILED(hr)) {
    if (ids[0] == DISPID_UNKNOWN) throw py::attribute_error("the object has no member '" + name + "'");
    for (size_t i = 1; i < ids.size(); ++i)
      if (ids[i] == DISPID_UNKNOWN)
        RaiseComError(hr, "", name + " has no parameter '" + Utf8FromUtf16(wide[i]) + "'");
  }
  Arguments call;
  call.values.reserve(args.size() + named_values.size());
  for (size_t i = 0; i < named_values.size(); ++i) {
    ToVariant(named_values[i], call.Add());
    call.named.push_back(ids[i + 1]);
  }
  for (size_t i = args.size(); i-- > 0;) ToVariant(args[i], call.Add());
  return Invoke(dispatch_, ids[0], DISPATCH_METHOD | DISPATCH_PROPERTYGET, call, name);
}

}  // namespace zelnor2py
