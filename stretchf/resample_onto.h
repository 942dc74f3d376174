// Resampling a picture straight into part of another bitmap.
#pragma once
#include "platform/raster/bitmap.h"

namespace zelnor {

// Draws `picture` resampled to width x height into the block of `target`
// whose top-left pixel is (left, top), exactly as ResampleBitmap on a copy of
// the picture followed by an unscaled source copy would, without the copies.
// `target` holds 24-bit rows and the block lies inside it.  An empty picture
// draws nothing.
void ResampleOnto(const raster::Bitmap& picture, raster::Bitmap& target, int left, int top, int width,
                  int height);

}  // namespace zelnor
