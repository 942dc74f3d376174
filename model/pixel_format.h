// Pixel-format numbers: what a script sees and sets through PixelFormat, and
// how each number maps to a storage layout of the 2D engine.
#pragma once
#include <cstdint>

#include "platform/raster/bitmap.h"

namespace zelnor {

enum PixelFormatNumber : int32_t {
  pfDevice = 0,  // device-dependent: 24-bit BGR storage, or 1 bit for a two-colour mask
  pf1bit = 1,
  pf4bit = 2,
  pf8bit = 3,
  pf15bit = 4,  // 16-bit words, 5-5-5
  pf16bit = 5,  // 16-bit words, masks F800/07E0/001F
  pf24bit = 6,  // B, G, R bytes
  pf32bit = 7,  // B, G, R, X bytes
  pfCustom = 8  // any other layout; reported, never set
};

// The layout a settable format number stores its pixels in; pfDevice gives the
// screen format (24-bit). Throws raster::RasterError ("画像フォーマットが不正です")
// for 8 or numbers outside 0..8.
raster::PixelLayout LayoutOfFormat(int number);

// The format number that a plain (not device-dependent) picture of this
// layout reports.
int FormatOfLayout(const raster::PixelLayout& layout);

// The number a bitmap reports: pfDevice when it is marked device-dependent.
int PixelFormatOf(const raster::Bitmap& bitmap);

// Converts the picture to the format with that number (see
// raster::ConvertStorage); the current number does nothing; 8 and numbers
// outside 0..8 fail with "画像フォーマットが不正です" and leave the bitmap
// unchanged.
void SetPixelFormat(raster::Bitmap& bitmap, int number);

}  // namespace zelnor
