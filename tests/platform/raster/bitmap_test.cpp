#include "platform/raster/bitmap.h"

#include <gtest/gtest.h>

#include "model/pixel_format.h"
#include "platform/raster/errors.h"
#include "platform/raster/surface.h"

using namespace raster;

namespace {

void Make24(Bitmap& b, int w, int h) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
}

}  // namespace

TEST(Bitmap, NewBitmapIsEmptyDeviceFormat) {
  Bitmap b;
  EXPECT_EQ(b.Width(), 0);
  EXPECT_EQ(b.Height(), 0);
  EXPECT_TRUE(b.Empty());
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pfDevice);
  EXPECT_EQ(b.SurfaceIfAny(), nullptr);
}

TEST(Bitmap, WidthAloneStaysEmptyThenHeightGivesWhiteImage) {
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetWidth(10);
  EXPECT_EQ(b.Width(), 10);
  EXPECT_TRUE(b.Empty());
  b.SetHeight(5);
  ASSERT_FALSE(b.Empty());
  for (int y = 0; y < 5; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(b.GetPixel(x, y), Rgb(255, 255, 255));
}

TEST(Bitmap, WideningFillsWithSurfaceBrushOrWhite) {
  Bitmap plain;
  Make24(plain, 10, 5);
  plain.SetPixel(3, 2, Rgb(1, 2, 3));
  plain.SetWidth(20);
  EXPECT_EQ(plain.GetPixel(15, 4), Rgb(255, 255, 255));
  EXPECT_EQ(plain.GetPixel(3, 2), Rgb(1, 2, 3));

  Bitmap red;
  Make24(red, 10, 5);
  red.Canvas().SetBrushColor(0x000000FF);
  red.SetWidth(20);
  for (int x = 10; x < 20; ++x) EXPECT_EQ(red.GetPixel(x, 0), 0x0000FFu);
  EXPECT_EQ(red.GetPixel(9, 0), Rgb(255, 255, 255));
}

TEST(Bitmap, ScanLineRange) {
  Bitmap b;
  Make24(b, 4, 3);
  for (int y = 0; y < 3; ++y) EXPECT_NO_THROW(b.ScanLine(y));
  try {
    b.ScanLine(3);
    FAIL();
  } catch (const RasterError& e) {
    EXPECT_STREQ(e.what(), kMsgScanLineRange);
  }
  EXPECT_THROW(b.ScanLine(-1), RasterError);
  Bitmap e;  // width without height: still empty, no rows
  e.SetWidth(10);
  EXPECT_THROW(e.ScanLine(0), RasterError);
}

TEST(Bitmap, CustomAndOutOfRangeFormatsRefused) {
  Bitmap b;
  Make24(b, 4, 3);
  b.SetPixel(1, 1, Rgb(9, 8, 7));
  for (int bad : {8, 9, -1, 100}) {
    try {
      zelnor::SetPixelFormat(b, bad);
      FAIL() << bad;
    } catch (const RasterError& e) {
      EXPECT_STREQ(e.what(), kMsgInvalidPixelFormat);
    }
  }
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf24bit);
  EXPECT_EQ(b.GetPixel(1, 1), Rgb(9, 8, 7));
}

TEST(Bitmap, SizeLimitRefusesBeforeAllocating) {
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetWidth(100000);
  EXPECT_THROW(b.SetHeight(100000), RasterError);
  EXPECT_EQ(b.Height(), 0);
  // Width arithmetic that would overflow 32 bits is refused too, and the
  // picture stays as it was.
  Make24(b, 3, 2);
  b.SetPixel(1, 1, Rgb(7, 8, 9));
  EXPECT_THROW(b.SetWidth(0x7FFFFFFF), RasterError);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.GetPixel(1, 1), Rgb(7, 8, 9));
}

TEST(Bitmap, ResizeKeepsFormatAndCutsOrFills) {
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf4bit);
  b.SetSize(6, 4);
  b.SetPixel(1, 1, 0x0000FF);
  b.SetPixel(5, 3, 0x00FF00);
  b.SetSize(3, 3);  // cut off
  b.SetSize(8, 5);  // grown again: the new area is white, the cut part gone
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf4bit);
  EXPECT_EQ(b.GetPalette(), VgaPalette());
  EXPECT_EQ(b.GetPixel(1, 1), 0x0000FFu);
  EXPECT_EQ(b.GetPixel(5, 3), 0xFFFFFFu);
  // A clear brush paints nothing: fresh storage reads black.
  Bitmap c;
  Make24(c, 2, 2);
  c.Canvas().SetBrushStyle(bsClear);
  c.SetHeight(4);
  EXPECT_EQ(c.GetPixel(0, 1), 0xFFFFFFu);
  EXPECT_EQ(c.GetPixel(0, 3), 0u);
}

TEST(Bitmap, AssignCopiesSizeFormatPaletteAndPixels) {
  Bitmap src;
  zelnor::SetPixelFormat(src, zelnor::pf8bit);
  src.SetSize(4, 3);
  src.SetPixel(3, 2, Rgb(64, 96, 128));
  Bitmap dst;
  Make24(dst, 9, 9);
  dst.Assign(src);
  EXPECT_EQ(dst.Width(), 4);
  EXPECT_EQ(zelnor::PixelFormatOf(dst), zelnor::pf8bit);
  EXPECT_EQ(dst.GetPalette(), HalftonePalette());
  EXPECT_EQ(dst.GetPixel(3, 2), Rgb(64, 96, 128));
  src.SetPixel(3, 2, 0);  // a copy, not shared storage
  EXPECT_EQ(dst.GetPixel(3, 2), Rgb(64, 96, 128));
  // An empty image keeps its reported size and format.
  Bitmap empty;
  zelnor::SetPixelFormat(empty, zelnor::pf15bit);
  empty.SetWidth(7);
  dst.Assign(empty);
  EXPECT_TRUE(dst.Empty());
  EXPECT_EQ(dst.Width(), 7);
  EXPECT_EQ(zelnor::PixelFormatOf(dst), zelnor::pf15bit);
  Bitmap fresh;
  dst.Assign(fresh);
  EXPECT_EQ(zelnor::PixelFormatOf(dst), zelnor::pfDevice);
}

TEST(Bitmap, TakeAndGiveStorage) {
  Bitmap a;
  Make24(a, 5, 4);
  a.SetPixel(2, 2, Rgb(10, 20, 30));
  PixelStorage s = a.ReleaseStorage();
  EXPECT_TRUE(a.Empty());
  Bitmap b;
  b.TakeStorage(std::move(s));
  EXPECT_EQ(b.Width(), 5);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf24bit);
  EXPECT_EQ(b.GetPixel(2, 2), Rgb(10, 20, 30));
}

TEST(Bitmap, MonochromeMaskIsDeviceFormat) {
  Bitmap b;
  Make24(b, 3, 1);
  b.SetPixel(1, 0, Rgb(1, 2, 3));
  b.MakeMonochromeMask(Rgb(1, 2, 3), false);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pfDevice);
  EXPECT_EQ(b.BitsPerPixel(), 1);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(0, 0, 0));
  EXPECT_EQ(b.GetPixel(1, 0), Rgb(255, 255, 255));
}
