#include "platform/system/tick.h"

#include <chrono>

namespace sysplat {

uint32_t GetTickCount() {
  const auto now = std::chrono::steady_clock::now().time_since_epoch();
  const auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(now).count();
  return static_cast<uint32_t>(static_cast<uint64_t>(ms));  // keeps the low 32 bits
}

}  // namespace sysplat
