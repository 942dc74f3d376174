// Drawing state, shapes and pixels: the routines the drawing members of
// TMyCanvas forward to.  Each works on the canvas it is given (last), through
// that canvas's drawing surface, applying the pen, brush and font exactly as
// each member needs them.
//
// The engine's device context can always be had: an empty canvas has one
// too, and everything drawn on it is clipped away.  So "Canvas に対する描画が
// できません" (raster::kMsgCannotDraw) is never raised by these routines.
#pragma once
#include <cstdint>
#include <string>

#include "model/settings.h"
#include "platform/raster/bitmap.h"

namespace zelnor {

using raster::Bitmap;

// R + G*256 + B*65536 + P*16777216; components outside 0..255 and P outside
// 0..2 count as 0.
int32_t RGBToColor(int32_t R, int32_t G, int32_t B, int32_t P);

// --- property puts with their value rules
void PutPenStyle(int32_t value, Bitmap& canvas);             // 1..6, else 0
void PutPenWidth(int32_t value, Bitmap& canvas);             // <= 0 ignored
void PutBrushStyle(int32_t value, Bitmap& canvas);           // 1..7, else 0
int32_t FontSizeOf(Bitmap& canvas);                          // -MulDiv(height, 72, P)
void PutFontSize(int32_t value, Bitmap& canvas);             // height = -MulDiv(value, P, 72)
void PutFontName(const std::string& value, Bitmap& canvas);  // empty ignored, 31 bytes
// Stores the flag in the object's settings record, then sets or clears `bit`
// in the canvas font's styles.
void PutFontStyle(uint8_t bit, bool value, SettingsRecord& settings, Bitmap& canvas);
bool FontStyleFlag(uint8_t bit, const SettingsRecord& settings);  // the record's flag of `bit`
// Background colour and mode of the device context, after applying the
// pending state; BkMode reads 1 when transparent, else 0.
int32_t BkColorOf(Bitmap& canvas);
void PutBkColor(int32_t value, Bitmap& canvas);
int32_t BkModeOf(Bitmap& canvas);
void PutBkMode(int32_t value, Bitmap& canvas);  // 1 or 2; others leave the mode

// --- shapes and pixels; all return rcOK
int32_t DrawLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, Bitmap& canvas);
int32_t DrawBox(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag, Bitmap& canvas);
int32_t DrawEllipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag, Bitmap& canvas);
int32_t DrawCircle(int32_t X1, int32_t Y1, int32_t R1, bool FillFlag, Bitmap& canvas);
int32_t DrawArc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                int32_t Y4, bool Chord, bool FillFlag, Bitmap& canvas);
int32_t DrawPie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                int32_t Y4, bool FillFlag, Bitmap& canvas);
int32_t DrawRoundBox(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, bool FillFlag,
                     Bitmap& canvas);
int32_t DrawBezierLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                       int32_t Y4, Bitmap& canvas);
int32_t SetCanvasPixel(int32_t X1, int32_t Y1, int32_t PColor, Bitmap& canvas);
// The pixel's colour value; -1 outside the canvas.
int32_t GetCanvasPixel(int32_t X1, int32_t Y1, Bitmap& canvas);
int32_t FloodFillCanvas(int32_t X1, int32_t Y1, int32_t C1, bool BorderFlag, Bitmap& canvas);

}  // namespace zelnor
