// Whole-image colour operations: grey, gamma, contrast, negative and the
// two-colour mask.  The per-pixel work runs in place on the 24-bit rows,
// fetched by index, split over both cores.
#include <array>
#include <cmath>
#include <cstdint>
#include <vector>

#include "effects/ZelnorEffects.h"
#include "effects/pixel_kernels.h"
#include "model/pixel_format.h"
#include "model/result_codes.h"
#include "platform/cpu/cpu.h"
#include "platform/raster/blit.h"
#include "platform/raster/parallel.h"
#include "platform/raster/syscolors.h"

namespace zelnor {

using raster::Bitmap;

int32_t ByteClamp(double x) {
  if (x >= 255) x = 255;
  if (!(x > 0)) x = 0;
  return static_cast<int32_t>(std::nearbyint(x));
}

int32_t NormaliseTo24Bit(Bitmap& canvas) {
  const int32_t former = PixelFormatOf(canvas);
  if (former == pf24bit) return rcOK;
  SetPixelFormat(canvas, pf24bit);
  return former;
}

namespace {

using ByteTable = std::array<uint8_t, 256>;

// Replaces every byte of every row by its table entry.
void ApplyTable(const ByteTable& table, Bitmap& canvas) {
  if (canvas.Empty()) return;
  const int64_t row_bytes = int64_t{canvas.Width()} * 3;
  raster::ParallelFor(canvas.Height(), row_bytes * canvas.Height(), [&](int first, int end) {
    for (int y = first; y < end; ++y) MapBytes(table.data(), canvas.ScanLine(y), row_bytes);
  });
}

// ------------------------------------------------------------------- grey

// The weighted sum in thousandths, 289 b + 586 g + 114 r, is exact in
// integers.  Unless it lies exactly halfway between two integers its rounding
// cannot differ from the extended-precision sum's (whose error is below
// 1e-15), so a table indexed by it gives the grey level; the halfway sums
// are marked and evaluated in extended precision, like the reference.
constexpr int kGrayMaxSum = 989 * 255;
constexpr uint8_t kGrayTie = 0xFF;  // grey levels never exceed 252

const std::vector<uint8_t>& GrayLevelTable() {
  static const std::vector<uint8_t> table = [] {
    std::vector<uint8_t> t(kGrayMaxSum + 1);
    for (int n = 0; n <= kGrayMaxSum; ++n)
      t[n] = n % 1000 == 500 ? kGrayTie : static_cast<uint8_t>((n + 500) / 1000);
    return t;
  }();
  return table;
}

ByteTable OffsetTable(int32_t v) {
  ByteTable t;
  for (int y = 0; y < 256; ++y) t[y] = static_cast<uint8_t>(ByteClamp(y + v));
  return t;
}

// Under ZELNOR2_DISABLE=fast every level comes from the reference.
void GrayRow(uint8_t* row, int width, const std::vector<uint8_t>& level, const ByteTable& tb,
             const ByteTable& tg, const ByteTable& tr, const int32_t (&v)[3]) {
  const bool fast = cpu::FastPaths();
  const int done = GrayPixels(row, width, v[0], v[1], v[2]);
  uint8_t* p = row + 3 * int64_t{done};
  for (int x = done; x < width; ++x, p += 3) {
    const int b = p[0], g = p[1], r = p[2];
    int y = fast ? level[289 * b + 586 * g + 114 * r] : reference::GrayLevel(b, g, r);
    if (y == kGrayTie) y = GrayLevelAtHalf(b, g, r);
    p[0] = tb[y];
    p[1] = tg[y];
    p[2] = tr[y];
  }
}

bool InRange(int32_t v, int32_t lo, int32_t hi) { return v >= lo && v <= hi; }

}  // namespace

namespace reference {
int32_t GrayLevel(int b, int g, int r) {
  const long double sum = 0.289L * b + 0.586L * g + 0.114L * r;
  return ByteClamp(static_cast<double>(std::nearbyint(sum)));
}
}  // namespace reference

int32_t GrayBitmap(int32_t vR, int32_t vG, int32_t vB, Bitmap& canvas) {
  if (!InRange(vR, -255, 255) || !InRange(vG, -255, 255) || !InRange(vB, -255, 255)) return rcInvalidArgument;
  const int32_t result = NormaliseTo24Bit(canvas);
  if (canvas.Empty()) return result;
  const auto& level = GrayLevelTable();
  const ByteTable tb = OffsetTable(vB), tg = OffsetTable(vG), tr = OffsetTable(vR);
  const int32_t offsets[3] = {vB, vG, vR};
  const int w = canvas.Width();
  raster::ParallelFor(canvas.Height(), int64_t{w} * 3 * canvas.Height(), [&](int first, int end) {
    for (int y = first; y < end; ++y) GrayRow(canvas.ScanLine(y), w, level, tb, tg, tr, offsets);
  });
  return result;
}

// ------------------------------------------------------- gamma and contrast

int32_t GammaBitmap(int32_t mode, Bitmap& canvas) {
  if (!InRange(mode, 0, 2)) return rcInvalidArgument;
  if (mode == 0) return rcOK;
  const int32_t result = NormaliseTo24Bit(canvas);
  ByteTable table;
  for (int c = 0; c < 256; ++c) {
    const double x = c / 255.0;
    const double v = mode == 1 ? 255 * std::sqrt(x) : 255 * (2 * x - std::sqrt(x));
    table[c] = static_cast<uint8_t>(ByteClamp(v));
  }
  ApplyTable(table, canvas);
  return result;
}

int32_t ContrastBitmap(int32_t amount, Bitmap& canvas) {
  if (!InRange(amount, -100, 100)) return rcInvalidArgument;
  if (amount == 0) return rcOK;
  const int32_t result = NormaliseTo24Bit(canvas);
  const double k = amount / 100.0;
  ByteTable table;
  for (int c = 0; c < 256; ++c) table[c] = static_cast<uint8_t>(ByteClamp((c - 127.5) * k + c));
  ApplyTable(table, canvas);
  return result;
}

// ------------------------------------------------------- negative and mask

int32_t ReversalBitmap(Bitmap& canvas) {
  CopyModeDraw(0, 0, 2, canvas, canvas);
  return rcOK;
}

int32_t MaskBitmap(int32_t mask_color, bool reverse, Bitmap& canvas) {
  std::optional<raster::ColorRef> match;
  if (mask_color != kNoColor) {
    match = raster::DeviceColor(raster::ResolveColor(static_cast<raster::ColorRef>(mask_color)));
  }
  // Through the bitmap's own mask, which keeps the reported size of a canvas
  // that is empty with one side non-zero.
  canvas.MakeMonochromeMask(match.value_or(0), !match);
  if (reverse) CopyModeDraw(0, 0, 2, canvas, canvas);
  return rcOK;
}

}  // namespace zelnor
