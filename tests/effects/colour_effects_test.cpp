#include <gtest/gtest.h>

#include <algorithm>
#include <random>

#include "canvas/main.h"
#include "effects/ZelnorEffects.h"
#include "model/pixel_format.h"
#include "model/result_codes.h"
#include "platform/raster/syscolors.h"

using namespace zelnor;
using raster::Bitmap;
using raster::Rgb;

namespace {

void Make(Bitmap& b, int w, int h, int format = zelnor::pf24bit) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
  zelnor::SetPixelFormat(b, format);
}

// A 256 x 1 canvas whose pixel x has all three channels x.
void MakeRamp(Bitmap& b) {
  Make(b, 256, 1);
  uint8_t* row = b.ScanLine(0);
  for (int x = 0; x < 256; ++x) row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = static_cast<uint8_t>(x);
}

int Channel(const Bitmap& b, int x, int ch = 0) { return b.ScanLine(0)[3 * x + ch]; }

struct Mapping {
  int from, to;
};

void ExpectMapping(const Bitmap& b, std::initializer_list<Mapping> pairs, const char* what) {
  for (const Mapping& m : pairs)
    for (int ch = 0; ch < 3; ++ch) EXPECT_EQ(Channel(b, m.from, ch), m.to) << what << ": " << m.from;
}

}  // namespace

TEST(ByteClamp, ClampsAndRoundsTiesToEven) {
  EXPECT_EQ(ByteClamp(72.5), 72);
  EXPECT_EQ(ByteClamp(127.5), 128);
  EXPECT_EQ(ByteClamp(0.5), 0);
  EXPECT_EQ(ByteClamp(254.5), 254);
  EXPECT_EQ(ByteClamp(254.51), 255);
  EXPECT_EQ(ByteClamp(1e9), 255);
  EXPECT_EQ(ByteClamp(-3.7), 0);
  EXPECT_EQ(ByteClamp(std::numeric_limits<double>::quiet_NaN()), 0);
}

TEST(GrayBitmap, EveryColourGivesTheExtendedPrecisionGreyLevel) {
  // All 2^24 colours, one pixel each, through the table-driven, two-thread
  // path; the weighted sum itself is evaluated per colour in long double.
  Bitmap b;
  Make(b, 4096, 4096);
  for (int y = 0; y < 4096; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < 4096; ++x) {
      const int c = y * 4096 + x;
      row[3 * x] = static_cast<uint8_t>(c);
      row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
      row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
    }
  }
  ASSERT_EQ(GrayBitmap(0, 0, 0, b), rcOK);
  int wrong = 0;
  for (int y = 0; y < 4096; ++y) {
    const uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < 4096; ++x) {
      const int c = y * 4096 + x;
      const int want = reference::GrayLevel(c & 0xFF, (c >> 8) & 0xFF, c >> 16);
      if (row[3 * x] != want || row[3 * x + 1] != want || row[3 * x + 2] != want) ++wrong;
    }
  }
  EXPECT_EQ(wrong, 0);
}

TEST(GrayBitmap, KnownLevelsAndTints) {
  Bitmap b;
  Make(b, 5, 1);
  const raster::ColorRef in[5] = {Rgb(255, 255, 255), Rgb(255, 0, 0), Rgb(0, 0, 255), Rgb(0, 255, 0),
                                  Rgb(128, 128, 128)};
  const int want[5] = {252, 29, 74, 149, 127};
  for (int x = 0; x < 5; ++x) b.SetPixel(x, 0, in[x]);
  ASSERT_EQ(GrayBitmap(0, 0, 0, b), rcOK);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.GetPixel(x, 0), Rgb(want[x], want[x], want[x])) << x;
  // Grey 29 keeps its level (0.989 * 29 rounds to 29); the offsets tint it
  // and clamp: red 39, green 0, blue 255.
  ASSERT_EQ(GrayBitmap(10, -30, 255, b), rcOK);
  EXPECT_EQ(b.GetPixel(1, 0), Rgb(39, 0, 255));
  ASSERT_EQ(GrayBitmap(255, 255, 255, b), rcOK);
  for (int x = 0; x < 5; ++x) EXPECT_EQ(b.GetPixel(x, 0), Rgb(255, 255, 255));
}

TEST(GrayBitmap, TintsOnLongRowsMatchThePerPixelFormula) {
  // Rows long enough for the vector path plus a scalar tail.
  std::mt19937 rng(4);
  Bitmap b, orig;
  Make(b, 53, 7);
  for (int y = 0; y < 7; ++y)
    for (int i = 0; i < 3 * 53; ++i) b.ScanLine(y)[i] = static_cast<uint8_t>(rng());
  orig.Assign(b);
  const int v[3] = {-100, 37, 200};  // blue, green, red offsets
  ASSERT_EQ(GrayBitmap(v[2], v[1], v[0], b), rcOK);
  for (int y = 0; y < 7; ++y)
    for (int x = 0; x < 53; ++x) {
      const uint8_t* o = orig.ScanLine(y) + 3 * x;
      const int level = reference::GrayLevel(o[0], o[1], o[2]);
      for (int c = 0; c < 3; ++c) ASSERT_EQ(b.ScanLine(y)[3 * x + c], std::clamp(level + v[c], 0, 255)) << x;
    }
}

TEST(ColourEffects, OutOfRangeChangesNothingInRangeReportsTheFormerFormat) {
  Bitmap b;
  Make(b, 4, 2, zelnor::pf8bit);
  b.SetPixel(1, 1, Rgb(255, 0, 0));
  const auto before = b.SaveToBmp();
  EXPECT_EQ(GrayBitmap(256, 0, 0, b), rcInvalidArgument);
  EXPECT_EQ(GrayBitmap(0, 0, -256, b), rcInvalidArgument);
  EXPECT_EQ(GammaBitmap(3, b), rcInvalidArgument);
  EXPECT_EQ(GammaBitmap(-1, b), rcInvalidArgument);
  EXPECT_EQ(ContrastBitmap(101, b), rcInvalidArgument);
  EXPECT_EQ(ContrastBitmap(-101, b), rcInvalidArgument);
  EXPECT_EQ(GammaBitmap(0, b), rcOK);
  EXPECT_EQ(ContrastBitmap(0, b), rcOK);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf8bit);
  EXPECT_EQ(b.SaveToBmp(), before);
  // In range, the former pixel format is reported once, with the conversion.
  EXPECT_EQ(ContrastBitmap(10, b), zelnor::pf8bit);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf24bit);
  EXPECT_EQ(ContrastBitmap(10, b), rcOK);
  Make(b, 4, 2, zelnor::pf16bit);
  EXPECT_EQ(GammaBitmap(1, b), zelnor::pf16bit);
}

TEST(GammaBitmap, BrightenAndDarkenTables) {
  Bitmap b;
  MakeRamp(b);
  ASSERT_EQ(GammaBitmap(1, b), rcOK);
  ExpectMapping(b, {{0, 0}, {1, 16}, {2, 23}, {64, 128}, {128, 181}, {192, 221}, {254, 254}, {255, 255}},
                "brighten");
  MakeRamp(b);
  ASSERT_EQ(GammaBitmap(2, b), rcOK);
  for (int c = 0; c <= 64; ++c) EXPECT_EQ(Channel(b, c), 0) << c;
  ExpectMapping(b, {{65, 1}, {128, 75}, {200, 174}, {254, 254}, {255, 255}}, "darken");
}

TEST(ContrastBitmap, SpreadAndPullTables) {
  Bitmap b;
  MakeRamp(b);
  ASSERT_EQ(ContrastBitmap(100, b), rcOK);
  ExpectMapping(b, {{64, 0}, {65, 2}, {100, 72}, {127, 126}, {128, 128}, {191, 254}, {192, 255}}, "100");
  MakeRamp(b);
  ASSERT_EQ(ContrastBitmap(-100, b), rcOK);
  for (int c = 0; c < 256; ++c) EXPECT_EQ(Channel(b, c), 128) << c;
  MakeRamp(b);
  ASSERT_EQ(ContrastBitmap(50, b), rcOK);
  ExpectMapping(b, {{42, 0}, {43, 1}, {212, 254}, {213, 255}}, "50");
  MakeRamp(b);
  ASSERT_EQ(ContrastBitmap(-50, b), rcOK);
  ExpectMapping(b, {{0, 64}, {255, 191}}, "-50");
}

TEST(ReversalBitmap, InvertsAndTwiceRestores) {
  Bitmap b;
  MakeRamp(b);
  ASSERT_EQ(ReversalBitmap(b), rcOK);
  for (int c = 0; c < 256; ++c) ASSERT_EQ(Channel(b, c, 1), 255 - c);
  ASSERT_EQ(ReversalBitmap(b), rcOK);
  for (int c = 0; c < 256; ++c) ASSERT_EQ(Channel(b, c, 2), c);
  Make(b, 7, 3, zelnor::pf4bit);
  b.SetPixel(2, 1, Rgb(0, 0, 255));
  const auto before = b.SaveToBmp();
  ReversalBitmap(b);
  EXPECT_NE(b.SaveToBmp(), before);
  ReversalBitmap(b);
  EXPECT_EQ(b.SaveToBmp(), before);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf4bit);
}

TEST(MaskBitmap, TwoColourDeviceMask) {
  Bitmap b;
  Make(b, 9, 4);
  b.SetPixel(3, 2, Rgb(10, 20, 30));
  ASSERT_EQ(MaskBitmap(static_cast<int32_t>(Rgb(10, 20, 30)), true, b), rcOK);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pfDevice);
  EXPECT_EQ(b.Width(), 9);
  EXPECT_EQ(b.Height(), 4);
  EXPECT_EQ(b.GetPixel(3, 2), Rgb(0, 0, 0));  // reversed: the mask colour black
  EXPECT_EQ(b.GetPixel(8, 3), Rgb(255, 255, 255));
  // A later grey reports the mask's former format 0 and sees black and white.
  EXPECT_EQ(GrayBitmap(0, 0, 0, b), zelnor::pfDevice);
  EXPECT_EQ(b.GetPixel(8, 3), Rgb(252, 252, 252));
  // System colours are resolved; a colour no pixel has and "no colour" give
  // all black (all white reversed), even on white pixels.
  Make(b, 2, 1);
  b.SetPixel(0, 0, raster::GetSysColor(5));
  MaskBitmap(static_cast<int32_t>(0x80000005u), false, b);
  EXPECT_EQ(b.GetPixel(0, 0), Rgb(255, 255, 255));
  EXPECT_EQ(b.GetPixel(1, 0), Rgb(0, 0, 0));
  for (int32_t colour : {static_cast<int32_t>(Rgb(1, 2, 3)), kNoColor})
    for (bool reverse : {false, true}) {
      Make(b, 6, 3);
      MaskBitmap(colour, reverse, b);
      for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x) EXPECT_EQ(b.GetPixel(x, y), reverse ? Rgb(255, 255, 255) : Rgb(0, 0, 0));
    }
}

TEST(MaskBitmap, CanvasWithoutPixelsKeepsItsReportedSize) {
  // A canvas 15 wide and 0 high read back as 0 x 0 after Mask (found by
  // fuzz/stretch_fuzz).
  for (bool reverse : {false, true}) {
    Bitmap b;
    b.SetSize(15, 0);
    ASSERT_EQ(MaskBitmap(0, reverse, b), rcOK);
    EXPECT_EQ(b.Width(), 15);
    EXPECT_EQ(b.Height(), 0);
    EXPECT_TRUE(b.Empty());
  }
}

TEST(EffectMembers, ForwardToTheCurrentCanvas) {
  TMyCanvas obj;
  ASSERT_EQ(obj.NewCanvas(3, 2, 0), rcOK);
  EXPECT_EQ(obj.Gray(0, 0, 0), rcOK);
  EXPECT_EQ(obj.Current().GetPixel(0, 0), Rgb(252, 252, 252));
  EXPECT_EQ(obj.Reversal(), rcOK);
  EXPECT_EQ(obj.Current().GetPixel(0, 0), Rgb(3, 3, 3));
  EXPECT_EQ(obj.Gamma(7), rcInvalidArgument);
  EXPECT_EQ(obj.Contrast(-100), rcOK);
  EXPECT_EQ(obj.Current().GetPixel(1, 1), Rgb(128, 128, 128));
  EXPECT_EQ(obj.CustomFilter(0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0), rcNoInput);
  EXPECT_EQ(obj.Dull(), rcOK);
  EXPECT_EQ(obj.Sharp(), rcOK);
  EXPECT_EQ(obj.Mask(static_cast<int32_t>(Rgb(128, 128, 128)), true), rcOK);
  EXPECT_EQ(obj.Current().GetPixel(1, 1), Rgb(0, 0, 0));
  EXPECT_EQ(obj.GetPixelFormat(), zelnor::pfDevice);
}
