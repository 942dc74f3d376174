#include "platform/raster/blit.h"

#include <gtest/gtest.h>

#include <random>
#include <string>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/surface.h"

using namespace raster;

namespace {

constexpr uint32_t kNamedRops[15] = {kBlackness,   kDstInvert, kMergeCopy, kMergePaint, kNotSrcCopy,
                                     kNotSrcErase, kPatCopy,   kPatInvert, kPatPaint,   kSrcAnd,
                                     kSrcCopyRop,  kSrcErase,  kSrcInvert, kSrcPaint,   kWhiteness};
// The named operations and a few others through the general evaluator.
constexpr uint32_t kRops[19] = {kBlackness,   kDstInvert, kMergeCopy, kMergePaint, kNotSrcCopy,
                                kNotSrcErase, kPatCopy,   kPatInvert, kPatPaint,   kSrcAnd,
                                kSrcCopyRop,  kSrcErase,  kSrcInvert, kSrcPaint,   kWhiteness,
                                0x160000,     0x690000,   0xB80000,   0xE20000};

void Make(Bitmap& b, int format, int w, int h) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
  zelnor::SetPixelFormat(b, format);
}

void FillRandomBits(Bitmap& b, std::mt19937& rng) {
  const uint32_t mask = b.BitsPerPixel() >= 32 ? 0xFFFFFFFFu : (1u << b.BitsPerPixel()) - 1;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) b.Storage().SetBits(x, y, rng() & mask);
}

// Every stored pixel of two bitmaps of equal size; the first difference as text.
std::string FirstDifference(const Bitmap& a, const Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height()) return "sizes differ";
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Storage().GetBits(x, y) != b.Storage().GetBits(x, y))
        return "pixel " + std::to_string(x) + "," + std::to_string(y) + ": " +
               std::to_string(a.Storage().GetBits(x, y)) + " vs " + std::to_string(b.Storage().GetBits(x, y));
  return "";
}

struct Brush {
  BrushStyle style;
  ColorRef color;
  int bk_mode;  // 0: leave the background the brush sets
  ColorRef bk;
};

void SetBrush(Bitmap& b, const Brush& br) {
  Surface& s = b.Canvas();
  s.SetBrushColor(br.color);
  s.SetBrushStyle(br.style);
  if (br.bk_mode) {
    s.ApplyBrush();
    s.SetBkColor(br.bk);
    s.SetBkMode(br.bk_mode);
  }
}

}  // namespace

TEST(RopCodes, NamedOperationsEvaluateTheirExpressions) {
  std::mt19937 rng(7);
  for (int i = 0; i < 100; ++i) {
    const uint64_t p = rng(), s = rng(), d = rng(), m = 0xFFFFFFFF;
    const uint64_t expected[15] = {
        0, ~d & m, p & s, (~s | d) & m, ~s & m, ~(s | d) & m, p, p ^ d, (p | ~s | d) & m, s & d,
        s, s & ~d, s ^ d, s | d,        m};
    for (int k = 0; k < 15; ++k)
      EXPECT_EQ(EvalRop(RopIndex(kNamedRops[k]), p, s, d) & m, expected[k]) << "operation " << k + 1;
  }
  EXPECT_FALSE(RopUsesSource(RopIndex(kPatInvert)));
  EXPECT_TRUE(RopUsesSource(RopIndex(kMergePaint)));
  EXPECT_FALSE(RopUsesPattern(RopIndex(kSrcErase)));
  EXPECT_TRUE(RopUsesPattern(RopIndex(kPatPaint)));
}

// The byte-row fast path must give exactly the reference path's bits for
// every destination layout, brush kind, operation and placement, including
// sources in another layout and one- and four-bit offsets off byte bounds.
TEST(BitBlt, FastPathMatchesReferenceEverywhere) {
  const int formats[] = {zelnor::pf1bit,  zelnor::pf4bit,  zelnor::pf8bit, zelnor::pf15bit,
                         zelnor::pf16bit, zelnor::pf24bit, zelnor::pf32bit};
  const Brush brushes[] = {{bsSolid, 0x0030C0FF, 0, 0},
                           {bsCross, 0x00C00000, 0, 0},
                           {bsDiagCross, 0x000000FF, 2, 0x00FF0000},
                           {bsClear, 0, 0, 0},
                           {bsHorizontal, 0x01000005, 2, 0xFF00FF00}};
  const int places[][2] = {{0, 0}, {3, 2}, {-5, -3}, {9, 1}, {17, -2}};
  std::mt19937 rng(11);
  for (int df : formats) {
    for (int sf : {int{zelnor::pf24bit}, df}) {
      Bitmap src;
      Make(src, sf, 13, 9);
      FillRandomBits(src, rng);
      for (const Brush& br : brushes) {
        for (const auto& at : places) {
          for (uint32_t rop : kRops) {
            Bitmap fast, slow;
            Make(fast, df, 23, 12);
            FillRandomBits(fast, rng);
            slow.Assign(fast);
            SetBrush(fast, br);
            SetBrush(slow, br);
            BitBlt(fast, at[0], at[1], src, rop);
            BitBltReference(slow, at[0], at[1], src, rop);
            ASSERT_EQ(FirstDifference(fast, slow), "")
                << "dst format " << df << " src " << sf << " brush " << br.style << " at " << at[0] << ","
                << at[1] << " rop " << std::hex << rop;
          }
        }
      }
    }
  }
}

TEST(BitBlt, BlacknessAndWhitenessOnPaletteLayoutsAreIndexZeroAndAllOnes) {
  Bitmap src, dst;
  Make(src, zelnor::pf24bit, 4, 4);
  for (int format : {zelnor::pf1bit, zelnor::pf4bit, zelnor::pf8bit}) {
    Make(dst, format, 8, 4);
    BitBlt(dst, 0, 0, src, kBlackness);
    BitBlt(dst, 4, 0, src, kWhiteness);
    const uint32_t ones = (1u << dst.BitsPerPixel()) - 1;
    EXPECT_EQ(dst.Storage().GetBits(1, 1), 0u);
    EXPECT_EQ(dst.Storage().GetBits(5, 1), ones);
    // The default colour tables hold black first and white last.
    EXPECT_EQ(dst.GetPixel(1, 1), Rgb(0, 0, 0));
    EXPECT_EQ(dst.GetPixel(5, 1), Rgb(255, 255, 255));
  }
}

TEST(BitBlt, ClipsToTheDestination) {
  Bitmap src, dst;
  Make(src, zelnor::pf24bit, 5, 5);
  Make(dst, zelnor::pf24bit, 6, 6);
  BitBlt(dst, 3, -2, src, kBlackness);
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(dst.GetPixel(x, y), (x >= 3 && y <= 2) ? Rgb(0, 0, 0) : Rgb(255, 255, 255)) << x << "," << y;
  BitBlt(dst, 6, 0, src, kBlackness);  // wholly outside: nothing
  BitBlt(dst, -5, 0, src, kBlackness);
  EXPECT_EQ(dst.GetPixel(0, 5), Rgb(255, 255, 255));
}

// A transparent hatch leaves its gaps to the operation's other steps:
// PATCOPY and PATINVERT keep the destination, MERGECOPY takes the source,
// PATPAINT merges source and destination.
TEST(BitBlt, TransparentHatchGapsFollowTheOperation) {
  Bitmap src;
  Make(src, zelnor::pf24bit, 8, 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) src.SetPixel(x, y, Rgb(0x21, 0x11, 0x1C));
  const struct {
    uint32_t rop;
    ColorRef gap;
  } cases[] = {{kPatCopy, Rgb(0, 0, 0x80)},
               {kPatInvert, Rgb(0, 0, 0x80)},
               {kMergeCopy, Rgb(0x21, 0x11, 0x1C)},
               {kPatPaint, Rgb(0x21, 0x11, 0x9C)}};
  for (const auto& c : cases) {
    Bitmap dst;
    Make(dst, zelnor::pf24bit, 8, 8);
    dst.Canvas().SetBrushColor(Rgb(0x80, 0, 0));  // fill by the solid brush first
    dst.SetSize(16, 8);
    for (int y = 0; y < 8; ++y)
      for (int x = 0; x < 8; ++x) dst.SetPixel(x, y, Rgb(0, 0, 0x80));
    dst.Canvas().SetBrushColor(Rgb(0xFF, 0xC0, 0));
    dst.Canvas().SetBrushStyle(bsVertical);
    BitBlt(dst, 0, 0, src, c.rop);
    EXPECT_EQ(dst.GetPixel(0, 3), c.gap) << std::hex << c.rop;
    // Column 4 holds the vertical hatch line.
    const ColorRef line = dst.GetPixel(4, 3);
    if (c.rop == kPatCopy) {
      EXPECT_EQ(line, Rgb(0xFF, 0xC0, 0));
    }
    if (c.rop == kMergeCopy) {
      EXPECT_EQ(line, Rgb(0x21, 0, 0));
    }
  }
}

TEST(BitBlt, SelfDrawAtAnOffsetReadsTheOriginalPicture) {
  std::mt19937 rng(3);
  Bitmap a, copy;
  Make(a, zelnor::pf24bit, 9, 6);
  FillRandomBits(a, rng);
  copy.Assign(a);
  Bitmap expected;
  expected.Assign(a);
  BitBlt(expected, 2, 1, copy, kSrcInvert);
  BitBlt(a, 2, 1, a, kSrcInvert);
  EXPECT_EQ(FirstDifference(a, expected), "");
}

// Pictures large enough to be split into bands of rows on several threads:
// the bands must join up exactly, also drawing a picture onto itself.
TEST(BitBlt, RowBandsOnLargePicturesMatchReference) {
  std::mt19937 rng(12);
  for (int df : {int{zelnor::pf24bit}, int{zelnor::pf1bit}}) {
    Bitmap src;
    Make(src, zelnor::pf24bit, 700, 420);
    FillRandomBits(src, rng);
    for (uint32_t rop : {kSrcInvert, kPatCopy, kMergeCopy, kNotSrcCopy}) {
      Bitmap fast, slow;
      Make(fast, df, 2400, 430);
      FillRandomBits(fast, rng);
      slow.Assign(fast);
      SetBrush(fast, {bsDiagCross, 0x000000FF, 1, 0});
      SetBrush(slow, {bsDiagCross, 0x000000FF, 1, 0});
      BitBlt(fast, 3, -5, src, rop);
      BitBltReference(slow, 3, -5, src, rop);
      ASSERT_EQ(FirstDifference(fast, slow), "") << "dst format " << df << " rop " << std::hex << rop;
      BitBlt(fast, 0, 0, fast, kNotSrcCopy);
      BitBltReference(slow, 0, 0, slow, kNotSrcCopy);
      ASSERT_EQ(FirstDifference(fast, slow), "") << "in place, dst format " << df;
    }
  }
}

TEST(ColorToMonochrome, MarksExactMatchesInADeviceMask) {
  // Matches and near misses (one channel off) at every position of the 64-
  // and 16-pixel groups and in the tail, on enough rows to be split between
  // threads.
  std::mt19937 rng(8);
  const ColorRef want = Rgb(10, 200, 30);
  constexpr int kW = 64 * 2 + 16 + 7, kH = 1300;
  for (int format : {zelnor::pf24bit, zelnor::pf32bit}) {
    Bitmap src;
    Make(src, format, kW, kH);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x) {
        const int kind = static_cast<int>(rng() % 5);
        ColorRef c = Rgb(static_cast<int>(rng() & 0xFF), static_cast<int>(rng() & 0xFF), 30);
        if (kind == 0) c = want;
        if (kind == 1) c = want ^ (0xFFu << (8 * (rng() % 3)));
        src.SetPixel(x, y, c);
      }
    const PixelStorage mask = ColorToMonochrome(src.Storage(), want);
    EXPECT_TRUE(mask.device_dependent());
    EXPECT_EQ(ColorToMonochrome(src.Storage(), std::nullopt).GetBits(0, 0), 0u);
    for (int y = 0; y < kH; ++y)
      for (int x = 0; x < kW; ++x)
        ASSERT_EQ(mask.GetBits(x, y), src.GetPixel(x, y) == want ? 1u : 0u) << x << "," << y << " " << format;
  }
}
