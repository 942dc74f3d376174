#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <iterator>
#include <random>

#include "effects/ZelnorEffects.h"
#include "model/pixel_format.h"
#include "model/result_codes.h"

using namespace zelnor;
using raster::Bitmap;
using raster::Rgb;

namespace {

void Make(Bitmap& b, int w, int h, raster::ColorRef fill = Rgb(0, 0, 0)) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, fill);
}

int Blue(const Bitmap& b, int x, int y) { return b.ScanLine(y)[3 * x]; }

int32_t Custom(const int32_t (&k)[9], int32_t bias, int32_t divisor, Bitmap& b) {
  return CustomFilterBitmap(k[0], k[1], k[2], k[3], k[4], k[5], k[6], k[7], k[8], bias, divisor, b);
}

void FillRandom(Bitmap& b, std::mt19937& rng) {
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int i = 0; i < 3 * b.Width(); ++i) row[i] = static_cast<uint8_t>(rng());
  }
}

}  // namespace

TEST(Filters, FlatImagesStayFlat) {
  for (auto filter : {&SharpBitmap, &DullBitmap}) {
    Bitmap b;
    Make(b, 40, 5, Rgb(17, 140, 250));
    ASSERT_EQ(filter(b), rcOK);
    for (int y = 0; y < 5; ++y)
      for (int x = 0; x < 40; ++x) ASSERT_EQ(b.GetPixel(x, y), Rgb(17, 140, 250));
  }
}

TEST(Filters, SinglePointThroughBlurAndSharpen) {
  Bitmap b;
  Make(b, 40, 7);
  b.SetPixel(20, 3, Rgb(255, 255, 255));
  ASSERT_EQ(DullBitmap(b), rcOK);
  for (int y = 2; y <= 4; ++y)
    for (int x = 19; x <= 21; ++x) EXPECT_EQ(b.GetPixel(x, y), Rgb(28, 28, 28)) << x << "," << y;
  EXPECT_EQ(b.GetPixel(22, 3), Rgb(0, 0, 0));

  Make(b, 40, 7);
  b.SetPixel(20, 3, Rgb(255, 255, 255));
  ASSERT_EQ(SharpBitmap(b), rcOK);
  EXPECT_EQ(b.GetPixel(20, 3), Rgb(255, 255, 255));
  EXPECT_EQ(b.GetPixel(21, 3), Rgb(0, 0, 0));
  EXPECT_EQ(b.GetPixel(19, 2), Rgb(0, 0, 0));
}

TEST(Filters, SharpenAcrossAVerticalEdge) {
  Bitmap b;
  Make(b, 64, 4, Rgb(100, 100, 100));
  for (int y = 0; y < 4; ++y)
    for (int x = 32; x < 64; ++x) b.SetPixel(x, y, Rgb(200, 200, 200));
  ASSERT_EQ(SharpBitmap(b), rcOK);
  for (int y = 0; y < 4; ++y) {
    EXPECT_EQ(Blue(b, 31, y), 81);
    EXPECT_EQ(Blue(b, 32, y), 218);
    EXPECT_EQ(Blue(b, 30, y), 100);
    EXPECT_EQ(Blue(b, 33, y), 200);
  }
}

TEST(CustomFilter, IdentityShiftAndNegative) {
  std::mt19937 rng(1);
  Bitmap b, orig;
  Make(b, 37, 6);
  FillRandom(b, rng);
  orig.Assign(b);
  ASSERT_EQ(Custom({0, 0, 0, 0, 1, 0, 0, 0, 0}, 0, 1, b), rcOK);
  EXPECT_EQ(b.SaveToBmp(), orig.SaveToBmp());

  ASSERT_EQ(Custom({0, 0, 0, 0, 0, 0, 0, 1, 0}, 0, 1, b), rcOK);  // up one row, last row repeated
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 37; ++x) ASSERT_EQ(b.GetPixel(x, y), orig.GetPixel(x, std::min(y + 1, 5)));

  b.Assign(orig);
  ASSERT_EQ(Custom({0, 0, 0, 0, -1, 0, 0, 0, 0}, 255, 1, b), rcOK);
  for (int x = 0; x < 37; ++x) ASSERT_EQ(Blue(b, x, 2), 255 - Blue(orig, x, 2));

  Make(b, 20, 2, Rgb(3, 3, 3));
  ASSERT_EQ(Custom({0, 0, 0, 0, -1, 0, 0, 0, 0}, 255, 2, b), rcOK);  // -3 / 2 = -1
  EXPECT_EQ(b.GetPixel(10, 1), Rgb(254, 254, 254));
}

TEST(CustomFilter, ArgumentsReducedToTheirLowBits) {
  Bitmap b;
  Make(b, 20, 3, Rgb(9, 50, 200));
  // 65537 is weight 1, 257 is divisor 1: the identity.
  ASSERT_EQ(Custom({0, 0, 0, 0, 65537, 0, 0, 0, 0}, 0, 257, b), rcOK);
  EXPECT_EQ(b.GetPixel(5, 1), Rgb(9, 50, 200));
  // 65535 is weight -1; divisor -1 is 255.
  ASSERT_EQ(Custom({0, 0, 0, 0, 65535, 0, 0, 0, 0}, 255, 1, b), rcOK);
  EXPECT_EQ(b.GetPixel(5, 1), Rgb(246, 205, 55));
  ASSERT_EQ(Custom({0, 0, 0, 0, 255, 0, 0, 0, 0}, 0, -1, b), rcOK);
  EXPECT_EQ(b.GetPixel(5, 1), Rgb(246, 205, 55));
}

TEST(CustomFilter, RefusalsAndTheirOutcome) {
  Bitmap b;
  Make(b, 4, 4, Rgb(1, 2, 3));
  zelnor::SetPixelFormat(b, zelnor::pf8bit);
  EXPECT_EQ(Custom({0, 0, 0, 0, 1, 0, 0, 0, 0}, 256, 1, b), rcInvalidArgument);
  EXPECT_EQ(Custom({0, 0, 0, 0, 1, 0, 0, 0, 0}, -1, 1, b), rcInvalidArgument);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf8bit);
  EXPECT_EQ(Custom({0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, b), rcNoInput);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf24bit);  // converted, picture kept
  EXPECT_EQ(Custom({0, 0, 0, 0, 1, 0, 0, 0, 0}, 0, 256, b), rcNoInput);

  Bitmap empty;
  zelnor::SetPixelFormat(empty, zelnor::pf24bit);
  EXPECT_EQ(Custom({0, 0, 0, 0, 0, 0, 0, 0, 0}, 0, 0, empty), rcOK);
  EXPECT_TRUE(empty.Empty());
  EXPECT_EQ(DullBitmap(empty), rcOK);
}

// The vector and reciprocal paths against the plain per-channel loop, for
// small kernels (16-bit sums) and large ones (32-bit sums), every divisor
// kind and widths around the vector lengths.
TEST(Convolve3x3, FastPathsMatchTheReference) {
  std::mt19937 rng(42);
  std::uniform_int_distribution<int> small_w(-14, 14), big_w(-32768, 32767), divisor(1, 255);
  for (int trial = 0; trial < 61; ++trial) {
    Kernel3x3 k;
    const bool big = trial % 3 == 2;
    for (auto& w : k.k) w = static_cast<int16_t>(big ? big_w(rng) : small_w(rng));
    if (trial == 56 || trial == 59) std::fill(std::begin(k.k), std::end(k.k), trial == 56 ? 32767 : -32768);
    k.divisor = static_cast<uint8_t>(trial % 5 == 0 ? (1 << (trial % 8)) : divisor(rng));
    k.bias = static_cast<uint8_t>(rng());
    // Tiny canvases (every tap the one pixel), common widths, and one canvas
    // large enough to be split over two threads.
    int w = 1 + trial % 3, h = 1 + static_cast<int>(rng() % 5);
    if (trial >= 3) w = 1 + static_cast<int>(rng() % 70);
    if (trial == 60) w = 700, h = 300;
    Bitmap b;
    Make(b, w, h);
    FillRandom(b, rng);
    const raster::PixelStorage want = reference::Convolve3x3(k, b.Storage());
    ASSERT_EQ(Convolve3x3(k, b), rcOK);
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(0, std::memcmp(b.ScanLine(y), want.row(y), static_cast<size_t>(3 * w)))
          << "trial " << trial << " row " << y;
  }
}

// Narrow and tall canvases: the one-pixel column walk and the edge pixels
// against the plain loop, with small and large kernels, the first and last
// rows repeated, and a column long enough to be split between threads
// (each part must start from the pixels above it, not from its own first).
TEST(Convolve3x3, NarrowTallCanvasesMatchTheReference) {
  std::mt19937 rng(7);
  std::uniform_int_distribution<int> small_w(-14, 14), big_w(-32768, 32767), divisor(1, 255);
  const int widths[] = {1, 2, 3, 5, 7, 1};
  for (int trial = 0; trial < 12; ++trial) {
    Kernel3x3 k;
    const bool big = trial % 2 == 1;
    for (auto& wt : k.k) wt = static_cast<int16_t>(big ? big_w(rng) : small_w(rng));
    k.divisor = static_cast<uint8_t>(divisor(rng));
    k.bias = static_cast<uint8_t>(rng());
    const bool split = trial >= 10;
    const int w = widths[trial % 6], h = split ? 200000 : 1000 + static_cast<int>(rng() % 4000);
    if (split) {
      // A weighted mean: every tap shows in the result, none saturates.
      int total = 0;
      for (auto& wt : k.k) total += wt = static_cast<int16_t>(1 + rng() % 14);
      k.divisor = static_cast<uint8_t>(std::min(total, 255));
      k.bias = 0;
    }
    Bitmap b;
    Make(b, w, h);
    FillRandom(b, rng);
    const raster::PixelStorage want = reference::Convolve3x3(k, b.Storage());
    ASSERT_EQ(Convolve3x3(k, b), rcOK);
    for (int y = 0; y < h; ++y)
      ASSERT_EQ(0, std::memcmp(b.ScanLine(y), want.row(y), static_cast<size_t>(3 * w)))
          << "trial " << trial << " width " << w << " row " << y;
  }
}
