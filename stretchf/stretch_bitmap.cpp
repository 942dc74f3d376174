// StretchBitmap: the resize behind the Stretch member and file conversion.
#include <algorithm>
#include <cmath>
#include <stdexcept>

#include "platform/raster/colour.h"
#include "platform/raster/stretch_blt.h"
#include "platform/raster/surface.h"
#include "platform/raster/syscolors.h"
#include "stretchf/resample_onto.h"
#include "stretchf/stretchf.h"

namespace zelnor {

namespace {

// The explicit colour a solid brush of colour value `c` paints on a 24-bit
// picture: system colours resolved, a palette index looked up in the
// 20-entry default palette (entry 0 past its end), palette-relative values
// taken as their RGB.
raster::ColorRef SolidColorOf(raster::ColorRef c) { return raster::DeviceColor(raster::ResolveColor(c)); }

void FillSolid(raster::PixelStorage& s, raster::ColorRef color) {
  if (s.empty()) return;
  const uint32_t bits = s.ColorToBits(color);
  for (int x = 0; x < s.width(); ++x) s.SetBits(x, 0, bits);
  for (int y = 1; y < s.height(); ++y) std::copy_n(s.row(0), static_cast<size_t>(s.stride()), s.row(y));
}

// A new device-dependent picture, as the platform makes it for new bitmaps.
// A bitmap without a drawing surface paints new storage white; the callers
// skip that where every pixel is painted over anyway.
raster::PixelStorage NewWorkPicture(int w, int h, bool paint_white) {
  raster::PixelStorage s(w, h, raster::kLayout24, {});
  s.set_device_dependent(true);
  if (paint_white) FillSolid(s, raster::Rgb(255, 255, 255));
  return s;
}

}  // namespace

FitRect ThumbnailFit(int width, int height, int new_width, int new_height) {
  int fw = new_width, fh = new_height;
  if (width != 0 && height != 0 && new_height != 0) {
    const double aspect = static_cast<double>(width) / height;
    const double h = (static_cast<double>(new_width) / new_height) / aspect;
    if (h >= 1.0) {
      fw = static_cast<int>(std::trunc(new_width / h)) - 1;
    } else {
      fh = static_cast<int>(std::trunc(new_height * h)) - 1;
    }
    // A very wide or very tall picture would get a side of 0 or -1.
    fw = std::max(fw, 1);
    fh = std::max(fh, 1);
  }
  FitRect r;
  r.left = fw < new_width ? (new_width - fw) / 2 : 0;
  r.right = r.left + fw;
  r.top = fh < new_height ? (new_height - fh) / 2 : 0;
  r.bottom = r.top + fh;
  return r;
}

void StretchBitmap(int new_width, int new_height, bool hiq, raster::Bitmap& canvas, bool not_thumb_mode) {
  if (new_width < 1 || new_height < 1) throw std::invalid_argument("StretchBitmap: sizes must be at least 1");
  // The work bitmap is checked first, so a size that cannot be had fails
  // before the canvas changes.
  raster::CheckBitmapSize(new_width, new_height, 24);
  if (not_thumb_mode && hiq) {
    ResampleBitmap(canvas, new_width, new_height, nullptr);
    return;
  }
  raster::Bitmap work;
  if (not_thumb_mode) {
    work.TakeStorage(NewWorkPicture(new_width, new_height, canvas.Empty()));
    raster::StretchDraw(work, 0, 0, new_width, new_height, canvas, raster::kSrcCopy);
  } else {
    work.TakeStorage(NewWorkPicture(new_width, new_height, false));
    FillSolid(work.Storage(), SolidColorOf(canvas.Canvas().BrushColor()));
    const FitRect r = ThumbnailFit(canvas.Width(), canvas.Height(), new_width, new_height);
    if (hiq)
      ResampleOnto(canvas, work, r.left, r.top, r.right - r.left, r.bottom - r.top);
    else
      raster::StretchDraw(work, r.left, r.top, r.right, r.bottom, canvas, raster::kSrcCopy);
  }
  canvas.TakeStorage(work.ReleaseStorage());
}

}  // namespace zelnor
