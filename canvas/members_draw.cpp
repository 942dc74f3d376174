// Drawing-state, shape and pixel members: each forwards to a routine of the
// drawing unit (draw/ZelnorDraw.h) on the current canvas.
#include "canvas/main.h"
#include "draw/ZelnorDraw.h"
#include "platform/raster/surface.h"

namespace zelnor {

namespace {
raster::ColorRef AsColor(int32_t v) { return static_cast<raster::ColorRef>(v); }
}  // namespace

int32_t TMyCanvas::RGBToColor(int32_t R, int32_t G, int32_t B, int32_t P) {
  return zelnor::RGBToColor(R, G, B, P);
}

int32_t TMyCanvas::GetPenColor() { return static_cast<int32_t>(Current().Canvas().PenColor()); }
void TMyCanvas::SetPenColor(int32_t value) { Current().Canvas().SetPenColor(AsColor(value)); }
int32_t TMyCanvas::GetPenStyle() { return Current().Canvas().GetPenStyle(); }
void TMyCanvas::SetPenStyle(int32_t value) { PutPenStyle(value, Current()); }
int32_t TMyCanvas::GetPenWidth() { return Current().Canvas().PenWidth(); }
void TMyCanvas::SetPenWidth(int32_t value) { PutPenWidth(value, Current()); }

int32_t TMyCanvas::GetBrushColor() { return static_cast<int32_t>(Current().Canvas().BrushColor()); }
void TMyCanvas::SetBrushColor(int32_t value) { Current().Canvas().SetBrushColor(AsColor(value)); }
int32_t TMyCanvas::GetBrushStyle() { return Current().Canvas().GetBrushStyle(); }
void TMyCanvas::SetBrushStyle(int32_t value) { PutBrushStyle(value, Current()); }

int32_t TMyCanvas::GetFontColor() { return static_cast<int32_t>(Current().Canvas().FontColor()); }
void TMyCanvas::SetFontColor(int32_t value) { Current().Canvas().SetFontColor(AsColor(value)); }
std::string TMyCanvas::GetFontName() { return Current().Canvas().FontName(); }
void TMyCanvas::SetFontName(const std::string& value) { PutFontName(value, Current()); }
int32_t TMyCanvas::GetFontSize() { return FontSizeOf(Current()); }
void TMyCanvas::SetFontSize(int32_t value) { PutFontSize(value, Current()); }

bool TMyCanvas::GetFontBold() { return FontStyleFlag(raster::fsBold, Settings()); }
void TMyCanvas::SetFontBold(bool value) { PutFontStyle(raster::fsBold, value, Settings(), Current()); }
bool TMyCanvas::GetFontItalic() { return FontStyleFlag(raster::fsItalic, Settings()); }
void TMyCanvas::SetFontItalic(bool value) { PutFontStyle(raster::fsItalic, value, Settings(), Current()); }
bool TMyCanvas::GetFontStrikeOut() { return FontStyleFlag(raster::fsStrikeOut, Settings()); }
void TMyCanvas::SetFontStrikeOut(bool value) {
  PutFontStyle(raster::fsStrikeOut, value, Settings(), Current());
}
bool TMyCanvas::GetFontUnderLine() { return FontStyleFlag(raster::fsUnderline, Settings()); }
void TMyCanvas::SetFontUnderLine(bool value) {
  PutFontStyle(raster::fsUnderline, value, Settings(), Current());
}

int32_t TMyCanvas::GetBkColor() { return BkColorOf(Current()); }
void TMyCanvas::SetBkColor(int32_t value) { PutBkColor(value, Current()); }
int32_t TMyCanvas::GetBkMode() { return BkModeOf(Current()); }
void TMyCanvas::SetBkMode(int32_t value) { PutBkMode(value, Current()); }

void TMyCanvas::Line(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) { DrawLine(X1, Y1, X2, Y2, Current()); }
void TMyCanvas::PixelSet(int32_t X1, int32_t Y1, int32_t PColor) {
  SetCanvasPixel(X1, Y1, PColor, Current());
}
int32_t TMyCanvas::PixelGet(int32_t X1, int32_t Y1) { return GetCanvasPixel(X1, Y1, Current()); }
void TMyCanvas::Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                    int32_t Y4, bool Chord, bool FillFlag) {
  DrawArc(X1, Y1, X2, Y2, X3, Y3, X4, Y4, Chord, FillFlag, Current());
}
void TMyCanvas::Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag) {
  DrawEllipse(X1, Y1, X2, Y2, FillFlag, Current());
}
void TMyCanvas::Circle(int32_t X1, int32_t Y1, int32_t R1, bool FillFlag) {
  DrawCircle(X1, Y1, R1, FillFlag, Current());
}
void TMyCanvas::Box(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag) {
  DrawBox(X1, Y1, X2, Y2, FillFlag, Current());
}
void TMyCanvas::FloodFill(int32_t X1, int32_t Y1, int32_t C1, bool BorderFlag) {
  FloodFillCanvas(X1, Y1, C1, BorderFlag, Current());
}
void TMyCanvas::RoundBox(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3,
                         bool FillFlag) {
  DrawRoundBox(X1, Y1, X2, Y2, X3, Y3, FillFlag, Current());
}
void TMyCanvas::Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                    int32_t Y4, bool FillFlag) {
  DrawPie(X1, Y1, X2, Y2, X3, Y3, X4, Y4, FillFlag, Current());
}
void TMyCanvas::BezierLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                           int32_t Y4) {
  DrawBezierLine(X1, Y1, X2, Y2, X3, Y3, X4, Y4, Current());
}

}  // namespace zelnor
