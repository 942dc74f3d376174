// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

int32_t TMyCanvas::ConvertFile(const std::string&, const std::string&, const std::string&, int32_t, int32_t,
                               int32_t, int32_t, bool, bool, bool, bool) {
  NotBuiltYet("ConvertFile");
}

}  // namespace zelnor
