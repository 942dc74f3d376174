#include "platform/raster/surface.h"

#include <cstring>

#include "platform/raster/bitmap.h"
#include "platform/raster/syscolors.h"

namespace raster {

Surface::Surface(Bitmap& owner) : owner_(owner) {}
Surface::~Surface() = default;

void Surface::SetBrushColor(ColorRef c) {
  brush_color_ = c;
  if (brush_style_ == bsClear) brush_style_ = bsSolid;
}

void Surface::SetBrushStyle(BrushStyle s) {
  brush_style_ = s;
  if (s == bsClear) brush_color_ = 0x00FFFFFF;
}

void Surface::FillWithBrush(PixelStorage& storage) {
  if (brush_style_ == bsClear || storage.empty()) return;
  // Solid brush: every pixel takes the brush colour. Hatched brushes arrive
  // with the rasteriser.
  const uint32_t bits = storage.ColorToBits(brush_color_ & 0xFFFFFF);
  for (int x = 0; x < storage.width(); ++x) storage.SetBits(x, 0, bits);
  for (int y = 1; y < storage.height(); ++y)
    std::memcpy(storage.row(y), storage.row(0), static_cast<size_t>(storage.stride()));
}

Surface::PatternBrush Surface::ApplyBrushForPattern() {
  const ColorRef c = ResolveColor(brush_color_);
  if (brush_style_ == bsSolid) return {brush_style_, c, c, true};
  return {brush_style_, c, ~c, false};
}

void Surface::ResetContext() {}

}  // namespace raster
