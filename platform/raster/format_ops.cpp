// The per-format tables.  Each primitive is written once as a template over
// an access policy and a colour model (pixel_access.h) and instantiated for
// every layout; a few layouts replace one with a loop written for them.  The
// reference table of a layout keeps its description and takes the generic
// operations (format_reference.h).
#include "platform/raster/format_ops.h"

#include <algorithm>
#include <cstring>

#include "platform/cpu/cpu.h"
#include "platform/raster/format_reference.h"
#include "platform/raster/format_rows.h"
#include "platform/raster/mono_rows.h"
#include "platform/raster/rasterizer.h"

namespace raster {

namespace {

using namespace px;

// ------------------------------------------------------------------ pixels

template <class Px>
uint32_t GetBits(const PixelStorage& s, int x, int y) {
  return Px::Get(s.row(y), x);
}

template <class Px>
void SetBits(PixelStorage& s, int x, int y, uint32_t bits) {
  Px::Set(s.row(y), x, bits);
}

// ------------------------------------------------------------------- spans

template <class Px>
void FillSpan(PixelStorage& s, int y, int x0, int x1, uint32_t bits) {
  uint8_t* row = s.row(y);
  for (int x = x0; x < x1; ++x) Px::Set(row, x, bits);
}

// How the loops below store one value: Px::Set, except that three-byte
// pixels take their bytes from registers (a three-byte copy of the value
// goes through memory, reloaded after every write since row bytes may alias
// it).
template <class Px>
struct PixelWriter {
  explicit PixelWriter(uint32_t v) : bits(v) {}
  void operator()(uint8_t* row, int x) const { Px::Set(row, x, bits); }
  uint32_t bits;
};
template <>
struct PixelWriter<Px24> {
  explicit PixelWriter(uint32_t v)
      : b0(static_cast<uint8_t>(v)), b1(static_cast<uint8_t>(v >> 8)), b2(static_cast<uint8_t>(v >> 16)) {}
  void operator()(uint8_t* row, int x) const {
    uint8_t* p = row + static_cast<ptrdiff_t>(x) * 3;
    p[0] = b0, p[1] = b1, p[2] = b2;
  }
  uint8_t b0, b1, b2;
};

// Three-byte pixels: eight of them are three 64-bit words of the repeated
// bytes.
void FillTriples(PixelStorage& s, int y, int x0, int x1, uint32_t bits) {
  uint8_t* p = s.row(y) + static_cast<ptrdiff_t>(x0) * 3;
  int n = x1 - x0;
  const PixelWriter<Px24> put(bits);
  if (n >= 8) {
    uint8_t pattern[24];
    for (int i = 0; i < 8; ++i) put(pattern, i);
    uint64_t w0, w1, w2;
    std::memcpy(&w0, pattern, 8);
    std::memcpy(&w1, pattern + 8, 8);
    std::memcpy(&w2, pattern + 16, 8);
    for (; n >= 8; n -= 8, p += 24) {
      std::memcpy(p, &w0, 8);
      std::memcpy(p + 8, &w1, 8);
      std::memcpy(p + 16, &w2, 8);
    }
  }
  for (int i = 0; i < n; ++i) put(p, i);
}

void FillBytes(PixelStorage& s, int y, int x0, int x1, uint32_t bits) {
  std::memset(s.row(y) + x0, static_cast<int>(bits & 0xFF), static_cast<size_t>(x1 - x0));
}

template <class Word>
void FillWords(PixelStorage& s, int y, int x0, int x1, uint32_t bits) {
  Word* p = reinterpret_cast<Word*>(s.row(y)) + x0;
  std::fill(p, p + (x1 - x0), static_cast<Word>(bits));
}

// Where both runs start at the same bit of a byte, the whole bytes between
// their partly covered ends are copied at once.
template <class Px>
void CopyPixels(const PixelStorage& src, int sx, int sy, PixelStorage& dst, int dx, int dy, int n) {
  constexpr int kBits = Px::kBits;
  const uint8_t* s = src.row(sy);
  uint8_t* d = dst.row(dy);
  if (int64_t{sx} * kBits % 8 == int64_t{dx} * kBits % 8) {
    for (; n > 0 && int64_t{dx} * kBits % 8 != 0; --n) Px::Set(d, dx++, Px::Get(s, sx++));
    const int64_t bytes = int64_t{n} * kBits / 8;
    std::memmove(d + int64_t{dx} * kBits / 8, s + int64_t{sx} * kBits / 8, static_cast<size_t>(bytes));
    const int moved = static_cast<int>(bytes * 8 / kBits);
    sx += moved, dx += moved, n -= moved;
  }
  for (; n > 0; --n) Px::Set(d, dx++, Px::Get(s, sx++));
}

template <class Px>
void PickPixels(const PixelStorage& src, int sy, const int* columns, int n, PixelStorage& dst, int dx,
                int dy) {
  const uint8_t* s = src.row(sy);
  uint8_t* d = dst.row(dy);
  for (int i = 0; i < n; ++i) Px::Set(d, dx + i, Px::Get(s, columns[i]));
}

// The 64-bit state of a line's visible part: pixels `count`, the error
// term plus the octant's bias (the row or column steps after a pixel where
// it is positive), and what it gains along a row (2 minor) and loses at a
// step (2 major).
struct NarrowWalk {
  int64_t count, e, gain, loss;
  explicit NarrowWalk(const LineWalk& w, const LineStart& st)
      : count(st.last - st.first + 1),
        e(static_cast<int64_t>(st.err) + w.bias),
        gain(static_cast<int64_t>(2 * w.minor)),
        loss(static_cast<int64_t>(2 * w.major)) {}
  bool Step() {
    const bool step = e > 0;
    e += step ? gain - loss : gain;
    return step;
  }
};

// Each pixel walks a byte offset along the rows, so none costs a
// multiplication.
template <class Px>
void WalkPixels(PixelStorage& s, const LineWalk& w, const LineStart& st, uint32_t bits) {
  const PixelWriter<Px> put(bits);
  uint8_t* const top = s.row(0);
  NarrowWalk nw(w, st);
  const int64_t row_step = s.stride() * w.sy;
  int64_t off = s.stride() * (w.x_major ? st.min : st.maj);
  int x = static_cast<int>(w.x_major ? st.maj : st.min);
  if (w.x_major) {
    for (int64_t i = 0; i < nw.count; ++i, x += w.sx) {
      put(top + off, x);
      off += nw.Step() ? row_step : 0;
    }
  } else {
    for (int64_t i = 0; i < nw.count; ++i, off += row_step) {
      put(top + off, x);
      x += nw.Step() ? w.sx : 0;
    }
  }
}

// A shallow line (two pixels or more along per row) as horizontal runs.
// With u = -e = Q * gain + R at a run's start, the run is Q + 2 pixels long
// and the next run starts at u' = R - 2 gain + loss, so after one division
// each run's Q and R follow from those of the run before.
template <class Px>
void WalkRuns(PixelStorage& s, const LineWalk& w, const LineStart& st, uint32_t bits) {
  const PixelWriter<Px> put(bits);
  NarrowWalk nw(w, st);
  int64_t x = st.maj, n = nw.count;
  uint8_t* row = s.row(static_cast<int>(st.min));
  const int64_t row_step = s.stride() * w.sy;
  const auto paint = [&](int64_t len) {
    const int a = static_cast<int>(w.sx > 0 ? x : x - len + 1);
    for (int i = 0; i < len; ++i) put(row, a + i);
    x += w.sx * len;
    n -= len;
    if (n > 0) row += row_step;
  };
  if (nw.gain == 0) return paint(n);
  const int64_t q = nw.loss / nw.gain, r = nw.loss % nw.gain;
  // A first run of one pixel leaves a term that may still be positive.
  while (n > 0 && nw.e > 0) {
    nw.e += nw.gain - nw.loss;
    paint(1);
  }
  if (n <= 0) return;
  int64_t big_q = -nw.e / nw.gain, big_r = -nw.e % nw.gain;
  while (n > 0) {
    paint(std::min(n, big_q + 2));
    const bool carry = big_r + r >= nw.gain;
    big_q = carry ? q - 1 : q - 2;
    big_r = carry ? big_r + r - nw.gain : big_r + r;
  }
}

// Lines too long for 64-bit error terms take the general walk.
template <class Px>
void SolidLine(PixelStorage& s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t bits) {
  const LineWalk w = MakeLineWalk(x0, y0, x1, y1);
  if (w.length <= 0) return;
  const LineStart st = StartLine(w, s.width(), s.height());
  if (st.first > st.last) return;
  if (w.major >= kNarrowLineLimit) {
    uint8_t* const top = s.row(0);
    const int64_t stride = s.stride();
    StepLine<__int128>(
        w, st, [=](int64_t x, int64_t y, int64_t) { Px::Set(top + stride * y, static_cast<int>(x), bits); });
    return;
  }
  if (w.x_major && w.major >= 2 * w.minor) return WalkRuns<Px>(s, w, st, bits);
  WalkPixels<Px>(s, w, st, bits);
}

// -------------------------------------------------------------------- text

inline uint8_t Blend(uint8_t dst, int src, int a) {
  return static_cast<uint8_t>((dst * (255 - a) + src * a + 127) / 255);
}

// Pixels that start with B, G, R bytes: each byte moves towards the text
// colour; a fourth byte stays as it was.
template <class Px>
void BlitBytes(PixelStorage& s, const CoverageSpan& span, ColorRef c) {
  constexpr int kStep = Px::kBits / 8;
  const int red = RedOf(c), green = GreenOf(c), blue = BlueOf(c);
  for (int y = span.y0; y < span.y1; ++y) {
    const uint8_t* cov = span.coverage + (y - span.y0) * span.stride;
    uint8_t* p = s.row(y) + static_cast<ptrdiff_t>(span.x0) * kStep;
    for (int x = span.x0; x < span.x1; ++x, ++cov, p += kStep) {
      const int a = *cov;
      if (a == 0) continue;
      if (a == 255) {
        p[0] = static_cast<uint8_t>(blue), p[1] = static_cast<uint8_t>(green),
        p[2] = static_cast<uint8_t>(red);
        continue;
      }
      p[0] = Blend(p[0], blue, a), p[1] = Blend(p[1], green, a), p[2] = Blend(p[2], red, a);
    }
  }
}

// Any direct colour: the pixel's colour moves towards the text colour.
template <class Px, class C>
void BlitBlended(PixelStorage& s, const CoverageSpan& span, ColorRef c) {
  const uint32_t full = C::ToBits(s, c);
  for (int y = span.y0; y < span.y1; ++y) {
    const uint8_t* cov = span.coverage + (y - span.y0) * span.stride;
    uint8_t* row = s.row(y);
    for (int x = span.x0; x < span.x1; ++x, ++cov) {
      const int a = *cov;
      if (a == 0) continue;
      if (a == 255) {
        Px::Set(row, x, full);
        continue;
      }
      const ColorRef d = C::ToColor(s, Px::Get(row, x));
      const ColorRef mixed = Rgb(Blend(static_cast<uint8_t>(RedOf(d)), RedOf(c), a),
                                 Blend(static_cast<uint8_t>(GreenOf(d)), GreenOf(c), a),
                                 Blend(static_cast<uint8_t>(BlueOf(d)), BlueOf(c), a));
      Px::Set(row, x, C::ToBits(s, mixed));
    }
  }
}

// Palette layouts: plain glyphs in the text colour's nearest entry.
template <class Px>
void BlitThreshold(PixelStorage& s, const CoverageSpan& span, ColorRef c) {
  const uint32_t full = Indexed::ToBits(s, c);
  for (int y = span.y0; y < span.y1; ++y) {
    const uint8_t* cov = span.coverage + (y - span.y0) * span.stride;
    uint8_t* row = s.row(y);
    for (int x = span.x0; x < span.x1; ++x)
      if (cov[x - span.x0] >= 128) Px::Set(row, x, full);
  }
}

// ---------------------------------------------------------- colour matches

template <class Px, class C>
void MarkColorRow(const PixelStorage& s, int y, ColorRef rgb, uint8_t* out) {
  const uint8_t* row = s.row(y);
  const int w = s.width();
  for (int x = 0; x < w; ++x)
    if (C::ToColor(s, Px::Get(row, x)) == rgb) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

void MarkColorRow24(const PixelStorage& s, int y, ColorRef rgb, uint8_t* out) {
  const int done = MonoRow24Vector(s.row(y), s.width(), rgb, out);
  MonoRowFromBytes(s.row(y), 3, done, s.width(), rgb, out);
}

void MarkColorRowBgrx(const PixelStorage& s, int y, ColorRef rgb, uint8_t* out) {
  MonoRowFromBytes(s.row(y), 4, 0, s.width(), rgb, out);
}

// ------------------------------------------------------------------ tables

// What every table of an access policy and colour model starts from.
template <class Px, class C>
constexpr FormatOps Common(const char* name, bool (*accepts)(const PixelLayout&)) {
  FormatOps o{};
  o.name = name;
  o.accepts = accepts;
  o.bpp = Px::kBits;
  o.pixel_mask = static_cast<uint32_t>(~uint64_t{0} >> (64 - Px::kBits));
  o.default_palette = [] { return Palette(); };
  o.get_bits = GetBits<Px>;
  o.set_bits = SetBits<Px>;
  o.bits_to_color = C::ToColor;
  o.color_to_bits = C::ToBits;
  o.fill_span = FillSpan<Px>;
  o.copy_pixels = CopyPixels<Px>;
  o.pick_pixels = PickPixels<Px>;
  o.solid_line = SolidLine<Px>;
  o.mark_color_row = MarkColorRow<Px, C>;
  o.prepare_fetch = PrepareNothing;
  o.fetch_bgr = FetchPerPixel<Px, C>;
  return o;
}

template <class Px, bool kByCell>
constexpr FormatOps IndexedOps(const char* name, bool (*accepts)(const PixelLayout&), Palette (*palette)()) {
  FormatOps o = Common<Px, Indexed>(name, accepts);
  o.palette_entries = 1u << Px::kBits;
  o.convert_by_cell = kByCell;
  o.default_palette = palette;
  o.blit_coverage = BlitThreshold<Px>;
  o.prepare_fetch = PrepareFetchTable<Px, Indexed>;
  o.fetch_bgr = FetchThroughTable<Px, Indexed>;
  o.prepare_store = PrepareStoreIndexed<kByCell>;
  o.store_bgr = StoreIndexed<Px, kByCell>;
  return o;
}

template <class Px, class C>
constexpr FormatOps DirectOps(const char* name, bool (*accepts)(const PixelLayout&), bool file_masks) {
  FormatOps o = Common<Px, C>(name, accepts);
  std::copy(C::kMasks, C::kMasks + 3, o.masks);
  o.file_masks = file_masks;
  o.blit_coverage = BlitBlended<Px, C>;
  o.prepare_store = PrepareStoreMasked<C>;
  o.store_bgr = StoreMasked<Px>;
  return o;
}

template <class Px, class C>
constexpr FormatOps WordOps(const char* name, bool (*accepts)(const PixelLayout&), bool file_masks) {
  FormatOps o = DirectOps<Px, C>(name, accepts, file_masks);
  o.fill_span = FillWords<uint16_t>;
  o.prepare_fetch = PrepareFetchTable<Px, C>;
  o.fetch_bgr = FetchThroughTable<Px, C>;
  return o;
}

bool PlainBgrMasks(const PixelLayout& l) {
  return (l.red_mask | l.green_mask | l.blue_mask) == 0 ||
         (l.red_mask == 0xFF0000 && l.green_mask == 0x00FF00 && l.blue_mask == 0x0000FF);
}

constexpr FormatOps kOps1 = IndexedOps<Px1, false>(
    "1 bit", [](const PixelLayout& l) { return l.bits == 1; }, [] { return MonochromePalette(); });
constexpr FormatOps kOps4 = IndexedOps<Px4, true>(
    "4 bits", [](const PixelLayout& l) { return l.bits == 4; }, [] { return VgaPalette(); });
constexpr FormatOps kOps8 = [] {
  FormatOps o = IndexedOps<Px8, true>(
      "8 bits", [](const PixelLayout& l) { return l.bits == 8; }, [] { return HalftonePalette(); });
  o.fill_span = FillBytes;
  return o;
}();

constexpr FormatOps kOps555 = WordOps<Px16, Masks555>(
    "16 bits 5-5-5", [](const PixelLayout& l) { return l == kLayout555; }, false);
constexpr FormatOps kOps565 = WordOps<Px16, Masks565>(
    "16 bits 5-6-5", [](const PixelLayout& l) { return l == kLayout565; }, true);
constexpr FormatOps kOps16 = WordOps<Px16, LayoutMasks>(
    "16 bits, masks", [](const PixelLayout& l) { return l.bits == 16; }, true);

constexpr FormatOps kOps24 = [] {
  FormatOps o = DirectOps<Px24, Bgr>(
      "24 bits", [](const PixelLayout& l) { return l.bits == 24; }, false);
  o.fill_span = FillTriples;
  o.blit_coverage = BlitBytes<Px24>;
  o.mark_color_row = MarkColorRow24;
  o.fetch_bgr = FetchInPlace;
  o.prepare_store = PrepareNothing;
  o.store_bgr = StoreBgr;
  return o;
}();

constexpr FormatOps kOpsBgrx = [] {
  FormatOps o = DirectOps<Px32, Bgr>(
      "32 bits B, G, R, X", [](const PixelLayout& l) { return l.bits == 32 && PlainBgrMasks(l); }, true);
  o.text_keeps = 0xFF000000u;
  o.fill_span = FillWords<uint32_t>;
  o.blit_coverage = BlitBytes<Px32>;
  o.mark_color_row = MarkColorRowBgrx;
  o.fetch_bgr = FetchBgrx;
  o.prepare_store = PrepareNothing;
  o.store_bgr = StoreBgrx;
  return o;
}();

constexpr FormatOps kOps32 = [] {
  FormatOps o = DirectOps<Px32, LayoutMasks>(
      "32 bits, masks", [](const PixelLayout& l) { return l.bits == 32; }, true);
  o.fill_span = FillWords<uint32_t>;
  return o;
}();

// The layout's description with the generic operations.
constexpr FormatOps Reference(FormatOps o) {
  o.get_bits = generic::GetBits;
  o.set_bits = generic::SetBits;
  o.bits_to_color = generic::BitsToColor;
  o.color_to_bits = generic::ColorToBits;
  o.fill_span = generic::FillSpan;
  o.copy_pixels = generic::CopyPixels;
  o.pick_pixels = generic::PickPixels;
  o.solid_line = generic::SolidLine;
  o.blit_coverage = generic::BlitCoverage;
  o.mark_color_row = generic::MarkColorRow;
  o.prepare_fetch = generic::PrepareNothing;
  o.fetch_bgr = generic::FetchBgr;
  o.prepare_store = generic::PrepareNothing;
  o.store_bgr = generic::StoreBgr;
  return o;
}

constexpr FormatTables Format(const FormatOps& fast) { return {fast, Reference(fast)}; }

// In the order they are tried: the fixed 16-bit layouts before other masks,
// plain B, G, R, X before other 32-bit masks.
constexpr FormatTables kFormats[] = {Format(kOps1),   Format(kOps4),    Format(kOps8),
                                     Format(kOps555), Format(kOps565),  Format(kOps16),
                                     Format(kOps24),  Format(kOpsBgrx), Format(kOps32)};

}  // namespace

const FormatOps* SelectFormatOps(const PixelLayout& layout) {
  static const bool fast = cpu::FastPaths();
  for (const FormatTables& f : kFormats)
    if (f.fast.accepts(layout)) return fast ? &f.fast : &f.reference;
  return nullptr;
}

std::span<const FormatTables> AllFormats() { return kFormats; }

const FormatOps& ReferenceOf(const FormatOps& ops) {
  for (const FormatTables& f : kFormats)
    if (&ops == &f.fast || &ops == &f.reference) return f.reference;
  return ops;
}

}  // namespace raster
