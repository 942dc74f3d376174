#include "platform/raster/stretch_blt.h"

#include <algorithm>
#include <vector>

#include "platform/raster/errors.h"
#include "platform/raster/surface.h"

#if __has_include("platform/raster/blit.h")
#include "platform/raster/blit.h"
#define ZELNOR_HAVE_BITBLT 1
#endif

namespace raster {

namespace {

// The destination pixels one axis of the rectangle covers inside 0..limit-1
// (ascending from `first`) and the source index each of them takes.
struct AxisMap {
  int first = 0;
  std::vector<int> index;
};

// Source index of the k-th of d destination pixels over n source pixels
// (see stretch_blt.h).
int64_t NearestIndex(int64_t k, int64_t n, int64_t d, bool vertical) {
  // 128 bits: the products reach 2^63 for the widest rectangles.
  using W = __int128;
  if (d >= n) return static_cast<int64_t>((W{2 * k + 1} * n - 1) / (2 * d));
  if (!vertical) return static_cast<int64_t>((W{2} * n * (k + 1) - d) / (2 * d));
  // The first row: the ceiling of (2kn + 1 - d) / 2d, from row 0 on.
  const W num = W{2} * n * k + 1 - d;
  return num <= 0 ? 0 : static_cast<int64_t>((num + 2 * d - 1) / (2 * d));
}

AxisMap MapAxis(int a1, int a2, int n, int limit, bool vertical) {
  AxisMap map;
  const int64_t d = a2 >= a1 ? int64_t{a2} - a1 : int64_t{a1} - a2;
  if (d == 0 || n <= 0) return map;
  // Covered coordinates: a1..a2-1 forwards, a2+1..a1 when mirrored.
  const int64_t lo = std::max<int64_t>(a2 >= a1 ? a1 : int64_t{a2} + 1, 0);
  const int64_t hi = std::min<int64_t>(a2 >= a1 ? int64_t{a2} - 1 : a1, int64_t{limit} - 1);
  if (lo > hi) return map;
  map.first = static_cast<int>(lo);
  map.index.reserve(static_cast<size_t>(hi - lo + 1));
  for (int64_t c = lo; c <= hi; ++c) {
    const int64_t k = a2 >= a1 ? c - a1 : a1 - c;
    map.index.push_back(static_cast<int>(NearestIndex(k, n, d, vertical)));
  }
  return map;
}

// Copies the mapped source pixels into `out` starting at column `x0`, row
// `y0`; `out` has the source's layout.
void PickPixels(const PixelStorage& src, const AxisMap& cols, const AxisMap& rows, PixelStorage& out, int x0,
                int y0) {
  const int w = static_cast<int>(cols.index.size());
  for (size_t j = 0; j < rows.index.size(); ++j)
    src.ops().pick_pixels(src, rows.index[j], cols.index.data(), w, out, x0, y0 + static_cast<int>(j));
}

// Source-copies a whole block into `dst` at (x0, y0); both share a layout.
void CopyBlock(const PixelStorage& block, PixelStorage& dst, int x0, int y0) {
  for (int y = 0; y < block.height(); ++y)
    block.ops().copy_pixels(block, 0, y, dst, x0, y0 + y, block.width());
}

}  // namespace

void StretchDraw(Bitmap& dst, int x1, int y1, int x2, int y2, const Bitmap& src, uint32_t rop) {
  if (src.Empty() || dst.Empty()) return;
  const PixelStorage& from = src.Storage();
  const AxisMap cols = MapAxis(x1, x2, from.width(), dst.Width(), false);
  const AxisMap rows = MapAxis(y1, y2, from.height(), dst.Height(), true);
  if (cols.index.empty() || rows.index.empty()) return;
  PixelStorage& to = dst.Storage();
  // Straight into the destination, unless it is the source itself.
  if (rop == kSrcCopy && from.SameColours(to) && &src != &dst) {
    PickPixels(from, cols, rows, to, cols.first, rows.first);
    return;
  }
  // Scale into a block of the source's layout first, then convert and draw
  // it: picking converted pixels gives the same as converting picked ones.
  PixelStorage block(static_cast<int>(cols.index.size()), static_cast<int>(rows.index.size()), from.layout(),
                     from.palette());
  PickPixels(from, cols, rows, block, 0, 0);
  if (rop == kSrcCopy) {
    CopyBlock(ConvertStorage(block, to.layout(), to.palette()), to, cols.first, rows.first);
    return;
  }
#ifdef ZELNOR_HAVE_BITBLT
  Bitmap scaled;
  scaled.TakeStorage(std::move(block));
  BitBlt(dst, cols.first, rows.first, scaled, rop);
#else
  throw RasterError("StretchDraw: raster operation not supported");
#endif
}

}  // namespace raster
