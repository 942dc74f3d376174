#include "values.h"

#include <cmath>
#include <cstdint>
#include <utility>

namespace zelnor2node {

namespace {
constexpr int kMaxDepth = 32;                            // nesting of arrays in one value
constexpr double kTwoTo63 = 9223372036854775808.0;       // whole numbers below it fit in 64 bits
constexpr std::int64_t kSafeInteger = 9007199254740991;  // 2^53 - 1: beyond it, a BigInt

napi_valuetype TypeOf(napi_env env, napi_value value) {
  napi_valuetype type;
  Check(env, napi_typeof(env, value, &type));
  return type;
}

bool IsRef(napi_env env, napi_value value) {
  if (TypeOf(env, value) != napi_object) return false;
  napi_value cls;
  Check(env, napi_get_reference_value(env, AddonOf(env).ref_class, &cls));
  bool is = false;
  Check(env, napi_instanceof(env, value, cls, &is));
  return is;
}

zelnor2::Value Number(napi_env env, napi_value value) {
  double d = 0;
  Check(env, napi_get_value_double(env, value, &d));
  if (std::isfinite(d) && d == std::trunc(d) && d >= -kTwoTo63 && d < kTwoTo63)
    return static_cast<std::int64_t>(d);
  return d;
}

zelnor2::Value BigInt(napi_env env, napi_value value) {
  std::int64_t v = 0;
  bool lossless = false;
  Check(env, napi_get_value_bigint_int64(env, value, &v, &lossless));
  if (!lossless) throw RangeError("a BigInt beyond 64 bits has no automation form");
  return v;
}

zelnor2::Value ByteValue(const void* data, size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  return zelnor2::Bytes(bytes, bytes + (data ? size : 0));
}

const char* TypedArrayName(napi_typedarray_type type) {
  switch (type) {
    case napi_int16_array:
      return "an Int16Array";
    case napi_uint16_array:
      return "a Uint16Array";
    case napi_int32_array:
      return "an Int32Array";
    case napi_uint32_array:
      return "a Uint32Array";
    case napi_float32_array:
      return "a Float32Array";
    case napi_float64_array:
      return "a Float64Array";
    default:
      return "a typed array of wide elements";
  }
}

zelnor2::Value ToValueAt(napi_env env, napi_value value, int depth);

zelnor2::Value ListValue(napi_env env, napi_value array, int depth) {
  if (depth >= kMaxDepth) throw TypeError("arrays nested deeper than 32 levels have no automation form");
  uint32_t length = 0;
  Check(env, napi_get_array_length(env, array, &length));
  std::vector<zelnor2::Value> items;
  items.reserve(length);
  for (uint32_t i = 0; i < length; ++i) {
    napi_value item;
    Check(env, napi_get_element(env, array, i, &item));
    items.push_back(ToValueAt(env, item, depth + 1));
  }
  return items;
}

zelnor2::Value ObjectValue(napi_env env, napi_value value, int depth) {
  bool is = false;
  Check(env, napi_is_typedarray(env, value, &is));  // a Buffer is a Uint8Array
  if (is) {
    napi_typedarray_type type;
    size_t length = 0, offset = 0;
    void* data = nullptr;
    Check(env, napi_get_typedarray_info(env, value, &type, &length, &data, nullptr, &offset));
    if (type != napi_uint8_array && type != napi_uint8_clamped_array && type != napi_int8_array)
      throw TypeError(std::string(TypedArrayName(type)) +
                      " has no automation form; pass its bytes as a Uint8Array or Buffer");
    return ByteValue(data, length);
  }
  Check(env, napi_is_arraybuffer(env, value, &is));
  if (is) {
    void* data = nullptr;
    size_t length = 0;
    Check(env, napi_get_arraybuffer_info(env, value, &data, &length));
    return ByteValue(data, length);
  }
  Check(env, napi_is_dataview(env, value, &is));
  if (is) {
    void* data = nullptr;
    size_t length = 0;
    Check(env, napi_get_dataview_info(env, value, &length, &data, nullptr, nullptr));
    return ByteValue(data, length);
  }
  Check(env, napi_is_array(env, value, &is));
  if (is) return ListValue(env, value, depth);
  if (IsRef(env, value)) throw TypeError("a zelnor2.Ref is an argument of its own, not part of a value");
  throw TypeError(
      "an object has no automation form (only the last argument may be an object, of named arguments)");
}

zelnor2::Value ToValueAt(napi_env env, napi_value value, int depth) {
  switch (TypeOf(env, value)) {
    case napi_undefined:
    case napi_null:
      return {};
    case napi_boolean: {
      bool b = false;
      Check(env, napi_get_value_bool(env, value, &b));
      return b;
    }
    case napi_number:
      return Number(env, value);
    case napi_bigint:
      return BigInt(env, value);
    case napi_string:
      return StringOf(env, value);
    case napi_object:
      return ObjectValue(env, value, depth);
    case napi_function:
      throw TypeError("a function has no automation form");
    case napi_symbol:
      throw TypeError("a symbol has no automation form");
    default:
      throw TypeError("the value has no automation form");
  }
}
}  // namespace

zelnor2::Value ToValue(napi_env env, napi_value value) { return ToValueAt(env, value, 0); }

napi_value FromValue(napi_env env, const zelnor2::Value& value) {
  napi_value out = nullptr;
  switch (value.kind()) {
    case zelnor2::Value::Kind::kEmpty:
      Check(env, napi_get_undefined(env, &out));
      break;
    case zelnor2::Value::Kind::kBool:
      Check(env, napi_get_boolean(env, value.AsBool(), &out));
      break;
    case zelnor2::Value::Kind::kInt: {
      std::int64_t v = value.AsInt64();
      bool safe = v >= -kSafeInteger && v <= kSafeInteger;
      Check(env, safe ? napi_create_int64(env, v, &out) : napi_create_bigint_int64(env, v, &out));
      break;
    }
    case zelnor2::Value::Kind::kDouble:
      Check(env, napi_create_double(env, value.AsDouble(), &out));
      break;
    case zelnor2::Value::Kind::kString: {
      const std::string& s = value.AsString();
      Check(env, napi_create_string_utf8(env, s.data(), s.size(), &out));
      break;
    }
    case zelnor2::Value::Kind::kBytes: {
      const zelnor2::Bytes& b = value.AsBytes();
      void* copy = nullptr;
      Check(env, napi_create_buffer_copy(env, b.size(), b.data(), &copy, &out));
      break;
    }
    case zelnor2::Value::Kind::kList: {
      const std::vector<zelnor2::Value>& items = value.AsList();
      Check(env, napi_create_array_with_length(env, items.size(), &out));
      for (size_t i = 0; i < items.size(); ++i)
        Check(env, napi_set_element(env, out, static_cast<uint32_t>(i), FromValue(env, items[i])));
      break;
    }
  }
  return out;
}

Arguments::~Arguments() {
  for (napi_ref r : ref_objects_) napi_delete_reference(env_, r);
}

void Arguments::Add(napi_env env, napi_value value, std::string name) {
  env_ = env;
  if (!IsRef(env, value)) {
    if (name.empty()) {
      list_.emplace_back(ToValue(env, value));
    } else {
      list_.emplace_back(zelnor2::Named(std::move(name), ToValue(env, value)));
    }
    return;
  }
  napi_value inner;
  Check(env, napi_get_named_property(env, value, "value", &inner));
  auto ref = std::make_unique<zelnor2::Ref>(ToValue(env, inner));
  refs_.reserve(refs_.size() + 1);
  ref_objects_.reserve(ref_objects_.size() + 1);
  napi_ref handle;
  Check(env, napi_create_reference(env, value, 1, &handle));
  ref_objects_.push_back(handle);
  refs_.push_back(std::move(ref));
  zelnor2::Ref& held = *refs_.back();
  if (name.empty()) {
    list_.emplace_back(held);
  } else {
    list_.emplace_back(std::move(name), held);
  }
}

void Arguments::WriteBack(napi_env env) {
  for (size_t i = 0; i < refs_.size(); ++i) {
    napi_value object;
    Check(env, napi_get_reference_value(env, ref_objects_[i], &object));
    Check(env, napi_set_named_property(env, object, "value", FromValue(env, refs_[i]->value())));
  }
}

}  // namespace zelnor2node
