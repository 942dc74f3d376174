// Declares an interface once, as a list of rows, and derives from it what a
// dual interface needs: the function-table declarations, the member table of
// the type information, the plain C++ signature of the implementing method,
// and the conversion from the table's argument types to that signature.
//
// A parameter of a row is a tuple (flags, tag, name, default, help) whose tag
// is one of the types below; ZELNOR_IDL_MAP applies one of the ZELNOR_IDL_*
// element macros to every tuple of a row.  A trailing Out<T> tag is the
// [out,retval] parameter.
#pragma once
#include <cstddef>
#include <new>
#include <string>
#include <tuple>
#include <type_traits>
#include <utility>
#include <vector>

#include "platform/automation/oleauto.h"
#include "platform/automation/typeinfo.h"

namespace automation::idl {

constexpr USHORT kIn = PARAMFLAG_FIN;
constexpr USHORT kInOut = PARAMFLAG_FIN | PARAMFLAG_FOUT;
constexpr USHORT kOptional = PARAMFLAG_FIN | PARAMFLAG_FOPT;
constexpr USHORT kDefaulted = PARAMFLAG_FIN | PARAMFLAG_FOPT | PARAMFLAG_FHASDEFAULT;
constexpr USHORT kRetval = PARAMFLAG_FOUT | PARAMFLAG_FRETVAL;

// Each tag holds one argument as the function table passes it (value) and
// knows its variant type, its plain C++ form as a parameter (NativeArg) and
// as a result, and whether the argument is usable (a pointer must not be null).
struct I4 {
  using Interface = LONG;
  using NativeArg = int32_t;
  using Default = int32_t;
  template <class... A>
  using Returning = int32_t(A...);
  static constexpr VARTYPE vt = VT_I4;
  static LONG FromNative(int32_t v) { return v; }
  bool Present() const { return true; }
  int32_t Native() const { return value; }
  Interface value;
};

// Any non-zero value is true; true goes out as VARIANT_TRUE.
struct BOOL {
  using Interface = VARIANT_BOOL;
  using NativeArg = bool;
  using Default = bool;
  template <class... A>
  using Returning = bool(A...);
  static constexpr VARTYPE vt = VT_BOOL;
  static VARIANT_BOOL FromNative(bool v) { return v ? VARIANT_TRUE : VARIANT_FALSE; }
  bool Present() const { return true; }
  bool Native() const { return value != 0; }
  Interface value;
};

// Text crosses as UTF-16 and is worked on as UTF-8.
struct BSTR {
  using Interface = automation::BSTR;
  using NativeArg = const std::string&;
  using Default = const char16_t*;
  template <class... A>
  using Returning = std::string(A...);
  static constexpr VARTYPE vt = VT_BSTR;
  static automation::BSTR FromNative(const std::string& text) {
    automation::BSTR b = BstrFromUtf8(text);
    if (!b) throw std::bad_alloc();
    return b;
  }
  bool Present() const { return true; }
  std::string Native() const { return Utf8FromBstr(value); }
  Interface value;
};

// A variant passed by reference, handed to the implementation as it is.
struct VARIANT_REF {
  using Interface = automation::VARIANT*;
  using NativeArg = automation::VARIANT*;
  using Default = int32_t;  // never has one
  static constexpr VARTYPE vt = VT_VARIANT | VT_BYREF;
  bool Present() const { return value != nullptr; }
  automation::VARIANT* Native() const { return value; }
  Interface value;
};

// A variant result: the implementation fills it as its last parameter.
struct VARIANT {
  using Interface = automation::VARIANT;
  template <class... A>
  using Returning = void(A..., automation::VARIANT*);
  static constexpr VARTYPE vt = VT_VARIANT;
};

// The [out,retval] parameter: receives what the implementation returns.
template <class T>
struct Out {
  using Interface = typename T::Interface*;
  using Default = int32_t;
  static constexpr VARTYPE vt = T::vt;
  bool Present() const { return value != nullptr; }
  template <class Call>
  void Receive(Call&& call) const {
    *value = T::FromNative(call());
  }
  Interface value;
};

template <>
struct Out<VARIANT> {
  using Interface = automation::VARIANT*;
  using Default = int32_t;
  static constexpr VARTYPE vt = VT_VARIANT;
  bool Present() const { return value != nullptr; }
  template <class Call>
  void Receive(Call&& call) const {
    VariantInit(value);
    call(value);
  }
  Interface value;
};

namespace detail {
template <class... A>
struct Params {};

template <class Done, class... Tags>
struct Build;
template <class... A>
struct Build<Params<A...>> {
  using Type = void(A...);
};
template <class... A, class Tag, class... Rest>
struct Build<Params<A...>, Tag, Rest...> : Build<Params<A..., typename Tag::NativeArg>, Rest...> {};
template <class... A, class T>
struct Build<Params<A...>, Out<T>> {
  using Type = typename T::template Returning<A...>;
};

template <class... A>
struct EndsWithOut : std::false_type {};
template <class T>
struct EndsWithOut<Out<T>> : std::true_type {};
template <class A0, class A1, class... Rest>
struct EndsWithOut<A0, A1, Rest...> : EndsWithOut<A1, Rest...> {};
}  // namespace detail

// The function type of the implementing method of a row with these tags:
// I4 int32_t, BOOL bool, BSTR const std::string& (std::string as a result),
// VARIANT_REF VARIANT*; the result is the return value, void without one.
template <class... Tags>
using NativeFunction = typename detail::Build<detail::Params<>, Tags...>::Type;

// Calls self.*body with every argument in its native form and hands what it
// returns to the trailing Out argument, if there is one.
template <class Self, class Body, class... A>
void CallNative(Self& self, Body body, const A&... args) {
  if constexpr (detail::EndsWithOut<A...>::value) {
    constexpr size_t n = sizeof...(A) - 1;
    const auto all = std::tie(args...);
    [&]<size_t... I>(std::index_sequence<I...>) {
      std::get<n>(all).Receive(
          [&](auto... extra) { return (self.*body)(std::get<I>(all).Native()..., extra...); });
    }
    (std::make_index_sequence<n>{});
  } else {
    (self.*body)(args.Native()...);
  }
}

// One parameter's description; the default's type follows the tag (a number,
// a Boolean stored as -1 or 0, or a text).
template <class Tag>
ParamDesc Describe(const char* name, USHORT flags, typename Tag::Default value, const char* help = nullptr) {
  ParamDesc p{name, Tag::vt, flags};
  if constexpr (std::is_same_v<typename Tag::Default, const char16_t*>)
    p.default_text = value;
  else if constexpr (std::is_same_v<typename Tag::Default, bool>)
    p.default_number = value ? -1 : 0;
  else
    p.default_number = value;
  p.help = help;
  return p;
}

// One member-table row: a trailing [out,retval] description becomes the
// returned value, and a put's value carries no name.
inline MemberDesc MakeMember(const char* name, INVOKEKIND kind, DISPID dispid, CallAdapter call,
                             std::vector<ParamDesc> params, const char* help = nullptr,
                             const char* example = nullptr) {
  MemberDesc m{name, kind, dispid, std::move(params)};
  if (!m.params.empty() && (m.params.back().flags & PARAMFLAG_FRETVAL)) {
    m.retval = m.params.back().vt;
    m.retval_name = m.params.back().name;
    m.params.pop_back();
  }
  if (kind == INVOKE_PROPERTYPUT || kind == INVOKE_PROPERTYPUTREF)
    for (ParamDesc& p : m.params) p.name = nullptr;
  m.call = call;
  m.help = help;
  m.example = example;
  return m;
}

}  // namespace automation::idl

// ZELNOR_IDL_MAP(m, (a, b)) is `m a, m b`: m applied to each element of a
// parenthesised list of up to 16 tuples; nothing for ().
#define ZELNOR_IDL_MAP(m, list) ZELNOR_IDL_MAP_(m, ZELNOR_IDL_UNPAREN list)
#define ZELNOR_IDL_UNPAREN(...) __VA_ARGS__
#define ZELNOR_IDL_MAP_(m, ...) ZELNOR_IDL_MAP_N(m, __VA_ARGS__)
#define ZELNOR_IDL_MAP_N(m, ...) \
  __VA_OPT__(ZELNOR_IDL_CAT(ZELNOR_IDL_EACH_, ZELNOR_IDL_COUNT(__VA_ARGS__))(m, __VA_ARGS__))
#define ZELNOR_IDL_CAT(a, b) ZELNOR_IDL_CAT_(a, b)
#define ZELNOR_IDL_CAT_(a, b) a##b
#define ZELNOR_IDL_COUNT(...) \
  ZELNOR_IDL_COUNT_(__VA_ARGS__, 16, 15, 14, 13, 12, 11, 10, 9, 8, 7, 6, 5, 4, 3, 2, 1)
#define ZELNOR_IDL_COUNT_(e1, e2, e3, e4, e5, e6, e7, e8, e9, e10, e11, e12, e13, e14, e15, e16, n, ...) n
#define ZELNOR_IDL_EACH_1(m, a) m a
#define ZELNOR_IDL_EACH_2(m, a, ...) m a, ZELNOR_IDL_EACH_1(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_3(m, a, ...) m a, ZELNOR_IDL_EACH_2(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_4(m, a, ...) m a, ZELNOR_IDL_EACH_3(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_5(m, a, ...) m a, ZELNOR_IDL_EACH_4(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_6(m, a, ...) m a, ZELNOR_IDL_EACH_5(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_7(m, a, ...) m a, ZELNOR_IDL_EACH_6(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_8(m, a, ...) m a, ZELNOR_IDL_EACH_7(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_9(m, a, ...) m a, ZELNOR_IDL_EACH_8(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_10(m, a, ...) m a, ZELNOR_IDL_EACH_9(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_11(m, a, ...) m a, ZELNOR_IDL_EACH_10(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_12(m, a, ...) m a, ZELNOR_IDL_EACH_11(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_13(m, a, ...) m a, ZELNOR_IDL_EACH_12(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_14(m, a, ...) m a, ZELNOR_IDL_EACH_13(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_15(m, a, ...) m a, ZELNOR_IDL_EACH_14(m, __VA_ARGS__)
#define ZELNOR_IDL_EACH_16(m, a, ...) m a, ZELNOR_IDL_EACH_15(m, __VA_ARGS__)

// Element macros: the parameter as declared in the function table, its type
// alone, its argument wrapped in its tag, the tag, and its description.
#define ZELNOR_IDL_DECLARE(flags, tag, name, value, ...) tag::Interface name
#define ZELNOR_IDL_TYPE(flags, tag, name, value, ...) tag::Interface
#define ZELNOR_IDL_PASS(flags, tag, name, value, ...) \
  tag { name }
#define ZELNOR_IDL_TAG(flags, tag, name, value, ...) tag
#define ZELNOR_IDL_DESCRIBE(flags, tag, name, value, ...) \
  ::automation::idl::Describe<tag>(#name, flags, value __VA_OPT__(, ) __VA_ARGS__)
