#include <gtest/gtest.h>

#include <random>

#include "platform/raster/bitmap.h"
#include "platform/raster/errors.h"

using namespace raster;

namespace {

void Pattern(Bitmap& b, int w, int h) {
  b.SetPixelFormat(pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, Rgb(x * 40 % 256, y * 60 % 256, (x * y * 13) % 256));
}

}  // namespace

TEST(Bmp, RoundTripEveryFormat) {
  for (int format : {pfDevice, pf1bit, pf4bit, pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
    Bitmap b;
    Pattern(b, 7, 5);
    b.SetPixelFormat(format);
    auto bytes = b.SaveToBmp();
    ASSERT_EQ(bytes[0], 'B');
    Bitmap c;
    c.LoadFromBmp(bytes);
    EXPECT_EQ(c.Width(), 7);
    EXPECT_EQ(c.Height(), 5);
    EXPECT_EQ(c.PixelFormat(), format == pfDevice ? pf24bit : format) << format;
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 7; ++x) ASSERT_EQ(c.GetPixel(x, y), b.GetPixel(x, y)) << format;
  }
}

TEST(Bmp, TruncatedAndCorruptedNeverCrash) {
  Bitmap src;
    Pattern(src, 9, 6);
  src.SetPixelFormat(pf8bit);
  const auto good = src.SaveToBmp();
  std::mt19937 rng(7);
  for (int i = 0; i < 3000; ++i) {
    std::vector<uint8_t> bad = good;
    if (i % 2) bad.resize(rng() % good.size());
    int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips && !bad.empty(); ++f) bad[rng() % std::min<size_t>(bad.size(), 70)] = static_cast<uint8_t>(rng());
    Bitmap c;
    try {
      c.LoadFromBmp(bad);
    } catch (const RasterError&) {
    }
  }
}
