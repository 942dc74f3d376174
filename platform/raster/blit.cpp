// Raster-operation blits.  Both paths share the preparation (clipping, the
// source in the destination's layout, the brush pattern); the fast path then
// works on whole rows of bytes, the reference path (also the one taken under
// ZELNOR2_DISABLE=fast) pixel by pixel.
#include "platform/raster/blit.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include "platform/cpu/cpu.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/hatch.h"
#include "platform/raster/parallel.h"
#include "platform/raster/surface.h"
#include "platform/raster/syscolors.h"

namespace raster {

bool RopPaintsPatternOnSource(uint8_t index) {
  return index == RopIndex(kMergeCopy) || index == RopIndex(kPatPaint);
}

uint8_t TransparentGapRop(uint8_t index) {
  if (!RopUsesPattern(index)) return index;
  switch (index) {
    case RopIndex(kMergeCopy):
      return RopIndex(kSrcCopyRop);  // S
    case RopIndex(kPatPaint):
      return RopIndex(kSrcPaint);  // S | D
    default:
      return 0xAA;  // D
  }
}

namespace {

// The clipped destination rectangle and the source offset of its corner.
struct Clip {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;  // destination pixels [x0, x1) x [y0, y1)
  int sx = 0, sy = 0;                  // source pixel at (x0, y0)
  bool Empty() const { return x0 >= x1 || y0 >= y1; }
};

Clip ClipTo(int dw, int dh, int x, int y, int sw, int sh) {
  Clip c;
  c.x0 = static_cast<int>(std::max<int64_t>(x, 0));
  c.y0 = static_cast<int>(std::max<int64_t>(y, 0));
  c.x1 = static_cast<int>(std::min<int64_t>(int64_t{x} + sw, dw));
  c.y1 = static_cast<int>(std::min<int64_t>(int64_t{y} + sh, dh));
  c.sx = static_cast<int>(int64_t{c.x0} - x);
  c.sy = static_cast<int>(int64_t{c.y0} - y);
  return c;
}

// The brush as a blit sees it: stored bits of the line and gap colours,
// which pixels the pattern covers, and the row its hatch rows start on.
struct Pattern {
  BrushStyle style = bsSolid;
  uint32_t fg = 0, bg = 0;
  bool opaque = true;
  int64_t origin_y = 0;
  // True where the pattern applies; *bits receives its stored bits there.
  bool At(int x, int y, uint32_t* bits) const {
    if (style == bsClear) return false;
    if (style == bsSolid || HatchBit(style, x, HatchRow(y, origin_y))) {
      *bits = fg;
      return true;
    }
    *bits = bg;
    return opaque;
  }
};

Pattern MakePattern(Bitmap& dst, uint8_t rop, const Clip& clip) {
  const Surface::PatternBrush pb = dst.Canvas().ApplyBrushForPattern();
  const PixelStorage& d = dst.Storage();
  Pattern p;
  p.style = pb.style;
  p.fg = d.ColorToBits(DeviceColor(pb.color));
  p.bg = d.ColorToBits(DeviceColor(pb.bk_color));
  p.opaque = pb.bk_opaque;
  // The host paints such a pattern into its copy of the source rows with
  // the brush origin moved by the destination's top: in the destination the
  // rows come out shifted by twice the drawn rectangle's top.
  if (RopPaintsPatternOnSource(rop)) p.origin_y = 2 * int64_t{clip.y0};
  return p;
}

// Everything both paths need before touching pixels.
struct Prepared {
  uint8_t rop = 0, gap = 0;
  bool use_pattern = false;
  Pattern pattern;
  Clip clip;
  PixelStorage holder;  // converted or copied source, when needed
  const PixelStorage* source = nullptr;
};

bool Prepare(Bitmap& dst, int x, int y, const Bitmap& src, uint32_t rop, Prepared& pr) {
  PixelStorage& d = dst.Storage();
  if (d.empty()) return false;
  pr.clip = ClipTo(d.width(), d.height(), x, y, src.Width(), src.Height());
  if (src.Empty() || pr.clip.Empty()) return false;
  pr.rop = RopIndex(rop);
  pr.use_pattern = RopUsesPattern(pr.rop);
  pr.gap = TransparentGapRop(pr.rop);
  if (pr.use_pattern) pr.pattern = MakePattern(dst, pr.rop, pr.clip);
  if (!RopUsesSource(pr.rop) && !(pr.use_pattern && RopUsesSource(pr.gap))) return true;
  const PixelStorage& s = src.Storage();
  if (&src == &dst) {
    // Drawing a bitmap onto itself in place is safe only where every pixel
    // reads its own position; any shift reads from a copy.
    if (x != 0 || y != 0) pr.holder = s.Clone();
  } else if (!s.SameColours(d)) {
    pr.holder = ConvertStorage(s, d.layout(), d.palette());
  }
  pr.source = pr.holder.empty() ? &s : &pr.holder;
  return true;
}

// ------------------------------------------------------------ reference path

void ReferenceRows(PixelStorage& d, const Prepared& pr) {
  const uint32_t mask = d.ops().pixel_mask;
  const Clip& c = pr.clip;
  for (int y = c.y0; y < c.y1; ++y) {
    for (int x = c.x0; x < c.x1; ++x) {
      const uint32_t s = pr.source ? pr.source->GetBits(c.sx + x - c.x0, c.sy + y - c.y0) : 0;
      const uint32_t dv = d.GetBits(x, y);
      uint32_t p = 0;
      const bool covered = !pr.use_pattern || pr.pattern.At(x, y, &p);
      const uint64_t r = covered ? EvalRop(pr.rop, p, s, dv) : EvalRop(pr.gap, 0, s, dv);
      d.SetBits(x, y, static_cast<uint32_t>(r) & mask);
    }
  }
}

// ----------------------------------------------------------------- fast path

template <class F>
void ByteLoop(const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n, F f) {
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>(f(p[i], s[i], d[i]));
}

// d = op(p, s, d) over n bytes; the named operations get their own loops.
void RopBytes(uint8_t rop, const uint8_t* p, const uint8_t* s, uint8_t* d, size_t n) {
  using B = uint8_t;
  switch (rop) {
    case 0x00:
      std::memset(d, 0, n);
      return;
    case 0xFF:
      std::memset(d, 0xFF, n);
      return;
    case 0xAA:
      return;
    case 0x55:
      return ByteLoop(p, s, d, n, [](B, B, B dv) -> B { return static_cast<B>(~dv); });
    case 0xC0:
      return ByteLoop(p, s, d, n, [](B pv, B sv, B) -> B { return static_cast<B>(pv & sv); });
    case 0xBB:
      return ByteLoop(p, s, d, n, [](B, B sv, B dv) -> B { return static_cast<B>(~sv | dv); });
    case 0x33:
      return ByteLoop(p, s, d, n, [](B, B sv, B) -> B { return static_cast<B>(~sv); });
    case 0x11:
      return ByteLoop(p, s, d, n, [](B, B sv, B dv) -> B { return static_cast<B>(~(sv | dv)); });
    case 0xF0:
      std::memcpy(d, p, n);
      return;
    case 0x5A:
      return ByteLoop(p, s, d, n, [](B pv, B, B dv) -> B { return static_cast<B>(pv ^ dv); });
    case 0xFB:
      return ByteLoop(p, s, d, n, [](B pv, B sv, B dv) -> B { return static_cast<B>(pv | ~sv | dv); });
    case 0x88:
      return ByteLoop(p, s, d, n, [](B, B sv, B dv) -> B { return static_cast<B>(sv & dv); });
    case 0xCC:
      std::memmove(d, s, n);
      return;
    case 0x44:
      return ByteLoop(p, s, d, n, [](B, B sv, B dv) -> B { return static_cast<B>(sv & ~dv); });
    case 0x66:
      return ByteLoop(p, s, d, n, [](B, B sv, B dv) -> B { return static_cast<B>(sv ^ dv); });
    case 0xEE:
      return ByteLoop(p, s, d, n, [](B, B sv, B dv) -> B { return static_cast<B>(sv | dv); });
    default:
      return ByteLoop(p, s, d, n,
                      [rop](B pv, B sv, B dv) -> B { return static_cast<B>(EvalRop(rop, pv, sv, dv)); });
  }
}

// Where m is all ones the operation applies, elsewhere the gap operation.
void RopBytesMasked(uint8_t rop, uint8_t gap, const uint8_t* p, const uint8_t* m, const uint8_t* s,
                    uint8_t* d, size_t n, std::vector<uint8_t>& scratch) {
  scratch.assign(d, d + n);
  RopBytes(rop, p, s, d, n);
  RopBytes(gap, p, s, scratch.data(), n);
  for (size_t i = 0; i < n; ++i) d[i] = static_cast<uint8_t>((d[i] & m[i]) | (scratch[i] & ~m[i]));
}

// Pattern bits and coverage as whole destination rows (one row for a solid
// brush, eight for a hatch), so the row loop only offsets pointers.
struct PatternRows {
  PixelStorage bits, cover;
  int period = 1;
  bool masked = false;
};

PatternRows MakePatternRows(const PixelStorage& d, const Pattern& pat) {
  PatternRows pr;
  const bool hatched = pat.style != bsSolid && pat.style != bsClear;
  pr.period = hatched ? 8 : 1;
  pr.masked = pat.style == bsClear || (hatched && !pat.opaque);
  pr.bits = PixelStorage(d.width(), pr.period, d.layout(), d.palette());
  if (pr.masked) pr.cover = PixelStorage(d.width(), pr.period, d.layout(), d.palette());
  const uint32_t ones = d.ops().pixel_mask;
  for (int r = 0; r < pr.period; ++r) {
    // Row r holds the pattern of every destination row y with
    // HatchRow(y, origin) == r.
    const int y = static_cast<int>(r + pat.origin_y % 8);
    for (int x = 0; x < d.width(); ++x) {
      uint32_t v = 0;
      const bool covered = pat.At(x, y, &v);
      pr.bits.SetBits(x, r, v);
      if (pr.masked) pr.cover.SetBits(x, r, covered ? ones : 0);
    }
  }
  return pr;
}

// A source row placed at the destination's bit positions, for one- and
// four-bit layouts whose offset does not fall on a byte boundary.
void ShiftSourceRow(const PixelStorage& s, int sy, int sx, PixelStorage& row, int x0, int x1) {
  for (int x = x0; x < x1; ++x) row.SetBits(x, 0, s.GetBits(sx + x - x0, sy));
}

// The byte span of a clipped blit and what every row of it shares.
struct RowSpan {
  int64_t b0 = 0;       // first byte touched
  size_t n = 0;         // bytes touched
  bool aligned = true;  // source and destination pixels start at the same bit
  std::vector<uint8_t> zeros;
  PatternRows pattern;
};

// Per-thread work space: the masked loop's scratch and a shifted source row.
struct RowScratch {
  std::vector<uint8_t> bytes;
  PixelStorage shifted;
};

void FastRow(PixelStorage& d, const Prepared& pr, const RowSpan& span, int y, RowScratch& work) {
  const Clip& c = pr.clip;
  const int bits = d.ops().bpp;
  const size_t n = span.n;
  uint8_t* dp = d.row(y) + span.b0;
  const uint8_t first = dp[0], last = dp[n - 1];
  const uint8_t* sp = span.zeros.data();
  if (pr.source) {
    const int sy = c.sy + y - c.y0;
    if (span.aligned) {
      sp = pr.source->row(sy) + int64_t{c.sx} * bits / 8;
    } else {
      ShiftSourceRow(*pr.source, sy, c.sx, work.shifted, c.x0, c.x1);
      sp = work.shifted.row(0) + span.b0;
    }
  }
  const PatternRows& rows = span.pattern;
  if (!pr.use_pattern) {
    RopBytes(pr.rop, span.zeros.data(), sp, dp, n);
  } else {
    const int r = rows.period == 1 ? 0 : HatchRow(y, pr.pattern.origin_y);
    const uint8_t* pp = rows.bits.row(r) + span.b0;
    if (rows.masked)
      RopBytesMasked(pr.rop, pr.gap, pp, rows.cover.row(r) + span.b0, sp, dp, n, work.bytes);
    else
      RopBytes(pr.rop, pp, sp, dp, n);
  }
  // Keep the bits of pixels outside the span in the edge bytes they share
  // with it (pixels narrower than a byte; nothing is kept otherwise).
  const int head = static_cast<int>((int64_t{c.x0} * bits) % 8);
  const int tail = static_cast<int>((int64_t{c.x1} * bits) % 8);
  const uint8_t head_keep = static_cast<uint8_t>(0xFF00 >> head);
  const uint8_t tail_keep = tail ? static_cast<uint8_t>(0xFF >> tail) : 0;
  dp[0] = static_cast<uint8_t>((dp[0] & ~head_keep) | (first & head_keep));
  dp[n - 1] = static_cast<uint8_t>((dp[n - 1] & ~tail_keep) | (last & tail_keep));
}

// Every row reads only its own destination row and its own source row (a
// copy when the source is the destination shifted), so bands of rows run on
// all cores.
void FastRows(PixelStorage& d, const Prepared& pr) {
  const Clip& c = pr.clip;
  const int bits = d.ops().bpp;
  RowSpan span;
  span.b0 = int64_t{c.x0} * bits / 8;
  span.n = static_cast<size_t>((int64_t{c.x1} * bits + 7) / 8 - span.b0);
  span.aligned = (int64_t{c.x0} * bits) % 8 == (int64_t{c.sx} * bits) % 8;
  span.zeros.assign(span.n, 0);
  if (pr.use_pattern) span.pattern = MakePatternRows(d, pr.pattern);
  const int rows = c.y1 - c.y0;
  ParallelFor(rows, static_cast<int64_t>(span.n) * rows * 2, [&](int first, int end) {
    RowScratch work;
    if (pr.source && !span.aligned) work.shifted = PixelStorage(d.width(), 1, d.layout(), d.palette());
    for (int i = first; i < end; ++i) FastRow(d, pr, span, c.y0 + i, work);
  });
}

}  // namespace

void BitBlt(Bitmap& dst, int x, int y, const Bitmap& src, uint32_t rop) {
  if (!cpu::FastPaths()) return BitBltReference(dst, x, y, src, rop);
  Prepared pr;
  if (Prepare(dst, x, y, src, rop, pr)) FastRows(dst.Storage(), pr);
}

void BitBltReference(Bitmap& dst, int x, int y, const Bitmap& src, uint32_t rop) {
  Prepared pr;
  if (Prepare(dst, x, y, src, rop, pr)) ReferenceRows(dst.Storage(), pr);
}

// ------------------------------------------------------ colour to monochrome

PixelStorage ColorToMonochrome(const PixelStorage& src, std::optional<ColorRef> match) {
  PixelStorage mask(src.width(), src.height(), PixelLayout{1}, MonochromePalette());
  mask.set_device_dependent(true);
  if (src.empty() || !match) return mask;
  const ColorRef want = *match & 0x00FFFFFFu;
  ParallelFor(src.height(), src.stride() * src.height(), [&](int first, int end) {
    for (int y = first; y < end; ++y) src.ops().mark_color_row(src, y, want, mask.row(y));
  });
  return mask;
}

}  // namespace raster
