// Builds the call adapter of one function-table slot from a pointer to the
// interface's member function, so invocation calls the function through the
// object's function table with properly typed arguments.
#pragma once
#include <cstddef>
#include <utility>

#include "platform/automation/oleauto.h"
#include "platform/automation/typeinfo.h"

namespace automation {
namespace detail {
template <class T>
T Arg(VARIANT& v);
template <>
inline LONG Arg<LONG>(VARIANT& v) {
  return v.lVal;
}
template <>
inline VARIANT_BOOL Arg<VARIANT_BOOL>(VARIANT& v) {
  return v.boolVal;
}
template <>
inline BSTR Arg<BSTR>(VARIANT& v) {
  return v.bstrVal;
}
template <>
inline VARIANT* Arg<VARIANT*>(VARIANT& v) {
  return v.pvarVal;
}
template <>
inline LONG* Arg<LONG*>(VARIANT& v) {
  return static_cast<LONG*>(v.byref);
}
template <>
inline VARIANT_BOOL* Arg<VARIANT_BOOL*>(VARIANT& v) {
  return static_cast<VARIANT_BOOL*>(v.byref);
}
template <>
inline BSTR* Arg<BSTR*>(VARIANT& v) {
  return static_cast<BSTR*>(v.byref);
}

template <auto Member>
struct Adapter;

template <class Iface, class... Args, HRESULT (Iface::*Member)(Args...)>
struct Adapter<Member> {
  template <size_t... I>
  static HRESULT Call(Iface* self, VARIANT* args, std::index_sequence<I...>) {
    return (self->*Member)(Arg<Args>(args[I])...);
  }
  static HRESULT Invoke(void* instance, VARIANT* args) {
    return Call(static_cast<Iface*>(instance), args, std::index_sequence_for<Args...>{});
  }
};
}  // namespace detail

// instance is the interface pointer (Iface*) the invocation was made on.
template <auto Member>
constexpr CallAdapter Through() {
  return &detail::Adapter<Member>::Invoke;
}

}  // namespace automation
