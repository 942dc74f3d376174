// The exact bytes of GIF files made by colour reduction, pinned by their
// FNV-1a digests: every change to the octree, the dithering, the encoders or
// the way the work is shared between threads must leave them as they are.
// Pictures cover photo-like shading with noise, pure noise (reductions at
// every level of the tree), flat and few-colour pictures, single rows and
// columns, sizes that are multiples of nothing, and transparency; some are
// large enough to take the two-thread path, some are not.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

#include "io/codecs/gif_codec.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/pixel_storage.h"

namespace zelnor::codecs {
namespace {

uint64_t Fnv1a(const std::vector<uint8_t>& bytes) {
  uint64_t h = 1469598103934665603ull;
  for (uint8_t b : bytes) {
    h ^= b;
    h *= 1099511628211ull;
  }
  return h;
}

// A small linear congruential generator: the same pictures on every
// platform and standard library.
struct Lcg {
  uint32_t state;
  int Next(int n) {
    state = state * 1103515245u + 12345u;
    return static_cast<int>((state >> 16) % static_cast<uint32_t>(n));
  }
};

using PixelFn = raster::ColorRef (*)(int x, int y, int w, int h, Lcg& rng);

raster::PixelStorage Make(int w, int h, uint32_t seed, PixelFn fn) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  Lcg rng{seed};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.SetPixel(x, y, fn(x, y, w, h, rng));
  return p;
}

int Clamp(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Smooth light and shade, a soft ball and sensor-like noise.
raster::ColorRef Photo(int x, int y, int w, int h, Lcg& rng) {
  const double sky = 0.5 + 0.5 * std::sin(x * 6.0 / w) * std::cos(y * 6.0 / h);
  const double d = std::hypot(x - 0.6 * w, y - 0.5 * h) / (0.2 * w);
  const double ball = d < 1 ? 1 - d : 0;
  const int b = Clamp(static_cast<int>(150 - 60 * sky) + rng.Next(13) - 6);
  const int g = Clamp(static_cast<int>(80 + 90 * sky) + rng.Next(13) - 6);
  const int r = Clamp(static_cast<int>(60 + 120 * sky + 70 * ball) + rng.Next(13) - 6);
  return raster::Rgb(r, g, b);
}

raster::ColorRef Noise(int, int, int, int, Lcg& rng) {
  return raster::Rgb(rng.Next(256), rng.Next(256), rng.Next(256));
}

raster::ColorRef Flat(int, int, int, int, Lcg&) { return raster::Rgb(90, 140, 200); }

// Blocks of seven colours with runs, so the run-length codes grow long.
raster::ColorRef FewColours(int x, int y, int, int, Lcg&) {
  static const raster::ColorRef kColours[] = {
      raster::Rgb(255, 0, 0), raster::Rgb(0, 128, 0),   raster::Rgb(20, 20, 220), raster::Rgb(250, 250, 250),
      raster::Rgb(1, 2, 3),   raster::Rgb(128, 64, 32), raster::Rgb(77, 200, 150)};
  return kColours[((x / 9) + 3 * (y / 5)) % 7];
}

// A gradient over the whole cube with equal runs: thousands of colours,
// shallow and deep leaves, repeated neighbours.
raster::ColorRef Gradient(int x, int y, int w, int h, Lcg& rng) {
  const int run = (x / 7) % 3 == 0 ? 0 : rng.Next(23);
  return raster::Rgb((x * 255 / w + run) % 256, (y * 255 / std::max(h, 1) + 2 * run) % 256,
                     ((x ^ y) + run) % 256);
}

struct Case {
  const char* name;
  int w, h;
  uint32_t seed;
  PixelFn fn;
  bool transparent;
  int tx, ty;
};

const Case kCases[] = {
    {"photo 700x500", 700, 500, 777, Photo, false, 0, 0},
    {"photo 301x203", 301, 203, 5, Photo, false, 0, 0},
    {"photo 411x257 transparent", 411, 257, 9, Photo, true, 410, 100},
    {"noise 400x300", 400, 300, 17, Noise, false, 0, 0},
    {"noise 123x77", 123, 77, 21, Noise, false, 0, 0},
    {"flat 64x64", 64, 64, 1, Flat, false, 0, 0},
    {"flat 509x300 transparent", 509, 300, 1, Flat, true, 3, 299},
    {"few colours 97x61", 97, 61, 1, FewColours, false, 0, 0},
    {"few colours 613x211", 613, 211, 1, FewColours, true, 0, 0},
    {"gradient 640x480", 640, 480, 3, Gradient, false, 0, 0},
    {"row 1x1000", 1, 1000, 4, Photo, false, 0, 0},
    {"column 1000x1", 1000, 1, 4, Photo, false, 0, 0},
    {"noise row 65535x1", 65535, 1, 6, Noise, false, 0, 0},
    {"pixel 1x1", 1, 1, 2, Noise, true, 0, 0},
};

// Digests of the files of kCases, mode 0 then mode 1.
const uint64_t kSingle[][2] = {
    {0x1a8af2bf1f54bad5ull, 0xe115d35da2a20eacull}, {0x4238ed7186f0a797ull, 0x895002fabc42f48dull},
    {0x0f1112e2d7e5a03aull, 0x5f211d136d75493full}, {0x9814217abf01151dull, 0x94133df93e2ced9dull},
    {0x2876ea42ffcc584bull, 0x339b2e34d240621cull}, {0x37f79af509970bbcull, 0x37f79af509970bbcull},
    {0x6328cfb8fc49c272ull, 0x803ea40fe305fbd3ull}, {0xaa9c0606da45c510ull, 0xdde0e81899d69e7eull},
    {0x33dcb04376af4600ull, 0xecee32a500c0a77full}, {0x7658fce48fc8138cull, 0x127d7e2abebe091eull},
    {0x842b1d6f6f965aa4ull, 0x8ced392d885e9500ull}, {0xcbeaaaed8bd0891cull, 0x6985b5474ac89781ull},
    {0x427dfbab571d3861ull, 0x28c5afb0b51c285cull}, {0xccbfea7d33ad5c0bull, 0xccbfea7d33ad5c0bull},
};
static_assert(std::size(kSingle) == std::size(kCases));

std::string Hex(uint64_t v) {
  char text[32];
  std::snprintf(text, sizeof text, "0x%016llxull", static_cast<unsigned long long>(v));
  return text;
}

TEST(GifBytes, SingleFramesKeepTheirExactBytes) {
  for (size_t i = 0; i < std::size(kCases); ++i) {
    const Case& c = kCases[i];
    const raster::PixelStorage picture = Make(c.w, c.h, c.seed, c.fn);
    for (int mode : {0, 1}) {
      const uint64_t digest = Fnv1a(EncodeGifImage(picture, mode, c.transparent, c.tx, c.ty));
      EXPECT_EQ(digest, kSingle[i][mode]) << c.name << ", mode " << mode << ": " << Hex(digest);
    }
  }
}

// Frames of different sizes, one of them large enough for two threads of
// its own were it alone, with and without transparency.
TEST(GifBytes, AnimationsKeepTheirExactBytes) {
  std::vector<raster::PixelStorage> frames;
  for (uint32_t i = 0; i < 7; ++i)
    frames.push_back(Make(50 + 61 * static_cast<int>(i), 40 + 37 * static_cast<int>(i), 100 + i,
                          i % 3 == 1 ? Noise : Photo));
  std::vector<const raster::PixelStorage*> pictures;
  for (const auto& f : frames) pictures.push_back(&f);
  const uint64_t expected[2][2] = {{0xdde11260a5bef332ull, 0xc386f4865079c13aull},
                                   {0xb8b4f3d8e1c32129ull, 0x3bec714c1d163265ull}};
  for (int mode : {0, 1})
    for (bool transparent : {false, true}) {
      const uint64_t digest = Fnv1a(EncodeAnimatedGif(pictures, {2, 7, transparent, 49, 39}, mode));
      EXPECT_EQ(digest, expected[mode][transparent ? 1 : 0])
          << "mode " << mode << (transparent ? ", transparent" : "") << ": " << Hex(digest);
    }
}

}  // namespace
}  // namespace zelnor::codecs

namespace zelnor::codecs {
namespace {

// A large colour picture's file is written in one buffer while the rows are
// dithered; it must equal the frame made on its own and laid out by the
// file writer, for every colour layout (converted to 24 bits first), both
// modes, and transparency points at the corners (the index is filled in
// last).
TEST(GifBytes, OneBufferFileEqualsTheWriterOfItsFrame) {
  const raster::PixelStorage photo = Make(389, 211, 44, Photo);
  for (const raster::PixelLayout& layout :
       {raster::kLayout555, raster::kLayout565, raster::kLayout24, raster::kLayout32}) {
    const raster::PixelStorage p = raster::ConvertStorage(photo, layout, {});
    for (int mode : {0, 1})
      for (const auto& point : {std::pair{-1, -1}, std::pair{0, 0}, std::pair{388, 210}}) {
        const bool transparent = point.first >= 0;
        GifFile file;
        file.screen_width = p.width();
        file.screen_height = p.height();
        file.frames.push_back(MakeGifFrame(p, transparent, point.first, point.second, mode));
        EXPECT_EQ(EncodeGifImage(p, mode, transparent, point.first, point.second), EncodeGif(file, mode))
            << layout.bits << " bits (" << layout.green_mask << "), mode " << mode << ", point "
            << point.first << ", " << point.second;
      }
  }
}

// The transparency point is checked before any work, with the frame's
// message, by the one-buffer path as by the others.
TEST(GifBytes, OneBufferFileRefusesAPointOutside) {
  const raster::PixelStorage p = Make(300, 300, 1, Noise);
  for (const auto& point : {std::pair{300, 0}, std::pair{0, 300}}) {
    try {
      EncodeGifImage(p, 0, true, point.first, point.second);
      FAIL() << "no failure";
    } catch (const std::runtime_error& e) {
      EXPECT_STREQ(e.what(), "Invalid pixel coordinates");
    }
  }
}

}  // namespace
}  // namespace zelnor::codecs
