// Text output primitive: glyph coverage masks painted onto a bitmap.
//
// Glyphs are anti-aliased on direct-colour bitmaps (15, 16, 24 and 32 bits):
// each pixel moves towards the text colour in proportion to its coverage.
// Palette bitmaps (1, 4 and 8 bits) get plain glyphs: a pixel takes the text
// colour's nearest palette entry where coverage is at least half, and stays
// untouched elsewhere.
#pragma once
#include <cstdint>

#include "platform/raster/bitmap.h"
#include "platform/raster/colour.h"

namespace raster {

// 8-bit coverage, 0 = none, 255 = full; rows `stride` bytes apart.
struct CoverageMask {
  const uint8_t* data = nullptr;
  int width = 0;
  int height = 0;
  int64_t stride = 0;
};

// Blends the mask onto the bitmap with its top-left corner at (x, y) in the
// colour `color` (a device-context value, mapped as the device maps it);
// whatever falls outside the bitmap is skipped.
void BlitCoverage(Bitmap& bitmap, int64_t x, int64_t y, const CoverageMask& mask, ColorRef color);

}  // namespace raster
