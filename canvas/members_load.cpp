// Loading, composing and region exchange: the members forward to the
// routines of ZelnorIO with the current canvas.
#include "canvas/main.h"
#include "io/ZelnorLoad.h"

namespace zelnor {

int32_t TMyCanvas::LoadFromFile(const std::string& FileName, bool appendload, int32_t X1, int32_t Y1,
                                int32_t Cpmode) {
  return LoadImageFile(FileName, appendload, X1, Y1, Cpmode, Current());
}

int32_t TMyCanvas::LoadFromStream(VARIANT* FromVar, const std::string& FileType, bool appendload, int32_t X1,
                                  int32_t Y1, int32_t Cpmode) {
  return LoadImageBytes(*FromVar, FileType, appendload, X1, Y1, Cpmode, Current());
}

int32_t TMyCanvas::LoadFromClipboard(bool ClearFlag, bool appendload, int32_t X1, int32_t Y1,
                                     int32_t Cpmode) {
  return LoadClipboardImage(ClearFlag, appendload, X1, Y1, Cpmode, Current());
}

int32_t TMyCanvas::GetCanvas(VARIANT* ToVar, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2) {
  return GetCanvasImage(ToVar, X1, Y1, X2, Y2, Current());
}

int32_t TMyCanvas::PutCanvas(VARIANT* FromVar, int32_t X1, int32_t Y1, int32_t Cpmode) {
  return PutCanvasImage(*FromVar, X1, Y1, Cpmode, Current());
}

}  // namespace zelnor
