// Pixel-format change. Every layout is read row by row into B, G, R bytes and
// written out again in the new layout through the two layouts' tables;
// ConvertStorageSlow does the same through their reference tables, which the
// fast ones must match byte for byte.
#include <cstring>
#include <vector>

#include "platform/raster/bitmap.h"

namespace raster {

Palette DefaultPaletteFor(int bits) {
  const FormatOps* ops = SelectFormatOps(PixelLayout{bits});
  return ops ? ops->default_palette() : Palette();
}

namespace {

// Same layout and colour table: the stored bytes carry over unchanged.
bool CopyIfSameLayout(const PixelStorage& src, PixelStorage& dst) {
  if (!src.SameColours(dst)) return false;
  for (int y = 0; y < src.height(); ++y)
    std::memcpy(dst.row(y), src.row(y), static_cast<size_t>(src.stride()));
  return true;
}

PixelStorage Convert(const PixelStorage& src, const PixelLayout& layout, const Palette& palette, bool slow) {
  PixelStorage dst(src.width(), src.height(), layout, palette);
  if (src.empty() || CopyIfSameLayout(src, dst)) return dst;
  const FormatOps& in = slow ? ReferenceOf(src.ops()) : src.ops();
  const FormatOps& out = slow ? ReferenceOf(dst.ops()) : dst.ops();
  RowTables read, write;
  in.prepare_fetch(src, read);
  out.prepare_store(dst, write);
  std::vector<uint8_t> scratch(static_cast<size_t>(src.width()) * 3);
  for (int y = 0; y < src.height(); ++y)
    out.store_bgr(dst, write, y, in.fetch_bgr(src, read, y, scratch.data()));
  return dst;
}

}  // namespace

PixelStorage ConvertStorage(const PixelStorage& src, const PixelLayout& layout, const Palette& palette) {
  return Convert(src, layout, palette, false);
}

PixelStorage ConvertStorageSlow(const PixelStorage& src, const PixelLayout& layout, const Palette& palette) {
  return Convert(src, layout, palette, true);
}

}  // namespace raster
