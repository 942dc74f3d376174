#include "platform/raster/pixel_storage.h"

#include <cstring>
#include <string>

#include "platform/raster/errors.h"

namespace raster {

void CheckBitmapSize(int64_t width, int64_t height, int bits) {
  if (width < 0 || height < 0 || width > (int64_t{1} << 30) || height > (int64_t{1} << 30) ||
      StrideOf(static_cast<int>(width), bits) * height > kMaxBitmapBytes) {
    throw RasterError("Bitmap too large: " + std::to_string(width) + " x " + std::to_string(height) +
                      " pixels at " + std::to_string(bits) + " bits per pixel exceeds the bitmap size limit");
  }
}

PixelStorage::PixelStorage() : ops_(SelectFormatOps(layout_)) {}

PixelStorage::PixelStorage(int width, int height, const PixelLayout& layout, Palette palette)
    : width_(width),
      height_(height),
      layout_(layout),
      ops_(SelectFormatOps(layout)),
      palette_(std::move(palette)) {
  if (!ops_)
    throw RasterError("Unsupported pixel layout: " + std::to_string(layout.bits) + " bits per pixel");
  CheckBitmapSize(width, height, layout.bits);
  set_palette(std::move(palette_));
  stride_ = StrideOf(width, layout.bits);
  if (width > 0 && height > 0) {
    data_ = AllocatePixelBlock(static_cast<size_t>(stride_ * height));
    if (!data_)
      throw RasterError("Not enough memory for a " + std::to_string(width) + " x " + std::to_string(height) +
                        " bitmap");
  } else {
    width_ = height_ = 0;
    stride_ = 0;
  }
}

void PixelStorage::set_palette(Palette p) {
  palette_ = std::move(p);
  if (ops_->palette_entries && palette_.size() > ops_->palette_entries)
    palette_.resize(ops_->palette_entries);
}

PixelStorage PixelStorage::Clone() const {
  PixelStorage s(width_, height_, layout_, palette_);
  s.device_dependent_ = device_dependent_;
  s.transparent_color = transparent_color;
  if (data_) std::memcpy(s.data_.get(), data_.get(), static_cast<size_t>(stride_ * height_));
  return s;
}

}  // namespace raster
