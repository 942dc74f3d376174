// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

int32_t TMyCanvas::LoadFromFile(const std::string&, bool, int32_t, int32_t, int32_t) { NotBuiltYet("LoadFromFile"); }
int32_t TMyCanvas::LoadFromStream(VARIANT*, const std::string&, bool, int32_t, int32_t, int32_t) { NotBuiltYet("LoadFromStream"); }
int32_t TMyCanvas::LoadFromClipboard(bool, bool, int32_t, int32_t, int32_t) { NotBuiltYet("LoadFromClipboard"); }
int32_t TMyCanvas::GetCanvas(VARIANT*, int32_t, int32_t, int32_t, int32_t) { NotBuiltYet("GetCanvas"); }
int32_t TMyCanvas::PutCanvas(VARIANT*, int32_t, int32_t, int32_t) { NotBuiltYet("PutCanvas"); }

}  // namespace zelnor
