// Members not built yet: each fails through the standard failure report.
#include "canvas/main.h"

namespace zelnor {

int32_t TMyCanvas::Gamma(int32_t) { NotBuiltYet("Gamma"); }
int32_t TMyCanvas::Contrast(int32_t) { NotBuiltYet("Contrast"); }
int32_t TMyCanvas::Mask(int32_t, bool) { NotBuiltYet("Mask"); }
int32_t TMyCanvas::Reversal() { NotBuiltYet("Reversal"); }
int32_t TMyCanvas::Gray(int32_t, int32_t, int32_t) { NotBuiltYet("Gray"); }
int32_t TMyCanvas::Dull() { NotBuiltYet("Dull"); }
int32_t TMyCanvas::Sharp() { NotBuiltYet("Sharp"); }
int32_t TMyCanvas::CustomFilter(int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t, int32_t) { NotBuiltYet("CustomFilter"); }

}  // namespace zelnor
