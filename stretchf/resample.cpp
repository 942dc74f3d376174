// ResampleBitmap and the bitmap-level passes.
#include <algorithm>
#include <stdexcept>
#include <string>

#include "model/pixel_format.h"
#include "stretchf/passes.h"
#include "stretchf/resample_onto.h"

namespace zelnor {

namespace {

void Require(bool ok, const char* what) {
  if (!ok) throw std::invalid_argument(std::string("stretchf: ") + what);
}

bool Is24(const raster::Bitmap& b) { return !b.Empty() && b.BitsPerPixel() == 24; }

void CheckPass(const raster::Bitmap& src, const raster::Bitmap& dst, bool along_x, bool enlarge) {
  Require(Is24(src) && Is24(dst), "a resampling pass needs two non-empty 24-bit bitmaps");
  const int s = along_x ? src.Width() : src.Height();
  const int d = along_x ? dst.Width() : dst.Height();
  const bool other_same = along_x ? src.Height() == dst.Height() : src.Width() == dst.Width();
  Require(other_same && (enlarge ? d > s : d < s), "the destination does not fit the pass");
}

// A fresh 24-bit picture; every pixel is written by the pass that fills it.
raster::PixelStorage New24(int w, int h) { return raster::PixelStorage(w, h, raster::PixelLayout{24}, {}); }

}  // namespace

void CubicStretchX(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress) {
  CheckPass(src, dst, true, true);
  passes::CubicX(passes::RowsOf(src), passes::RowsOf(dst), progress);
}
void CubicStretchY(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress) {
  CheckPass(src, dst, false, true);
  passes::CubicY(passes::RowsOf(src), passes::RowsOf(dst), progress);
}
void AreaShrinkX(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress) {
  CheckPass(src, dst, true, false);
  passes::AreaX(passes::RowsOf(src), passes::RowsOf(dst), progress);
}
void AreaShrinkY(const raster::Bitmap& src, raster::Bitmap& dst, ProgressCallback progress) {
  CheckPass(src, dst, false, false);
  passes::AreaY(passes::RowsOf(src), passes::RowsOf(dst), progress);
}

void ResampleBitmap(raster::Bitmap& bitmap, int new_width, int new_height, ProgressCallback progress) {
  if (bitmap.Empty()) return;
  Require(new_width >= 1 && new_height >= 1, "sizes must be at least 1");
  if (PixelFormatOf(bitmap) != pf24bit) SetPixelFormat(bitmap, pf24bit);
  // Each pass hands its picture to the bitmap as soon as it is complete.
  auto pass = [&](int w, int h, auto run) {
    raster::Bitmap work;
    work.TakeStorage(New24(w, h));
    work.Storage().transparent_color = bitmap.Storage().transparent_color;
    run(static_cast<const raster::Bitmap&>(bitmap), work, progress);
    bitmap.TakeStorage(work.ReleaseStorage());
  };
  if (new_width != bitmap.Width()) {
    if (bitmap.Width() < new_width)
      pass(new_width, bitmap.Height(), CubicStretchX);
    else
      pass(new_width, bitmap.Height(), AreaShrinkX);
  }
  if (new_height != bitmap.Height()) {
    if (bitmap.Height() < new_height)
      pass(bitmap.Width(), new_height, CubicStretchY);
    else
      pass(bitmap.Width(), new_height, AreaShrinkY);
  }
}

void ResampleOnto(const raster::Bitmap& picture, raster::Bitmap& target, int left, int top, int width,
                  int height) {
  if (picture.Empty()) return;
  Require(Is24(target), "the target of a resampled draw must be 24-bit");
  Require(width >= 1 && height >= 1 && left >= 0 && top >= 0 && left + width <= target.Width() &&
              top + height <= target.Height(),
          "the resampled picture must lie inside the target");
  // A picture in another format is read through a 24-bit copy, as the
  // resampler converts it.
  raster::Bitmap converted;
  const raster::Bitmap* source = &picture;
  if (picture.BitsPerPixel() != 24) {
    converted.TakeStorage(raster::ConvertStorage(picture.Storage(), raster::PixelLayout{24}, {}));
    source = &converted;
  }
  const passes::SrcRows src = passes::RowsOf(*source);
  const passes::DstRows dst = passes::BlockOf(target, left, top, width, height);
  const bool along_x = width != src.width, along_y = height != src.height();
  if (!along_x && !along_y) {
    for (int y = 0; y < height; ++y)
      std::copy_n(src.rows[static_cast<size_t>(y)], static_cast<size_t>(width) * 3,
                  dst.rows[static_cast<size_t>(y)]);
    return;
  }
  auto run_x = [](const passes::SrcRows& s, const passes::DstRows& d) {
    s.width < d.width ? passes::CubicX(s, d, nullptr) : passes::AreaX(s, d, nullptr);
  };
  auto run_y = [](const passes::SrcRows& s, const passes::DstRows& d) {
    s.height() < d.height() ? passes::CubicY(s, d, nullptr) : passes::AreaY(s, d, nullptr);
  };
  if (!along_y) return run_x(src, dst);
  if (!along_x) return run_y(src, dst);
  raster::Bitmap middle;  // the width pass's picture
  middle.TakeStorage(New24(width, src.height()));
  run_x(src, passes::RowsOf(middle));
  run_y(passes::RowsOf(static_cast<const raster::Bitmap&>(middle)), dst);
}

}  // namespace zelnor
