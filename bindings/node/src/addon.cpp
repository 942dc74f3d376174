// The native half of the Node.js module zelnor2 (index.js is the other):
// objects created by ProgID through the client library, members called by
// name with JavaScript values, synchronously or as promises that settle when
// a thread of libuv's pool has made the call.
//
//   setup(ComError, Ref)                  the classes index.js defines
//   create(progid) -> handle              an object, released when the handle is collected
//   name(text) -> a member name made native once, for call, get and put
//   members(handle) -> [[name, kind, [parameter, ...]], ...]   kind 0 method, 1 get, 2 put
//   call(handle, name, args, count, named)       count positional arguments, named an object or undefined
//   callAsync(handle, name, args, count, named) -> Promise
//   get(handle, name), getAsync(handle, name) -> Promise, put(handle, name, value)
//   release(handle)                       no further calls; the object goes after the queued ones
//   liveObjects() -> how many objects the binding holds
#include <memory>
#include <string>
#include <vector>

#include "channel.h"
#include "napi_util.h"
#include "values.h"

namespace zelnor2node {

namespace {
// Marks the handles this addon made, so that no other value is taken for one.
constexpr napi_type_tag kHandleTag = {0x5a656c6e6f72324eULL, 0x6f64652e68616e64ULL};

template <size_t N>
struct CallInfo {
  napi_value args[N];
  size_t count = N;
  CallInfo(napi_env env, napi_callback_info info) {
    Check(env, napi_get_cb_info(env, info, &count, args, nullptr, nullptr));
    napi_value undefined;
    Check(env, napi_get_undefined(env, &undefined));
    for (size_t i = count; i < N; ++i) args[i] = undefined;
  }
};

std::shared_ptr<Channel>& ChannelOf(napi_env env, napi_value handle) {
  bool tagged = false;
  napi_valuetype type;
  Check(env, napi_typeof(env, handle, &type));
  if (type == napi_external) Check(env, napi_check_object_type_tag(env, handle, &kHandleTag, &tagged));
  if (!tagged) throw TypeError("not a zelnor2 object handle");
  void* data = nullptr;
  Check(env, napi_get_value_external(env, handle, &data));
  return *static_cast<std::shared_ptr<Channel>*>(data);
}

// A member's name made once into a native string (name(text)), so that a
// call does not convert the same JavaScript string again each time.
constexpr napi_type_tag kNameTag = {0x5a656c6e6f72324eULL, 0x6f64652e6e616d65ULL};

std::string NameOf(napi_env env, napi_value name) {
  napi_valuetype type;
  Check(env, napi_typeof(env, name, &type));
  if (type == napi_string) return StringOf(env, name);
  bool tagged = false;
  if (type == napi_external) Check(env, napi_check_object_type_tag(env, name, &kNameTag, &tagged));
  if (!tagged) throw TypeError("a member name is a string");
  void* data = nullptr;
  Check(env, napi_get_value_external(env, name, &data));
  return *static_cast<const std::string*>(data);
}

// The channel of a handle that still takes calls.
Channel& OpenChannel(napi_env env, napi_value handle) {
  Channel& channel = *ChannelOf(env, handle);
  if (channel.released()) throw zelnor2::Error(zelnor2::kUnexpected, "", "the object has been released");
  return channel;
}

void AddNamed(napi_env env, napi_value named, Arguments& arguments) {
  napi_valuetype type;
  Check(env, napi_typeof(env, named, &type));
  if (type == napi_undefined || type == napi_null) return;
  if (type != napi_object) throw TypeError("named arguments come as an object");
  napi_value keys;
  Check(env,
        napi_get_all_property_names(env, named, napi_key_own_only,
                                    static_cast<napi_key_filter>(napi_key_enumerable | napi_key_skip_symbols),
                                    napi_key_numbers_to_strings, &keys));
  uint32_t n = 0;
  Check(env, napi_get_array_length(env, keys, &n));
  for (uint32_t i = 0; i < n; ++i) {
    napi_value key, value;
    Check(env, napi_get_element(env, keys, i, &key));
    Check(env, napi_get_property(env, named, key, &value));
    std::string name = StringOf(env, key);
    if (name.empty()) throw TypeError("a named argument needs a name");
    arguments.Add(env, value, std::move(name));
  }
}

// A method call's job from (handle, name, args, count, named).
std::unique_ptr<Job> CallJob(napi_env env, const CallInfo<5>& info) {
  auto job = std::make_unique<Job>(Job::Kind::kCall, NameOf(env, info.args[1]));
  uint32_t count = 0;
  Check(env, napi_get_value_uint32(env, info.args[3], &count));
  Arguments& arguments = job->arguments();
  arguments.list().reserve(count);
  for (uint32_t i = 0; i < count; ++i) {
    napi_value value;
    Check(env, napi_get_element(env, info.args[2], i, &value));
    arguments.Add(env, value);
  }
  AddNamed(env, info.args[4], arguments);
  return job;
}

napi_value RunNow(napi_env env, Channel& channel, Job& job) {
  channel.RunNow(env, job);
  return job.Finish(env);
}

napi_value Queue(napi_env env, Channel& channel, std::unique_ptr<Job> job) {
  napi_value promise = job->MakePromise(env);
  channel.Enqueue(env, std::move(job));
  return promise;
}

napi_value Setup(napi_env env, napi_callback_info cb) {
  return Guard(env, [&]() -> napi_value {
    CallInfo<2> info(env, cb);
    Addon& addon = AddonOf(env);
    if (addon.com_error) napi_delete_reference(env, addon.com_error);
    if (addon.ref_class) napi_delete_reference(env, addon.ref_class);
    addon.com_error = addon.ref_class = nullptr;
    Check(env, napi_create_reference(env, info.args[0], 1, &addon.com_error));
    Check(env, napi_create_reference(env, info.args[1], 1, &addon.ref_class));
    return nullptr;
  });
}

napi_value Create(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<1> info(env, cb);
    std::string progid = StringOf(env, info.args[0]);
    auto holder =
        std::make_unique<std::shared_ptr<Channel>>(std::make_shared<Channel>(zelnor2::CreateObject(progid)));
    napi_value handle;
    Check(env, napi_create_external(
                   env, holder.get(),
                   [](napi_env, void* data, void*) { delete static_cast<std::shared_ptr<Channel>*>(data); },
                   nullptr, &handle));
    holder.release();  // the handle's finaliser owns it now
    Check(env, napi_type_tag_object(env, handle, &kHandleTag));
    return handle;
  });
}

napi_value Name(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<1> info(env, cb);
    auto text = std::make_unique<std::string>(StringOf(env, info.args[0]));
    napi_value name;
    Check(env,
          napi_create_external(
              env, text.get(), [](napi_env, void* data, void*) { delete static_cast<std::string*>(data); },
              nullptr, &name));
    text.release();  // the finaliser owns it now
    Check(env, napi_type_tag_object(env, name, &kNameTag));
    return name;
  });
}

napi_value Members(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<1> info(env, cb);
    Channel& channel = OpenChannel(env, info.args[0]);
    channel.Drain(env);
    std::vector<zelnor2::Member> members = channel.object().Members();
    napi_value list;
    Check(env, napi_create_array_with_length(env, members.size(), &list));
    for (size_t i = 0; i < members.size(); ++i) {
      std::vector<zelnor2::Value> parameters(members[i].parameters.begin(), members[i].parameters.end());
      std::vector<zelnor2::Value> row{members[i].name, static_cast<int>(members[i].kind),
                                      std::move(parameters)};
      Check(env, napi_set_element(env, list, static_cast<uint32_t>(i), FromValue(env, std::move(row))));
    }
    return list;
  });
}

napi_value Call(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<5> info(env, cb);
    Channel& channel = OpenChannel(env, info.args[0]);
    std::unique_ptr<Job> job = CallJob(env, info);
    return RunNow(env, channel, *job);
  });
}

napi_value CallAsync(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<5> info(env, cb);
    Channel& channel = OpenChannel(env, info.args[0]);
    return Queue(env, channel, CallJob(env, info));
  });
}

napi_value Get(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<2> info(env, cb);
    Channel& channel = OpenChannel(env, info.args[0]);
    Job job(Job::Kind::kGet, NameOf(env, info.args[1]));
    return RunNow(env, channel, job);
  });
}

napi_value GetAsync(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<2> info(env, cb);
    Channel& channel = OpenChannel(env, info.args[0]);
    return Queue(env, channel, std::make_unique<Job>(Job::Kind::kGet, NameOf(env, info.args[1])));
  });
}

napi_value Put(napi_env env, napi_callback_info cb) {
  return Guard(env, [&] {
    CallInfo<3> info(env, cb);
    Channel& channel = OpenChannel(env, info.args[0]);
    Job job(Job::Kind::kPut, NameOf(env, info.args[1]));
    job.set_value(ToValue(env, info.args[2]));
    return RunNow(env, channel, job);
  });
}

napi_value Release(napi_env env, napi_callback_info cb) {
  return Guard(env, [&]() -> napi_value {
    CallInfo<1> info(env, cb);
    ChannelOf(env, info.args[0])->Release();
    return nullptr;
  });
}

napi_value LiveObjects(napi_env env, napi_callback_info) {
  return Guard(env, [&] {
    napi_value out;
    Check(env, napi_create_int32(env, Channel::Live(), &out));
    return out;
  });
}

napi_value Init(napi_env env, napi_value exports) {
  return Guard(env, [&] {
    auto addon = std::make_unique<Addon>();
    Check(env, napi_set_instance_data(
                   env, addon.get(), [](napi_env, void* data, void*) { delete static_cast<Addon*>(data); },
                   nullptr));
    addon.release();
    const napi_property_descriptor functions[] = {
        {"setup", nullptr, Setup, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"create", nullptr, Create, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"name", nullptr, Name, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"members", nullptr, Members, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"call", nullptr, Call, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"callAsync", nullptr, CallAsync, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"get", nullptr, Get, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"getAsync", nullptr, GetAsync, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"put", nullptr, Put, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"release", nullptr, Release, nullptr, nullptr, nullptr, napi_default, nullptr},
        {"liveObjects", nullptr, LiveObjects, nullptr, nullptr, nullptr, napi_default, nullptr},
    };
    Check(env, napi_define_properties(env, exports, sizeof functions / sizeof functions[0], functions));
    return exports;
  });
}
}  // namespace

}  // namespace zelnor2node

NAPI_MODULE_INIT() { return zelnor2node::Init(env, exports); }
