// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

int32_t TMyCanvas::Stretch(int32_t, int32_t, bool, bool) { NotBuiltYet("Stretch"); }

}  // namespace zelnor
