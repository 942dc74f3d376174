// The system tick count: milliseconds since an arbitrary fixed point (the
// machine's monotonic clock), as an unsigned 32-bit value that wraps about
// every 49.7 days.  Differences of two ticks taken as unsigned 32-bit values
// stay right across a wrap.
#pragma once
#include <cstdint>

namespace sysplat {

uint32_t GetTickCount();

}  // namespace sysplat
