// Colour reduction: palette layout, the octree's reduction order and the
// dithering arithmetic on small pictures whose outcome is worked out by hand.
#include "io/gif/quantizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <set>

namespace zelnor::gif {
namespace {

struct Picture {
  int w, h;
  std::vector<uint8_t> bgr;
  BgrImage View() const { return BgrImage{w, h, 3 * static_cast<int64_t>(w), bgr.data()}; }
};

Picture FromColours(const std::vector<raster::ColorRef>& colours, int w) {
  Picture p{w, static_cast<int>(colours.size()) / w, {}};
  for (raster::ColorRef c : colours) {
    p.bgr.push_back(static_cast<uint8_t>(raster::BlueOf(c)));
    p.bgr.push_back(static_cast<uint8_t>(raster::GreenOf(c)));
    p.bgr.push_back(static_cast<uint8_t>(raster::RedOf(c)));
  }
  return p;
}

// Depth-first octree order: red, green, blue bits interleaved from the top.
uint32_t TreeKey(raster::ColorRef c) {
  uint32_t key = 0;
  for (int bit = 7; bit >= 0; --bit)
    key = (key << 3) | (((raster::RedOf(c) >> bit) & 1) << 2) | (((raster::GreenOf(c) >> bit) & 1) << 1) |
          ((raster::BlueOf(c) >> bit) & 1);
  return key;
}

std::vector<raster::ColorRef> SortedByTree(std::vector<raster::ColorRef> v) {
  std::sort(v.begin(), v.end(), [](auto a, auto b) { return TreeKey(a) < TreeKey(b); });
  return v;
}

// Distinct colours that share no 15-bit cell with each other or with the
// static colours, so each maps to its own entry without error.
std::vector<raster::ColorRef> DistinctColours(int n) {
  std::vector<raster::ColorRef> out;
  for (int i = 0; static_cast<int>(out.size()) < n; ++i)
    out.push_back(raster::Rgb(20 + 8 * (i % 25), 36 + 40 * ((i / 25) % 5), 44 + 40 * (i / 125)));
  return out;
}

TEST(ColourReduction, FewColoursLandExactlyFromEntryTen) {
  const std::vector<raster::ColorRef> colours = DistinctColours(100);
  std::vector<raster::ColorRef> pixels;
  for (int rep = 0; rep < 3; ++rep) pixels.insert(pixels.end(), colours.begin(), colours.end());
  const Picture pic = FromColours(pixels, 100);
  const IndexedImage out = ReduceColors(pic.View());

  ASSERT_EQ(out.palette.size(), 256u);
  const auto& statics = raster::StaticColors();
  for (int i = 0; i < 10; ++i) {
    EXPECT_EQ(out.palette[i], statics[i]);
    EXPECT_EQ(out.palette[246 + i], statics[10 + i]);
  }
  const std::vector<raster::ColorRef> expected = SortedByTree(colours);
  EXPECT_EQ(std::vector<raster::ColorRef>(out.palette.begin() + 10, out.palette.begin() + 110), expected);
  for (int i = 110; i < 246; ++i) EXPECT_EQ(out.palette[i], 0u) << "entry " << i;
  // Every pixel keeps its exact colour.
  for (size_t i = 0; i < pixels.size(); ++i)
    ASSERT_EQ(out.palette[out.pixels[i]], pixels[i]) << "pixel " << i;
}

TEST(ColourReduction, ReducesTheNewestDeepestNodeFirst) {
  // 234 colours with a parent each, then a pair P sharing a parent (236
  // leaves), then a pair Q sharing another parent.  Q's first colour makes 237
  // leaves: the newest level-7 node (Q's, one child) folds without gain, then
  // P's folds into one leaf.  Q's second colour joins Q's folded leaf.
  std::vector<raster::ColorRef> colours;
  for (int i = 0; i < 234; ++i) colours.push_back(raster::Rgb(2 * (i % 100), 4 * (i / 100), 100));
  const raster::ColorRef p1 = raster::Rgb(200, 10, 10), p2 = raster::Rgb(201, 10, 10);
  const raster::ColorRef q1 = raster::Rgb(10, 200, 10), q2 = raster::Rgb(10, 201, 11);
  colours.insert(colours.end(), {p1, p2, q1, q2});
  const Picture pic = FromColours(colours, static_cast<int>(colours.size()));
  const raster::Palette palette = OptimisedPalette(pic.View());

  std::vector<raster::ColorRef> leaves(colours.begin(), colours.begin() + 234);
  leaves.push_back(raster::Rgb(200, 10, 10));  // (200 + 201) / 2
  leaves.push_back(raster::Rgb(10, 200, 10));  // q1 and q2 summed: (10+10)/2, (200+201)/2, (10+11)/2
  const std::vector<raster::ColorRef> expected = SortedByTree(leaves);
  EXPECT_EQ(std::vector<raster::ColorRef>(palette.begin() + 10, palette.begin() + 246), expected);
}

TEST(ColourReduction, DiffusesErrorSerpentineWithinThePicture) {
  // Grey 100 on a black/white palette, 3 x 2, worked by hand: row 0 left to
  // right gives 100 -> black (e 100), 144 -> white (e -111), 52 -> black;
  // row 1 right to left starts from errors 167, -299, 149 (shares beyond the
  // edges dropped) and gives 109 -> black, 129 -> white, 56 -> black.
  const Picture pic = FromColours(std::vector<raster::ColorRef>(6, raster::Rgb(100, 100, 100)), 3);
  const raster::Palette bw = {raster::Rgb(0, 0, 0), raster::Rgb(255, 255, 255)};
  EXPECT_EQ(DitherToPalette(pic.View(), bw), (std::vector<uint8_t>{0, 1, 0, 0, 1, 0}));

  // The share is (error + 8) / 16 truncated toward zero: pixel (1, 1) meets
  // 2 + 5 * -5 = -23 sixteenths, which moves 128 by 0 (floor would give -1
  // and turn it black).
  const auto g = [](int v) { return raster::Rgb(v, v, v); };
  const Picture quad = FromColours({g(2), g(249), g(0), g(128)}, 2);
  EXPECT_EQ(DitherToPalette(quad.View(), bw), (std::vector<uint8_t>{0, 1, 0, 1}));
}

TEST(ColourReduction, CacheCellPrefersFirstEntryAndTiesGoLow) {
  // Both entries fall in the same 15-bit cell as the colour: the first entry
  // owns the cell even though the second is the exact colour.
  const raster::Palette pal = {raster::Rgb(8, 8, 8), raster::Rgb(9, 9, 9)};
  EXPECT_EQ(DitherToPalette(FromColours({raster::Rgb(9, 9, 9)}, 1).View(), pal), (std::vector<uint8_t>{0}));
  // Equal distances choose the lower index.
  const raster::Palette tie = {raster::Rgb(0, 0, 0), raster::Rgb(100, 0, 0), raster::Rgb(0, 100, 0)};
  EXPECT_EQ(DitherToPalette(FromColours({raster::Rgb(50, 50, 0)}, 1).View(), tie), (std::vector<uint8_t>{0}));
}

}  // namespace
}  // namespace zelnor::gif

namespace zelnor::gif {
namespace {

TEST(ColourReduction, FastNearestEntryAgreesWithReference) {
  std::mt19937 rng(5);
  for (int round = 0; round < 50; ++round) {
    raster::Palette pal(256);
    // Few distinct values make many ties.
    const int spread = round % 2 ? 256 : 4;
    for (auto& c : pal)
      c = raster::Rgb(rng() % spread * (256 / spread), rng() % spread * (256 / spread), rng() % 256);
    const PaletteChannels ch(pal);
    for (int i = 0; i < 2000; ++i) {
      const int r = rng() % 256, g = rng() % 256, b = rng() % 256;
      ASSERT_EQ(NearestEntry(ch, r, g, b), NearestEntryReference(ch, r, g, b)) << r << "," << g << "," << b;
    }
  }
}

TEST(ColourReduction, WalkShortcutsAgreeWithTheFullWalk) {
  // Smooth shading with noise (reductions at every level) and repeated runs.
  Picture pic{400, 300, {}};
  std::mt19937 rng(8);
  for (int y = 0; y < pic.h; ++y)
    for (int x = 0; x < pic.w; ++x) {
      const int run = (x / 7) % 3 == 0 ? 0 : static_cast<int>(rng() % 23);
      pic.bgr.push_back(static_cast<uint8_t>((x * 255 / pic.w + run) % 256));
      pic.bgr.push_back(static_cast<uint8_t>((y * 255 / pic.h + 2 * run) % 256));
      pic.bgr.push_back(static_cast<uint8_t>(((x ^ y) + run) % 256));
    }
  EXPECT_EQ(OptimisedPalette(pic.View()), OptimisedPaletteReference(pic.View()));
}

}  // namespace
}  // namespace zelnor::gif

namespace zelnor::gif {
namespace {

// The cell table of the octree must reach the leaf the full walk reaches
// after every kind of reduction: uniform noise folds the tree up to levels 2
// and 3 (cells filled by whole ranges), then shading revisits those cells;
// a few colours with runs never reduce; a single column and a single row
// change colour at every pixel.
TEST(ColourReduction, CellTableAgreesWithTheFullWalk) {
  std::mt19937 rng(11);
  auto picture = [&](int w, int h, auto colour) {
    Picture p{w, h, {}};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const raster::ColorRef c = colour(x, y);
        p.bgr.insert(p.bgr.end(),
                     {static_cast<uint8_t>(raster::BlueOf(c)), static_cast<uint8_t>(raster::GreenOf(c)),
                      static_cast<uint8_t>(raster::RedOf(c))});
      }
    return p;
  };
  const Picture noise_then_shade = picture(300, 200, [&](int x, int y) {
    if (y < 100) return raster::Rgb(rng() % 256, rng() % 256, rng() % 256);
    return raster::Rgb(x * 255 / 300, (y - 100) * 2, (x + y) % 256);
  });
  const Picture shade_then_noise = picture(300, 200, [&](int x, int y) {
    if (y >= 100) return raster::Rgb(rng() % 256, rng() % 256, rng() % 256);
    return raster::Rgb((x * 3) % 256, y * 2, 255 - (x % 200));
  });
  const Picture few =
      picture(97, 31, [](int x, int y) { return raster::Rgb(40 * ((x / 5) % 6), 200, 30 * (y % 4)); });
  const Picture column =
      picture(1, 3000, [&](int, int y) { return raster::Rgb(y % 256, rng() % 256, 7 * y % 256); });
  const Picture row = picture(3000, 1, [&](int x, int) { return raster::Rgb(rng() % 256, x % 256, 100); });
  for (const Picture* p : {&noise_then_shade, &shade_then_noise, &few, &column, &row})
    EXPECT_EQ(OptimisedPalette(p->View()), OptimisedPaletteReference(p->View())) << p->w << " x " << p->h;
}

}  // namespace
}  // namespace zelnor::gif

namespace zelnor::gif {
namespace {

// The fast dithering loop takes each entry's colour from the cache cell; it
// must choose exactly the indices of the plain loop, on the picture's own
// optimised palette and on small palettes whose errors grow large (clamping
// at both ends), for every shape of picture.
TEST(ColourReduction, FastDitheringAgreesWithThePlainLoop) {
  std::mt19937 rng(23);
  auto picture = [&](int w, int h, int kind) {
    Picture p{w, h, {}};
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) {
        const int n = static_cast<int>(rng() % 9);
        int r = 0, g = 0, b = 0;
        if (kind == 0) {  // shading with noise
          r = (x * 255 / w + n) % 256, g = (y * 255 / std::max(h, 1) + n) % 256, b = (x + y) % 256;
        } else if (kind == 1) {  // noise
          r = static_cast<int>(rng() % 256), g = static_cast<int>(rng() % 256),
          b = static_cast<int>(rng() % 256);
        } else {  // extremes: errors pushed past 0 and 255
          r = (x + y) % 2 ? 255 : 0, g = n < 4 ? 250 : 3, b = 128;
        }
        p.bgr.insert(p.bgr.end(),
                     {static_cast<uint8_t>(b), static_cast<uint8_t>(g), static_cast<uint8_t>(r)});
      }
    return p;
  };
  const raster::Palette bw = {raster::Rgb(0, 0, 0), raster::Rgb(255, 255, 255)};
  raster::Palette sixteen;
  for (int i = 0; i < 16; ++i) sixteen.push_back(raster::Rgb(17 * i, 255 - 17 * i, (i * 91) % 256));
  const int sizes[][2] = {{1, 1}, {1, 333}, {333, 1}, {2, 2}, {37, 53}, {256, 3}, {301, 199}};
  for (const auto& size : sizes)
    for (int kind = 0; kind < 3; ++kind) {
      const Picture p = picture(size[0], size[1], kind);
      const raster::Palette own = OptimisedPalette(p.View());
      const std::vector<const raster::Palette*> palettes = {&own, &bw, &sixteen};
      for (const raster::Palette* pal : palettes)
        ASSERT_EQ(DitherToPalette(p.View(), *pal), DitherToPaletteReference(p.View(), *pal))
            << size[0] << " x " << size[1] << ", kind " << kind << ", " << pal->size() << " entries";
    }
}

}  // namespace
}  // namespace zelnor::gif
