// The unit stretchf: resizing a canvas, fast (nearest pixel, through the
// stretching blit) or with the own separable resampler (cubic Lagrange
// interpolation in 20-bit fixed point when enlarging an axis, exact area
// averaging in 18-bit fixed point when reducing it), exactly or as a
// thumbnail that keeps the aspect ratio.
#pragma once
#include <array>
#include <cstdint>

#include "platform/raster/bitmap.h"

namespace zelnor {

// Receives a percentage, 0..100, while a resampling pass runs.
using ProgressCallback = void (*)(int32_t percent);

// Cubic Lagrange weights of the four nodes at offsets 0..3 for position x
// (1 <= x < 2) between nodes 1 and 2, each scaled by `scale`, increased by 0.5
// and truncated towards zero.  Evaluated in extended precision.
std::array<int32_t, 4> LagrangeWeights(long double x, long double scale);

// Calls `progress` with `percent` unless the last report was less than 50 ms
// ago; a percent of 0 is not passed on but restarts the interval.  The tick
// of the last report is kept process-wide.  Without a callback, nothing.
void ReportProgress(int32_t percent, ProgressCallback progress);

// The four passes.  Both bitmaps hold 24-bit rows; `dst` already has its final
// size on the resampled axis and the source's size on the other.  The cubic
// passes enlarge (dst larger than src on their axis), the area passes reduce.
void CubicStretchX(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress = nullptr);
void CubicStretchY(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress = nullptr);
void AreaShrinkX(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress = nullptr);
void AreaShrinkY(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress = nullptr);

// Resizes `bitmap` in place to new_width x new_height: the width first, then
// the height, an unchanged axis untouched.  An empty bitmap is left alone; any
// other ends in the 24-bit format (converted first when it is not).  Sizes
// must be at least 1.
void ResampleBitmap(raster::Bitmap& bitmap, int new_width, int new_height,
                    ProgressCallback progress = nullptr);

// Resizes the canvas to new_width x new_height: with `hiq` through
// ResampleBitmap, else through the nearest-pixel stretching blit; with
// `not_thumb_mode` exactly, else fitted into the box keeping the aspect ratio,
// centred, with margins in the canvas's brush colour.  The canvas object keeps
// its drawing state; only its pixel storage is replaced.  Sizes must be at
// least 1.
void StretchBitmap(int new_width, int new_height, bool hiq, raster::Bitmap& canvas, bool not_thumb_mode);

// The rectangle a thumbnail occupies inside a new_width x new_height box for
// a width x height picture.
struct FitRect {
  int left, top, right, bottom;
};
FitRect ThumbnailFit(int width, int height, int new_width, int new_height);

}  // namespace zelnor
