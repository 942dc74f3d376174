#include "platform/raster/parallel.h"

#include <algorithm>
#include <exception>
#include <mutex>
#include <thread>
#include <vector>

namespace raster {

namespace {
// Below this much work a thread costs more than it saves.
constexpr int64_t kMinCostPerThread = int64_t{1} << 18;
constexpr unsigned kMaxThreads = 8;

thread_local bool t_serial = false;

unsigned ThreadsFor(int count, int64_t cost) {
  const unsigned cores = std::clamp(std::thread::hardware_concurrency(), 1u, kMaxThreads);
  const int64_t by_cost = std::max<int64_t>(cost / kMinCostPerThread, 1);
  return static_cast<unsigned>(std::min<int64_t>({int64_t{cores}, by_cost, int64_t{count}}));
}
}  // namespace

void ParallelFor(int count, int64_t cost, const std::function<void(int, int)>& body) {
  if (count <= 0) return;
  const unsigned n = t_serial ? 1 : ThreadsFor(count, cost);
  if (n <= 1) {
    body(0, count);
    return;
  }
  auto bound = [&](unsigned k) { return static_cast<int>(int64_t{count} * k / n); };
  // A failure on a worker (no memory for its buffers) is carried back and
  // raised here once every range has finished.
  std::exception_ptr failure;
  std::mutex failure_lock;
  auto guarded = [&](int begin, int end) {
    try {
      body(begin, end);
    } catch (...) {
      std::lock_guard<std::mutex> hold(failure_lock);
      if (!failure) failure = std::current_exception();
    }
  };
  std::vector<std::thread> workers;
  workers.reserve(n - 1);
  unsigned started = 1;  // range 0 stays with the calling thread
  try {
    for (; started < n; ++started) workers.emplace_back(guarded, bound(started), bound(started + 1));
  } catch (...) {
    // No thread to be had: the ranges not handed out run here instead.
    for (unsigned k = started; k < n; ++k) guarded(bound(k), bound(k + 1));
  }
  guarded(bound(0), bound(1));
  for (auto& t : workers) t.join();
  if (failure) std::rethrow_exception(failure);
}

SerialLoops::SerialLoops() : previous_(t_serial) { t_serial = true; }
SerialLoops::~SerialLoops() { t_serial = previous_; }

}  // namespace raster
