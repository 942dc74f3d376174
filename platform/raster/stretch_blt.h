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
// The mapping is the host's colour-on-colour stretch, a Bresenham walk
// along each axis through the source and destination pixel centres: with n
// the source size on that axis, the k-th of those pixels (k = 0 at a1)
// takes
//   enlarging (d >= n): the source pixel whose centre lies nearest to its own
//     centre, the lower one on a tie: ((2k + 1) n - 1) div 2d;
//   reducing (d < n): source pixel s falls on destination pixel
//     ceil((2s + 1) d / 2n) - 1 (the one whose span holds its centre, the
//     lower one on a tie); a column takes the last source column falling on
//     it, as the host writes each over the one before, (2(k + 1) n - d)
//     div 2d; a row the first source row, as the host skips the rest,
//     max(0, ceil((2kn + 1 - d) / 2d)).
// A source in another pixel format is converted to the destination's format
// pixel by pixel.  An empty source or rectangle draws nothing.
void StretchDraw(Bitmap& dst, int x1, int y1, int x2, int y2, const Bitmap& src, uint32_t rop);

}  // namespace raster
