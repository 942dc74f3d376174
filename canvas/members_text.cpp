// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

void TMyCanvas::StringWrite(int32_t, int32_t, const std::string&, bool) { NotBuiltYet("StringWrite"); }
int32_t TMyCanvas::StringHeight(const std::string&) { NotBuiltYet("StringHeight"); }
int32_t TMyCanvas::StringWidth(const std::string&) { NotBuiltYet("StringWidth"); }
void TMyCanvas::FontList(bool, bool, bool, VARIANT*) { NotBuiltYet("FontList"); }

}  // namespace zelnor
