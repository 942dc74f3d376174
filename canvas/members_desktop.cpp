// Window capture and wallpaper: the members forward to the desktop routines
// with the current canvas.
#include "canvas/main.h"
#include "desktop/desktop.h"

namespace zelnor {

int32_t TMyCanvas::SetWallPaper(const std::string& FileName, bool SaveRegs) {
  return SetWallPaperImage(FileName, SaveRegs, Current());
}

int32_t TMyCanvas::CaptureWindow(const std::string& WindowName, bool appendflag, int32_t X1, int32_t Y1,
                                 int32_t Cpmode) {
  return CaptureWindowImage(WindowName, appendflag, X1, Y1, Cpmode, Current());
}

}  // namespace zelnor
