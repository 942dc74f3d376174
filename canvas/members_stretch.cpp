// Resizing the current canvas.
#include "canvas/main.h"
#include "model/result_codes.h"
#include "stretchf/stretchf.h"

namespace zelnor {

// Sizes of 0 or below are refused before anything changes; every other call
// succeeds.
int32_t TMyCanvas::Stretch(int32_t NewWidth, int32_t NewHeight, bool HiQ, bool NotThumbMode) {
  if (NewWidth <= 0 || NewHeight <= 0) return rcInvalidArgument;
  StretchBitmap(NewWidth, NewHeight, HiQ, Current(), NotThumbMode);
  return rcOK;
}

}  // namespace zelnor
