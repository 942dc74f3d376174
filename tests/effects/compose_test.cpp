#include <gtest/gtest.h>

#include <random>

#include "effects/ZelnorEffects.h"
#include "model/pixel_format.h"
#include "platform/raster/blit.h"
#include "platform/raster/hatch.h"
#include "platform/raster/surface.h"

using namespace zelnor;
using raster::Bitmap;
using raster::Rgb;

namespace {

void Make(Bitmap& b, int w, int h, int format = zelnor::pf24bit) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
  zelnor::SetPixelFormat(b, format);
}

void FillRandom(Bitmap& b, std::mt19937& rng) {
  const uint32_t mask = b.BitsPerPixel() >= 32 ? 0xFFFFFFFFu : (1u << b.BitsPerPixel()) - 1;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.Storage().SetBits(x, y, rng() & mask);
}

// The result column of the copy-mode table, written out per mode.
uint32_t TableResult(int mode, uint32_t p, uint32_t s, uint32_t d) {
  switch (mode) {
    case 1:
      return 0;
    case 2:
      return ~d;
    case 3:
      return s & p;
    case 4:
      return ~s | d;
    case 5:
      return ~s;
    case 6:
      return ~(s | d);
    case 7:
      return p;
    case 8:
      return p ^ d;
    case 9:
      return p | ~s | d;
    case 10:
      return s & d;
    case 11:
      return s;
    case 12:
      return s & ~d;
    case 13:
      return s ^ d;
    case 14:
      return s | d;
    default:
      return 0xFFFFFFFFu;
  }
}

}  // namespace

TEST(CopyModeDraw, GrowsTheDestinationOnlyAsFarAsNeeded) {
  Bitmap src, dst;
  Make(src, 10, 10);
  Make(dst, 100, 50);
  CopyModeDraw(95, 0, 11, src, dst);
  EXPECT_EQ(dst.Width(), 105);
  EXPECT_EQ(dst.Height(), 50);
  CopyModeDraw(-5, 45, 11, src, dst);
  EXPECT_EQ(dst.Width(), 105);
  EXPECT_EQ(dst.Height(), 55);
}

TEST(CopyModeDraw, OtherNumbersKeepTheCurrentCopyMode) {
  for (int mode : {0, 16, -3}) {
    Bitmap src, dst;
    Make(src, 2, 1);
    src.SetPixel(0, 0, Rgb(0x0F, 0xF0, 0x33));
    Make(dst, 2, 1);
    dst.SetPixel(0, 0, Rgb(0xFF, 0x00, 0x30));
    dst.Canvas().SetCopyMode(raster::kSrcInvert);
    CopyModeDraw(0, 0, mode, src, dst);
    EXPECT_EQ(dst.GetPixel(0, 0), Rgb(0xF0, 0xF0, 0x03)) << mode;
    EXPECT_EQ(dst.Canvas().CopyMode(), raster::kSrcInvert);
  }
  Bitmap src, dst;
  Make(src, 2, 1);
  Make(dst, 2, 1);
  CopyModeDraw(0, 0, 1, src, dst);  // a numbered mode is used once, then undone
  EXPECT_EQ(dst.Canvas().CopyMode(), raster::kSrcCopyRop);
}

// Every copy mode on a 24-bit and an 8-bit destination, the pattern modes
// with a solid and an opaque hatched brush, checked pixel by pixel against
// the table's expression on the stored bits.
TEST(CopyModeDraw, EveryModeFollowsItsTableEntry) {
  std::mt19937 rng(21);
  for (int format : {zelnor::pf24bit, zelnor::pf8bit}) {
    for (raster::BrushStyle style : {raster::bsSolid, raster::bsDiagCross}) {
      for (int mode = 1; mode <= 15; ++mode) {
        Bitmap src, dst, before;
        Make(src, 12, 9, format);
        FillRandom(src, rng);
        Make(dst, 20, 14, format);
        FillRandom(dst, rng);
        raster::Surface& s = dst.Canvas();
        s.SetBrushColor(Rgb(0, 255, 0));
        s.SetBrushStyle(style);
        s.ApplyBrush();
        s.SetBkColor(Rgb(0, 0, 255));
        s.SetBkMode(2);
        before.Assign(dst);
        CopyModeDraw(5, 3, mode, src, dst);
        const uint32_t line = dst.Storage().ColorToBits(Rgb(0, 255, 0));
        const uint32_t gap = dst.Storage().ColorToBits(Rgb(0, 0, 255));
        const uint32_t ones = format == zelnor::pf8bit ? 0xFF : 0xFFFFFF;
        for (int y = 0; y < 14; ++y)
          for (int x = 0; x < 20; ++x) {
            const uint32_t d = before.Storage().GetBits(x, y);
            uint32_t want = d;
            if (x >= 5 && y >= 3 && x < 17 && y < 12) {
              // Hatch rows count from the top row; MERGECOPY (3) and PATPAINT
              // (9) paint the pattern into the source first, from row 2 * 3.
              const int row = (mode == 3 || mode == 9) ? (y - 6 + 8) % 8 : y % 8;
              const bool on_line = style == raster::bsSolid || raster::HatchBit(style, x, row);
              want = TableResult(mode, on_line ? line : gap, src.Storage().GetBits(x - 5, y - 3), d) & ones;
            }
            ASSERT_EQ(dst.Storage().GetBits(x, y), want)
                << "format " << format << " style " << style << " mode " << mode << " at " << x << "," << y;
          }
      }
    }
  }
}

TEST(CopyModeDraw, SelfDrawAtAnOffsetUsesTheOriginal) {
  Bitmap b;
  Make(b, 2, 1);
  b.SetPixel(0, 0, Rgb(1, 2, 3));
  b.SetPixel(1, 0, Rgb(4, 5, 6));
  CopyModeDraw(1, 0, 11, b, b);
  EXPECT_EQ(b.Width(), 3);
  EXPECT_EQ(b.GetPixel(1, 0), Rgb(1, 2, 3));
  EXPECT_EQ(b.GetPixel(2, 0), Rgb(4, 5, 6));
}

TEST(CopyModeDraw, AbsurdPositionsFailCleanly) {
  Bitmap src, dst;
  Make(src, 10, 10);
  Make(dst, 10, 10);
  EXPECT_THROW(CopyModeDraw(2147483647, 0, 11, src, dst), std::exception);
  EXPECT_EQ(dst.Width(), 10);
  CopyModeDraw(-2147483647 - 1, -2147483647 - 1, 11, src, dst);  // wholly outside: nothing
  EXPECT_EQ(dst.Width(), 10);
  EXPECT_EQ(dst.GetPixel(0, 0), Rgb(255, 255, 255));
}
