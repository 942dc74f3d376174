// One component object as the binding holds it, with the queue that keeps
// its calls in the order they were made.
//
// An asynchronous call becomes a Job on the object's queue; the queue's head
// runs on a thread of libuv's pool, one job per object at a time, and its
// promise settles on the main thread when the job is done, after which the
// next job of that object starts.  Objects run on as many pool threads at
// once as there are objects with work.  A synchronous call first runs, on
// the main thread, whatever the object still has queued (waiting for a job a
// pool thread has already begun), settling those promises in order, and
// then runs itself; so every call on one object, of either form, runs after
// all calls made before it.
#pragma once
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>
#include <string>

#include "values.h"

namespace zelnor2node {

// One call of a member: a method call, a property get or a property put.
class Job {
 public:
  enum class Kind { kCall, kGet, kPut };
  Job(Kind kind, std::string name) : kind_(kind), name_(std::move(name)) {}
  Job(const Job&) = delete;
  Job& operator=(const Job&) = delete;
  ~Job();

  Arguments& arguments() { return arguments_; }
  void set_value(zelnor2::Value v) { value_ = std::move(v); }  // a put's value
  // Makes the job asynchronous: returns its promise.
  napi_value MakePromise(napi_env env);

  // Calls the member; any thread, never throws (a failure is kept).
  void Run(zelnor2::Object& object) noexcept;
  // Main thread, after Run: writes the by-reference values back and returns
  // the result, or throws the failure as a JavaScript exception.
  napi_value Finish(napi_env env);
  // Main thread, after Run (or instead of it, with a failure set): settles
  // the promise of an asynchronous job.
  void Settle(napi_env env);
  void Fail(Failure failure) { failure_ = std::move(failure); }

 private:
  Kind kind_;
  std::string name_;
  Arguments arguments_;
  zelnor2::Value value_;
  Failure failure_;
  napi_deferred deferred_ = nullptr;
};

class Channel : public std::enable_shared_from_this<Channel> {
 public:
  explicit Channel(zelnor2::Object object);
  Channel(const Channel&) = delete;
  Channel& operator=(const Channel&) = delete;
  ~Channel();

  // Runs job on the calling (main) thread after every call queued before it.
  void RunNow(napi_env env, Job& job);
  // Queues an asynchronous job after every call made before it.
  void Enqueue(napi_env env, std::unique_ptr<Job> job);
  // Runs everything still queued, on the main thread; the object is then
  // idle and may be used directly.
  void Drain(napi_env env);
  // No calls are taken from now on; the object goes once the queued ones
  // have run.
  void Release();
  bool released() const { return released_; }
  zelnor2::Object& object() { return object_; }

  // How many component objects the binding holds (diagnostics and tests).
  static int Live();

 private:
  struct Work;
  void StartNext(napi_env env);
  void ReleaseIfIdle();
  static void Execute(napi_env env, void* data);
  static void Complete(napi_env env, napi_status status, void* data);

  zelnor2::Object object_;
  std::mutex mutex_;                          // guards the state of current_
  std::condition_variable done_;              // a pool thread finished current_'s job
  Work* current_ = nullptr;                   // the job given to the pool, until its completion runs
  std::deque<std::unique_ptr<Job>> pending_;  // queued behind current_ (main thread only)
  bool released_ = false;
};

}  // namespace zelnor2node
