// The six 8 x 8 hatch patterns of hatched brushes.  They repeat every 8
// columns from the bitmap's left edge and every 8 rows from its top row (the
// host's brush origin is the top-left corner), for figure fills, flood
// fills, the resize fill and pattern blits alike; only the blits that apply
// the pattern to the source first shift its rows (see blit.h).  A set bit is
// a hatch-line pixel (drawn in the brush colour); a clear bit is a gap
// (background colour when opaque, untouched otherwise).
#pragma once
#include <cstdint>

#include "platform/raster/surface.h"

namespace raster {

// Rows top to bottom; bit 0x80 is column 0.
inline constexpr uint8_t kHatchRows[6][8] = {
    {0x00, 0x00, 0x00, 0xFF, 0x00, 0x00, 0x00, 0x00},  // bsHorizontal
    {0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08, 0x08},  // bsVertical
    {0x80, 0x40, 0x20, 0x10, 0x08, 0x04, 0x02, 0x01},  // bsFDiagonal
    {0x01, 0x02, 0x04, 0x08, 0x10, 0x20, 0x40, 0x80},  // bsBDiagonal
    {0x08, 0x08, 0x08, 0xFF, 0x08, 0x08, 0x08, 0x08},  // bsCross
    {0x81, 0x42, 0x24, 0x18, 0x18, 0x24, 0x42, 0x81},  // bsDiagCross
};

// The pattern row that bitmap row y uses when the pattern's row 0 falls on
// row `origin` (0 for the brush origin at the top-left corner).
inline int HatchRow(int64_t y, int64_t origin = 0) { return static_cast<int>(((y - origin) % 8 + 8) % 8); }

// True where a hatched brush of `style` paints a hatch line at pattern row
// `row` (see HatchRow) and column x.
inline bool HatchBit(BrushStyle style, int x, int row) {
  return (kHatchRows[style - bsHorizontal][row & 7] >> (7 - (x & 7))) & 1;
}

}  // namespace raster
