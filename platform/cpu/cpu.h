// The one place that asks the processor what it offers, and the one switch
// that turns the engine's fast paths off.
//
// ZELNOR2_DISABLE holds words separated by spaces or commas:
//   simd  no instruction-set path runs: every vector loop gives way to the
//         plain loop beside it;
//   fast  as simd, and every other fast path gives way to its plain
//         reference as well (the per-format pixel tables become the generic
//         per-pixel ones, the row-wise blit the per-pixel one).
// The results are the same bytes either way; the switch exists so that the
// plain paths can be tested on their own (scripts/test runs the tests twice).
// Other words are ignored.
#pragma once
#include <string_view>

namespace cpu {

// Instruction sets the vector paths are written for.  kAvx512 stands for
// AVX-512 F and BW together, kAvx512Vbmi for F, BW and VBMI.
enum class Isa { kSse2, kSsse3, kAvx2, kAvx512, kAvx512Vbmi };

// True when the processor (and the system) has `isa` and vector paths are
// allowed.  Detected once per process.
bool Has(Isa isa);

// False when ZELNOR2_DISABLE contains "fast".
bool FastPaths();

// For tests that compare a vector path with its plain loop: forbids the
// vector paths of this process (false) or allows them again as far as the
// environment does (true).
void AllowVectors(bool allowed);

// What a value of ZELNOR2_DISABLE switches off.
struct Disabled {
  bool simd = false;
  bool fast = false;
};
Disabled ParseDisabled(std::string_view value);

}  // namespace cpu
