#include "platform/raster/stretch_blt.h"

#include <gtest/gtest.h>

#include <climits>

#include "model/pixel_format.h"
#include "platform/raster/surface.h"
#include "reference_png.h"

namespace {

using raster::Bitmap;
using raster::Rgb;

// A 24-bit picture whose pixel (x, y) is Rgb(x, y, 7): every pixel tells
// where it came from.
void MakeCoordinates(Bitmap& b, int w, int h) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, Rgb(x, y, 7));
}
void MakeWhite(Bitmap& b, int w, int h) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
}

// The host's pictures of scaled draws onto a white 64 x 64 canvas:
// enlarging, mirrored on each axis, clipped, and through SRCINVERT.
TEST(StretchDraw, MatchesTheReferencePictures) {
  if (!testing_support::ReferenceAvailable())
    GTEST_SKIP() << "no reference pictures at " << testing_support::ReferenceFolder();
  struct Case {
    const char* name;
    const char* source;
    int x1, y1, x2, y2;
    uint32_t rop;
  };
  for (const Case& c : {Case{"sd_ratio", "src_small.bmp", 3, 3, 50, 37, raster::kSrcCopy},
                        Case{"sd_mirrorx", "src_bars.bmp", 60, 5, 4, 40, raster::kSrcCopy},
                        Case{"sd_mirrory", "src_grad.bmp", 5, 60, 60, 4, raster::kSrcCopy},
                        Case{"sd_clip", "src_bars.bmp", -20, -10, 40, 50, raster::kSrcCopy},
                        Case{"sd_srcinvert", "src_grad.bmp", 4, 4, 60, 60, 0x00660046}}) {
    Bitmap src, dst;
    testing_support::LoadSource(c.source, src);
    MakeWhite(dst, 64, 64);
    if (std::string(c.name) == "sd_srcinvert")
      for (int i = 0; i < 64; ++i) dst.SetPixel(i, i, 0);  // the case's diagonal line
    raster::StretchDraw(dst, c.x1, c.y1, c.x2, c.y2, src, c.rop);
    EXPECT_DOUBLE_EQ(testing_support::PercentLikeReference(c.name, dst), 100.0) << c.name;
  }
}

// Reducing, source pixel s falls on the destination pixel whose span holds
// its centre: a column keeps the last source column falling on it, a row
// the first source row.
TEST(StretchDraw, ReducesToTheLastColumnAndTheFirstRowFallingOnEachPixel) {
  Bitmap src, dst;
  MakeCoordinates(src, 10, 10);
  MakeWhite(dst, 4, 4);
  raster::StretchDraw(dst, 0, 0, 4, 4, src, raster::kSrcCopy);
  const int want_x[] = {2, 4, 7, 9}, want_y[] = {0, 3, 5, 8};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(raster::RedOf(dst.GetPixel(k, 0)), want_x[k]);
    EXPECT_EQ(raster::GreenOf(dst.GetPixel(0, k)), want_y[k]);
  }
}

TEST(StretchDraw, ClipsHugeRectanglesAndDrawsNothingForEmptyOnes) {
  Bitmap src, dst, empty;
  MakeCoordinates(src, 4, 4);
  MakeWhite(dst, 6, 6);
  raster::StretchDraw(dst, 10, 0, 20, 6, src, raster::kSrcCopy);
  raster::StretchDraw(dst, 2, 0, 2, 6, src, raster::kSrcCopy);
  raster::StretchDraw(dst, 0, 0, 6, 6, empty, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(3, 3), 0xFFFFFFu);
  // At the ends of the integer range: the visible part lies at the start of
  // the first rectangle and in the middle of the second.
  raster::StretchDraw(dst, 0, 0, INT_MAX, INT_MAX, src, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(5, 5), Rgb(0, 0, 7));
  raster::StretchDraw(dst, INT_MAX, INT_MAX, INT_MIN, INT_MIN, src, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(0, 0), Rgb(1, 1, 7));
  // Onto itself: every pixel is read before any is written.
  raster::StretchDraw(src, 0, 0, 8, 8, src, raster::kSrcCopy);
  EXPECT_EQ(src.GetPixel(3, 1), Rgb(1, 0, 7));
}

TEST(StretchDraw, ConvertsBetweenPixelFormats) {
  Bitmap mono, dst;
  zelnor::SetPixelFormat(mono, zelnor::pf1bit);
  mono.SetSize(2, 1);
  mono.SetPixel(0, 0, 0);
  MakeCoordinates(dst, 4, 1);
  raster::StretchDraw(dst, 0, 0, 4, 1, mono, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(1, 0), 0u);
  EXPECT_EQ(dst.GetPixel(2, 0), 0xFFFFFFu);
  // 24-bit onto an 8-bit picture: the nearest colours of its palette.
  Bitmap eight;
  zelnor::SetPixelFormat(eight, zelnor::pf8bit);
  eight.SetSize(4, 1);
  dst.SetPixel(0, 0, Rgb(250, 2, 3));
  raster::StretchDraw(eight, 0, 0, 4, 1, dst, raster::kSrcCopy);
  EXPECT_EQ(eight.GetPixel(0, 0), Rgb(255, 0, 0));
  EXPECT_EQ(zelnor::PixelFormatOf(eight), zelnor::pf8bit);
}

}  // namespace
