#include "platform/cpu/cpu.h"

#include <atomic>
#include <cstdlib>
#include <iterator>

namespace cpu {

namespace {

const Disabled& Environment() {
  static const Disabled d = [] {
    const char* env = std::getenv("ZELNOR2_DISABLE");
    return ParseDisabled(env ? env : "");
  }();
  return d;
}

// Bit i set: the processor has Isa i.
unsigned Detect() {
  unsigned has = 0;
#if defined(__x86_64__)
  __builtin_cpu_init();
  const bool avx512 = __builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw");
  const bool found[] = {true, static_cast<bool>(__builtin_cpu_supports("ssse3")),
                        static_cast<bool>(__builtin_cpu_supports("avx2")), avx512,
                        avx512 && __builtin_cpu_supports("avx512vbmi")};
  for (unsigned i = 0; i < std::size(found); ++i)
    if (found[i]) has |= 1u << i;
#endif
  return has;
}

std::atomic<bool> vectors_allowed{true};

}  // namespace

Disabled ParseDisabled(std::string_view value) {
  Disabled d;
  while (!value.empty()) {
    const size_t end = value.find_first_of(" ,");
    const std::string_view word = value.substr(0, end);
    if (word == "fast") d.fast = d.simd = true;
    if (word == "simd") d.simd = true;
    value = end == std::string_view::npos ? std::string_view() : value.substr(end + 1);
  }
  return d;
}

bool Has(Isa isa) {
  static const unsigned has = Environment().simd ? 0 : Detect();
  return (has >> static_cast<unsigned>(isa) & 1) && vectors_allowed.load(std::memory_order_relaxed);
}

bool FastPaths() { return !Environment().fast; }

void AllowVectors(bool allowed) { vectors_allowed.store(allowed, std::memory_order_relaxed); }

}  // namespace cpu
