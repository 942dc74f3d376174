// Colour values of the 2D engine: COLORREF-style 0x00BBGGRR words and palettes.
#pragma once
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace raster {

// 0x00BBGGRR; the high byte carries the colour form (explicit, palette index,
// palette-relative); values with the top bit set name system colours.
using ColorRef = uint32_t;

constexpr ColorRef kInvalidColor = 0xFFFFFFFFu;  // what GetPixel reports off the bitmap

constexpr ColorRef Rgb(int r, int g, int b) {
  return static_cast<ColorRef>((r & 0xFF) | ((g & 0xFF) << 8) | ((b & 0xFF) << 16));
}
constexpr int RedOf(ColorRef c) { return static_cast<int>(c & 0xFF); }
constexpr int GreenOf(ColorRef c) { return static_cast<int>((c >> 8) & 0xFF); }
constexpr int BlueOf(ColorRef c) { return static_cast<int>((c >> 16) & 0xFF); }

// A colour table: explicit colours only (high byte 0).
using Palette = std::vector<ColorRef>;

// The 20 static colours of the default system palette (entries 0-9 and 10-19
// of the stock default palette), as explicit colours.
const std::array<ColorRef, 20>& StaticColors();

// The two-entry black/white table of 1-bit bitmaps.
const Palette& MonochromePalette();
// The 16 standard colours of 4-bit bitmaps, in the order the VGA palette uses.
const Palette& VgaPalette();
// The 256-entry halftone palette of 8-bit bitmaps: entries 0-9 the first ten
// static colours, 10-225 a 6x6x6 colour cube (levels 0, 51, 102, 153, 204,
// 255; red fastest), 226-245 twenty greys between the cube's levels, 246-255
// the last ten static colours.
const Palette& HalftonePalette();

// Index of the palette entry nearest to an explicit colour (smallest squared
// distance in RGB, lowest index on a tie).
int NearestPaletteIndex(const Palette& pal, ColorRef c);

}  // namespace raster
