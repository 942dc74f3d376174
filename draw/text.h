// Text on a canvas and the list of installed fonts: the routines behind
// StringWrite, StringWidth, StringHeight and FontList.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "platform/raster/bitmap.h"

namespace zelnor {

// Draws `VarStr` with the reference point (the top-left corner of its first
// character cell) at (X1, Y1) in the canvas's font and text colour.  Sets the
// font's character set to 1 for good; BackTrans true draws the glyphs only,
// false fills every character cell with the background that the brush (set
// to solid for the call) gives.  The brush is restored afterwards and the
// current position moves to (X1 + text width, Y1).  Returns rcOK.
int32_t WriteString(int32_t X1, int32_t Y1, const std::string& VarStr, bool BackTrans,
                    raster::Bitmap& canvas);

// Width of a text (the sum of its characters' advances) and height (the
// font's cell height) in the canvas's font; the empty text is 0 wide.
int32_t StringWidthOf(const std::string& Value, raster::Bitmap& canvas);
int32_t StringHeightOf(const std::string& Value, raster::Bitmap& canvas);

// The installed typefaces' names: TrueType ones only when TTFOnlyFlag,
// without the vertical-writing "@" variants unless VetFontFlag.  SortFlag
// sorts them without regard to case and keeps the first of names that
// differ only in case; otherwise they keep the enumeration order,
// duplicates included.
std::vector<std::string> FontNames(bool SortFlag, bool TTFOnlyFlag, bool VetFontFlag);

}  // namespace zelnor
