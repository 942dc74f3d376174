// Text output and measuring on a surface: the device context's selected
// font, text colour and background, as the host's text-out draws them.
#include <algorithm>
#include <limits>

#include "platform/raster/bitmap.h"
#include "platform/raster/surface.h"
#include "platform/raster/text_blit.h"

namespace raster {
namespace {

int32_t ToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// Paints rows [top, top + rows) of the text's span in colour `c`.
void FillBand(Surface& s, int64_t x, int64_t y, int64_t width, int top, int rows, ColorRef c) {
  if (width <= 0 || rows <= 0) return;
  s.FillSolidRect(ToInt32(x), ToInt32(y + top), ToInt32(x + width), ToInt32(y + top + rows), c);
}

}  // namespace

int64_t Surface::TextOut(int32_t x, int32_t y, std::string_view text) {
  const fonts::LogFont& font = dc_.font;
  if (owner_.Empty()) return fonts::MeasureText(font, text).cx;
  const bool opaque = dc_.bk_mode == bkOpaque;
  const bool lines = font.underline || font.strike_out;
  fonts::FontMetrics metrics;
  int64_t width = 0;
  if (opaque || lines) {
    metrics = fonts::GetFontMetrics(font);
    width = fonts::MeasureText(font, text).cx;
  }
  if (opaque) FillBand(*this, x, y, width, 0, metrics.cell_height, dc_.bk_color);

  const ColorRef color = dc_.text_color;
  const fonts::Rect clip{-int64_t{x}, -int64_t{y}, int64_t{owner_.Width()} - x, int64_t{owner_.Height()} - y};
  width = fonts::RenderText(font, text, clip, [&](const fonts::GlyphPiece& piece) {
    BlitCoverage(owner_, x + piece.x, y + piece.y, {piece.coverage, piece.width, piece.height, piece.stride},
                 color);
  });
  if (font.underline) FillBand(*this, x, y, width, metrics.underline_top, metrics.underline_thickness, color);
  if (font.strike_out) FillBand(*this, x, y, width, metrics.strike_top, metrics.strike_thickness, color);
  return width;
}

Size Surface::GetTextExtent(std::string_view text) const {
  const fonts::TextExtent extent = fonts::MeasureText(dc_.font, text);
  return {ToInt32(extent.cx), extent.cy};
}

}  // namespace raster
