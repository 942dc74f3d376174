#include "io/gif/quantizer.h"

#include <algorithm>
#include <bit>
#include <array>
#include <cstdlib>
#include <limits>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

namespace zelnor::gif {

PaletteChannels::PaletteChannels(const raster::Palette& palette) : size(static_cast<int>(palette.size())) {
  for (size_t i = 0; i < palette.size() && i < 256; ++i) {
    red[i] = static_cast<int16_t>(raster::RedOf(palette[i]));
    green[i] = static_cast<int16_t>(raster::GreenOf(palette[i]));
    blue[i] = static_cast<int16_t>(raster::BlueOf(palette[i]));
  }
  size = std::min(size, 256);
}

int NearestEntryReference(const PaletteChannels& p, int r, int g, int b) {
  int best = 0, best_distance = std::numeric_limits<int>::max();
  for (int i = 0; i < p.size; ++i) {
    const int d = std::abs(r - p.red[i]) + std::abs(g - p.green[i]) + std::abs(b - p.blue[i]);
    if (d < best_distance) {
      best_distance = d;
      best = i;
    }
  }
  return best;
}

#if defined(__SSE2__)
// Eight entries at a time in 16-bit lanes (distances are at most 765): the
// smallest distance first, then the lowest entry that has it.
int NearestEntry(const PaletteChannels& p, int r, int g, int b) {
  if (p.size != 256) return NearestEntryReference(p, r, g, b);
  const __m128i vr = _mm_set1_epi16(static_cast<int16_t>(r)), vg = _mm_set1_epi16(static_cast<int16_t>(g)),
                vb = _mm_set1_epi16(static_cast<int16_t>(b));
  auto absdiff = [](__m128i a, __m128i x) { return _mm_sub_epi16(_mm_max_epi16(a, x), _mm_min_epi16(a, x)); };
  alignas(16) int16_t distance[256];
  __m128i smallest = _mm_set1_epi16(INT16_MAX);
  for (int i = 0; i < 256; i += 8) {
    const __m128i d = _mm_add_epi16(
        _mm_add_epi16(absdiff(vr, _mm_load_si128(reinterpret_cast<const __m128i*>(p.red + i))),
                      absdiff(vg, _mm_load_si128(reinterpret_cast<const __m128i*>(p.green + i)))),
        absdiff(vb, _mm_load_si128(reinterpret_cast<const __m128i*>(p.blue + i))));
    _mm_store_si128(reinterpret_cast<__m128i*>(distance + i), d);
    smallest = _mm_min_epi16(smallest, d);
  }
  smallest = _mm_min_epi16(smallest, _mm_shuffle_epi32(smallest, _MM_SHUFFLE(1, 0, 3, 2)));
  smallest = _mm_min_epi16(smallest, _mm_shuffle_epi32(smallest, _MM_SHUFFLE(2, 3, 0, 1)));
  smallest = _mm_min_epi16(smallest, _mm_shufflelo_epi16(_mm_shufflehi_epi16(smallest, _MM_SHUFFLE(2, 3, 0, 1)),
                                                         _MM_SHUFFLE(2, 3, 0, 1)));
  for (int i = 0; i < 256; i += 8) {
    const int mask =
        _mm_movemask_epi8(_mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(distance + i)), smallest));
    if (mask != 0) return i + std::countr_zero(static_cast<unsigned>(mask)) / 2;
  }
  return 0;
}
#else
int NearestEntry(const PaletteChannels& p, int r, int g, int b) { return NearestEntryReference(p, r, g, b); }
#endif

namespace {

constexpr int kLevels = 8;
constexpr int32_t kNone = -1;

// Octree over 8 bits per channel.  Nodes live in one pool and are recycled
// through a free list; each level keeps a list of reducible (non-leaf) nodes
// with the newest at the front.
class Octree {
 public:
  Octree() {
    heads_.fill(kNone);
    root_ = NewNode(0);
  }

  void Add(uint8_t r, uint8_t g, uint8_t b) {
    int32_t node = root_;
    for (int level = 0; !nodes_[node].leaf; ++level) {
      const int shift = 7 - level;
      const int child = (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
      int32_t next = nodes_[node].children[child];
      if (next == kNone) {
        next = NewNode(level + 1);
        nodes_[node].children[child] = next;
      }
      node = next;
    }
    Node& leaf = nodes_[node];
    leaf.red += r;
    leaf.green += g;
    leaf.blue += b;
    leaf.count += 1;
    while (leaves_ > kOctreeLeaves) Reduce();
  }

  // Leaf colours in depth-first order, children 0 to 7.
  void CollectLeaves(raster::Palette& out) const { Collect(root_, out); }

 private:
  struct Node {
    uint64_t red = 0, green = 0, blue = 0, count = 0;
    std::array<int32_t, 8> children;
    int32_t next_reducible = kNone;
    bool leaf = false;
  };

  int32_t NewNode(int level) {
    int32_t id;
    if (free_ != kNone) {
      id = free_;
      free_ = nodes_[id].next_reducible;
    } else {
      id = static_cast<int32_t>(nodes_.size());
      nodes_.emplace_back();
    }
    Node& n = nodes_[id];
    n = Node{};
    n.children.fill(kNone);
    if (level == kLevels) {
      n.leaf = true;
      ++leaves_;
    } else {
      n.next_reducible = heads_[level];
      heads_[level] = id;
    }
    return id;
  }

  // Folds the front node of the deepest non-empty reducible list into a leaf.
  void Reduce() {
    int level = kLevels - 1;
    while (level > 0 && heads_[level] == kNone) --level;
    const int32_t id = heads_[level];
    if (id == kNone) return;
    heads_[level] = nodes_[id].next_reducible;
    Node& n = nodes_[id];
    int children = 0;
    for (int32_t& c : n.children) {
      if (c == kNone) continue;
      n.red += nodes_[c].red;
      n.green += nodes_[c].green;
      n.blue += nodes_[c].blue;
      n.count += nodes_[c].count;
      nodes_[c].next_reducible = free_;
      free_ = c;
      c = kNone;
      ++children;
    }
    n.leaf = true;
    n.next_reducible = kNone;
    leaves_ -= children - 1;
  }

  void Collect(int32_t id, raster::Palette& out) const {
    const Node& n = nodes_[id];
    if (n.leaf) {
      if (n.count == 0) {
        out.push_back(raster::Rgb(0, 0, 0));
      } else {
        out.push_back(raster::Rgb(static_cast<int>(n.red / n.count), static_cast<int>(n.green / n.count),
                                  static_cast<int>(n.blue / n.count)));
      }
      return;
    }
    for (int32_t c : n.children)
      if (c != kNone) Collect(c, out);
  }

  std::vector<Node> nodes_;
  std::array<int32_t, kLevels> heads_;
  int32_t root_ = kNone;
  int32_t free_ = kNone;
  int leaves_ = 0;
};

// Nearest palette entry by the sum of absolute channel differences, with a
// cache of one cell per 15-bit colour.  Cells are pre-set to the entries whose
// own colour falls in them (first entry wins), so a colour that shares a cell
// with a palette entry maps to that entry.
class PaletteLookup {
 public:
  explicit PaletteLookup(const raster::Palette& palette) : channels_(palette), cells_(32768, kEmpty) {
    for (size_t i = 0; i < palette.size(); ++i) {
      const raster::ColorRef c = palette[i];
      int16_t& cell = cells_[Key(raster::RedOf(c), raster::GreenOf(c), raster::BlueOf(c))];
      if (cell == kEmpty) cell = static_cast<int16_t>(i);
    }
  }

  int Index(int r, int g, int b) {
    int16_t& cell = cells_[Key(r, g, b)];
    if (cell == kEmpty) cell = static_cast<int16_t>(NearestEntry(channels_, r, g, b));
    return cell;
  }

 private:
  static constexpr int16_t kEmpty = -1;
  static int Key(int r, int g, int b) { return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3); }

  const PaletteChannels channels_;
  std::vector<int16_t> cells_;
};

int ClampChannel(int v) { return v < 0 ? 0 : (v > 255 ? 255 : v); }

// Error rows in sixteenths: three channels per pixel with one pixel of margin
// on both sides, so shares that fall left or right of the picture land in the
// margin and are dropped.
class ErrorRows {
 public:
  explicit ErrorRows(int width) : current_(Size(width), 0), next_(Size(width), 0) {}
  int* Current(int x) { return &current_[3 * static_cast<size_t>(x + 1)]; }
  int* Next(int x) { return &next_[3 * static_cast<size_t>(x + 1)]; }
  void Advance() {
    current_.swap(next_);
    std::fill(next_.begin(), next_.end(), 0);
  }

 private:
  static size_t Size(int width) { return 3 * (static_cast<size_t>(width) + 2); }
  std::vector<int> current_, next_;
};

void DitherRow(const BgrImage& image, int y, const raster::Palette& palette, PaletteLookup& lookup,
               ErrorRows& errors, uint8_t* out) {
  const uint8_t* row = image.Row(y);
  const bool forward = (y % 2) == 0;
  const int step = forward ? 1 : -1;
  int x = forward ? 0 : image.width - 1;
  for (int i = 0; i < image.width; ++i, x += step) {
    const uint8_t* px = row + 3 * static_cast<size_t>(x);
    int* err = errors.Current(x);
    // Channels in the order red, green, blue.
    const int value[3] = {ClampChannel(px[2] + (err[0] + 8) / 16), ClampChannel(px[1] + (err[1] + 8) / 16),
                          ClampChannel(px[0] + (err[2] + 8) / 16)};
    const int index = lookup.Index(value[0], value[1], value[2]);
    out[x] = static_cast<uint8_t>(index);
    const raster::ColorRef c = palette[static_cast<size_t>(index)];
    const int chosen[3] = {raster::RedOf(c), raster::GreenOf(c), raster::BlueOf(c)};
    int* ahead = errors.Current(x + step);
    int* below_behind = errors.Next(x - step);
    int* below = errors.Next(x);
    int* below_ahead = errors.Next(x + step);
    for (int ch = 0; ch < 3; ++ch) {
      const int e = value[ch] - chosen[ch];
      ahead[ch] += 7 * e;
      below_behind[ch] += 3 * e;
      below[ch] += 5 * e;
      below_ahead[ch] += e;
    }
  }
}

}  // namespace

raster::Palette OptimisedPalette(const BgrImage& image) {
  Octree tree;
  for (int y = 0; y < image.height; ++y) {
    const uint8_t* row = image.Row(y);
    for (int x = 0; x < image.width; ++x) tree.Add(row[3 * x + 2], row[3 * x + 1], row[3 * x]);
  }
  raster::Palette leaves;
  tree.CollectLeaves(leaves);

  const auto& statics = raster::StaticColors();
  raster::Palette palette(256, raster::Rgb(0, 0, 0));
  for (int i = 0; i < 10; ++i) {
    palette[static_cast<size_t>(i)] = statics[static_cast<size_t>(i)];
    palette[static_cast<size_t>(246 + i)] = statics[static_cast<size_t>(10 + i)];
  }
  for (size_t i = 0; i < leaves.size() && i < kOctreeLeaves; ++i) palette[kFirstOctreeEntry + i] = leaves[i];
  return palette;
}

std::vector<uint8_t> DitherToPalette(const BgrImage& image, const raster::Palette& palette) {
  std::vector<uint8_t> pixels(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  if (pixels.empty()) return pixels;
  PaletteLookup lookup(palette);
  ErrorRows errors(image.width);
  for (int y = 0; y < image.height; ++y) {
    DitherRow(image, y, palette, lookup, errors, pixels.data() + static_cast<size_t>(y) * image.width);
    errors.Advance();
  }
  return pixels;
}

IndexedImage ReduceColors(const BgrImage& image) {
  IndexedImage out;
  out.width = image.width;
  out.height = image.height;
  out.palette = OptimisedPalette(image);
  out.pixels = DitherToPalette(image, out.palette);
  return out;
}

}  // namespace zelnor::gif
