// The compositing draw: one bitmap drawn onto another at a point through one
// of the fifteen named raster operations, growing the destination to fit.
#include <climits>
#include <memory>

#include "effects/ZelnorEffects.h"
#include "platform/raster/blit.h"
#include "platform/raster/surface.h"

namespace zelnor {

uint32_t CopyModeRop(int32_t mode) {
  // Copy-mode numbers 1..15 are the named operations in alphabetical order.
  static constexpr uint32_t kRops[15] = {
      raster::kBlackness,   raster::kDstInvert, raster::kMergeCopy, raster::kMergePaint, raster::kNotSrcCopy,
      raster::kNotSrcErase, raster::kPatCopy,   raster::kPatInvert, raster::kPatPaint,   raster::kSrcAnd,
      raster::kSrcCopyRop,  raster::kSrcErase,  raster::kSrcInvert, raster::kSrcPaint,   raster::kWhiteness};
  return mode >= 1 && mode <= 15 ? kRops[mode - 1] : 0;
}

namespace {

// Puts a surface's copy mode back however the draw ends.
class CopyModeScope {
 public:
  explicit CopyModeScope(raster::Surface& s) : surface_(s), saved_(s.CopyMode()) {}
  ~CopyModeScope() { surface_.SetCopyMode(saved_); }
  CopyModeScope(const CopyModeScope&) = delete;
  CopyModeScope& operator=(const CopyModeScope&) = delete;

 private:
  raster::Surface& surface_;
  uint32_t saved_;
};

// A size that does not fit in an int is passed on as INT_MAX, which the
// bitmap refuses as too large with its own message.
int FitInt(int64_t v) { return v > INT_MAX ? INT_MAX : static_cast<int>(v); }

}  // namespace

void CopyModeDraw(int32_t x, int32_t y, int32_t mode, const raster::Bitmap& src, raster::Bitmap& dst) {
  // Growing the destination would also change a source that is the same
  // bitmap, so a self-draw at an offset draws from a copy.
  std::unique_ptr<raster::Bitmap> copy;
  const raster::Bitmap* from = &src;
  if (&src == &dst && (x != 0 || y != 0)) {
    copy = std::make_unique<raster::Bitmap>();
    copy->Assign(src);
    from = copy.get();
  }
  const int64_t need_w = int64_t{x} + from->Width(), need_h = int64_t{y} + from->Height();
  if (dst.Width() < need_w) dst.SetWidth(FitInt(need_w));
  if (dst.Height() < need_h) dst.SetHeight(FitInt(need_h));

  raster::Surface& surface = dst.Canvas();
  CopyModeScope restore(surface);
  if (const uint32_t rop = CopyModeRop(mode)) surface.SetCopyMode(rop);
  raster::BitBlt(dst, x, y, *from, surface.CopyMode());
}

}  // namespace zelnor
