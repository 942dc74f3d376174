// Splits a loop over independent rows between the machine's cores.
#pragma once
#include <cstdint>
#include <functional>

namespace raster {

// Calls body(begin, end) on disjoint ranges covering 0..count-1, on up to as
// many threads as there are cores (the calling thread takes one range), and
// returns when all have finished.  `cost` estimates the total work in bytes
// touched; small jobs run on the calling thread alone.  If a body throws, the
// first failure is raised again once all ranges have finished.
// While a SerialLoops of the calling thread lives, that thread's loops all
// run on it alone.
void ParallelFor(int count, int64_t cost, const std::function<void(int, int)>& body);

// For threads that are already one of several workers sharing the cores
// (a batch converting one file per core): splitting their loops again would
// only add threads that wait for each other.  Scopes nest.
class SerialLoops {
 public:
  SerialLoops();
  ~SerialLoops();
  SerialLoops(const SerialLoops&) = delete;
  SerialLoops& operator=(const SerialLoops&) = delete;

 private:
  bool previous_;
};

}  // namespace raster
