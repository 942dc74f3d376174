#include "platform/raster/format_reference.h"

#include "platform/raster/pixel_access.h"
#include "platform/raster/rasterizer.h"

namespace raster::generic {

namespace {

// The channel masks of a direct-colour pixel: the table's, else the
// layout's, else those of B, G, R bytes.
struct Masks {
  uint32_t r, g, b;
};
Masks MasksOf(const PixelStorage& s) {
  const uint32_t* m = s.ops().masks;
  if (m[0] | m[1] | m[2]) return {m[0], m[1], m[2]};
  const PixelLayout& l = s.layout();
  if (l.red_mask | l.green_mask | l.blue_mask) return {l.red_mask, l.green_mask, l.blue_mask};
  return {0xFF0000, 0x00FF00, 0x0000FF};
}

uint8_t Blend(int dst, int src, int a) {
  return static_cast<uint8_t>((dst * (255 - a) + src * a + 127) / 255);
}

}  // namespace

// Pixel x covers bits x * bpp .. x * bpp + bpp - 1 of the row.  Pixels
// narrower than a byte fill it from the top bit down; wider ones are whole
// bytes, the least significant first.
uint32_t GetBits(const PixelStorage& s, int x, int y) {
  const int bpp = s.ops().bpp;
  const uint8_t* row = s.row(y);
  const int64_t bit = int64_t{x} * bpp;
  if (bpp < 8) return (row[bit / 8] >> (8 - bpp - bit % 8)) & s.ops().pixel_mask;
  uint32_t v = 0;
  for (int k = 0; k < bpp / 8; ++k) v |= static_cast<uint32_t>(row[bit / 8 + k]) << (8 * k);
  return v;
}

void SetBits(PixelStorage& s, int x, int y, uint32_t bits) {
  const int bpp = s.ops().bpp;
  uint8_t* row = s.row(y);
  const int64_t bit = int64_t{x} * bpp;
  if (bpp < 8) {
    const int shift = static_cast<int>(8 - bpp - bit % 8);
    const uint32_t m = s.ops().pixel_mask << shift;
    row[bit / 8] = static_cast<uint8_t>((row[bit / 8] & ~m) | ((bits << shift) & m));
    return;
  }
  for (int k = 0; k < bpp / 8; ++k) row[bit / 8 + k] = static_cast<uint8_t>(bits >> (8 * k));
}

ColorRef BitsToColor(const PixelStorage& s, uint32_t bits) {
  if (s.ops().palette_entries) return bits < s.palette().size() ? (s.palette()[bits] & 0xFFFFFF) : 0;
  const Masks m = MasksOf(s);
  return px::FromMasks(bits, m.r, m.g, m.b);
}

uint32_t ColorToBits(const PixelStorage& s, ColorRef rgb) {
  if (s.ops().palette_entries) return static_cast<uint32_t>(NearestPaletteIndex(s.palette(), rgb & 0xFFFFFF));
  const Masks m = MasksOf(s);
  return px::ToMasks(rgb, m.r, m.g, m.b);
}

void FillSpan(PixelStorage& s, int y, int x0, int x1, uint32_t bits) {
  for (int x = x0; x < x1; ++x) SetBits(s, x, y, bits);
}

void CopyPixels(const PixelStorage& src, int sx, int sy, PixelStorage& dst, int dx, int dy, int n) {
  for (int i = 0; i < n; ++i) SetBits(dst, dx + i, dy, GetBits(src, sx + i, sy));
}

void PickPixels(const PixelStorage& src, int sy, const int* columns, int n, PixelStorage& dst, int dx,
                int dy) {
  for (int i = 0; i < n; ++i) SetBits(dst, dx + i, dy, GetBits(src, columns[i], sy));
}

void SolidLine(PixelStorage& s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t bits) {
  BresenhamLine(x0, y0, x1, y1, s.width(), s.height(), [&](int64_t x, int64_t y, int64_t) {
    SetBits(s, static_cast<int>(x), static_cast<int>(y), bits);
  });
}

// Palette layouts take the text colour's entry where coverage reaches half;
// direct colour mixes each channel in proportion to the coverage.
void BlitCoverage(PixelStorage& s, const CoverageSpan& span, ColorRef rgb) {
  const bool palette = s.ops().palette_entries != 0;
  const uint32_t keep = s.ops().text_keeps;
  for (int y = span.y0; y < span.y1; ++y) {
    const uint8_t* cov = span.coverage + (y - span.y0) * span.stride;
    for (int x = span.x0; x < span.x1; ++x) {
      const int a = cov[x - span.x0];
      if (palette ? a < 128 : a == 0) continue;
      const uint32_t old = GetBits(s, x, y);
      const ColorRef d = BitsToColor(s, old);
      const ColorRef mixed = palette ? rgb
                                     : Rgb(Blend(RedOf(d), RedOf(rgb), a), Blend(GreenOf(d), GreenOf(rgb), a),
                                           Blend(BlueOf(d), BlueOf(rgb), a));
      SetBits(s, x, y, (old & keep) | (ColorToBits(s, mixed) & ~keep));
    }
  }
}

void MarkColorRow(const PixelStorage& s, int y, ColorRef rgb, uint8_t* mono_row) {
  for (int x = 0; x < s.width(); ++x)
    if (BitsToColor(s, GetBits(s, x, y)) == rgb) mono_row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
}

void PrepareNothing(const PixelStorage&, RowTables&) {}

const uint8_t* FetchBgr(const PixelStorage& s, const RowTables&, int y, uint8_t* scratch) {
  for (int x = 0; x < s.width(); ++x) px::PutBgr(scratch + 3 * x, BitsToColor(s, GetBits(s, x, y)));
  return scratch;
}

void StoreBgr(PixelStorage& s, RowTables&, int y, const uint8_t* bgr) {
  for (int x = 0; x < s.width(); ++x, bgr += 3) {
    const uint32_t bits =
        s.ops().palette_entries
            ? static_cast<uint32_t>(NearestPaletteIndex(
                  s.palette(), ConversionKey(s.ops().convert_by_cell, bgr[2], bgr[1], bgr[0])))
            : ColorToBits(s, Rgb(bgr[2], bgr[1], bgr[0]));
    SetBits(s, x, y, bits);
  }
}

}  // namespace raster::generic
