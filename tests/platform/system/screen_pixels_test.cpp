// Screen pixel layouts: the fast row conversions against the per-pixel
// reference, the reference against Xlib's own XGetPixel, and the writer.
#include "platform/system/screen_pixels.h"

#include <gtest/gtest.h>

#include <bit>
#include <random>
#include <string>

// Xlib last: its macros (None, Status) would clash with the test framework.
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace sysplat {
namespace {

ScreenPixelFormat Direct(int bits, bool msb, uint32_t r, uint32_t g, uint32_t b) {
  ScreenPixelFormat f;
  f.bits_per_pixel = bits;
  f.msb_first = msb;
  f.red_mask = r;
  f.green_mask = g;
  f.blue_mask = b;
  return f;
}

ScreenPixelFormat Mapped(int bits, bool msb, bool bits_msb, int entries) {
  ScreenPixelFormat f;
  f.bits_per_pixel = bits;
  f.msb_first = msb;
  f.bits_msb_first = bits_msb;
  std::mt19937 random(7);
  for (int i = 0; i < entries; ++i)
    f.colours.push_back(
        {static_cast<uint8_t>(random()), static_cast<uint8_t>(random()), static_cast<uint8_t>(random())});
  return f;
}

std::vector<uint8_t> RandomBytes(size_t n, unsigned seed) {
  std::mt19937 random(seed);
  std::vector<uint8_t> out(n);
  for (uint8_t& b : out) b = static_cast<uint8_t>(random());
  return out;
}

struct Layout {
  std::string name;
  ScreenPixelFormat format;
};

std::vector<Layout> Layouts() {
  return {{"32 LSB 888", Direct(32, false, 0xFF0000, 0xFF00, 0xFF)},
          {"32 MSB 888", Direct(32, true, 0xFF0000, 0xFF00, 0xFF)},
          {"32 LSB 10-bit", Direct(32, false, 0x3FF00000, 0xFFC00, 0x3FF)},
          {"24 LSB 888", Direct(24, false, 0xFF0000, 0xFF00, 0xFF)},
          {"24 MSB 888", Direct(24, true, 0xFF0000, 0xFF00, 0xFF)},
          {"16 LSB 565", Direct(16, false, 0xF800, 0x07E0, 0x1F)},
          {"16 LSB 555", Direct(16, false, 0x7C00, 0x03E0, 0x1F)},
          {"16 MSB 565", Direct(16, true, 0xF800, 0x07E0, 0x1F)},
          {"8 colour map", Mapped(8, false, false, 256)},
          {"8 short colour map", Mapped(8, false, false, 100)},
          {"4 LSB", Mapped(4, false, false, 16)},
          {"4 MSB", Mapped(4, true, false, 16)},
          {"1 LSB", Mapped(1, false, false, 2)},
          {"1 MSB", Mapped(1, false, true, 2)}};
}

TEST(ScreenPixels, FastRowsMatchTheReference) {
  for (const Layout& layout : Layouts()) {
    for (const int width : {1, 7, 37}) {
      const std::vector<uint8_t> row = RandomBytes(static_cast<size_t>(width) * 4 + 4, width);
      std::vector<uint8_t> fast(static_cast<size_t>(width) * 3), slow(fast.size());
      ScreenRowToBgr(layout.format, row.data(), width, fast.data());
      ScreenRowToBgrReference(layout.format, row.data(), width, slow.data());
      EXPECT_EQ(fast, slow) << layout.name << ", width " << width;
    }
  }
}

// Xlib's XGetPixel on an image of the same bytes is the authority on where
// each pixel sits (byte order, nibble order, bit order).
TEST(ScreenPixels, ReadsPixelsWhereXlibDoes) {
  for (const int bits : {1, 4, 8, 16, 24, 32})
    for (const bool msb : {false, true}) {
      std::vector<uint8_t> data = RandomBytes(64 * 4, static_cast<unsigned>(bits));
      XImage image{};
      image.width = 64;
      image.height = 1;
      image.format = ZPixmap;
      image.data = reinterpret_cast<char*>(data.data());
      image.byte_order = msb ? MSBFirst : LSBFirst;
      image.bitmap_unit = 8;  // one-bit rows as bytes in their bit order
      image.bitmap_bit_order = msb ? MSBFirst : LSBFirst;
      image.bitmap_pad = 32;
      image.depth = bits == 32 ? 24 : bits;
      image.bits_per_pixel = bits;
      image.bytes_per_line = 64 * 4;
      ASSERT_TRUE(XInitImage(&image));
      ScreenPixelFormat f = Mapped(bits, msb, msb, 0);
      uint32_t mask = bits == 32 ? 0xFFFFFF : static_cast<uint32_t>((uint64_t{1} << bits) - 1);
      for (int x = 0; x < 64; ++x)
        ASSERT_EQ(ReadScreenPixel(f, data.data(), x) & mask, XGetPixel(&image, x, 0) & mask)
            << bits << " bits, " << (msb ? "MSB" : "LSB") << ", x " << x;
    }
}

TEST(ScreenPixels, ChannelsWidenByRepeatingTheirTopBits) {
  const ScreenPixelFormat f = Direct(16, false, 0xF800, 0x07E0, 0x1F);
  EXPECT_EQ(ScreenPixelColour(f, 0xFFFF), (std::array<uint8_t, 3>{255, 255, 255}));
  EXPECT_EQ(ScreenPixelColour(f, 0x8410), (std::array<uint8_t, 3>{132, 130, 132}));
  EXPECT_EQ(ScreenPixelColour(Direct(32, false, 0x3FF00000, 0xFFC00, 0x3FF), 0x3FF00001),
            (std::array<uint8_t, 3>{255, 0, 0}));
  EXPECT_EQ(ScreenPixelColour(Mapped(8, false, false, 4), 200), (std::array<uint8_t, 3>{0, 0, 0}));
}

TEST(ScreenPixels, WriterKeepsTheTopBitsOfDirectColour) {
  for (const Layout& layout : Layouts()) {
    if (!layout.format.colours.empty()) continue;
    ScreenPixelWriter writer(layout.format);
    const std::vector<uint8_t> bgr = RandomBytes(3 * 50, 3);
    std::vector<uint8_t> row(50 * 4), fast(50 * 4), back(bgr.size());
    writer.WriteRow(bgr.data(), 50, fast.data());
    for (int x = 0; x < 50; ++x)
      WriteScreenPixel(layout.format, row.data(), x,
                       writer.PixelOf(bgr[3 * x + 2], bgr[3 * x + 1], bgr[3 * x]));
    EXPECT_EQ(fast, row) << layout.name;
    ScreenRowToBgrReference(layout.format, row.data(), 50, back.data());
    const uint32_t masks[3] = {layout.format.blue_mask, layout.format.green_mask, layout.format.red_mask};
    for (size_t i = 0; i < bgr.size(); ++i) {
      const int lost = 8 - std::min(8, std::popcount(masks[i % 3]));
      ASSERT_EQ(back[i] >> lost, bgr[i] >> lost) << layout.name << ", byte " << i;
    }
  }
}

TEST(ScreenPixels, WriterPicksTheNearestUsableColourMapEntry) {
  ScreenPixelFormat f = Mapped(8, false, false, 0);
  f.colours = {{0, 0, 0}, {250, 0, 0}, {250, 0, 0}, {0, 0, 250}, {255, 255, 255}};
  ScreenPixelWriter all(f);
  EXPECT_EQ(all.PixelOf(255, 10, 10), 1u);  // a tie goes to the lower value
  EXPECT_EQ(all.PixelOf(10, 10, 200), 3u);
  ScreenPixelWriter some(f, {4, 0, 2, 99});  // 99 is past the map and ignored
  EXPECT_EQ(some.PixelOf(255, 10, 10), 2u);
  EXPECT_EQ(some.PixelOf(10, 10, 200), 0u);
  EXPECT_EQ(some.PixelOf(200, 200, 200), 4u);
}

}  // namespace
}  // namespace sysplat
