#include "platform/raster/colour.h"

#include <algorithm>
#include <limits>

namespace raster {

const std::array<ColorRef, 20>& StaticColors() {
  static const std::array<ColorRef, 20> kColors = {
      Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),     Rgb(128, 128, 0),   Rgb(0, 0, 128),
      Rgb(128, 0, 128),   Rgb(0, 128, 128),   Rgb(192, 192, 192), Rgb(192, 220, 192), Rgb(166, 202, 240),
      Rgb(255, 251, 240), Rgb(160, 160, 164), Rgb(128, 128, 128), Rgb(255, 0, 0),     Rgb(0, 255, 0),
      Rgb(255, 255, 0),   Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(0, 255, 255),   Rgb(255, 255, 255)};
  return kColors;
}

const Palette& MonochromePalette() {
  static const Palette kPal = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
  return kPal;
}

const Palette& VgaPalette() {
  // Colour values 0x00BBGGRR in the order of the standard 16-colour table.
  static const Palette kPal = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                               0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  return kPal;
}

namespace {
Palette MakeHalftone() {
  Palette pal;
  pal.reserve(256);
  const auto& st = StaticColors();
  for (int i = 0; i < 10; ++i) pal.push_back(st[i]);
  for (int b = 0; b < 6; ++b)
    for (int g = 0; g < 6; ++g)
      for (int r = 0; r < 6; ++r) pal.push_back(Rgb(r * 51, g * 51, b * 51));
  // Twenty greys that fall between the cube's six grey levels: four in each
  // of the five intervals.
  for (int step = 0; step < 5; ++step)
    for (int k = 1; k <= 4; ++k) {
      int v = step * 51 + (k * 51 + 2) / 5;
      pal.push_back(Rgb(v, v, v));
    }
  for (int i = 10; i < 20; ++i) pal.push_back(st[i]);
  return pal;
}
}  // namespace

const Palette& HalftonePalette() {
  static const Palette kPal = MakeHalftone();
  return kPal;
}

int NearestPaletteIndex(const Palette& pal, ColorRef c) {
  int best = 0;
  int best_d = 1 << 30;
  const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  for (std::size_t i = 0; i < pal.size(); ++i) {
    int dr = RedOf(pal[i]) - r, dg = GreenOf(pal[i]) - g, db = BlueOf(pal[i]) - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return best;
}

namespace {
// Squared distance from a value to the range [lo, hi], and to its far end.
int64_t NearSq(int v, int lo, int hi) {
  const int d = v < lo ? lo - v : (v > hi ? v - hi : 0);
  return int64_t{d} * d;
}
int64_t FarSq(int v, int lo, int hi) {
  const int d = std::max(v - lo, hi - v);
  return int64_t{d} * d;
}
}  // namespace

// For each cell, an entry can only be the nearest to some colour in the cell
// when its smallest distance to the cell is no more than the largest distance
// of the best-placed entry; entries tied at that bound stay too, so the
// lowest-index rule still picks the same entry as the full search.
PaletteMatcher::PaletteMatcher(const Palette& pal) : start_(kCells + 1, 0) {
  std::vector<Candidate> all;
  for (ColorRef c : pal) all.push_back({RedOf(c), GreenOf(c), BlueOf(c), static_cast<int32_t>(all.size())});
  const int n = static_cast<int>(pal.size());
  const int side = 1 << (8 - kCellBits);
  const int step = 1 << kCellBits;
  std::vector<int64_t> near(static_cast<size_t>(n));
  for (int cell = 0; cell < kCells; ++cell) {
    start_[cell] = static_cast<uint32_t>(entries_.size());
    const int lo[3] = {(cell % side) * step, (cell / side % side) * step, (cell / side / side) * step};
    int64_t bound = std::numeric_limits<int64_t>::max();
    for (int i = 0; i < n; ++i) {
      int64_t nd = 0, fd = 0;
      const int rgb[3] = {all[static_cast<size_t>(i)].r, all[static_cast<size_t>(i)].g,
                          all[static_cast<size_t>(i)].b};
      for (int k = 0; k < 3; ++k) {
        nd += NearSq(rgb[k], lo[k], lo[k] + step - 1);
        fd += FarSq(rgb[k], lo[k], lo[k] + step - 1);
      }
      near[static_cast<size_t>(i)] = nd;
      bound = std::min(bound, fd);
    }
    for (int i = 0; i < n; ++i)
      if (near[static_cast<size_t>(i)] <= bound) entries_.push_back(all[static_cast<size_t>(i)]);
  }
  start_[kCells] = static_cast<uint32_t>(entries_.size());
}

int PaletteMatcher::Index(int r, int g, int b) const {
  const int side_bits = 8 - kCellBits;
  const int cell = (r >> kCellBits) | ((g >> kCellBits) << side_bits) | ((b >> kCellBits) << (2 * side_bits));
  int best = 0;
  int best_d = std::numeric_limits<int>::max();
  const Candidate* end = entries_.data() + start_[cell + 1];
  for (const Candidate* e = entries_.data() + start_[cell]; e != end; ++e) {
    const int dr = e->r - r, dg = e->g - g, db = e->b - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = e->index;
    }
  }
  return best;
}

}  // namespace raster
