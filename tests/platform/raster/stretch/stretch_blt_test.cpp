#include "platform/raster/stretch_blt.h"

#include <gtest/gtest.h>

#include <climits>

#include "platform/raster/surface.h"
#include "reference_png.h"

namespace {

using raster::Bitmap;
using raster::ColorRef;
using raster::Rgb;

// A 24-bit picture whose pixel (x, y) is Rgb(x, y, 7): every pixel tells
// where it came from.
void MakeCoordinates(Bitmap& b, int w, int h, int format = raster::pf24bit) {
  b.SetPixelFormat(format);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, Rgb(x, y, 7));
}

void MakeWhite(Bitmap& b, int w, int h) {
  b.SetPixelFormat(raster::pf24bit);
  b.SetSize(w, h);
}

int SourceX(const Bitmap& b, int x, int y) { return raster::RedOf(b.GetPixel(x, y)); }
int SourceY(const Bitmap& b, int x, int y) { return raster::GreenOf(b.GetPixel(x, y)); }

TEST(StretchDraw, EnlargesByPixelRepetitionWithCentredRounding) {
  Bitmap src, dst;
  MakeCoordinates(src, 3, 2);
  MakeWhite(dst, 8, 4);
  raster::StretchDraw(dst, 1, 0, 7, 4, src, raster::kSrcCopy);
  // 3 -> 6 columns: each twice; 2 -> 4 rows: each twice.
  const int want_x[] = {0, 0, 1, 1, 2, 2};
  for (int k = 0; k < 6; ++k) EXPECT_EQ(SourceX(dst, 1 + k, 0), want_x[k]) << k;
  for (int y = 0; y < 4; ++y) EXPECT_EQ(SourceY(dst, 3, y), y / 2);
  EXPECT_EQ(dst.GetPixel(0, 0), 0xFFFFFFu) << "outside the rectangle";
  EXPECT_EQ(dst.GetPixel(7, 0), 0xFFFFFFu) << "x2 itself is not covered";
}

TEST(StretchDraw, ReducesSamplingNearTheFarEdgeOfEachPixel) {
  Bitmap src, dst;
  MakeCoordinates(src, 10, 10);
  MakeWhite(dst, 4, 4);
  raster::StretchDraw(dst, 0, 0, 4, 4, src, raster::kSrcCopy);
  // Columns sample near the right edge, rows near the top edge.
  const int want_x[] = {1, 4, 6, 9};
  const int want_y[] = {0, 3, 5, 8};
  for (int k = 0; k < 4; ++k) {
    EXPECT_EQ(SourceX(dst, k, 0), want_x[k]);
    EXPECT_EQ(SourceY(dst, 0, k), want_y[k]);
  }
  MakeCoordinates(src, 2, 2);
  raster::StretchDraw(dst, 0, 0, 1, 1, src, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(0, 0), Rgb(1, 0, 7));
}

TEST(StretchDraw, MirrorsFromTheFirstCornerExcludingTheSecond) {
  Bitmap src, dst;
  MakeCoordinates(src, 3, 3);
  MakeWhite(dst, 5, 5);
  raster::StretchDraw(dst, 3, 4, 0, 1, src, raster::kSrcCopy);
  // Columns 3, 2, 1 take 0, 1, 2; rows 4, 3, 2 take 0, 1, 2.
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(SourceX(dst, 3 - k, 2), k);
    EXPECT_EQ(SourceY(dst, 2, 4 - k), k);
  }
  EXPECT_EQ(dst.GetPixel(0, 2), 0xFFFFFFu);
  EXPECT_EQ(dst.GetPixel(2, 1), 0xFFFFFFu);
}

TEST(StretchDraw, ClipsToTheDestinationEvenForHugeRectangles) {
  Bitmap src, dst;
  MakeCoordinates(src, 4, 4);
  MakeWhite(dst, 6, 6);
  raster::StretchDraw(dst, -4, -4, 8, 8, src, raster::kSrcCopy);  // 3x scale, shifted
  EXPECT_EQ(SourceX(dst, 0, 0), 1);
  EXPECT_EQ(SourceX(dst, 5, 5), 3);
  // Coordinates at the ends of the integer range finish at once: the visible
  // part lies at the start of the first rectangle, in the middle of the second.
  raster::StretchDraw(dst, 0, 0, INT_MAX, INT_MAX, src, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(5, 5), Rgb(0, 0, 7));
  raster::StretchDraw(dst, INT_MAX, INT_MAX, INT_MIN, INT_MIN, src, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(0, 0), Rgb(1, 1, 7));
}

TEST(StretchDraw, EmptySourceOrRectangleDrawsNothing) {
  Bitmap empty, src, dst;
  MakeCoordinates(src, 4, 4);
  MakeWhite(dst, 4, 4);
  raster::StretchDraw(dst, 0, 0, 4, 4, empty, raster::kSrcCopy);
  raster::StretchDraw(dst, 2, 0, 2, 4, src, raster::kSrcCopy);
  raster::StretchDraw(dst, 10, 10, 20, 20, src, raster::kSrcCopy);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) EXPECT_EQ(dst.GetPixel(x, y), 0xFFFFFFu);
}

TEST(StretchDraw, ConvertsBetweenPixelFormats) {
  Bitmap src, dst;
  src.SetPixelFormat(raster::pf1bit);
  src.SetSize(2, 1);
  src.SetPixel(0, 0, Rgb(0, 0, 0));
  src.SetPixel(1, 0, Rgb(255, 255, 255));
  MakeCoordinates(dst, 4, 1, raster::pf24bit);
  raster::StretchDraw(dst, 0, 0, 4, 1, src, raster::kSrcCopy);
  EXPECT_EQ(dst.GetPixel(1, 0), 0u);
  EXPECT_EQ(dst.GetPixel(2, 0), 0xFFFFFFu);
  // 24-bit onto an 8-bit picture: nearest colours of its palette.
  Bitmap eight;
  eight.SetPixelFormat(raster::pf8bit);
  eight.SetSize(4, 1);
  MakeCoordinates(src, 1, 1);
  src.SetPixel(0, 0, Rgb(250, 2, 3));
  raster::StretchDraw(eight, 0, 0, 4, 1, src, raster::kSrcCopy);
  EXPECT_EQ(eight.GetPixel(3, 0), Rgb(255, 0, 0));
  EXPECT_EQ(eight.PixelFormat(), raster::pf8bit);
}

TEST(StretchDraw, OtherRasterOperationsCombineWithTheDestination) {
  Bitmap src, dst;
  MakeCoordinates(src, 2, 2);
  MakeWhite(dst, 4, 4);
  raster::StretchDraw(dst, 0, 0, 4, 4, src, 0x00660046);  // SRCINVERT
  EXPECT_EQ(dst.GetPixel(3, 3), Rgb(255 ^ 1, 255 ^ 1, 255 ^ 7));
  raster::StretchDraw(dst, 0, 0, 4, 4, src, 0x00660046);
  EXPECT_EQ(dst.GetPixel(3, 3), 0xFFFFFFu) << "a second xor restores";
}

// The host's pictures of scaled draws onto a white 64 x 64 canvas.
TEST(StretchDraw, MatchesTheReferencePictures) {
  struct Case {
    const char* name;
    const char* source;
    int x1, y1, x2, y2;
    uint32_t rop;
  };
  const Case cases[] = {
      {"sd_ratio", "src_small.bmp", 3, 3, 50, 37, raster::kSrcCopy},
      {"sd_mirrorx", "src_bars.bmp", 60, 5, 4, 40, raster::kSrcCopy},
      {"sd_mirrory", "src_grad.bmp", 5, 60, 60, 4, raster::kSrcCopy},
      {"sd_clip", "src_bars.bmp", -20, -10, 40, 50, raster::kSrcCopy},
      {"sd_srcinvert", "src_grad.bmp", 4, 4, 60, 60, 0x00660046},
  };
  for (const Case& c : cases) {
    Bitmap src, dst, expected;
    testing_support::LoadSource(c.source, src);
    MakeWhite(dst, 64, 64);
    if (std::string(c.name) == "sd_srcinvert")
      for (int i = 0; i < 64; ++i) dst.SetPixel(i, i, 0);  // the case's diagonal line
    raster::StretchDraw(dst, c.x1, c.y1, c.x2, c.y2, src, c.rop);
    ASSERT_TRUE(testing_support::LoadPng(testing_support::ReferenceDir() + "/expected/" + c.name + ".png", expected));
    const double score = testing_support::PercentEqual(expected, dst);
    RecordProperty(c.name, std::to_string(score));
    EXPECT_DOUBLE_EQ(score, 100.0) << c.name;
  }
}

}  // namespace
