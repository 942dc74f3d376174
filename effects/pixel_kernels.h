// Row kernels of the colour effects, with vector forms chosen at run time
// from what the processor offers.  Every form gives the same bytes as the
// plain loop it replaces.
#pragma once
#include <cstdint>

namespace zelnor {

// p[i] = table[p[i]] for n bytes.
void MapBytes(const uint8_t* table, uint8_t* p, int64_t n);

}  // namespace zelnor

namespace zelnor {

// The instruction-set forms of the kernels, in order; a kernel runs the best
// form both the processor and its caller allow (tests step down through them).
enum class VectorForm { kPlain, kSsse3, kAvx2, kAvx512 };
VectorForm BestVectorForm();

// Grey levels of the leading pixels of a 24-bit row, with channel offsets vB,
// vG, vR (-255..255) applied; returns how many pixels it did (a multiple of
// 16, 0 in the plain form).  The rest is the caller's.
int GrayPixels(uint8_t* p, int width, int vB, int vG, int vR, VectorForm form = VectorForm::kAvx512);

// The grey level of a pixel whose weighted sum in thousandths ends in 500:
// the sum in extended precision, rounded to nearest with ties to even as
// nearbyint does, by adding and removing 2^63 (no library call).
int GrayLevelAtHalf(int b, int g, int r);

}  // namespace zelnor
