// Zelnor2 from C++: create component objects by ProgID and call their members
// by name with C++ values, as a script does.
//
//   zelnor2::Object canvas = zelnor2::CreateObject("Zelnor2.MyCanvas");
//   canvas.Call("NewCanvas", 200, 100);
//   canvas.Put("PenColor", 255);
//   int width = canvas.Get("Width").AsInt();
//   zelnor2::Ref picture;                      // a VARIANT* parameter
//   canvas.Call("SaveToStream", picture, "PNG");
//   std::vector<std::uint8_t> png = picture.value().AsBytes();
//
// CreateObject goes through the component runtime's activation: the ProgID is
// looked up in the registration stores (the user's, then the machine-wide one;
// $ZELNOR2_REGISTRY replaces both), the registered module is loaded and its
// class factory makes the object.  Calls are late-bound (IDispatch): names are
// looked up once per object, ignoring letter case, and the component converts
// each argument to the member's declared type and fills omitted optional ones.
// Every failure throws zelnor2::Error, carrying the HRESULT, the source and the
// description the component reported.
//
// Link with libzelnor2-client: `pkg-config --cflags --libs zelnor2`, or in CMake
// find_package(Zelnor2) and the target Zelnor2::client.  C++17 or later.  An
// Object, like the component's objects, is used by one thread at a time.
#pragma once
#include <cstdint>
#include <limits>
#include <memory>
#include <stdexcept>
#include <string>
#include <string_view>
#include <type_traits>
#include <utility>
#include <variant>
#include <vector>

#define ZELNOR2_CLIENT_API __attribute__((visibility("default")))

namespace zelnor2 {

using Bytes = std::vector<std::uint8_t>;

// HRESULTs a caller may want to tell apart (their host names in comments).
inline constexpr std::int32_t kUnexpected = static_cast<std::int32_t>(0x8000FFFFu);  // E_UNEXPECTED
inline constexpr std::int32_t kClassNotRegistered =
    static_cast<std::int32_t>(0x80040154u);                                            // REGDB_E_CLASSNOTREG
inline constexpr std::int32_t kUnknownName = static_cast<std::int32_t>(0x80020006u);   // DISP_E_UNKNOWNNAME
inline constexpr std::int32_t kTypeMismatch = static_cast<std::int32_t>(0x80020005u);  // DISP_E_TYPEMISMATCH
inline constexpr std::int32_t kOverflow = static_cast<std::int32_t>(0x8002000Au);      // DISP_E_OVERFLOW

// A failed creation or call.  what() reads "source: description (hresult
// 0x8000FFFF)"; a component failure has the source "Zelnor2.MyCanvas".
class ZELNOR2_CLIENT_API Error : public std::runtime_error {
 public:
  Error(std::int32_t hresult, std::string source, std::string description);
  std::int32_t hresult() const noexcept { return hresult_; }
  const std::string& source() const noexcept { return source_; }
  const std::string& description() const noexcept { return description_; }

 private:
  std::int32_t hresult_;
  std::string source_;
  std::string description_;
};

// One value crossing the automation boundary: empty, a Boolean, an integer, a
// real, a UTF-8 string, a byte array (an encoded picture) or a list (an array
// of values, such as FontList's result).
class ZELNOR2_CLIENT_API Value {
 public:
  enum class Kind { kEmpty, kBool, kInt, kDouble, kString, kBytes, kList };

  Value() = default;
  Value(bool v) : data_(v) {}
  template <class T, std::enable_if_t<std::is_integral_v<T> && !std::is_same_v<T, bool>, int> = 0>
  Value(T v) : data_(Integer(v)) {}
  Value(double v) : data_(v) {}
  Value(const char* v) {
    if (v) data_ = std::string(v);
  }
  Value(std::string v) : data_(std::move(v)) {}
  Value(std::string_view v) : data_(std::string(v)) {}
  Value(Bytes v) : data_(std::move(v)) {}
  Value(std::vector<Value> v) : data_(std::move(v)) {}

  Kind kind() const { return static_cast<Kind>(data_.index()); }
  bool IsEmpty() const { return kind() == Kind::kEmpty; }

  // Each throws Error (kTypeMismatch, or kOverflow when an integer does not
  // fit) for a value of another kind.
  bool AsBool() const;         // a Boolean, or an integer (non-zero is true)
  std::int32_t AsInt() const;  // an integer that fits, or a Boolean (-1 or 0)
  std::int64_t AsInt64() const;
  double AsDouble() const;  // any number
  const std::string& AsString() const;
  const Bytes& AsBytes() const;
  const std::vector<Value>& AsList() const;

 private:
  template <class T>
  static std::int64_t Integer(T v) {
    if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(std::int64_t)) {
      if (v > static_cast<T>(std::numeric_limits<std::int64_t>::max())) ThrowOverflow();
    }
    return static_cast<std::int64_t>(v);
  }
  [[noreturn]] static void ThrowOverflow();

  std::variant<std::monostate, bool, std::int64_t, double, std::string, Bytes, std::vector<Value>> data_;
};

// A by-reference argument, for a VARIANT* parameter that the member reads and
// may replace (SaveToStream's picture, GetCanvas's pixels).  Pass it by name:
// the Ref must outlive the call; read value() after it.
class Ref {
 public:
  Ref() = default;
  explicit Ref(Value v) : value_(std::move(v)) {}
  const Value& value() const { return value_; }
  void set_value(Value v) { value_ = std::move(v); }

 private:
  Value value_;
};

// A named argument, for skipping optional parameters:
//   canvas.Call("Stretch", 100, 100, zelnor2::Named("HiQ", true));
struct Named {
  Named(std::string n, Value v) : name(std::move(n)), value(std::move(v)) {}
  std::string name;  // the parameter's name, any letter case
  Value value;
};

// One argument of a call: a value, a by-reference value or a named value.
class Argument {
 public:
  template <class T, std::enable_if_t<std::is_constructible_v<Value, T&&>, int> = 0>
  Argument(T&& v) : value_(std::forward<T>(v)) {}
  Argument(Ref& ref) : ref_(&ref) {}
  Argument(Named named) : value_(std::move(named.value)), name_(std::move(named.name)) {}
  // A by-reference argument passed by its parameter's name.
  Argument(std::string name, Ref& ref) : ref_(&ref), name_(std::move(name)) {}

  const Value& value() const { return ref_ ? ref_->value() : value_; }
  Ref* ref() const { return ref_; }
  const std::string& name() const { return name_; }

 private:
  Value value_;
  Ref* ref_ = nullptr;
  std::string name_;
};

// One member of an object's interface, as its type information describes it:
// a method, or one half of a property (a property has a get and, unless it is
// read-only, a put).
struct Member {
  enum class Kind { kMethod, kPropertyGet, kPropertyPut };
  std::string name;  // as the interface spells it
  Kind kind = Kind::kMethod;
  std::vector<std::string> parameters;  // the arguments a caller passes, in order (none for a put)
};

// An automation object.  Copies share the one object, which is released when
// the last copy goes (or on Release()).
class ZELNOR2_CLIENT_API Object {
 public:
  Object() = default;  // holds no object
  explicit operator bool() const { return state_ != nullptr; }

  // Calls a method (or reads a property) by name; returns its result, which
  // is empty for a member without one.
  template <class... Args>
  Value Call(std::string_view name, Args&&... args) {
    std::vector<Argument> list;
    list.reserve(sizeof...(Args));
    (list.emplace_back(std::forward<Args>(args)), ...);
    return Invoke(name, list);
  }
  // The same with an argument list built at run time (a binding's arguments);
  // the by-reference arguments' Refs receive their new values.
  Value Invoke(std::string_view name, std::vector<Argument>& args);
  Value Get(std::string_view property) const;
  void Put(std::string_view property, const Value& value);
  // The members of the object's interface, in the order of its type information.
  std::vector<Member> Members() const;

  // Drops this copy's reference now; the Object then holds no object.
  void Release() { state_.reset(); }

  struct State;  // the interface pointer and the names already looked up

 private:
  friend ZELNOR2_CLIENT_API Object CreateObject(std::string_view progid);
  explicit Object(std::shared_ptr<State> state) : state_(std::move(state)) {}

  std::shared_ptr<State> state_;
};

// Creates an object of the class named by ProgID ("Zelnor2.MyCanvas") or by
// its class id in braces.  Throws Error: kClassNotRegistered with "invalid
// class string" when no store registers the name.
ZELNOR2_CLIENT_API Object CreateObject(std::string_view progid);

}  // namespace zelnor2
