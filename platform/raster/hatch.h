// The six 8 x 8 hatch patterns of hatched brushes.  They repeat every 8 rows
// counted from the bitmap's bottom row, as bottom-up device bitmaps align
// them, and every 8 columns from its left edge.  A set bit is a hatch-line pixel (drawn in the brush colour);
// a clear bit is a gap (background colour when opaque, untouched otherwise).
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

// The pattern row that bitmap row y of a bitmap `height` rows tall uses.
inline int HatchRow(int y, int height) { return ((y - height) % 8 + 8) % 8; }

// True where a hatched brush of `style` paints a hatch line at pattern row
// `row` (see HatchRow) and column x.
inline bool HatchBit(BrushStyle style, int x, int row) {
  return (kHatchRows[style - bsHorizontal][row & 7] >> (7 - (x & 7))) & 1;
}

}  // namespace raster
