// Colour effects and filters: each member forwards to its routine with the
// current canvas.
#include "canvas/main.h"
#include "effects/ZelnorEffects.h"

namespace zelnor {

int32_t TMyCanvas::Gamma(int32_t Value) { return GammaBitmap(Value, Current()); }
int32_t TMyCanvas::Contrast(int32_t Value) { return ContrastBitmap(Value, Current()); }
int32_t TMyCanvas::Mask(int32_t MaskColor, bool Reverse) { return MaskBitmap(MaskColor, Reverse, Current()); }
int32_t TMyCanvas::Reversal() { return ReversalBitmap(Current()); }
int32_t TMyCanvas::Gray(int32_t vR, int32_t vG, int32_t vB) { return GrayBitmap(vR, vG, vB, Current()); }
int32_t TMyCanvas::Dull() { return DullBitmap(Current()); }
int32_t TMyCanvas::Sharp() { return SharpBitmap(Current()); }
int32_t TMyCanvas::CustomFilter(int32_t B0, int32_t B1, int32_t B2, int32_t B3, int32_t B4, int32_t B5,
                                int32_t B6, int32_t B7, int32_t B8, int32_t aBias, int32_t aDivis) {
  return CustomFilterBitmap(B0, B1, B2, B3, B4, B5, B6, B7, B8, aBias, aDivis, Current());
}

}  // namespace zelnor
