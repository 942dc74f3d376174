// Lines, single pixels and plain fills of the drawing surface.
#include <algorithm>

#include "platform/raster/bitmap.h"
#include "platform/raster/rasterizer.h"
#include "platform/raster/syscolors.h"

namespace raster {

namespace {
bool InDeviceSpace(int64_t v) { return v > -kDeviceSpaceLimit && v < kDeviceSpaceLimit; }
}  // namespace

void Surface::LineTo(int32_t x, int32_t y) {
  const Point from = dc_.position;
  dc_.position = {x, y};
  const SelectedPen& pen = dc_.pen;
  PixelStorage& st = owner_.Storage();
  if (st.empty() || pen.style == psClear) return;
  if (!InDeviceSpace(from.x) || !InDeviceSpace(from.y) || !InDeviceSpace(x) || !InDeviceSpace(y)) return;
  if (pen.width <= 1 && (pen.style == psSolid || pen.style == psInsideFrame)) {
    // The common case, written straight into the rows; only the pen's
    // colour is looked up (a palette search on palette layouts).
    st.ops().solid_line(st, from.x, from.y, x, y, st.ColorToBits(DeviceColor(pen.color)));
    return;
  }
  Rasterizer r(*this);
  if (pen.width <= 1) {
    CosmeticPen cp(r);
    BresenhamLine(from.x, from.y, x, y, r.Width(), r.Height(), [&](int64_t px, int64_t py, int64_t i) {
      cp.SetPosition(i);
      cp.Pixel(px, py);
    });
    return;
  }
  // A wide pen draws solid whatever its style, with round ends.
  const PenShape shape(pen.width);
  const uint32_t bits = r.PenBits();
  PaintInBands(
      r.Width(), r.Height(), int64_t{std::min(from.y, y)} - pen.width,
      int64_t{std::max(from.y, y)} + pen.width,
      [&](SpanCollector& sc) { AddWideSegment(sc, from.x, from.y, x, y, shape); },
      [&](int row, int x0, int x1) { r.Span(row, x0, x1, bits); });
}

bool Surface::SetPixel(int32_t x, int32_t y, ColorRef c) {
  PixelStorage& st = owner_.Storage();
  if (st.empty() || x < 0 || y < 0 || x >= st.width() || y >= st.height()) return false;
  st.SetPixel(x, y, DeviceColor(c));
  return true;
}

ColorRef Surface::GetPixel(int32_t x, int32_t y) const { return owner_.GetPixel(x, y); }

void Surface::FillSolidRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, ColorRef c) {
  PixelStorage& st = owner_.Storage();
  if (st.empty()) return;
  const uint32_t bits = st.ColorToBits(DeviceColor(c));
  const int64_t top = std::max<int64_t>(std::min(y1, y2), 0);
  const int64_t bottom = std::min<int64_t>(std::max(y1, y2), st.height());
  for (int64_t row = top; row < bottom; ++row) StorageSpan(st, row, std::min(x1, x2), std::max(x1, x2), bits);
}

void Surface::FillWithBrush(PixelStorage& storage) {
  if (brush_style_ == bsClear || storage.empty()) return;
  // The pending brush as applying it would select it: a solid brush paints
  // its colour; a hatched one its lines, with gaps left as they are (a
  // hatched brush sets a transparent background).
  const ColorRef c = DeviceColor(ResolveColor(brush_color_));
  const uint32_t fg = storage.ColorToBits(c);
  for (int y = 0; y < storage.height(); ++y) {
    if (brush_style_ == bsSolid)
      StorageSpan(storage, y, 0, storage.width(), fg);
    else
      HatchSpan(storage, brush_style_, y, 0, storage.width(), fg, 0, false);
  }
}

}  // namespace raster
