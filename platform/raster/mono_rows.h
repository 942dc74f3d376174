// Internal to the 2D engine: rows of B, G, R(, X) pixels compared with one
// colour, for the colour-to-monochrome copy; vector forms for 24-bit rows.
#pragma once
#include <cstdint>

#include "platform/raster/colour.h"

namespace raster {

// Sets bit x of `out` (first pixel in the top bit) for the pixels
// x0..width-1 of a row whose pixels are `step` bytes apart and start with
// B, G, R bytes equal to `match`.
void MonoRowFromBytes(const uint8_t* p, int step, int x0, int width, ColorRef match, uint8_t* out);

// The same for the leading pixels of a 24-bit row, in the widest vector form
// the processor allows; returns the pixels done (a multiple of 16, 0 when
// there is no vector form) and writes their bytes of `out` whole.
int MonoRow24Vector(const uint8_t* p, int width, ColorRef match, uint8_t* out);

}  // namespace raster
