// JavaScript values <-> the client's automation values.  Numbers become
// integers when they are whole (and reals otherwise), strings cross as UTF-8
// (the automation layer makes the UTF-16 strings), Buffers, Uint8Arrays and
// ArrayBuffers are byte arrays and come back as Buffers, arrays are lists,
// and null and undefined are empty.
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "napi_util.h"

namespace zelnor2node {

// Converts a value to its automation form; throws TypeError or RangeError for
// a value that has none (a function, a symbol, an object, a nested array too
// deep to be a list).  The result owns its data, so the JavaScript value may
// change or go away afterwards.
zelnor2::Value ToValue(napi_env env, napi_value value);

napi_value FromValue(napi_env env, const zelnor2::Value& value);

// The arguments of one call, held apart from JavaScript so that a worker
// thread can make the call.  A zelnor2.Ref argument is a by-reference
// argument: its value goes in and the member's new value is written back to
// the Ref once the call has succeeded.
class Arguments {
 public:
  Arguments() = default;
  Arguments(const Arguments&) = delete;
  Arguments& operator=(const Arguments&) = delete;
  ~Arguments();

  // Appends a positional argument, or a named one when name is not empty.
  void Add(napi_env env, napi_value value, std::string name = {});
  std::vector<zelnor2::Argument>& list() { return list_; }
  // Writes the by-reference values back to their Refs (main thread).
  void WriteBack(napi_env env);

 private:
  napi_env env_ = nullptr;
  std::vector<zelnor2::Argument> list_;
  std::vector<std::unique_ptr<zelnor2::Ref>> refs_;  // stable addresses: list_ points at them
  std::vector<napi_ref> ref_objects_;                // the Refs, in the order of refs_
};

}  // namespace zelnor2node
