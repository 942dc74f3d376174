#include "draw/text.h"

#include <algorithm>
#include <limits>

#include "model/result_codes.h"
#include "platform/fonts/fonts.h"
#include "platform/raster/surface.h"
#include "platform/raster/text_blit.h"

namespace zelnor {
namespace {

fonts::LogFont LogFontOf(const raster::SelectedFont& f) {
  fonts::LogFont lf;
  lf.height = f.height;
  lf.weight = f.weight;
  lf.italic = f.italic;
  lf.underline = f.underline;
  lf.strike_out = f.strike_out;
  lf.charset = f.charset;
  lf.pitch = static_cast<uint8_t>(f.pitch);
  lf.face_name = f.face_name;
  return lf;
}

int32_t ToInt32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

// The font as applied to the canvas's device context.
fonts::LogFont AppliedFont(raster::Surface& s) {
  s.ApplyFont();
  return LogFontOf(s.GetSelectedFont());
}

// Paints rows [top, top + rows) of the text's span in colour `c`.
void FillBand(raster::Surface& s, int64_t x, int64_t y, int64_t width, int top, int rows,
              raster::ColorRef c) {
  if (width <= 0 || rows <= 0) return;
  s.FillSolidRect(ToInt32(x), ToInt32(y + top), ToInt32(x + width), ToInt32(y + top + rows), c);
}

// Draws the text with the device context's font, text colour and
// background; returns its width.
int64_t DrawText(raster::Surface& s, raster::Bitmap& canvas, int32_t x, int32_t y, const std::string& text) {
  const fonts::LogFont font = LogFontOf(s.GetSelectedFont());
  if (canvas.Empty()) return fonts::MeasureText(font, text).cx;
  const bool opaque = s.BkMode() == raster::bkOpaque;
  const bool lines = font.underline || font.strike_out;
  fonts::FontMetrics metrics;
  int64_t width = 0;
  if (opaque || lines) {
    metrics = fonts::GetFontMetrics(font);
    width = fonts::MeasureText(font, text).cx;
  }
  if (opaque) FillBand(s, x, y, width, 0, metrics.cell_height, s.BkColor());

  const raster::ColorRef color = s.TextColor();
  const fonts::Rect clip{-int64_t{x}, -int64_t{y}, int64_t{canvas.Width()} - x, int64_t{canvas.Height()} - y};
  width = fonts::RenderText(font, text, clip, [&](const fonts::GlyphPiece& piece) {
    raster::BlitCoverage(canvas, x + piece.x, y + piece.y,
                         {piece.coverage, piece.width, piece.height, piece.stride}, color);
  });
  if (font.underline) FillBand(s, x, y, width, metrics.underline_top, metrics.underline_thickness, color);
  if (font.strike_out) FillBand(s, x, y, width, metrics.strike_top, metrics.strike_thickness, color);
  return width;
}

// Puts the brush back as it was, on every way out of a routine.
class BrushKeeper {
 public:
  explicit BrushKeeper(raster::Surface& s) : s_(s), color_(s.BrushColor()), style_(s.GetBrushStyle()) {}
  ~BrushKeeper() {
    // Colour first, then style: setting the colour may make a clear brush
    // solid, and the style put then restores the style exactly.
    s_.SetBrushColor(color_);
    s_.SetBrushStyle(style_);
  }
  BrushKeeper(const BrushKeeper&) = delete;
  BrushKeeper& operator=(const BrushKeeper&) = delete;

 private:
  raster::Surface& s_;
  raster::ColorRef color_;
  raster::BrushStyle style_;
};

}  // namespace

int32_t WriteString(int32_t X1, int32_t Y1, const std::string& VarStr, bool BackTrans,
                    raster::Bitmap& canvas) {
  raster::Surface& s = canvas.Canvas();
  s.SetFontCharset(1);
  BrushKeeper keep(s);
  s.SetBrushStyle(BackTrans ? raster::bsClear : raster::bsSolid);
  s.ApplyFont();
  s.ApplyBrush();
  const int64_t width = DrawText(s, canvas, X1, Y1, VarStr);
  // The position wraps like the 32-bit arithmetic of the device context.
  s.MoveTo(static_cast<int32_t>(static_cast<uint32_t>(X1) + static_cast<uint32_t>(width)), Y1);
  return rcOK;
}

int32_t StringWidthOf(const std::string& Value, raster::Bitmap& canvas) {
  return ToInt32(fonts::MeasureText(AppliedFont(canvas.Canvas()), Value).cx);
}

int32_t StringHeightOf(const std::string& Value, raster::Bitmap& canvas) {
  return fonts::MeasureText(AppliedFont(canvas.Canvas()), Value).cy;
}

std::vector<std::string> FontNames(bool SortFlag, bool TTFOnlyFlag, bool VetFontFlag) {
  std::vector<std::string> names;
  for (fonts::FaceInfo& face : fonts::EnumerateFaces()) {
    if (TTFOnlyFlag && !face.truetype) continue;
    if (!VetFontFlag && !face.name.empty() && face.name.front() == '@') continue;
    if (!SortFlag) {
      names.push_back(std::move(face.name));
      continue;
    }
    auto at = std::lower_bound(
        names.begin(), names.end(), face.name,
        [](const std::string& a, const std::string& b) { return fonts::CompareFaceNames(a, b) < 0; });
    if (at == names.end() || fonts::CompareFaceNames(*at, face.name) != 0)
      names.insert(at, std::move(face.name));
  }
  return names;
}

}  // namespace zelnor
