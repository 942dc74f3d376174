#include "platform/raster/text_blit.h"

#include <algorithm>

#include "platform/raster/syscolors.h"

namespace raster {
namespace {

// The visible part of a w x h mask placed at (x, y).
bool Clip(const Bitmap& b, int64_t x, int64_t y, const CoverageMask& m, CoverageSpan* s) {
  if (x >= b.Width() || y >= b.Height()) return false;  // also keeps x + w, y + h in range
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(x + m.width, b.Width()),
                y1 = std::min<int64_t>(y + m.height, b.Height());
  if (x0 >= x1 || y0 >= y1) return false;
  *s = {static_cast<int>(x0),
        static_cast<int>(y0),
        static_cast<int>(x1),
        static_cast<int>(y1),
        m.data + (y0 - y) * m.stride + (x0 - x),
        m.stride};
  return true;
}

}  // namespace

void BlitCoverage(Bitmap& bitmap, int64_t x, int64_t y, const CoverageMask& mask, ColorRef color) {
  CoverageSpan s;
  if (bitmap.Empty() || !mask.data || !Clip(bitmap, x, y, mask, &s)) return;
  PixelStorage& st = bitmap.Storage();
  st.ops().blit_coverage(st, s, DeviceColor(color));
}

}  // namespace raster
