#include "io/gif/quantizer.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstdlib>
#include <limits>
#include <memory>
#include <stdexcept>

#include "platform/cpu/cpu.h"

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
  if (p.size != 256 || !cpu::Has(cpu::Isa::kSse2)) return NearestEntryReference(p, r, g, b);
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
  smallest = _mm_min_epi16(
      smallest,
      _mm_shufflelo_epi16(_mm_shufflehi_epi16(smallest, _MM_SHUFFLE(2, 3, 0, 1)), _MM_SHUFFLE(2, 3, 0, 1)));
  for (int i = 0; i < 256; i += 8) {
    const int mask = _mm_movemask_epi8(
        _mm_cmpeq_epi16(_mm_load_si128(reinterpret_cast<const __m128i*>(distance + i)), smallest));
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
// with the newest at the front.  The links are kept apart from the colour
// sums, which are touched only once per pixel, at its leaf.
class Octree {
 public:
  explicit Octree(bool cell_table) : use_cells_(cell_table) {
    heads_.fill(kNone);
    if (use_cells_) cells_.assign(kCells, kEmptyCell);
    root_ = NewNode(0, 0);
  }

  void Add(uint8_t r, uint8_t g, uint8_t b) {
    const uint32_t colour = static_cast<uint32_t>(r) << 16 | static_cast<uint32_t>(g) << 8 | b;
    // A pixel equal to the previous one reaches the same leaf unless a
    // reduction has changed the tree since.  The plain path walks from the
    // root every time.
    int32_t node = last_leaf_;
    if (!use_cells_) {
      node = Descend(r, g, b);
    } else if (colour != last_colour_ || node == kNone) {
      node = FindThroughCells(r, g, b);
    }
    last_colour_ = colour;
    last_leaf_ = node;
    Sums& leaf = sums_[static_cast<size_t>(node)];
    leaf.red += r;
    leaf.green += g;
    leaf.blue += b;
    leaf.count += 1;
    while (leaves_ > kOctreeLeaves) Reduce();
  }

  // Leaf colours in depth-first order, children 0 to 7.
  void CollectLeaves(raster::Palette& out) const { Collect(root_, out); }

 private:
  struct Links {
    std::array<int32_t, 8> children;
    int32_t next_reducible;
    uint32_t path;  // the child indices from the root, three bits per level
    bool leaf;
  };
  struct Sums {
    uint64_t red = 0, green = 0, blue = 0, count = 0;
  };

  // The cell table has one cell per colour prefix of kCellLevels levels
  // (the top five bits of each channel, in the order of the tree's path).
  // A cell names the leaf that all its colours reach, when that leaf is at
  // level kCellLevels or above, or else the node of level kCellLevels
  // where their walks continue; empty when not known yet.  Most pixels thus
  // reach their leaf in one look-up.  Nodes are only ever added below the
  // missing child of a walk, which leaves every recorded cell true; a
  // reduction above level kCellLevels frees nodes that cells may name, so
  // it points the cells of its whole range at the new leaf.
  static constexpr int kCellLevels = 5;
  static constexpr size_t kCells = size_t{1} << (3 * kCellLevels);
  // A cell holds a node number (below 2^15: the tree never holds more than
  // about 9 x 237 nodes), with the top bit set when that node is a leaf.
  static constexpr uint16_t kLeafCell = 0x8000;
  static constexpr uint16_t kEmptyCell = 0x7FFF;

  // The five top bits of a channel spread three places apart.
  static constexpr std::array<uint16_t, 32> kSpread = [] {
    std::array<uint16_t, 32> t{};
    for (int v = 0; v < 32; ++v)
      for (int bit = 0; bit < 5; ++bit)
        t[static_cast<size_t>(v)] |= static_cast<uint16_t>(((v >> bit) & 1) << (3 * bit));
    return t;
  }();

  static int ChildIndex(uint8_t r, uint8_t g, uint8_t b, int level) {
    const int shift = 7 - level;
    return (((r >> shift) & 1) << 2) | (((g >> shift) & 1) << 1) | ((b >> shift) & 1);
  }

  int32_t FindThroughCells(uint8_t r, uint8_t g, uint8_t b) {
    const size_t key = static_cast<size_t>(kSpread[r >> 3] << 2 | kSpread[g >> 3] << 1 | kSpread[b >> 3]);
    const uint16_t cell = cells_[key];
    if (cell & kLeafCell) return cell & ~kLeafCell;  // also false for an empty cell
    if (cell != kEmptyCell) return Walk(cell, kCellLevels, r, g, b);
    int32_t node = root_;
    int level = 0;
    for (; level < kCellLevels && !links_[static_cast<size_t>(node)].leaf; ++level)
      node = Child(node, level, r, g, b);
    cells_[key] = CellOf(node);
    return Walk(node, level, r, g, b);
  }

  uint16_t CellOf(int32_t node) const {
    return static_cast<uint16_t>(node | (links_[static_cast<size_t>(node)].leaf ? kLeafCell : 0));
  }

  // Finds (making what is missing) the leaf of a colour from the root.
  int32_t Descend(uint8_t r, uint8_t g, uint8_t b) { return Walk(root_, 0, r, g, b); }

  int32_t Walk(int32_t node, int level, uint8_t r, uint8_t g, uint8_t b) {
    for (; !links_[static_cast<size_t>(node)].leaf; ++level) node = Child(node, level, r, g, b);
    return node;
  }

  // The child of `node` (at `level`) on the colour's path, made if missing.
  int32_t Child(int32_t node, int level, uint8_t r, uint8_t g, uint8_t b) {
    const int child = ChildIndex(r, g, b, level);
    int32_t next = links_[static_cast<size_t>(node)].children[static_cast<size_t>(child)];
    if (next == kNone) {
      const uint32_t path = links_[static_cast<size_t>(node)].path << 3 | static_cast<uint32_t>(child);
      next = NewNode(level + 1, path);
      links_[static_cast<size_t>(node)].children[static_cast<size_t>(child)] = next;
    }
    return next;
  }

  void MakeLeaf(int32_t id) {
    Links& n = links_[static_cast<size_t>(id)];
    n.leaf = true;
    n.next_reducible = kNone;
    n.children.fill(kNone);
  }

  int32_t NewNode(int level, uint32_t path) {
    int32_t id;
    if (free_ != kNone) {
      id = free_;
      free_ = links_[static_cast<size_t>(id)].next_reducible;
    } else {
      id = static_cast<int32_t>(links_.size());
      if (id >= kEmptyCell) throw std::logic_error("colour octree grew beyond its bound");
      links_.emplace_back();
      sums_.emplace_back();
    }
    Links& n = links_[static_cast<size_t>(id)];
    n.children.fill(kNone);
    n.leaf = false;
    n.path = path;
    sums_[static_cast<size_t>(id)] = Sums{};
    if (level == kLevels) {
      MakeLeaf(id);
      ++leaves_;
    } else {
      n.next_reducible = heads_[static_cast<size_t>(level)];
      heads_[static_cast<size_t>(level)] = id;
    }
    return id;
  }

  // Folds the front node of the deepest non-empty reducible list into a leaf.
  void Reduce() {
    int level = kLevels - 1;
    while (level > 0 && heads_[static_cast<size_t>(level)] == kNone) --level;
    const int32_t id = heads_[static_cast<size_t>(level)];
    if (id == kNone) return;
    heads_[static_cast<size_t>(level)] = links_[static_cast<size_t>(id)].next_reducible;
    Sums& total = sums_[static_cast<size_t>(id)];
    int children = 0;
    for (int32_t c : links_[static_cast<size_t>(id)].children) {
      if (c == kNone) continue;
      const Sums& part = sums_[static_cast<size_t>(c)];
      total.red += part.red;
      total.green += part.green;
      total.blue += part.blue;
      total.count += part.count;
      links_[static_cast<size_t>(c)].next_reducible = free_;
      free_ = c;
      ++children;
    }
    MakeLeaf(id);
    leaves_ -= children - 1;
    last_leaf_ = kNone;
    if (use_cells_ && level <= kCellLevels) {
      const int spare = 3 * (kCellLevels - level);
      const size_t first = static_cast<size_t>(links_[static_cast<size_t>(id)].path) << spare;
      std::fill_n(cells_.begin() + static_cast<std::ptrdiff_t>(first), size_t{1} << spare, CellOf(id));
    }
  }

  void Collect(int32_t id, raster::Palette& out) const {
    const Links& n = links_[static_cast<size_t>(id)];
    if (n.leaf) {
      const Sums& s = sums_[static_cast<size_t>(id)];
      if (s.count == 0) {
        out.push_back(raster::Rgb(0, 0, 0));
      } else {
        out.push_back(raster::Rgb(static_cast<int>(s.red / s.count), static_cast<int>(s.green / s.count),
                                  static_cast<int>(s.blue / s.count)));
      }
      return;
    }
    for (int32_t c : n.children)
      if (c != kNone) Collect(c, out);
  }

  std::vector<Links> links_;
  std::vector<Sums> sums_;
  std::array<int32_t, kLevels> heads_;
  int32_t root_ = kNone;
  int32_t free_ = kNone;
  int leaves_ = 0;
  uint32_t last_colour_ = 0;
  int32_t last_leaf_ = kNone;
  std::vector<uint16_t> cells_;
  bool use_cells_;
};

// Nearest palette entry by the sum of absolute channel differences, with a
// cache of one cell per 15-bit colour.  Cells are pre-set to the entries whose
// own colour falls in them (first entry wins), so a colour that shares a cell
// with a palette entry maps to that entry.  A cell holds the entry's index in
// its low byte and the entry's red, green and blue above it, so the dithering
// has the colour it subtracts in the same load; a bit set records which cells
// are filled.
class PaletteLookup {
 public:
  explicit PaletteLookup(const raster::Palette& palette) : channels(palette) {
    for (int i = 0; i < channels.size; ++i) {
      const int key = Key(channels.red[i], channels.green[i], channels.blue[i]);
      if (!Filled(key)) Fill(key, i);
    }
  }

  // The cell of a colour: index | red << 8 | green << 16 | blue << 24.
  uint32_t Cell(int r, int g, int b) {
    const int key = Key(r, g, b);
    if (!Filled(key)) Fill(key, NearestEntry(channels, r, g, b));
    return cells_[static_cast<size_t>(key)];
  }
  int Index(int r, int g, int b) { return static_cast<int>(Cell(r, g, b) & 0xFF); }

  const PaletteChannels channels;

 private:
  static int Key(int r, int g, int b) { return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3); }
  bool Filled(int key) const { return (filled_[static_cast<size_t>(key >> 6)] >> (key & 63)) & 1; }
  void Fill(int key, int index) {
    filled_[static_cast<size_t>(key >> 6)] |= uint64_t{1} << (key & 63);
    const auto at = static_cast<size_t>(index);
    cells_[static_cast<size_t>(key)] =
        static_cast<uint32_t>(index) | static_cast<uint32_t>(channels.red[at]) << 8 |
        static_cast<uint32_t>(channels.green[at]) << 16 | static_cast<uint32_t>(channels.blue[at]) << 24;
  }

  std::array<uint64_t, 32768 / 64> filled_{};
  std::array<uint32_t, 32768> cells_{};
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

// The error of a pixel spread to the row below: 3/16 behind, 5/16 under and
// 1/16 ahead, in the direction of travel (the 7/16 ahead on the same row is
// the caller's carry).
inline void SpreadBelow(ErrorRows& errors, int x, int step, int er, int eg, int eb) {
  int* below_behind = errors.Next(x - step);
  int* below = errors.Next(x);
  int* below_ahead = errors.Next(x + step);
  below_behind[0] += 3 * er;
  below_behind[1] += 3 * eg;
  below_behind[2] += 3 * eb;
  below[0] += 5 * er;
  below[1] += 5 * eg;
  below[2] += 5 * eb;
  below_ahead[0] += er;
  below_ahead[1] += eg;
  below_ahead[2] += eb;
}

// One row in its running direction.  The share for the next pixel of the row
// is carried in registers (added to what the row above left there); the
// shares for the row below go to memory.  This plain version reads the chosen
// entry's colour from the palette.
void DitherRowReference(const BgrImage& image, int y, PaletteLookup& lookup, ErrorRows& errors,
                        uint8_t* out) {
  const uint8_t* row = image.Row(y);
  const int step = (y % 2) == 0 ? 1 : -1;
  int x = step > 0 ? 0 : image.width - 1;
  int carry_r = 0, carry_g = 0, carry_b = 0;
  const PaletteChannels& pal = lookup.channels;
  for (int i = 0; i < image.width; ++i, x += step) {
    const uint8_t* px = row + 3 * static_cast<size_t>(x);
    const int* err = errors.Current(x);
    const int r = ClampChannel(px[2] + (err[0] + carry_r + 8) / 16);
    const int g = ClampChannel(px[1] + (err[1] + carry_g + 8) / 16);
    const int b = ClampChannel(px[0] + (err[2] + carry_b + 8) / 16);
    const int index = lookup.Index(r, g, b);
    out[x] = static_cast<uint8_t>(index);
    const int er = r - pal.red[index], eg = g - pal.green[index], eb = b - pal.blue[index];
    carry_r = 7 * er;
    carry_g = 7 * eg;
    carry_b = 7 * eb;
    SpreadBelow(errors, x, step, er, eg, eb);
  }
}

// The same row with the entry's colour taken from the cache cell itself: one
// load fewer on the chain from one pixel to the next, which is what bounds
// the speed of error diffusion.
void DitherRow(const BgrImage& image, int y, PaletteLookup& lookup, ErrorRows& errors, uint8_t* out) {
  const uint8_t* row = image.Row(y);
  const int step = (y % 2) == 0 ? 1 : -1;
  int x = step > 0 ? 0 : image.width - 1;
  int carry_r = 0, carry_g = 0, carry_b = 0;
  for (int i = 0; i < image.width; ++i, x += step) {
    const uint8_t* px = row + 3 * static_cast<size_t>(x);
    const int* err = errors.Current(x);
    const int r = ClampChannel(px[2] + (err[0] + carry_r + 8) / 16);
    const int g = ClampChannel(px[1] + (err[1] + carry_g + 8) / 16);
    const int b = ClampChannel(px[0] + (err[2] + carry_b + 8) / 16);
    const uint32_t cell = lookup.Cell(r, g, b);
    out[x] = static_cast<uint8_t>(cell);
    const int er = r - static_cast<int>((cell >> 8) & 0xFF), eg = g - static_cast<int>((cell >> 16) & 0xFF),
              eb = b - static_cast<int>(cell >> 24);
    carry_r = 7 * er;
    carry_g = 7 * eg;
    carry_b = 7 * eb;
    SpreadBelow(errors, x, step, er, eg, eb);
  }
}

}  // namespace

namespace {

raster::Palette BuildPalette(const BgrImage& image, bool cell_table) {
  Octree tree(cell_table);
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

}  // namespace

raster::Palette OptimisedPalette(const BgrImage& image) { return BuildPalette(image, cpu::FastPaths()); }
raster::Palette OptimisedPaletteReference(const BgrImage& image) { return BuildPalette(image, false); }

std::vector<uint8_t> DitherToPalette(const BgrImage& image, const raster::Palette& palette) {
  std::vector<uint8_t> pixels(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  if (!pixels.empty()) DitherToPalette(image, palette, pixels.data(), nullptr);
  return pixels;
}

namespace {

using RowFn = void (*)(const BgrImage&, int, PaletteLookup&, ErrorRows&, uint8_t*);

constexpr int kRowsPerWake = 16;

void DitherRows(const BgrImage& image, const raster::Palette& palette, uint8_t* out,
                std::atomic<int>* rows_done, RowFn row) {
  if (image.width <= 0 || image.height <= 0) return;
  // The cache (132 KiB) lives on the heap: threads of a host may have small
  // stacks.
  const auto lookup = std::make_unique<PaletteLookup>(palette);
  ErrorRows errors(image.width);
  for (int y = 0; y < image.height; ++y) {
    row(image, y, *lookup, errors, out + static_cast<size_t>(y) * image.width);
    errors.Advance();
    if (rows_done) {
      // Every row is published; a waiter is woken only every few rows, since
      // each wake-up is a system call on this thread's way.
      rows_done->store(y + 1, std::memory_order_release);
      if ((y + 1) % kRowsPerWake == 0 || y + 1 == image.height) rows_done->notify_all();
    }
  }
}

}  // namespace

void DitherToPalette(const BgrImage& image, const raster::Palette& palette, uint8_t* out,
                     std::atomic<int>* rows_done) {
  DitherRows(image, palette, out, rows_done, cpu::FastPaths() ? DitherRow : DitherRowReference);
}

std::vector<uint8_t> DitherToPaletteReference(const BgrImage& image, const raster::Palette& palette) {
  std::vector<uint8_t> pixels(static_cast<size_t>(image.width) * static_cast<size_t>(image.height));
  DitherRows(image, palette, pixels.data(), nullptr, DitherRowReference);
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
