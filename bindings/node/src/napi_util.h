// Small helpers over Node-API's C interface.  A failed Node-API call becomes
// a C++ exception, and Guard, around every entry point, turns any exception
// back into a JavaScript one: ComError for a failed component call,
// TypeError or RangeError for a value with no automation form, and the
// pending exception when Node-API itself raised one.
#pragma once
#ifndef NAPI_VERSION
#define NAPI_VERSION 8
#endif
#include <node_api.h>

#include <cstdint>
#include <stdexcept>
#include <string>

#include "zelnor2/client.h"

namespace zelnor2node {

// A JavaScript exception is pending: the entry point returns at once.
struct PendingException {};

struct TypeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

struct RangeError : std::runtime_error {
  using std::runtime_error::runtime_error;
};

// What the addon keeps per Node.js environment (the main thread and each
// worker thread): the classes that index.js hands over at start-up.
struct Addon {
  napi_ref com_error = nullptr;  // class ComError
  napi_ref ref_class = nullptr;  // class Ref
};

// Throws PendingException when status is not napi_ok, raising an Error with
// Node-API's own message first when no exception is pending yet.
void Check(napi_env env, napi_status status);

Addon& AddonOf(napi_env env);

// A failed call, held apart from JavaScript until it can be thrown on the
// main thread.
struct Failure {
  enum class Kind { kNone, kCom, kOther };
  Kind kind = Kind::kNone;
  std::int32_t hresult = 0;
  std::string source, description, message;

  explicit operator bool() const { return kind != Kind::kNone; }
  static Failure From(const zelnor2::Error& e);
  // Captures the exception being handled (call only inside a catch block).
  static Failure Current();
};

// The JavaScript error for a failure: a ComError for a component failure,
// an Error otherwise.
napi_value ErrorValue(napi_env env, const Failure& failure);

// Runs body, returning its value, or nullptr with a JavaScript exception
// pending when it throws.
template <class Body>
napi_value Guard(napi_env env, Body&& body) noexcept {
  try {
    return body();
  } catch (const PendingException&) {
  } catch (const TypeError& e) {
    napi_throw_type_error(env, nullptr, e.what());
  } catch (const RangeError& e) {
    napi_throw_range_error(env, nullptr, e.what());
  } catch (...) {
    Failure failure = Failure::Current();
    try {
      napi_throw(env, ErrorValue(env, failure));
    } catch (...) {
      // The error value itself could not be made; an exception is pending.
    }
  }
  return nullptr;
}

std::string StringOf(napi_env env, napi_value value);

}  // namespace zelnor2node
