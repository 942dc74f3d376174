// The drawing surface of a bitmap: the pen, brush and font a script sets, the
// copy mode used when another image is drawn onto it, and the device context
// they are applied to.  Made by Bitmap::Canvas() on first use.
#pragma once
#include <cstdint>
#include <string>

#include "platform/raster/colour.h"

namespace raster {

class Bitmap;
class PixelStorage;

enum PenStyle : int32_t {
  psSolid = 0, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame
};
enum BrushStyle : int32_t {
  bsSolid = 0, bsClear, bsHorizontal, bsVertical, bsFDiagonal, bsBDiagonal, bsCross, bsDiagCross
};

// Raster-operation codes of the blits (the platform's named ROP3 values).
inline constexpr uint32_t kSrcCopy = 0x00CC0020;

class Surface {
 public:
  explicit Surface(Bitmap& owner);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // Brush. Setting the style to bsClear also makes the colour white; setting
  // the colour while the style is bsClear makes the style bsSolid.
  ColorRef BrushColor() const { return brush_color_; }
  BrushStyle GetBrushStyle() const { return brush_style_; }
  void SetBrushColor(ColorRef c);
  void SetBrushStyle(BrushStyle s);

  // Applies the pending brush to the device context (which also sets the
  // background from it: a solid brush gives its colour, opaque; any other the
  // complement of its colour, transparent) and reports what a pattern blit
  // needs.  The brush colour comes resolved (system colours become RGB).
  struct PatternBrush {
    BrushStyle style;
    ColorRef color;
    ColorRef bk_color;
    bool bk_opaque;
  };
  PatternBrush ApplyBrushForPattern();

  // Copy mode: the raster operation used when another image is drawn here.
  uint32_t CopyMode() const { return copy_mode_; }
  void SetCopyMode(uint32_t rop) { copy_mode_ = rop; }

  // Paints all of `storage` (new storage of the owner) with the current
  // brush as the surface's rectangle fill paints it; a clear brush paints
  // nothing.
  void FillWithBrush(PixelStorage& storage);

  // Called by the bitmap when it gets new storage, a new format or a new
  // image: nothing is applied in the next device context.
  void ResetContext();

 private:
  Bitmap& owner_;
  ColorRef brush_color_ = 0x00FFFFFF;
  BrushStyle brush_style_ = bsSolid;
  uint32_t copy_mode_ = kSrcCopy;
};

}  // namespace raster
