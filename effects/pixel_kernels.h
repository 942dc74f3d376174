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

// Grey levels of the leading pixels of a 24-bit row, sixteen at a time, with
// channel offsets vB, vG, vR (-255..255) applied; returns how many pixels it
// did (a multiple of 16, 0 without SSSE3).  The rest is the caller's.
int GrayPixels(uint8_t* p, int width, int vB, int vG, int vR);

}  // namespace zelnor
