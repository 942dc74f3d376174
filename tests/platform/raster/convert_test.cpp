#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <utility>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/errors.h"

using namespace raster;

namespace {

// A 24-bit picture that mixes random colours, every palette colour of the
// engine's fixed tables and runs of equal pixels.
PixelStorage MixedPicture(int w, int h, unsigned seed) {
  PixelStorage s(w, h, PixelLayout{24}, {});
  std::mt19937 rng(seed);
  const Palette& ht = HalftonePalette();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      const unsigned pick = rng() % 4;
      const ColorRef c = pick == 0            ? ht[rng() % ht.size()]
                         : pick == 1 && x > 0 ? s.GetPixel(x - 1, y)
                                              : rng() & 0xFFFFFF;
      s.SetPixel(x, y, c);
    }
  return s;
}

bool SameBytes(const PixelStorage& a, const PixelStorage& b) {
  if (a.width() != b.width() || a.height() != b.height() || a.stride() != b.stride() ||
      a.layout() != b.layout())
    return false;
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.row(y), b.row(y), static_cast<size_t>(a.stride())) != 0) return false;
  return true;
}

ColorRef ThroughFormat(ColorRef c, int format) {
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(1, 1);
  b.SetPixel(0, 0, c);
  zelnor::SetPixelFormat(b, format);
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  return b.GetPixel(0, 0);
}

// Converts `base` into every layout and from there into every layout again,
// fast and per pixel.
void CompareAllLayoutPairs(const PixelStorage& base) {
  std::vector<std::pair<PixelLayout, Palette>> layouts;
  for (int f : {zelnor::pf1bit, zelnor::pf4bit, zelnor::pf8bit, zelnor::pf15bit, zelnor::pf16bit,
                zelnor::pf24bit, zelnor::pf32bit})
    layouts.push_back({zelnor::LayoutOfFormat(f), DefaultPaletteFor(zelnor::LayoutOfFormat(f).bits)});
  layouts.push_back({PixelLayout{16, 0x0F00, 0x00F0, 0x000F}, {}});
  layouts.push_back({PixelLayout{32, 0x000000FF, 0x0000FF00, 0x00FF0000}, {}});
  layouts.push_back({PixelLayout{8}, Palette{0x0000FF, 0x00FF00, 0xFF0000}});  // short table
  layouts.push_back({PixelLayout{4}, Palette{0x808080, 0x000000}});
  layouts.push_back({PixelLayout{4}, HalftonePalette()});  // too long: only 16 entries usable
  for (const auto& [from_layout, from_pal] : layouts) {
    const PixelStorage src = ConvertStorageSlow(base, from_layout, from_pal);
    for (const auto& [to_layout, to_pal] : layouts) {
      const PixelStorage fast = ConvertStorage(src, to_layout, to_pal);
      const PixelStorage slow = ConvertStorageSlow(src, to_layout, to_pal);
      EXPECT_TRUE(SameBytes(fast, slow)) << from_layout.bits << " bits -> " << to_layout.bits << " bits";
    }
  }
}

}  // namespace

TEST(PaletteMatcher, AgreesWithFullSearch) {
  std::mt19937 rng(3);
  Palette random_pal, dupes = {0x102030, 0x102030, 0xFFFFFF, 0x000000, 0x102030};
  for (int i = 0; i < 256; ++i) random_pal.push_back(rng() & 0xFFFFFF);
  for (const Palette* pal : {&MonochromePalette(), &VgaPalette(), &HalftonePalette(),
                             &std::as_const(random_pal), &std::as_const(dupes)}) {
    PaletteMatcher m(*pal);
    for (int i = 0; i < 60000; ++i) {
      const ColorRef c = i < 256 ? Rgb(i, i, i) : rng() & 0xFFFFFF;
      ASSERT_EQ(m.Index(c), NearestPaletteIndex(*pal, c)) << std::hex << c << " palette size " << pal->size();
    }
  }
  EXPECT_EQ(PaletteMatcher(Palette{}).Index(0x123456), 0);
}

TEST(Convert, FastPathsMatchPerPixelPath) {
  // Every pair of layouts on a picture big enough for the table-driven
  // paths, with an odd width so that partly used bytes at the row ends are
  // compared too (padding included); and a small one for the plain paths.
  for (int size : {0, 1}) {
    const PixelStorage base = size ? MixedPicture(129, 33, 11) : MixedPicture(13, 3, 5);
    CompareAllLayoutPairs(base);
  }
}

TEST(Convert, IndicesPastAShortTableReadBlack) {
  PixelStorage s(2, 1, PixelLayout{8}, Palette{0xFFFFFF});
  s.SetBits(1, 0, 200);
  const PixelStorage out = ConvertStorage(s, PixelLayout{24}, {});
  EXPECT_EQ(out.GetPixel(0, 0), 0xFFFFFFu);
  EXPECT_EQ(out.GetPixel(1, 0), 0u);
}

TEST(Convert, OneBitPicksNearerOfBlackAndWhite) {
  EXPECT_EQ(ThroughFormat(Rgb(125, 125, 125), zelnor::pf1bit), 0u);
  EXPECT_EQ(ThroughFormat(Rgb(130, 130, 130), zelnor::pf1bit), 0xFFFFFFu);
  // The boundary: channel sum 382 is nearer black, 383 nearer white.
  EXPECT_EQ(ThroughFormat(Rgb(127, 127, 128), zelnor::pf1bit), 0u);
  EXPECT_EQ(ThroughFormat(Rgb(127, 128, 128), zelnor::pf1bit), 0xFFFFFFu);
  EXPECT_EQ(ThroughFormat(Rgb(255, 255, 0), zelnor::pf1bit), 0xFFFFFFu);
  EXPECT_EQ(ThroughFormat(Rgb(0, 0, 255), zelnor::pf1bit), 0u);
}

TEST(Convert, FifteenAndSixteenBitsTruncateAndWidenByRepeatingTopBits) {
  EXPECT_EQ(ThroughFormat(0x0C0C0C, zelnor::pf15bit), 0x080808u);
  EXPECT_EQ(ThroughFormat(0x515151, zelnor::pf15bit), 0x525252u);
  EXPECT_EQ(ThroughFormat(0xF3F3F3, zelnor::pf15bit), 0xF7F7F7u);
  EXPECT_EQ(ThroughFormat(0x123456, zelnor::pf15bit), 0x103152u);
  EXPECT_EQ(ThroughFormat(0x0C0C0C, zelnor::pf16bit), 0x080C08u);
  EXPECT_EQ(ThroughFormat(0xF3F3F3, zelnor::pf16bit), 0xF7F3F7u);
  EXPECT_EQ(ThroughFormat(0xFFFFFF, zelnor::pf16bit), 0xFFFFFFu);
  EXPECT_EQ(ThroughFormat(0x123456, zelnor::pf4bit), 0x000080u);  // nearest of the 16 colours
  // 8 bits looks colours up by the centre of their 5-5-5 cell: (223, 0, 0)
  // counts as (220, 4, 4), nearer to (224, 32, 0) than to pure red; a grey
  // of 207 counts as 204, nearer to silver than to money green; a grey of 24
  // counts as 28, nearer to (32, 32, 64) than to black.
  EXPECT_EQ(ThroughFormat(Rgb(223, 0, 0), zelnor::pf8bit), Rgb(224, 32, 0));
  EXPECT_EQ(ThroughFormat(Rgb(207, 207, 207), zelnor::pf8bit), Rgb(192, 192, 192));
  EXPECT_EQ(ThroughFormat(Rgb(24, 24, 24), zelnor::pf8bit), Rgb(32, 32, 64));
  // Two colours compare the colour itself: 127 is black, 128 white.
  EXPECT_EQ(ThroughFormat(Rgb(127, 127, 127), zelnor::pf1bit), 0u);
  EXPECT_EQ(ThroughFormat(Rgb(128, 128, 128), zelnor::pf1bit), 0xFFFFFFu);
}

TEST(Convert, RoundTripsKeepWhatTheFormatHolds) {
  // The 16 colours through 4 bits, the 256 halftone colours through 8 bits,
  // every widened 5/6-bit level through 15/16 bits, anything through 32.
  for (ColorRef c : VgaPalette()) EXPECT_EQ(ThroughFormat(c, zelnor::pf4bit), c);
  for (ColorRef c : VgaPalette()) EXPECT_EQ(ThroughFormat(c, zelnor::pf8bit), c);
  for (ColorRef c : HalftonePalette()) EXPECT_EQ(ThroughFormat(c, zelnor::pf8bit), c);
  for (int v = 0; v < 32; ++v) {
    const int w5 = v << 3 | v >> 2;
    EXPECT_EQ(ThroughFormat(Rgb(w5, w5, w5), zelnor::pf15bit), Rgb(w5, w5, w5));
    const int g6 = (2 * v) << 2 | (2 * v) >> 4;
    EXPECT_EQ(ThroughFormat(Rgb(w5, g6, w5), zelnor::pf16bit), Rgb(w5, g6, w5));
  }
  EXPECT_EQ(ThroughFormat(0x123457, zelnor::pf32bit), 0x123457u);
  EXPECT_EQ(ThroughFormat(0x123457, zelnor::pfDevice), 0x123457u);
}

TEST(Convert, OneBitRoundTripLeavesOnlyBlackAndWhite) {
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(64, 2);
  for (int x = 0; x < 64; ++x) b.SetPixel(x, 1, Rgb(x * 4, 255 - x * 4, x * 2));
  zelnor::SetPixelFormat(b, zelnor::pf1bit);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf1bit);
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  for (int x = 0; x < 64; ++x) {
    const ColorRef c = b.GetPixel(x, 1);
    ASSERT_TRUE(c == 0 || c == 0xFFFFFF) << x;
  }
}

TEST(Convert, DeviceFormatStoresTwentyFourBitsAndSameNumberIsNoOp) {
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf8bit);
  b.SetSize(3, 2);
  const uint64_t gen = b.Generation();
  zelnor::SetPixelFormat(b, zelnor::pf8bit);
  EXPECT_EQ(b.Generation(), gen);  // nothing was remade
  zelnor::SetPixelFormat(b, zelnor::pfDevice);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pfDevice);
  EXPECT_EQ(b.BitsPerPixel(), 24);
  EXPECT_EQ(b.GetPixel(2, 1), 0xFFFFFFu);
  // An empty bitmap changes format and keeps its reported width.
  Bitmap e;
  e.SetWidth(10);
  zelnor::SetPixelFormat(e, zelnor::pf4bit);
  EXPECT_EQ(zelnor::PixelFormatOf(e), zelnor::pf4bit);
  EXPECT_EQ(e.Width(), 10);
  EXPECT_TRUE(e.Empty());
}
