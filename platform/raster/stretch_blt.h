// The stretching blit: draws a whole bitmap scaled into a rectangle of
// another, nearest pixel (each destination pixel takes one source pixel).
#pragma once
#include <cstdint>

#include "platform/raster/bitmap.h"

namespace raster {

// Draws all of `src` into the rectangle from (x1, y1) to (x2, y2) of `dst`
// through the raster operation `rop`, clipped to `dst`.  Along each axis the
// rectangle covers the d = |a2 - a1| pixels starting at a1 and walking
// towards a2 (a2 itself excluded), so x2 < x1 or y2 < y1 mirrors the picture.
// The k-th of those pixels (k = 0 at a1) takes, with n the source size on
// that axis:
//   enlarging (d >= n): the source pixel whose centre lies nearest to its own
//     centre, the lower one on a tie: ((2k + 1) n - 1) div 2d;
//   reducing (d < n): the source pixel under the point just over half a
//     source pixel inside the far edge of the destination pixel (the right
//     edge for columns; for rows the top edge, counting from the bottom of
//     the rectangle as a bottom-up picture stores its rows):
//     columns ((2k + 2) n - d - 1) div 2d, rows n - 1 - that of d - 1 - k.
// This is the host's choice, reproduced from its pictures.
// A source in another pixel format is converted to the destination's format
// pixel by pixel.  An empty source or rectangle draws nothing.
void StretchDraw(Bitmap& dst, int x1, int y1, int x2, int y2, const Bitmap& src, uint32_t rop);

}  // namespace raster
