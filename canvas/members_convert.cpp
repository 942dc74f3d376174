// File conversion: the member forwards to the conversion routine of ZelnorIO,
// which works on its own bitmap and never on the canvas list.
#include "canvas/main.h"
#include "io/ZelnorConvert.h"
#include "model/settings.h"

namespace zelnor {

int32_t TMyCanvas::ConvertFile(const std::string& FromFilePath, const std::string& ToFilePath,
                               const std::string& FileType, int32_t ReWidth, int32_t ReHeight,
                               int32_t GammaFlag, int32_t ContrastFlag, bool HiQ, bool NotThumbMode,
                               bool SharpFlag, bool DullFlag) {
  ConvertOptions options;
  options.file_type = FileType;
  options.width = ReWidth;
  options.height = ReHeight;
  options.gamma = GammaFlag;
  options.contrast = ContrastFlag;
  options.hiq = HiQ;
  options.not_thumb_mode = NotThumbMode;
  options.sharp = SharpFlag;
  options.dull = DullFlag;
  return ConvertFiles(FromFilePath, ToFilePath, options, Settings());
}

}  // namespace zelnor
