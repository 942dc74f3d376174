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
  // A 3-3-2 colour cube (red in the low three bits of the index, then green,
  // then blue) with the twenty static colours laid over its first and last
  // ten entries.
  Palette pal(256);
  for (int i = 0; i < 256; ++i)
    pal[static_cast<size_t>(i)] = Rgb((i & 7) * 32, ((i >> 3) & 7) * 32, (i >> 6) * 64);
  const auto& st = StaticColors();
  for (int i = 0; i < 10; ++i) {
    pal[static_cast<size_t>(i)] = st[static_cast<size_t>(i)];
    pal[static_cast<size_t>(246 + i)] = st[static_cast<size_t>(10 + i)];
  }
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

// Appends to `out` the entries of `from` that can be the nearest to some
// colour in the cube of side `step` at `lo`: an entry qualifies when its
// smallest distance to the cube is no more than the largest distance of the
// best-placed entry. Entries tied at that bound stay, and the order is kept,
// so the lowest-index rule still picks the same entry as the full search.
void PaletteMatcher::Filter(const Candidate* from, const Candidate* end, const int lo[3], int step,
                            std::vector<Candidate>& out) {
  int64_t bound = std::numeric_limits<int64_t>::max();
  for (const Candidate* e = from; e != end; ++e) {
    int64_t far = 0;
    for (int k = 0; k < 3; ++k) far += FarSq(e->rgb[k], lo[k], lo[k] + step - 1);
    bound = std::min(bound, far);
  }
  for (const Candidate* e = from; e != end; ++e) {
    int64_t near = 0;
    for (int k = 0; k < 3; ++k) near += NearSq(e->rgb[k], lo[k], lo[k] + step - 1);
    if (near <= bound) out.push_back(*e);
  }
}

// Two passes: cells of side 16 are filtered against the whole table, then
// the cells of side 8 inside each against its list only. Whatever can be
// nearest in a small cell can be nearest in the big one, so nothing is lost.
PaletteMatcher::PaletteMatcher(const Palette& pal) : start_(kCells + 1, 0) {
  std::vector<Candidate> all;
  for (ColorRef c : pal) all.push_back({{RedOf(c), GreenOf(c), BlueOf(c)}, static_cast<int32_t>(all.size())});
  constexpr int kCoarse = 16;
  std::vector<Candidate> coarse;
  std::vector<size_t> coarse_start;
  for (int cell = 0; cell < kCoarse * kCoarse * kCoarse; ++cell) {
    coarse_start.push_back(coarse.size());
    const int lo[3] = {cell % kCoarse * 16, cell / kCoarse % kCoarse * 16, cell / kCoarse / kCoarse * 16};
    Filter(all.data(), all.data() + all.size(), lo, 16, coarse);
  }
  coarse_start.push_back(coarse.size());
  constexpr int kSide = 1 << (8 - kCellBits), kStep = 1 << kCellBits;
  for (int cell = 0; cell < kCells; ++cell) {
    start_[cell] = static_cast<uint32_t>(entries_.size());
    const int lo[3] = {cell % kSide * kStep, cell / kSide % kSide * kStep, cell / kSide / kSide * kStep};
    const size_t parent =
        static_cast<size_t>(lo[0] / 16 + lo[1] / 16 * kCoarse + lo[2] / 16 * kCoarse * kCoarse);
    Filter(coarse.data() + coarse_start[parent], coarse.data() + coarse_start[parent + 1], lo, kStep,
           entries_);
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
    const int dr = e->rgb[0] - r, dg = e->rgb[1] - g, db = e->rgb[2] - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = e->index;
    }
  }
  return best;
}

}  // namespace raster
