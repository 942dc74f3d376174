#include "channel.h"

#include <atomic>
#include <utility>

namespace zelnor2node {

namespace {
std::atomic<int> live_objects{0};  // channels that still hold their object
}  // namespace

Job::~Job() = default;

napi_value Job::MakePromise(napi_env env) {
  napi_value promise;
  Check(env, napi_create_promise(env, &deferred_, &promise));
  return promise;
}

void Job::Run(zelnor2::Object& object) noexcept {
  try {
    switch (kind_) {
      case Kind::kCall:
        value_ = object.Invoke(name_, arguments_.list());
        break;
      case Kind::kGet:
        value_ = object.Get(name_);
        break;
      case Kind::kPut:
        object.Put(name_, value_);
        value_ = zelnor2::Value();
        break;
    }
  } catch (...) {
    failure_ = Failure::Current();
  }
}

napi_value Job::Finish(napi_env env) {
  if (failure_) {
    napi_throw(env, ErrorValue(env, failure_));
    throw PendingException{};
  }
  arguments_.WriteBack(env);
  return FromValue(env, value_);
}

void Job::Settle(napi_env env) {
  napi_deferred deferred = std::exchange(deferred_, nullptr);
  if (!deferred) return;
  napi_value outcome = nullptr;
  bool failed = true;
  try {
    outcome = Finish(env);
    failed = false;
  } catch (const PendingException&) {
    napi_get_and_clear_last_exception(env, &outcome);
  } catch (...) {
    try {
      outcome = ErrorValue(env, Failure::Current());
    } catch (...) {
      napi_get_and_clear_last_exception(env, &outcome);
    }
  }
  if (!outcome) napi_get_undefined(env, &outcome);
  if (failed) {
    napi_reject_deferred(env, deferred, outcome);
  } else {
    napi_resolve_deferred(env, deferred, outcome);
  }
}

// A job handed to libuv's pool.  state says who has the job: the pool (queued
// or running), nobody (done, waiting for its completion on the main thread),
// or the main thread, which took it over in Drain.
struct Channel::Work {
  enum class State { kQueued, kRunning, kDone, kTaken };
  std::shared_ptr<Channel> channel;
  std::unique_ptr<Job> job;
  napi_async_work work = nullptr;
  State state = State::kQueued;  // guarded by channel->mutex_
};

Channel::Channel(zelnor2::Object object) : object_(std::move(object)) { ++live_objects; }

Channel::~Channel() {
  if (object_) --live_objects;
}

int Channel::Live() { return live_objects.load(); }

void Channel::RunNow(napi_env env, Job& job) {
  Drain(env);
  job.Run(object_);
}

void Channel::Enqueue(napi_env env, std::unique_ptr<Job> job) {
  pending_.push_back(std::move(job));
  StartNext(env);
}

void Channel::StartNext(napi_env env) {
  while (!current_ && !pending_.empty()) {
    auto work = std::make_unique<Work>();
    work->channel = shared_from_this();
    work->job = std::move(pending_.front());
    pending_.pop_front();
    napi_value name;
    napi_status status = napi_create_string_utf8(env, "zelnor2.call", NAPI_AUTO_LENGTH, &name);
    if (status == napi_ok)
      status = napi_create_async_work(env, nullptr, name, Execute, Complete, work.get(), &work->work);
    if (status == napi_ok) {
      status = napi_queue_async_work(env, work->work);
      if (status != napi_ok) napi_delete_async_work(env, work->work);
    }
    if (status == napi_ok) {
      current_ = work.release();
    } else {
      // No pool work could be queued: run the job here rather than lose it.
      work->job->Run(object_);
      work->job->Settle(env);
    }
  }
}

void Channel::Execute(napi_env, void* data) {
  auto* work = static_cast<Work*>(data);
  Channel& channel = *work->channel;
  {
    std::lock_guard<std::mutex> lock(channel.mutex_);
    if (work->state != Work::State::kQueued) return;
    work->state = Work::State::kRunning;
  }
  work->job->Run(channel.object_);
  {
    std::lock_guard<std::mutex> lock(channel.mutex_);
    work->state = Work::State::kDone;
  }
  channel.done_.notify_all();
}

void Channel::Complete(napi_env env, napi_status, void* data) {
  std::unique_ptr<Work> work(static_cast<Work*>(data));
  std::shared_ptr<Channel> channel = work->channel;
  napi_delete_async_work(env, work->work);
  channel->current_ = nullptr;
  Work::State state;
  {
    std::lock_guard<std::mutex> lock(channel->mutex_);
    state = work->state;
  }
  if (state == Work::State::kQueued) {  // cancelled before it ran
    Failure cancelled;
    cancelled.kind = Failure::Kind::kOther;
    cancelled.message = "the call was cancelled";
    work->job->Fail(std::move(cancelled));
  }
  if (state != Work::State::kTaken) work->job->Settle(env);
  work.reset();
  channel->StartNext(env);
  channel->ReleaseIfIdle();
}

void Channel::Drain(napi_env env) {
  if (Work* work = current_) {
    std::unique_lock<std::mutex> lock(mutex_);
    if (work->state == Work::State::kQueued) {
      work->state = Work::State::kTaken;
      lock.unlock();
      work->job->Run(object_);
      work->job->Settle(env);
    } else if (work->state != Work::State::kTaken) {
      done_.wait(lock, [work] { return work->state == Work::State::kDone; });
      work->state = Work::State::kTaken;
      lock.unlock();
      work->job->Settle(env);
    }
  }
  while (!pending_.empty()) {
    std::unique_ptr<Job> job = std::move(pending_.front());
    pending_.pop_front();
    job->Run(object_);
    job->Settle(env);
  }
}

void Channel::Release() {
  released_ = true;
  ReleaseIfIdle();
}

void Channel::ReleaseIfIdle() {
  if (!released_ || current_ || !pending_.empty() || !object_) return;
  object_.Release();
  --live_objects;
}

}  // namespace zelnor2node
