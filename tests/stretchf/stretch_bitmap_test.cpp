// StretchBitmap: exact and thumbnail modes, fast and high quality.
#include <gtest/gtest.h>

#include "images.h"
#include "platform/raster/stretch_blt.h"
#include "platform/raster/surface.h"
#include "platform/raster/syscolors.h"
#include "stretchf/stretchf.h"

namespace {

using namespace stretch_test;
using raster::Bitmap;
using raster::Rgb;

constexpr raster::ColorRef kRed = Rgb(255, 0, 0);

Image Rows(const Image& im, int top, int count) {
  return MakeImage(im.width, count, [&](int x, int y, int c) { return im.at(x, top + y, c); });
}
Image Columns(const Image& im, int left, int count) {
  return MakeImage(count, im.height, [&](int x, int y, int c) { return im.at(left + x, y, c); });
}
Image Filled(int w, int h, raster::ColorRef c) {
  return MakeImage(w, h, [&](int, int, int ch) {
    return static_cast<uint8_t>(ch == 0 ? raster::BlueOf(c) : ch == 1 ? raster::GreenOf(c) : raster::RedOf(c));
  });
}
// The fast path's picture: the source drawn into a w x h bitmap.
Image NearestPixel(const Image& src, int w, int h) {
  Bitmap s, d;
  ToBitmap(src, s);
  d.SetSize(w, h);
  raster::StretchDraw(d, 0, 0, w, h, s, raster::kSrcCopy);
  return FromBitmap(d);
}

struct Stretched {
  Image picture;
  int format;
};
Stretched Stretch(const Image& src, int nw, int nh, bool hiq, bool exact, raster::ColorRef brush = kRed) {
  Bitmap b;
  ToBitmap(src, b);
  b.Canvas().SetBrushColor(brush);
  zelnor::StretchBitmap(nw, nh, hiq, b, exact);
  return {FromBitmap(b), b.PixelFormat()};
}

TEST(ThumbnailFit, OneLessThanTheTruncatedSide) {
  auto fit = [](int w, int h, int nw, int nh) {
    const zelnor::FitRect r = zelnor::ThumbnailFit(w, h, nw, nh);
    return std::vector<int>{r.left, r.top, r.right, r.bottom};
  };
  EXPECT_EQ(fit(640, 480, 160, 160), (std::vector<int>{0, 20, 160, 139}));
  EXPECT_EQ(fit(200, 100, 100, 100), (std::vector<int>{0, 25, 100, 74}));
  EXPECT_EQ(fit(100, 100, 100, 100), (std::vector<int>{0, 0, 99, 100}));
  EXPECT_EQ(fit(30, 90, 160, 40), (std::vector<int>{74, 0, 86, 40}));
  // Extreme aspect ratios keep a side of at least one pixel.
  EXPECT_EQ(fit(1, 1000, 100, 100), (std::vector<int>{49, 0, 50, 100}));
  EXPECT_EQ(fit(1000, 1, 100, 100), (std::vector<int>{0, 49, 100, 50}));
  // No picture: the whole box.
  EXPECT_EQ(fit(0, 0, 30, 20), (std::vector<int>{0, 0, 30, 20}));
}

TEST(StretchBitmap, ThumbnailOfAWidePictureIsCentredBetweenMargins) {
  std::mt19937 rng(1);
  const Image src = RandomImage(200, 100, rng);
  for (bool hiq : {false, true}) {
    const Stretched out = Stretch(src, 100, 100, hiq, false);
    ASSERT_EQ(out.picture.width, 100);
    ASSERT_EQ(out.picture.height, 100);
    const Image scaled = hiq ? ReferenceResample(src, 100, 49) : NearestPixel(src, 100, 49);
    EXPECT_EQ(Rows(out.picture, 25, 49), scaled) << "hiq " << hiq;
    EXPECT_EQ(Rows(out.picture, 0, 25), Filled(100, 25, kRed));
    EXPECT_EQ(Rows(out.picture, 74, 26), Filled(100, 26, kRed));
    EXPECT_EQ(out.format, raster::pfDevice);
  }
}

TEST(StretchBitmap, ThumbnailOfASquareIntoItsOwnSizeLosesOneColumn) {
  std::mt19937 rng(2);
  const Image src = RandomImage(100, 100, rng);
  for (bool hiq : {false, true}) {
    const Stretched out = Stretch(src, 100, 100, hiq, false);
    const Image scaled = hiq ? ReferenceResample(src, 99, 100) : NearestPixel(src, 99, 100);
    EXPECT_EQ(Columns(out.picture, 0, 99), scaled);
    EXPECT_EQ(Columns(out.picture, 99, 1), Filled(1, 100, kRed));
  }
}

TEST(StretchBitmap, ThumbnailsEnlargeAndKeepThinPicturesVisible) {
  const Image src = MakeImage(4, 1000, [](int x, int y, int) { return static_cast<uint8_t>(x * 60 + y % 3); });
  for (bool hiq : {false, true}) {
    const Stretched out = Stretch(src, 300, 100, hiq, false);
    // 4 x 1000 into 300 x 100: a 0-wide image without the one-pixel floor.
    EXPECT_NE(Columns(out.picture, 149, 1), Filled(1, 100, kRed)) << "hiq " << hiq;
    EXPECT_EQ(Columns(out.picture, 150, 1), Filled(1, 100, kRed));
  }
  const Image small = MakeImage(3, 3, [](int x, int, int) { return static_cast<uint8_t>(x * 100); });
  EXPECT_EQ(Rows(Stretch(small, 50, 50, true, false).picture, 0, 50),
            [&] {
              Image want = Filled(50, 50, kRed);
              const Image scaled = ReferenceResample(small, 49, 50);
              for (int y = 0; y < 50; ++y)
                for (int x = 0; x < 49; ++x)
                  for (int c = 0; c < 3; ++c) want.at(x, y, c) = scaled.at(x, y, c);
              return want;
            }());
}

TEST(StretchBitmap, ExactModes) {
  const Image row = GreyRow({10, 20, 30, 40});
  const Stretched hiq = Stretch(row, 2, 1, true, true);
  EXPECT_EQ(BlueValues(hiq.picture), (std::vector<int>{15, 35}));
  EXPECT_EQ(hiq.format, raster::pf24bit);
  std::mt19937 rng(4);
  const Image src = RandomImage(37, 23, rng);
  const Stretched fast = Stretch(src, 80, 11, false, true);
  EXPECT_EQ(fast.picture, NearestPixel(src, 80, 11));
  EXPECT_EQ(fast.format, raster::pfDevice);
  EXPECT_EQ(Stretch(src, 80, 11, true, true).picture, ReferenceResample(src, 80, 11));
}

TEST(StretchBitmap, HighQualityReadsOtherFormatsAsTwentyFourBit) {
  std::mt19937 rng(6);
  Bitmap b;
  ToBitmap(RandomImage(50, 30, rng), b, raster::pf16bit);
  const Image as24 = FromBitmap(b);
  zelnor::StretchBitmap(20, 20, true, b, false);
  const zelnor::FitRect r = zelnor::ThumbnailFit(50, 30, 20, 20);
  ASSERT_EQ(r.right - r.left, 20);
  EXPECT_EQ(Rows(FromBitmap(b), r.top, r.bottom - r.top), ReferenceResample(as24, 20, r.bottom - r.top));
}

TEST(StretchBitmap, MarginsUseTheResolvedBrushColour) {
  const Image src = Filled(10, 5, 0);
  const raster::ColorRef desktop = raster::ResolveColor(0x80000001);
  EXPECT_EQ(Columns(Stretch(src, 10, 10, false, false, 0x80000001).picture, 0, 1).at(0, 0, 2),
            raster::RedOf(desktop));
  // A palette index names one of the 20 static colours.
  const Stretched indexed = Stretch(src, 10, 10, true, false, 0x01000001);
  EXPECT_EQ(indexed.picture.at(0, 0, 2), raster::RedOf(raster::StaticColors()[1]));
}

TEST(StretchBitmap, KeepsTheCanvasObjectAndItsDrawingState) {
  Bitmap b;
  ToBitmap(GreyRow({1, 2, 3}), b);
  raster::Surface& surface = b.Canvas();
  surface.SetBrushColor(kRed);
  surface.SetCopyMode(0x00660046);
  for (bool hiq : {false, true})
    for (bool exact : {false, true}) {
      zelnor::StretchBitmap(7, 5, hiq, b, exact);
      EXPECT_EQ(&b.Canvas(), &surface);
      EXPECT_EQ(surface.BrushColor(), kRed);
      EXPECT_EQ(surface.CopyMode(), 0x00660046u);
      EXPECT_EQ(b.PixelFormat(), hiq && exact ? raster::pf24bit : raster::pfDevice);
    }
}

TEST(StretchBitmap, EmptyCanvas) {
  for (bool hiq : {false, true}) {
    Bitmap b;
    b.SetPixelFormat(raster::pf24bit);
    b.Canvas().SetBrushColor(kRed);
    zelnor::StretchBitmap(8, 6, hiq, b, false);
    EXPECT_EQ(FromBitmap(b), Filled(8, 6, kRed)) << "thumbnail: the box in the brush colour";
  }
  Bitmap b;
  b.SetPixelFormat(raster::pf24bit);
  zelnor::StretchBitmap(8, 6, true, b, true);
  EXPECT_TRUE(b.Empty()) << "high quality, exact: unchanged";
  EXPECT_EQ(b.PixelFormat(), raster::pf24bit);
  zelnor::StretchBitmap(8, 6, false, b, true);
  EXPECT_EQ(FromBitmap(b), Filled(8, 6, Rgb(255, 255, 255))) << "fast, exact: a blank new picture";
}

TEST(StretchBitmap, RefusesSizesThatCannotBeMadeBeforeAnyChange) {
  Bitmap b;
  ToBitmap(GreyRow({1, 2, 3}), b, raster::pf8bit);
  EXPECT_THROW(zelnor::StretchBitmap(0, 5, true, b, true), std::invalid_argument);
  EXPECT_THROW(zelnor::StretchBitmap(100000, 100000, true, b, true), std::exception);
  EXPECT_EQ(b.PixelFormat(), raster::pf8bit);
  EXPECT_EQ(b.Width(), 3);
}

}  // namespace
