#include "draw/ZelnorDraw.h"

#include <algorithm>
#include <atomic>

#include "model/result_codes.h"
#include "model/settings.h"
#include "platform/raster/surface.h"
#include "platform/raster/syscolors.h"

namespace zelnor {

using raster::Surface;

int32_t RGBToColor(int32_t R, int32_t G, int32_t B, int32_t P) {
  auto byte = [](int32_t v) { return (v < 0 || v > 255) ? 0 : v; };
  if (P < 0 || P > 2) P = 0;
  return byte(R) + byte(G) * 256 + byte(B) * 65536 + P * 16777216;
}

void PutPenStyle(int32_t value, Bitmap& canvas) {
  canvas.Canvas().SetPenStyle(value >= 1 && value <= 6 ? static_cast<raster::PenStyle>(value)
                                                       : raster::psSolid);
}

void PutPenWidth(int32_t value, Bitmap& canvas) {
  if (value > 0) canvas.Canvas().SetPenWidth(value);
}

void PutBrushStyle(int32_t value, Bitmap& canvas) {
  canvas.Canvas().SetBrushStyle(value >= 1 && value <= 7 ? static_cast<raster::BrushStyle>(value)
                                                         : raster::bsSolid);
}

int32_t FontSizeOf(Bitmap& canvas) {
  return -raster::MulDiv(canvas.Canvas().FontHeight(), 72, raster::kScreenPixelsPerInch);
}

void PutFontSize(int32_t value, Bitmap& canvas) {
  canvas.Canvas().SetFontHeight(-raster::MulDiv(value, raster::kScreenPixelsPerInch, 72));
}

void PutFontName(const std::string& value, Bitmap& canvas) {
  if (!value.empty()) canvas.Canvas().SetFontName(value);
}

namespace {
template <class Record>
auto& FlagOf(uint8_t bit, Record& s) {
  switch (bit) {
    case raster::fsBold:
      return s.font_bold;
    case raster::fsItalic:
      return s.font_italic;
    case raster::fsUnderline:
      return s.font_underline;
    default:
      return s.font_strike_out;
  }
}
}  // namespace

void PutFontStyle(uint8_t bit, bool value, SettingsRecord& settings, Bitmap& canvas) {
  FlagOf(bit, settings).store(value);
  Surface& s = canvas.Canvas();
  const uint8_t styles = s.FontStyles();
  s.SetFontStyles(static_cast<uint8_t>(value ? (styles | bit) : (styles & ~bit)));
}

bool FontStyleFlag(uint8_t bit, const SettingsRecord& settings) { return FlagOf(bit, settings).load(); }

int32_t BkColorOf(Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.ApplyPending();
  return static_cast<int32_t>(s.BkColor());
}

void PutBkColor(int32_t value, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.ApplyPending();
  s.SetBkColor(static_cast<raster::ColorRef>(value));
}

int32_t BkModeOf(Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.ApplyPending();
  return s.BkMode() == raster::bkTransparent ? 1 : 0;
}

void PutBkMode(int32_t value, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.ApplyPending();
  s.SetBkMode(value);
}

// ---------------------------------------------------------------- shapes

namespace {
// Draws a figure with pen and brush applied.  Without FillFlag the brush is
// made clear for the call and written back afterwards (colour, then style),
// which through the brush couplings restores it exactly.
template <class F>
void WithFillFlag(bool fill, Surface& s, F&& draw) {
  if (fill) {
    s.ApplyPen();
    s.ApplyBrush();
    draw();
    return;
  }
  const raster::ColorRef color = s.BrushColor();
  const raster::BrushStyle style = s.GetBrushStyle();
  s.SetBrushStyle(raster::bsClear);
  s.ApplyPen();
  s.ApplyBrush();
  draw();
  s.SetBrushColor(color);
  s.SetBrushStyle(style);
}

// Coordinates derived from script values (X - R, X + R) saturate instead of
// wrapping; such values lie far outside any canvas anyway.
int32_t Saturate(int64_t v) { return static_cast<int32_t>(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }
}  // namespace

int32_t DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.MoveTo(X1, Y1);
  s.ApplyPen();
  s.ApplyBrush();
  s.LineTo(X2, Y2);
  return rcOK;
}

int32_t DrawBox(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  WithFillFlag(FillFlag, s, [&] { s.Rectangle(X1, Y1, X2, Y2); });
  return rcOK;
}

int32_t DrawEllipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  WithFillFlag(FillFlag, s, [&] { s.Ellipse(X1, Y1, X2, Y2); });
  return rcOK;
}

int32_t DrawCircle(int32_t X1, int32_t Y1, int32_t R1, bool FillFlag, Bitmap& canvas) {
  return DrawEllipse(Saturate(int64_t{X1} - R1), Saturate(int64_t{Y1} - R1), Saturate(int64_t{X1} + R1),
                     Saturate(int64_t{Y1} + R1), FillFlag, canvas);
}

int32_t DrawArc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                int32_t Y4, bool Chord, bool FillFlag, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  WithFillFlag(FillFlag, s, [&] {
    if (Chord)
      s.Chord(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
    else
      s.Arc(X1, Y1, X2, Y2, X3, Y3, X4, Y4);
  });
  return rcOK;
}

int32_t DrawPie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                int32_t Y4, bool FillFlag, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  WithFillFlag(FillFlag, s, [&] { s.Pie(X1, Y1, X2, Y2, X3, Y3, X4, Y4); });
  return rcOK;
}

int32_t DrawRoundBox(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, bool FillFlag,
                     Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  WithFillFlag(FillFlag, s, [&] { s.RoundRect(X1, Y1, X2, Y2, X3, Y3); });
  return rcOK;
}

int32_t DrawBezierLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                       int32_t Y4, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.ApplyPending();
  const raster::Point pts[4] = {{X1, Y1}, {X2, Y2}, {X3, Y3}, {X4, Y4}};
  s.PolyBezier(pts);
  return rcOK;
}

int32_t SetCanvasPixel(int32_t X1, int32_t Y1, int32_t PColor, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.ApplyPen();
  const raster::ColorRef c = PColor < 0 ? s.PenColor() : static_cast<raster::ColorRef>(PColor);
  s.SetPixel(X1, Y1, raster::ResolveColor(c));
  return rcOK;
}

int32_t GetCanvasPixel(int32_t X1, int32_t Y1, Bitmap& canvas) {
  return static_cast<int32_t>(canvas.Canvas().GetPixel(X1, Y1));
}

int32_t FloodFillCanvas(int32_t X1, int32_t Y1, int32_t C1, bool BorderFlag, Bitmap& canvas) {
  Surface& s = canvas.Canvas();
  s.ApplyBrush();
  s.ExtFloodFill(X1, Y1, static_cast<raster::ColorRef>(C1),
                 BorderFlag ? raster::ffBorder : raster::ffSurface);
  return rcOK;
}

}  // namespace zelnor
