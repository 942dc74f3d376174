// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

int32_t TMyCanvas::RGBToColor(int32_t, int32_t, int32_t, int32_t) { NotBuiltYet("RGBToColor"); }
int32_t TMyCanvas::GetPenColor() { NotBuiltYet("PenColor"); }
void TMyCanvas::SetPenColor(int32_t) { NotBuiltYet("PenColor"); }
int32_t TMyCanvas::GetPenStyle() { NotBuiltYet("PenStyle"); }
void TMyCanvas::SetPenStyle(int32_t) { NotBuiltYet("PenStyle"); }
int32_t TMyCanvas::GetPenWidth() { NotBuiltYet("PenWidth"); }
void TMyCanvas::SetPenWidth(int32_t) { NotBuiltYet("PenWidth"); }
int32_t TMyCanvas::GetBrushColor() { NotBuiltYet("BrushColor"); }
void TMyCanvas::SetBrushColor(int32_t) { NotBuiltYet("BrushColor"); }
int32_t TMyCanvas::GetBrushStyle() { NotBuiltYet("BrushStyle"); }
void TMyCanvas::SetBrushStyle(int32_t) { NotBuiltYet("BrushStyle"); }
int32_t TMyCanvas::GetFontColor() { NotBuiltYet("FontColor"); }
void TMyCanvas::SetFontColor(int32_t) { NotBuiltYet("FontColor"); }
std::string TMyCanvas::GetFontName() { NotBuiltYet("FontName"); }
void TMyCanvas::SetFontName(const std::string&) { NotBuiltYet("FontName"); }
int32_t TMyCanvas::GetFontSize() { NotBuiltYet("FontSize"); }
void TMyCanvas::SetFontSize(int32_t) { NotBuiltYet("FontSize"); }
bool TMyCanvas::GetFontBold() { NotBuiltYet("FontBold"); }
void TMyCanvas::SetFontBold(bool) { NotBuiltYet("FontBold"); }
bool TMyCanvas::GetFontItalic() { NotBuiltYet("FontItalic"); }
void TMyCanvas::SetFontItalic(bool) { NotBuiltYet("FontItalic"); }
bool TMyCanvas::GetFontStrikeOut() { NotBuiltYet("FontStrikeOut"); }
void TMyCanvas::SetFontStrikeOut(bool) { NotBuiltYet("FontStrikeOut"); }
bool TMyCanvas::GetFontUnderLine() { NotBuiltYet("FontUnderLine"); }
void TMyCanvas::SetFontUnderLine(bool) { NotBuiltYet("FontUnderLine"); }
int32_t TMyCanvas::GetBkColor() { NotBuiltYet("BkColor"); }
void TMyCanvas::SetBkColor(int32_t) { NotBuiltYet("BkColor"); }
int32_t TMyCanvas::GetBkMode() { NotBuiltYet("BkMode"); }
void TMyCanvas::SetBkMode(int32_t) { NotBuiltYet("BkMode"); }
void TMyCanvas::Line(int32_t, int32_t, int32_t, int32_t) { NotBuiltYet("Line"); }
void TMyCanvas::PixelSet(int32_t, int32_t, int32_t) { NotBuiltYet("PixelSet"); }
int32_t TMyCanvas::PixelGet(int32_t, int32_t) { NotBuiltYet("PixelGet"); }
void TMyCanvas::Arc(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, bool, bool) { NotBuiltYet("Arc"); }
void TMyCanvas::Ellipse(int32_t, int32_t, int32_t, int32_t, bool) { NotBuiltYet("Ellipse"); }
void TMyCanvas::Circle(int32_t, int32_t, int32_t, bool) { NotBuiltYet("Circle"); }
void TMyCanvas::Box(int32_t, int32_t, int32_t, int32_t, bool) { NotBuiltYet("Box"); }
void TMyCanvas::FloodFill(int32_t, int32_t, int32_t, bool) { NotBuiltYet("FloodFill"); }
void TMyCanvas::RoundBox(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, bool) { NotBuiltYet("RoundBox"); }
void TMyCanvas::Pie(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, bool) { NotBuiltYet("Pie"); }
void TMyCanvas::BezierLine(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { NotBuiltYet("BezierLine"); }

}  // namespace zelnor
