#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <random>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/errors.h"
#include "tests/platform/raster/bmp_builder.h"

using namespace raster;
using bmptest::BmpLayout;
using bmptest::MakeBmp;

namespace {

constexpr ColorRef kRed = Rgb(255, 0, 0), kBlue = Rgb(0, 0, 255), kWhite = Rgb(255, 255, 255);
const Palette kFour = {0, kRed, kBlue, kWhite};

// Hand-made files of the kinds that writers produce, with their pictures.
// Core header, 1 bit, 3-byte table; stored bottom row first.
const BmpLayout kCore = {.header_size = 12,
                         .width = 3,
                         .height = 2,
                         .bits = 1,
                         .palette = {kRed, kBlue},
                         .data = {0xA0, 0, 0, 0, 0x40, 0, 0, 0}};
const std::vector<std::vector<ColorRef>> kCorePicture = {{kRed, kBlue, kRed}, {kBlue, kRed, kBlue}};
// RLE8, 6 x 3. Bottom row: run of 3 x 1, absolute run 2, 3, 1 (padded), end
// of line. Middle row: delta (2, 0), one pixel 3, delta (0, 1) up to the top
// row at x 3, one pixel 3, end of bitmap.
const BmpLayout kRle8 = {
    .width = 6, .height = 3, .bits = 8, .compression = 1, .palette = kFour, .data = {3, 1, 0, 3, 2, 3, 1, 0,
                                                                                     0, 0, 0, 2, 2, 0, 1, 3,
                                                                                     0, 2, 0, 1, 1, 3, 0, 1}};
const std::vector<std::vector<ColorRef>> kRle8Picture = {
    {0, 0, 0, kWhite, 0, 0}, {0, 0, kWhite, 0, 0, 0}, {kRed, kRed, kRed, kBlue, kWhite, kRed}};
// RLE4, 5 x 2. Bottom row: run of 5 alternating 1, 2; end of line. Top row:
// absolute run 3, 1, 2 (padded to 16 bits), run of 2 x 3, end of bitmap.
const BmpLayout kRle4 = {.header_size = 124,
                         .width = 5,
                         .height = 2,
                         .bits = 4,
                         .compression = 2,
                         .colors_used = 4,
                         .palette = kFour,
                         .data = {5, 0x12, 0, 0, 0, 3, 0x31, 0x20, 2, 0x33, 0, 1}};
const std::vector<std::vector<ColorRef>> kRle4Picture = {{kWhite, kRed, kBlue, kWhite, kWhite},
                                                         {kRed, kBlue, kRed, kBlue, kRed}};

void Pattern(Bitmap& b, int w, int h) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) b.SetPixel(x, y, Rgb(x * 40 % 256, y * 60 % 256, (x * y * 13) % 256));
}

uint32_t U32(const std::vector<uint8_t>& v, size_t at) {
  uint32_t x;
  std::memcpy(&x, v.data() + at, 4);
  return x;
}

std::unique_ptr<Bitmap> Load(const std::vector<uint8_t>& bytes) {
  auto b = std::make_unique<Bitmap>();
  b->LoadFromBmp(bytes);
  return b;
}

void ExpectPicture(const BmpLayout& layout, const std::vector<std::vector<ColorRef>>& rows) {
  auto b = Load(MakeBmp(layout));
  ASSERT_EQ(b->Height(), static_cast<int>(rows.size()));
  for (size_t y = 0; y < rows.size(); ++y)
    for (size_t x = 0; x < rows[y].size(); ++x)
      EXPECT_EQ(b->GetPixel(static_cast<int>(x), static_cast<int>(y)), rows[y][x]) << x << "," << y;
}

std::string LoadError(const std::vector<uint8_t>& bytes) {
  Bitmap b;
  Pattern(b, 3, 2);
  try {
    b.LoadFromBmp(bytes);
  } catch (const RasterError& e) {
    EXPECT_EQ(b.Width(), 3);  // a failed load leaves the bitmap as it was
    EXPECT_EQ(b.GetPixel(1, 1), Rgb(40, 60, 13));
    return e.what();
  }
  return "loaded";
}

}  // namespace

TEST(Bmp, RoundTripEveryFormat) {
  for (int format : {0, 1, 2, 3, 4, 5, 6, 7, -1}) {  // -1: the device-format one-bit mask
    Bitmap b;
    Pattern(b, 7, 5);
    if (format < 0)
      b.MakeMonochromeMask(Rgb(40, 60, 13), false);
    else
      zelnor::SetPixelFormat(b, format);
    auto c = Load(b.SaveToBmp());
    EXPECT_EQ(c->Width(), 7);
    EXPECT_EQ(zelnor::PixelFormatOf(*c),
              format <= zelnor::pfDevice ? (format < 0 ? zelnor::pf1bit : zelnor::pf24bit) : format);
    EXPECT_EQ(c->GetPalette(), b.GetPalette());
    for (int y = 0; y < 5; ++y)
      ASSERT_EQ(std::memcmp(c->ScanLine(y), b.ScanLine(y), static_cast<size_t>(b.Stride())), 0) << format;
  }
}

TEST(Bmp, WrittenHeaders) {
  Bitmap b;
  Pattern(b, 5, 3);
  zelnor::SetPixelFormat(b, zelnor::pf16bit);
  auto f = b.SaveToBmp();
  EXPECT_EQ(U32(f, 2), f.size());
  EXPECT_EQ(U32(f, 10), 14u + 40 + 12);
  EXPECT_EQ(U32(f, 14), 40u);
  EXPECT_EQ(U32(f, 30), 3u);  // bit fields, masks follow the header
  EXPECT_EQ(U32(f, 54), 0xF800u);
  EXPECT_EQ(U32(f, 58), 0x07E0u);
  EXPECT_EQ(U32(f, 62), 0x001Fu);
  zelnor::SetPixelFormat(b, zelnor::pf15bit);
  f = b.SaveToBmp();
  EXPECT_EQ(U32(f, 30), 0u);
  EXPECT_EQ(U32(f, 10), 54u);
  zelnor::SetPixelFormat(b, zelnor::pf4bit);
  f = b.SaveToBmp();
  EXPECT_EQ(U32(f, 10), 54u + 16 * 4);
  EXPECT_EQ(U32(f, 46), 16u);
  EXPECT_EQ(U32(f, 54 + 4 * 9), 0x00FF0000u);  // entry 9 is pure red, stored B, G, R, 0
  // Rows are bottom-up: the file's first row is the picture's last.
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  f = b.SaveToBmp();
  EXPECT_EQ(std::memcmp(f.data() + 54, b.ScanLine(2), 15), 0);
}

TEST(Bmp, HandMadeFilesOfEachKind) {
  ExpectPicture(kCore, kCorePicture);
  ExpectPicture(kRle8, kRle8Picture);
  ExpectPicture(kRle4, kRle4Picture);
  ExpectPicture({.header_size = 12, .bits = 24, .data = {1, 2, 3, 0}}, {{Rgb(3, 2, 1)}});
  // Height -2: the first stored row is the top one.
  ExpectPicture({.height = -2, .data = {0, 0, 255, 0, 255, 0, 0, 0}}, {{kRed}, {kBlue}});
  // bfOffBits past a gap is honoured; a table of clrUsed entries is read,
  // and indices past it read black.
  ExpectPicture({.header_size = 108,
                 .width = 3,
                 .bits = 8,
                 .colors_used = 2,
                 .palette = {kRed, kBlue},
                 .gap = 6,
                 .data = {1, 0, 7, 0}},
                {{kBlue, kRed, 0}});
  // An offset pointing into the headers is ignored: the data follows the table.
  ExpectPicture({.bits = 8, .colors_used = 2, .palette = {kRed, kBlue}, .off_bits = 20, .data = {1, 0, 0, 0}},
                {{kBlue}});
}

TEST(Bmp, MaskedHeadersReportTheirFormat) {
  struct Case {
    uint32_t header;
    int bits;
    std::vector<uint32_t> masks;
    std::vector<uint8_t> pixel;
    int format;
    ColorRef colour;
  } cases[] = {
      {40, 16, {0xF800, 0x07E0, 0x001F}, {0x1F, 0xF8, 0, 0}, zelnor::pf16bit, Rgb(0xFF, 0x00, 0xFF)},
      {108, 16, {0x7C00, 0x03E0, 0x001F}, {0xE0, 0x03, 0, 0}, zelnor::pf15bit, Rgb(0, 0xFF, 0)},
      {56, 16, {0x0F00, 0x00F0, 0x000F}, {0x21, 0x0F, 0, 0}, zelnor::pfCustom, Rgb(0xFF, 0x22, 0x11)},
      {124, 32, {0x00FF0000, 0x0000FF00, 0x000000FF}, {3, 2, 1, 0x80}, zelnor::pfCustom, Rgb(1, 2, 3)},
      {40, 32, {0x000000FF, 0x0000FF00, 0x00FF0000}, {3, 2, 1, 0}, zelnor::pfCustom, Rgb(3, 2, 1)},
      {40,
       32,
       {0x3FF00000, 0x000FFC00, 0x000003FF},
       {0xFF, 0x03, 0x00, 0x20},
       zelnor::pfCustom,
       Rgb(0x80, 0, 0xFF)},
  };
  for (const auto& c : cases) {
    auto b = Load(MakeBmp(
        {.header_size = c.header, .bits = c.bits, .compression = 3, .masks = c.masks, .data = c.pixel}));
    EXPECT_EQ(zelnor::PixelFormatOf(*b), c.format) << c.header << " " << c.bits;
    EXPECT_EQ(b->GetPixel(0, 0), c.colour) << c.header << " " << c.bits;
    // Written back in their own layout with their masks.
    EXPECT_EQ(Load(b->SaveToBmp())->Layout(), b->Layout());
  }
  // Without masks 16 bits mean 5-5-5 and 32 bits the plain format.
  EXPECT_EQ(zelnor::PixelFormatOf(*Load(MakeBmp({.bits = 16, .data = {0, 0, 0, 0}}))), zelnor::pf15bit);
  EXPECT_EQ(zelnor::PixelFormatOf(*Load(MakeBmp({.header_size = 124, .bits = 32, .data = {0, 0, 0, 0}}))),
            zelnor::pf32bit);
}

TEST(Bmp, DamagedFilesFailClearly) {
  // Each case changes one thing in a good 1 x 1 file; the load must fail
  // with a message naming the fault and leave the bitmap as it was.
  struct Case {
    const char* why;
    void (*change)(BmpLayout&);
  } cases[] = {
      {"truncated", [](BmpLayout& s) { s.data.resize(2); }},
      {"no pixels", [](BmpLayout& s) { s.width = 0; }},
      {"no pixels", [](BmpLayout& s) { s.height = 0; }},
      {"no pixels", [](BmpLayout& s) { s.width = -4; }},
      {"too large", [](BmpLayout& s) { s.height = INT32_MIN; }},
      {"too large", [](BmpLayout& s) { s.width = INT32_MAX; }},
      // Within the size limit but without its data: refused before the
      // storage is made.
      {"truncated", [](BmpLayout& s) { s.width = s.height = 16000; }},
      {"bit depth", [](BmpLayout& s) { s.bits = 2; }},
      {"header size", [](BmpLayout& s) { s.header_size = 4000; }},
      {"compression", [](BmpLayout& s) { s.compression = 1; }},
      {"compression", [](BmpLayout& s) { s.compression = 4; }},
      {"masks",
       [](BmpLayout& s) {
         s = {.bits = 16, .compression = 3, .masks = {0xF00F, 0xF0, 0}, .data = s.data};
       }},
      {"masks",
       [](BmpLayout& s) {
         s = {.bits = 16, .compression = 3, .masks = {0x1F0000, 0x7E0, 0x1F}, .data = s.data};
       }},
      {"bottom-up",
       [](BmpLayout& s) { s = {.height = -1, .bits = 8, .compression = 1, .palette = {0}, .data = s.data}; }},
      // The colour table runs off the end, or is absent where bfOffBits
      // says the pixels begin.
      {"truncated", [](BmpLayout& s) { s = {.bits = 8}; }},
      {"colour table", [](BmpLayout& s) { s = {.bits = 8, .off_bits = 54, .data = s.data}; }},
      // A run-length stream that stops before its picture is complete.
      {"truncated",
       [](BmpLayout& s) { s = {.height = 2, .bits = 8, .compression = 1, .palette = {0}, .data = s.data}; }},
  };
  const BmpLayout ok{.width = 1, .data = {1, 0, 0, 0}};
  EXPECT_EQ(LoadError(MakeBmp(ok)), "loaded");
  for (const Case& c : cases) {
    BmpLayout s = ok;
    c.change(s);
    EXPECT_NE(LoadError(MakeBmp(s)).find(c.why), std::string::npos) << c.why << ": " << LoadError(MakeBmp(s));
  }
  auto good = MakeBmp(ok);
  EXPECT_NE(LoadError({good.begin(), good.begin() + 30}).find("truncated"), std::string::npos);
  good[1] = 'X';
  EXPECT_NE(LoadError(good).find("not a BMP"), std::string::npos);
}

TEST(Bmp, TruncatedAndCorruptedNeverCrash) {
  // Files of every kind, cut short and with random bytes overwritten in the
  // headers, tables and data: each load either succeeds or fails with a
  // RasterError; nothing else escapes and nothing reads out of bounds.
  std::vector<std::vector<uint8_t>> bases = {MakeBmp(kCore), MakeBmp(kRle8), MakeBmp(kRle4),
                                             MakeBmp({.header_size = 124,
                                                      .width = 2,
                                                      .bits = 32,
                                                      .compression = 3,
                                                      .masks = {0xFF0000, 0xFF00, 0xFF},
                                                      .data = {1, 2, 3, 4, 5, 6, 7, 8}})};
  for (int format : {zelnor::pf1bit, zelnor::pf4bit, zelnor::pf8bit, zelnor::pf16bit, zelnor::pf32bit}) {
    Bitmap b;
    Pattern(b, 9, 6);
    zelnor::SetPixelFormat(b, format);
    bases.push_back(b.SaveToBmp());
  }
  std::mt19937 rng(7);
  int loaded = 0;
  for (int i = 0; i < 8000; ++i) {
    std::vector<uint8_t> bad = bases[static_cast<size_t>(i) % bases.size()];
    if (i % 3 == 0) bad.resize(rng() % bad.size());
    const int flips = 1 + static_cast<int>(rng() % 4);
    for (int f = 0; f < flips && !bad.empty(); ++f) {
      // Mostly the headers; sometimes anywhere.
      const size_t span = (rng() % 4) ? std::min<size_t>(bad.size(), 80) : bad.size();
      bad[rng() % span] = static_cast<uint8_t>((rng() % 3) ? rng() : (rng() % 2 ? 0xFF : 0));
    }
    Bitmap c;
    try {
      c.LoadFromBmp(bad);
    } catch (const RasterError&) {
      ASSERT_TRUE(c.Empty());
      continue;
    }
    ++loaded;
    ASSERT_FALSE(c.Empty());
    if (int64_t{c.Width()} * c.Height() < 100000)
      zelnor::SetPixelFormat(c, zelnor::pf24bit);  // every picture converts
  }
  EXPECT_GT(loaded, 100);
}
