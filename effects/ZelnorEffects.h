// ZelnorEffects: whole-image colour operations, the compositing draw with the
// fifteen copy modes, and the 3 x 3 convolution filters.  Every routine takes
// its inputs first and the canvas last, and returns a result code (rcOK,
// rcInvalidArgument, rcNoInput, or the former pixel-format number that the
// 24-bit normalisation reports).
#pragma once
#include <cstdint>

#include "platform/raster/bitmap.h"

namespace zelnor {

// Clamps a real to 0..255 (values not above 0 give 0, NaN included) and
// rounds to nearest with ties to even: 72.5 gives 72, 127.5 gives 128.
int32_t ByteClamp(double x);

// Converts the canvas to 24 bits when it is in another format and returns
// that former pixel-format number; 0 when it already was 24-bit.
int32_t NormaliseTo24Bit(raster::Bitmap& canvas);

// Grey image from the weighted sum 0.289 blue + 0.586 green + 0.114 red of
// the stored bytes, then each channel offset by vR, vG, vB (-255..255).
int32_t GrayBitmap(int32_t vR, int32_t vG, int32_t vB, raster::Bitmap& canvas);
// Mode 0 leaves the canvas, 1 brightens (255 sqrt(x)), 2 darkens
// (255 (2x - sqrt(x))) every channel, x = c / 255.
int32_t GammaBitmap(int32_t mode, raster::Bitmap& canvas);
// Amount -100..100: every channel c becomes (c - 127.5) amount / 100 + c.
int32_t ContrastBitmap(int32_t amount, raster::Bitmap& canvas);
// Inverts every stored bit (destination-invert of the canvas onto itself).
int32_t ReversalBitmap(raster::Bitmap& canvas);
// Replaces the picture by a device-dependent one-bit mask: white where a
// pixel has the mask colour, black elsewhere (all black for kNoColor);
// `reverse` inverts the mask.
int32_t MaskBitmap(int32_t mask_color, bool reverse, raster::Bitmap& canvas);

// The colour value that means "no colour" to MaskBitmap.
inline constexpr int32_t kNoColor = 0x1FFFFFFF;

// The raster-operation code of copy-mode number 1..15 (the platform's named
// operations in alphabetical order); 0 for any other number.
uint32_t CopyModeRop(int32_t mode);

// Grows `dst` (by the resize fill rule) to hold `src` at (x, y), then draws
// `src` there through the raster operation of copy-mode number `mode`, or
// through dst's current copy mode for any other number.  dst's copy mode is
// the same afterwards.
void CopyModeDraw(int32_t x, int32_t y, int32_t mode, const raster::Bitmap& src, raster::Bitmap& dst);

// A 3 x 3 kernel: weights k[0..8] row by row from the top-left neighbour,
// bias added after the truncating division by the divisor.
struct Kernel3x3 {
  int16_t k[9] = {};
  uint8_t bias = 0;
  uint8_t divisor = 0;
};

// Filters the canvas (converted to 24 bits first) into a new 24-bit image
// that replaces it.  Neighbours outside the image repeat the edge pixels.
// rcNoInput for divisor 0 on a non-empty canvas (the canvas keeps its image).
int32_t Convolve3x3(const Kernel3x3& kernel, raster::Bitmap& canvas);
int32_t SharpBitmap(raster::Bitmap& canvas);
int32_t DullBitmap(raster::Bitmap& canvas);
// Weights are the low 16 bits of B0..B8 as signed values, the divisor the
// low 8 bits of aDivis; aBias outside 0..255 gives rcInvalidArgument.
int32_t CustomFilterBitmap(int32_t B0, int32_t B1, int32_t B2, int32_t B3, int32_t B4, int32_t B5, int32_t B6,
                           int32_t B7, int32_t B8, int32_t aBias, int32_t aDivis, raster::Bitmap& canvas);

// The slow, obviously right forms the fast paths are tested against.
namespace reference {
// The grey level of one pixel, evaluated in extended precision.
int32_t GrayLevel(int b, int g, int r);
// The whole filter, one channel sum at a time.
raster::PixelStorage Convolve3x3(const Kernel3x3& kernel, const raster::PixelStorage& src);
}  // namespace reference

}  // namespace zelnor
