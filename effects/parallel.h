// Splits a row loop over both cores of the machine.  Each band of rows is
// handled by exactly the same code, so the bytes do not depend on the split.
#pragma once
#include <cstdint>
#include <exception>
#include <system_error>
#include <thread>

namespace zelnor {

// Below this many bytes of work a second thread costs more than it saves.
inline constexpr int64_t kParallelMinBytes = int64_t{1} << 18;

// Calls band(first_row, end_row) for the rows 0..rows-1, in two bands on two
// threads when the work is large enough.  A failure in either band is
// rethrown after both have finished.
template <class Band>
void ForRowBands(int rows, int64_t bytes, Band&& band) {
  if (rows < 2 || bytes < kParallelMinBytes || std::thread::hardware_concurrency() < 2) {
    band(0, rows);
    return;
  }
  const int mid = rows / 2;
  std::exception_ptr second_failure;
  std::thread second;
  try {
    second = std::thread([&] {
      try {
        band(mid, rows);
      } catch (...) {
        second_failure = std::current_exception();
      }
    });
  } catch (const std::system_error&) {
    band(0, rows);  // no thread to be had: do it all here
    return;
  }
  std::exception_ptr first_failure;
  try {
    band(0, mid);
  } catch (...) {
    first_failure = std::current_exception();
  }
  second.join();
  if (first_failure) std::rethrow_exception(first_failure);
  if (second_failure) std::rethrow_exception(second_failure);
}

}  // namespace zelnor
