// TMyCanvas: the one object class a script creates.  It owns the canvas list
// (never empty, entries only appended) and the current index, and forwards
// every member to a routine of the drawing, effects, resampling, input/output
// or desktop units.  The automation layer (Zelnor2_TLB) calls these methods
// with arguments already converted: BOOL as bool, BSTR as UTF-8 text,
// VARIANT* passed through.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/raster/bitmap.h"

namespace automation {
struct VARIANT;
}

namespace zelnor {

using automation::VARIANT;
using Bitmap = raster::Bitmap;
using CanvasList = std::vector<std::unique_ptr<Bitmap>>;

class TMyCanvas {
 public:
  TMyCanvas();  // one empty 24-bit canvas; writes the settings defaults
  ~TMyCanvas();
  TMyCanvas(const TMyCanvas&) = delete;
  TMyCanvas& operator=(const TMyCanvas&) = delete;

  Bitmap& Current() { return *canvases_[static_cast<size_t>(current_)]; }
  CanvasList& Canvases() { return canvases_; }

  // --- canvas list (main.cpp)
  int32_t NewCanvas(int32_t NewWidth, int32_t NewHeight, int32_t AddCanvas);
  int32_t GetWidth();
  void SetWidth(int32_t value);
  int32_t GetHeight();
  void SetHeight(int32_t value);
  int32_t GetPixelFormat();
  void SetPixelFormat(int32_t value);
  int32_t GetCurrentCanvasIndex();
  void SetCurrentCanvasIndex(int32_t value);
  int32_t GetLBound();
  int32_t GetUBound();

  // --- drawing state (members_draw.cpp)
  int32_t RGBToColor(int32_t R, int32_t G, int32_t B, int32_t P);
  int32_t GetPenColor();
  void SetPenColor(int32_t value);
  int32_t GetPenStyle();
  void SetPenStyle(int32_t value);
  int32_t GetPenWidth();
  void SetPenWidth(int32_t value);
  int32_t GetBrushColor();
  void SetBrushColor(int32_t value);
  int32_t GetBrushStyle();
  void SetBrushStyle(int32_t value);
  int32_t GetFontColor();
  void SetFontColor(int32_t value);
  std::string GetFontName();
  void SetFontName(const std::string& value);
  int32_t GetFontSize();
  void SetFontSize(int32_t value);
  bool GetFontBold();
  void SetFontBold(bool value);
  bool GetFontItalic();
  void SetFontItalic(bool value);
  bool GetFontStrikeOut();
  void SetFontStrikeOut(bool value);
  bool GetFontUnderLine();
  void SetFontUnderLine(bool value);
  int32_t GetBkColor();
  void SetBkColor(int32_t value);
  int32_t GetBkMode();
  void SetBkMode(int32_t value);

  // --- shapes and pixels (members_draw.cpp)
  void Line(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  void PixelSet(int32_t X1, int32_t Y1, int32_t PColor);
  int32_t PixelGet(int32_t X1, int32_t Y1);
  void Arc(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4,
           bool Chord, bool FillFlag);
  void Ellipse(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag);
  void Circle(int32_t X1, int32_t Y1, int32_t R1, bool FillFlag);
  void Box(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, bool FillFlag);
  void FloodFill(int32_t X1, int32_t Y1, int32_t C1, bool BorderFlag);
  void RoundBox(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, bool FillFlag);
  void Pie(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4, int32_t Y4,
           bool FillFlag);
  void BezierLine(int32_t X1, int32_t Y1, int32_t X2, int32_t Y2, int32_t X3, int32_t Y3, int32_t X4,
                  int32_t Y4);

  // --- text and font list (members_text.cpp)
  void StringWrite(int32_t X1, int32_t Y1, const std::string& VarStr, bool BackTrans);
  int32_t StringHeight(const std::string& Value);
  int32_t StringWidth(const std::string& Value);
  void FontList(bool SortFlag, bool TTFOnlyFlag, bool VetFontFlag, VARIANT* Result);

  // --- colour effects and filters (members_effects.cpp)
  int32_t Gamma(int32_t Value);
  int32_t Contrast(int32_t Value);
  int32_t Mask(int32_t MaskColor, bool Reverse);
  int32_t Reversal();
  int32_t Gray(int32_t vR, int32_t vG, int32_t vB);
  int32_t Dull();
  int32_t Sharp();
  int32_t CustomFilter(int32_t B0, int32_t B1, int32_t B2, int32_t B3, int32_t B4, int32_t B5, int32_t B6,
                       int32_t B7, int32_t B8, int32_t aBias, int32_t aDivis);

  // --- resizing (members_stretch.cpp)
  int32_t Stretch(int32_t NewWidth, int32_t NewHeight, bool HiQ, bool NotThumbMode);

  // --- codec settings, saving, animated GIF (members_save.cpp)
  int32_t GetJPEGCompressionQuality();
  void SetJPEGCompressionQuality(int32_t value);
  bool GetJPEGProgressiveEncoding();
  void SetJPEGProgressiveEncoding(bool value);
  int32_t GetGIFCompressionMode();
  void SetGIFCompressionMode(int32_t value);
  int32_t GetPNGCompressionLevel();
  void SetPNGCompressionLevel(int32_t value);
  int32_t SaveToFile(const std::string& FileName, bool Transparent, int32_t TX1, int32_t TY1);
  int32_t SaveToStream(VARIANT* ToVar, const std::string& FileType, bool Transparent, int32_t TX1,
                       int32_t TY1);
  int32_t SaveToClipboard();
  int32_t SaveAniGIFToFile(const std::string& FileName, int32_t Delay, int32_t Loops, bool Transparent,
                           int32_t TX1, int32_t TY1);
  int32_t SaveAniGIFToStream(VARIANT* ToVar, int32_t Delay, int32_t Loops, bool Transparent, int32_t TX1,
                             int32_t TY1);

  // --- loading and composing (members_load.cpp)
  int32_t LoadFromFile(const std::string& FileName, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode);
  int32_t LoadFromStream(VARIANT* FromVar, const std::string& FileType, bool appendload, int32_t X1,
                         int32_t Y1, int32_t Cpmode);
  int32_t LoadFromClipboard(bool ClearFlag, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode);
  int32_t GetCanvas(VARIANT* ToVar, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2);
  int32_t PutCanvas(VARIANT* FromVar, int32_t X1, int32_t Y1, int32_t Cpmode);

  // --- file conversion (members_convert.cpp)
  int32_t ConvertFile(const std::string& FromFilePath, const std::string& ToFilePath,
                      const std::string& FileType, int32_t ReWidth, int32_t ReHeight, int32_t GammaFlag,
                      int32_t ContrastFlag, bool HiQ, bool NotThumbMode, bool SharpFlag, bool DullFlag);

  // --- desktop (members_desktop.cpp)
  int32_t SetWallPaper(const std::string& FileName, bool SaveRegs);
  int32_t CaptureWindow(const std::string& WindowName, bool appendflag, int32_t X1, int32_t Y1,
                        int32_t Cpmode);

 private:
  CanvasList canvases_;
  int32_t current_ = 0;
};

// Raised by members whose subsystem is not part of this build yet.
[[noreturn]] void NotBuiltYet(const char* member);

}  // namespace zelnor
