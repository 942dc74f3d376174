// Glyph coverage blended onto bitmaps of each storage kind.
#include "platform/raster/text_blit.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"

namespace raster {
namespace {

std::unique_ptr<Bitmap> WhiteBitmap(int format, int w = 4, int h = 3) {
  auto owned = std::make_unique<Bitmap>();
  Bitmap& b = *owned;
  zelnor::SetPixelFormat(b, format);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, Rgb(255, 255, 255));
  return owned;
}

// One row of coverage 0, 64, 128, 255.
const std::vector<uint8_t> kRamp = {0, 64, 128, 255};
CoverageMask Ramp() { return {kRamp.data(), 4, 1, 4}; }

TEST(TextBlit, BlendsByCoverageOnDirectColourBitmaps) {
  for (int format : {zelnor::pf24bit, zelnor::pf32bit, zelnor::pf16bit}) {
    const auto owned = WhiteBitmap(format);
    Bitmap& b = *owned;
    BlitCoverage(b, 0, 1, Ramp(), Rgb(0, 0, 0));
    EXPECT_EQ(b.GetPixel(0, 1), Rgb(255, 255, 255)) << format;
    EXPECT_EQ(b.GetPixel(3, 1), Rgb(0, 0, 0)) << format;
    EXPECT_EQ(b.GetPixel(0, 0), Rgb(255, 255, 255)) << format;
    if (format == zelnor::pf16bit) continue;  // 5-6-5 storage rounds the blend
    // 255 * (255 - a) / 255, rounded: a = 64 gives 191, a = 128 gives 127.
    EXPECT_EQ(b.GetPixel(1, 1), Rgb(191, 191, 191)) << format;
    EXPECT_EQ(b.GetPixel(2, 1), Rgb(127, 127, 127)) << format;
  }
}

TEST(TextBlit, PaletteBitmapsGetPlainGlyphs) {
  for (int format : {zelnor::pf8bit, zelnor::pf4bit, zelnor::pf1bit}) {
    const auto owned = WhiteBitmap(format);
    Bitmap& b = *owned;
    BlitCoverage(b, 0, 0, Ramp(), Rgb(0, 0, 0));
    EXPECT_EQ(b.GetPixel(0, 0), Rgb(255, 255, 255)) << format;
    EXPECT_EQ(b.GetPixel(1, 0), Rgb(255, 255, 255)) << format;  // below half: untouched
    EXPECT_EQ(b.GetPixel(2, 0), Rgb(0, 0, 0)) << format;        // half and more: the colour
    EXPECT_EQ(b.GetPixel(3, 0), Rgb(0, 0, 0)) << format;
  }
}

TEST(TextBlit, ClipsAtEveryEdge) {
  const auto owned = WhiteBitmap(zelnor::pf24bit);
  Bitmap& b = *owned;
  const std::vector<uint8_t> full(9, 255);
  const CoverageMask block{full.data(), 3, 3, 3};
  BlitCoverage(b, -2, -2, block, Rgb(255, 0, 0));  // only (0, 0) lands
  BlitCoverage(b, 3, 2, block, Rgb(0, 0, 255));    // only (3, 2) lands
  BlitCoverage(b, INT64_MAX - 1, 0, block, Rgb(0, 0, 0));
  BlitCoverage(b, INT64_MIN + 1, INT64_MIN + 1, block, Rgb(0, 0, 0));
  int red = 0, blue = 0;
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x)
      red += b.GetPixel(x, y) == Rgb(255, 0, 0), blue += b.GetPixel(x, y) == Rgb(0, 0, 255);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(b.GetPixel(3, 2), Rgb(0, 0, 255));
  EXPECT_EQ(red, 1);
  EXPECT_EQ(blue, 1);
  Bitmap empty;
  BlitCoverage(empty, 0, 0, block, 0);  // nothing to draw on
}

}  // namespace
}  // namespace raster
