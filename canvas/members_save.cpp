// Codec settings, saving and animated GIF: the members forward to the
// routines of ZelnorIO with the current canvas.
#include "canvas/main.h"
#include "io/ZelnorIO.h"
#include "model/result_codes.h"
#include "model/settings.h"

namespace zelnor {

int32_t TMyCanvas::GetJPEGCompressionQuality() { return Settings().jpeg_quality; }
void TMyCanvas::SetJPEGCompressionQuality(int32_t value) {
  Settings().jpeg_quality = value < 1 ? 1 : (value > 100 ? 100 : value);
}
bool TMyCanvas::GetJPEGProgressiveEncoding() { return Settings().jpeg_progressive; }
void TMyCanvas::SetJPEGProgressiveEncoding(bool value) { Settings().jpeg_progressive = value; }
int32_t TMyCanvas::GetGIFCompressionMode() { return Settings().gif_compression_mode; }
void TMyCanvas::SetGIFCompressionMode(int32_t value) { Settings().gif_compression_mode = value == 0 ? 0 : 1; }
int32_t TMyCanvas::GetPNGCompressionLevel() { return Settings().png_compression_level; }
void TMyCanvas::SetPNGCompressionLevel(int32_t value) {
  // A negative level stores 1, not 0.
  Settings().png_compression_level = value < 0 ? 1 : (value > 9 ? 9 : value);
}

int32_t TMyCanvas::SaveToFile(const std::string& FileName, bool Transparent, int32_t TX1, int32_t TY1) {
  if (TX1 < 0 || TY1 < 0) return rcInvalidArgument;
  return SaveCanvasImage(sdFile, FileName, Settings(), nullptr, Current(), Transparent, TX1, TY1);
}

int32_t TMyCanvas::SaveToStream(VARIANT* ToVar, const std::string& FileType, bool Transparent, int32_t TX1,
                                int32_t TY1) {
  if (TX1 < 0 || TY1 < 0) return rcInvalidArgument;
  return SaveCanvasImage(sdByteArray, FileType, Settings(), ToVar, Current(), Transparent, TX1, TY1);
}

int32_t TMyCanvas::SaveToClipboard() { return SaveCanvasToClipboard(Current()); }

int32_t TMyCanvas::SaveAniGIFToFile(const std::string& FileName, int32_t Delay, int32_t Loops,
                                    bool Transparent, int32_t TX1, int32_t TY1) {
  return SaveAnimatedGIF(sdFile, FileName, Settings(), GetUBound(), Canvases(), nullptr, Loops, Delay, TY1,
                         TX1, Transparent);
}

int32_t TMyCanvas::SaveAniGIFToStream(VARIANT* ToVar, int32_t Delay, int32_t Loops, bool Transparent,
                                      int32_t TX1, int32_t TY1) {
  return SaveAnimatedGIF(sdByteArray, "", Settings(), GetUBound(), Canvases(), ToVar, Loops, Delay, TY1, TX1,
                         Transparent);
}

}  // namespace zelnor
