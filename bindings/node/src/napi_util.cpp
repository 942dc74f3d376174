#include "napi_util.h"

#include <new>

namespace zelnor2node {

void Check(napi_env env, napi_status status) {
  if (status == napi_ok) return;
  bool pending = false;
  if (status != napi_pending_exception) {
    const napi_extended_error_info* info = nullptr;
    napi_get_last_error_info(env, &info);
    std::string message = info && info->error_message ? info->error_message : "Node-API call failed";
    napi_is_exception_pending(env, &pending);
    if (!pending) napi_throw_error(env, nullptr, message.c_str());
  }
  throw PendingException{};
}

Addon& AddonOf(napi_env env) {
  void* data = nullptr;
  Check(env, napi_get_instance_data(env, &data));
  if (!data) throw std::logic_error("the zelnor2 addon is not set up");
  return *static_cast<Addon*>(data);
}

Failure Failure::From(const zelnor2::Error& e) {
  Failure f;
  f.kind = Kind::kCom;
  f.hresult = e.hresult();
  f.source = e.source();
  f.description = e.description();
  f.message = e.what();
  return f;
}

Failure Failure::Current() {
  Failure f;
  f.kind = Kind::kOther;
  try {
    throw;
  } catch (const zelnor2::Error& e) {
    return From(e);
  } catch (const std::bad_alloc&) {
    f.message = "out of memory";
  } catch (const std::exception& e) {
    f.message = e.what();
  } catch (...) {
    f.message = "unexpected failure";
  }
  return f;
}

namespace {
napi_value String(napi_env env, const std::string& text) {
  napi_value out;
  Check(env, napi_create_string_utf8(env, text.data(), text.size(), &out));
  return out;
}
}  // namespace

napi_value ErrorValue(napi_env env, const Failure& failure) {
  napi_value error;
  if (failure.kind != Failure::Kind::kCom) {
    Check(env, napi_create_error(env, nullptr, String(env, failure.message), &error));
    return error;
  }
  napi_value cls;
  Check(env, napi_get_reference_value(env, AddonOf(env).com_error, &cls));
  napi_value args[4] = {String(env, failure.message), nullptr, String(env, failure.source),
                        String(env, failure.description)};
  Check(env, napi_create_int32(env, failure.hresult, &args[1]));
  Check(env, napi_new_instance(env, cls, 4, args, &error));
  return error;
}

std::string StringOf(napi_env env, napi_value value) {
  size_t length = 0;
  Check(env, napi_get_value_string_utf8(env, value, nullptr, 0, &length));
  std::string text(length, '\0');
  Check(env, napi_get_value_string_utf8(env, value, text.data(), length + 1, &length));
  text.resize(length);
  return text;
}

}  // namespace zelnor2node
