// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

int32_t TMyCanvas::SetWallPaper(const std::string&, bool) { NotBuiltYet("SetWallPaper"); }
int32_t TMyCanvas::CaptureWindow(const std::string&, bool, int32_t, int32_t, int32_t) {
  NotBuiltYet("CaptureWindow");
}

}  // namespace zelnor
