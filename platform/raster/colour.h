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
// The 256-entry halftone palette of 8-bit bitmaps: a 3-3-2 colour cube
// (entry i holds red (i & 7) * 32, green ((i >> 3) & 7) * 32, blue (i >> 6) * 64)
// whose entries 0-9 are replaced by the first ten static colours and 246-255
// by the last ten, so it holds the 16 standard colours of 4-bit bitmaps.
const Palette& HalftonePalette();

// Index of the palette entry nearest to an explicit colour (smallest squared
// distance in RGB, lowest index on a tie). The slow, obviously right search;
// 0 for an empty palette.
int NearestPaletteIndex(const Palette& pal, ColorRef c);

// Pixel-format conversion to 4 and 8 bits matches colours through a
// 32 x 32 x 32 inverse table: every colour of a cell takes the entry nearest
// the cell's centre (`by_cell`).  Two-colour (1-bit) conversion compares the
// colour itself.  This is the colour a pixel is looked up by.
constexpr ColorRef ConversionKey(bool by_cell, int r, int g, int b) {
  return by_cell ? Rgb((r & 0xF8) | 4, (g & 0xF8) | 4, (b & 0xF8) | 4) : Rgb(r, g, b);
}

// The same choice as NearestPaletteIndex, made fast for whole pictures: the
// colour cube is cut into 32 x 32 x 32 cells and each cell keeps, in index
// order, only the entries that can be nearest to some colour inside it
// (two or three for the halftone palette).
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const Palette& pal);
  int Index(int r, int g, int b) const;
  int Index(ColorRef c) const { return Index(RedOf(c), GreenOf(c), BlueOf(c)); }

 private:
  static constexpr int kCellBits = 3;  // 8 levels per cell and channel
  static constexpr int kCells = 1 << (3 * (8 - kCellBits));
  struct Candidate {
    int32_t rgb[3];
    int32_t index;
  };
  static void Filter(const Candidate* from, const Candidate* end, const int lo[3], int step,
                     std::vector<Candidate>& out);
  std::vector<Candidate> entries_;  // candidate lists of all cells, back to back
  std::vector<uint32_t> start_;     // kCells + 1 offsets into entries_
};

}  // namespace raster
