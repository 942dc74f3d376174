// StretchBitmap: exact and thumbnail modes, fast and high quality.
#include <gtest/gtest.h>

#include "images.h"
#include "model/pixel_format.h"
#include "platform/raster/stretch_blt.h"
#include "platform/raster/surface.h"
#include "platform/raster/syscolors.h"
#include "stretchf/stretchf.h"

namespace {

using namespace stretch_test;
using raster::Bitmap;

constexpr raster::ColorRef kRed = 0x0000FF;

Image Part(const Image& im, int left, int top, int w, int h) {
  return MakeImage(w, h, [&](int x, int y, int c) { return im.at(left + x, top + y, c); });
}
Image Filled(int w, int h, raster::ColorRef colour) {
  return MakeImage(w, h, [&](int, int, int c) { return static_cast<int>((colour >> (16 - 8 * c)) & 0xFF); });
}
// The fast path's picture: the source drawn into a w x h bitmap.
Image NearestPixel(const Image& src, int w, int h) {
  Bitmap s, d;
  ToBitmap(src, s);
  d.SetSize(w, h);
  raster::StretchDraw(d, 0, 0, w, h, s, raster::kSrcCopy);
  return FromBitmap(d);
}
Image Scaled(const Image& src, int w, int h, bool hiq) {
  return hiq ? ReferenceResample(src, w, h) : NearestPixel(src, w, h);
}

Image Stretch(const Image& src, int nw, int nh, bool hiq, bool exact, raster::ColorRef brush = kRed,
              int* format = nullptr) {
  Bitmap b;
  ToBitmap(src, b);
  b.Canvas().SetBrushColor(brush);
  zelnor::StretchBitmap(nw, nh, hiq, b, exact);
  if (format) *format = zelnor::PixelFormatOf(b);
  return FromBitmap(b);
}

TEST(ThumbnailFit, OneLessThanTheTruncatedSideButNeverEmpty) {
  auto fit = [](int w, int h, int nw, int nh) {
    const zelnor::FitRect r = zelnor::ThumbnailFit(w, h, nw, nh);
    return std::vector<int>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(fit(640, 480, 160, 160), (std::vector<int>{0, 20, 160, 139}));
  EXPECT_EQ(fit(30, 90, 160, 40), (std::vector<int>{74, 0, 86, 40}));
  EXPECT_EQ(fit(1, 1000, 100, 100), (std::vector<int>{49, 0, 50, 100}));
  EXPECT_EQ(fit(1000, 1, 100, 100), (std::vector<int>{0, 49, 100, 50}));
  EXPECT_EQ(fit(0, 0, 30, 20), (std::vector<int>{0, 0, 30, 20}));
}

TEST(StretchBitmap, ThumbnailsAreCentredBetweenMarginsInTheBrushColour) {
  std::mt19937 rng(1);
  const Image wide = RandomImage(200, 100, rng), square = RandomImage(100, 100, rng);
  for (bool hiq : {false, true}) {
    int format = -1;
    const Image out = Stretch(wide, 100, 100, hiq, false, kRed, &format);
    EXPECT_EQ(Part(out, 0, 25, 100, 49), Scaled(wide, 100, 49, hiq)) << "hiq " << hiq;
    EXPECT_EQ(Part(out, 0, 0, 100, 25), Filled(100, 25, kRed));
    EXPECT_EQ(Part(out, 0, 74, 100, 26), Filled(100, 26, kRed));
    EXPECT_EQ(format, zelnor::pfDevice);
    // Into its own size the square loses a column to the margin.
    const Image same = Stretch(square, 100, 100, hiq, false);
    EXPECT_EQ(Part(same, 0, 0, 99, 100), Scaled(square, 99, 100, hiq));
    EXPECT_EQ(Part(same, 99, 0, 1, 100), Filled(1, 100, kRed));
    // 4 x 1000 into 300 x 100 would be 0 pixels wide; it keeps one column.
    const Image thin =
        Stretch(MakeImage(4, 1000, [](int x, int y, int) { return x * 60 + y % 3; }), 300, 100, hiq, false);
    EXPECT_NE(Part(thin, 149, 0, 1, 100), Filled(1, 100, kRed));
    EXPECT_EQ(Part(thin, 150, 0, 1, 100), Filled(1, 100, kRed));
  }
  // System colours are resolved; a palette index names a static colour.
  EXPECT_EQ(Stretch(wide, 10, 10, false, false, 0x80000001).at(0, 0, 2),
            raster::RedOf(raster::GetSysColor(1)));
  EXPECT_EQ(Stretch(wide, 10, 10, true, false, 0x01000001).at(0, 0, 2),
            raster::RedOf(raster::StaticColors()[1]));
}

TEST(StretchBitmap, ExactModes) {
  int format = -1;
  EXPECT_EQ(BlueValues(Stretch(Grey({10, 20, 30, 40}), 2, 1, true, true, kRed, &format)),
            (std::vector<int>{15, 35}));
  EXPECT_EQ(format, zelnor::pf24bit);
  std::mt19937 rng(4);
  const Image src = RandomImage(37, 23, rng);
  EXPECT_EQ(Stretch(src, 80, 11, false, true, kRed, &format), NearestPixel(src, 80, 11));
  EXPECT_EQ(format, zelnor::pfDevice);
  EXPECT_EQ(Stretch(src, 80, 11, true, true), ReferenceResample(src, 80, 11));
}

TEST(StretchBitmap, KeepsTheCanvasObjectAndItsDrawingState) {
  Bitmap b;
  ToBitmap(Grey({1, 2, 3}), b, zelnor::pf16bit);
  raster::Surface& surface = b.Canvas();
  surface.SetBrushColor(kRed);
  surface.SetCopyMode(0x00660046);
  for (bool hiq : {false, true})
    for (bool exact : {false, true}) {
      zelnor::StretchBitmap(7, 5, hiq, b, exact);
      EXPECT_EQ(&b.Canvas(), &surface);
      EXPECT_EQ(surface.BrushColor(), kRed);
      EXPECT_EQ(surface.CopyMode(), 0x00660046u);
    }
}

TEST(StretchBitmap, EmptyCanvas) {
  for (bool hiq : {false, true}) {
    Bitmap b;
    b.Canvas().SetBrushColor(kRed);
    zelnor::StretchBitmap(8, 6, hiq, b, false);
    EXPECT_EQ(FromBitmap(b), Filled(8, 6, kRed)) << "thumbnail: the box in the brush colour";
  }
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf8bit);
  zelnor::StretchBitmap(8, 6, true, b, true);
  EXPECT_TRUE(b.Empty()) << "high quality, exact: unchanged";
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf8bit);
  zelnor::StretchBitmap(8, 6, false, b, true);
  EXPECT_EQ(FromBitmap(b), Filled(8, 6, 0xFFFFFF)) << "fast, exact: a blank new picture";
}

TEST(StretchBitmap, RefusesSizesThatCannotBeMadeBeforeAnyChange) {
  Bitmap b;
  ToBitmap(Grey({1, 2, 3}), b, zelnor::pf8bit);
  EXPECT_THROW(zelnor::StretchBitmap(0, 5, true, b, true), std::invalid_argument);
  EXPECT_THROW(zelnor::StretchBitmap(100000, 100000, true, b, true), std::exception);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf8bit);
  EXPECT_EQ(b.Width(), 3);
}

}  // namespace
