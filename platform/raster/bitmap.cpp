#include "platform/raster/bitmap.h"

#include <algorithm>
#include <cstring>
#include <string>

#include "platform/raster/blit.h"
#include "platform/raster/errors.h"
#include "platform/raster/surface.h"

namespace raster {

Bitmap::Bitmap() : layout_(kLayout24) {}
Bitmap::~Bitmap() = default;

void Bitmap::SetWidth(int w) {
  if (w != width_) Reallocate(w, height_);
}
void Bitmap::SetHeight(int h) {
  if (h != height_) Reallocate(width_, h);
}
void Bitmap::SetSize(int w, int h) {
  if (w != width_ || h != height_) Reallocate(w, h);
}

namespace {
// Copies the top-left w x h pixels of one block into another of equal layout.
void CopyTopLeft(const PixelStorage& from, PixelStorage& to, int w, int h) {
  for (int y = 0; y < h; ++y) from.ops().copy_pixels(from, 0, y, to, 0, y, w);
}

void FillWhite(PixelStorage& s) {
  s.ops().fill_span(s, 0, 0, s.width(), s.ColorToBits(Rgb(255, 255, 255)));
  for (int y = 1; y < s.height(); ++y) std::memcpy(s.row(y), s.row(0), static_cast<size_t>(s.stride()));
}
}  // namespace

// The resize fill rule: new storage is painted with the surface's brush (or
// white when the bitmap has no surface yet), then the old picture is copied
// onto it at the top-left corner.
void Bitmap::Reallocate(int w, int h) {
  w = std::max(w, 0);
  h = std::max(h, 0);
  Palette pal = storage_.empty() ? DefaultPaletteFor(layout_.bits) : storage_.palette();
  PixelStorage fresh(w, h, layout_, std::move(pal));
  fresh.set_device_dependent(device_dependent_);
  if (!fresh.empty()) {
    if (surface_)
      surface_->FillWithBrush(fresh);
    else
      FillWhite(fresh);
    if (!storage_.empty())
      CopyTopLeft(storage_, fresh, std::min(w, storage_.width()), std::min(h, storage_.height()));
  }
  fresh.transparent_color = storage_.transparent_color;
  width_ = w;
  height_ = h;
  ReplaceStorage(std::move(fresh));
}

void Bitmap::ReplaceStorage(PixelStorage&& s) {
  storage_ = std::move(s);
  ++generation_;
  if (surface_) surface_->ResetContext();
}

void Bitmap::SetLayout(const PixelLayout& layout, bool device_dependent) {
  if (layout == layout_ && device_dependent == device_dependent_) return;
  if (!SelectFormatOps(layout))
    throw RasterError("Unsupported pixel layout: " + std::to_string(layout.bits) + " bits per pixel");
  PixelStorage converted = ConvertStorage(storage_, layout, DefaultPaletteFor(layout.bits));
  converted.set_device_dependent(device_dependent);
  converted.transparent_color = storage_.transparent_color;
  layout_ = layout;
  device_dependent_ = device_dependent;
  ReplaceStorage(std::move(converted));
}

void Bitmap::SetPalette(Palette p) {
  storage_.set_palette(std::move(p));
  ++generation_;
}

uint8_t* Bitmap::ScanLine(int y) {
  if (y < 0 || y >= height_ || storage_.empty()) throw RasterError(kMsgScanLineRange);
  return storage_.row(y);
}
const uint8_t* Bitmap::ScanLine(int y) const {
  if (y < 0 || y >= height_ || storage_.empty()) throw RasterError(kMsgScanLineRange);
  return storage_.row(y);
}

ColorRef Bitmap::GetPixel(int x, int y) const {
  if (storage_.empty() || x < 0 || y < 0 || x >= storage_.width() || y >= storage_.height())
    return kInvalidColor;
  return storage_.GetPixel(x, y);
}

void Bitmap::SetPixel(int x, int y, ColorRef c) {
  if (storage_.empty() || x < 0 || y < 0 || x >= storage_.width() || y >= storage_.height()) return;
  storage_.SetPixel(x, y, c);
}

Surface& Bitmap::Canvas() {
  if (!surface_) surface_ = std::make_unique<Surface>(*this);
  return *surface_;
}

void Bitmap::Assign(const Bitmap& other) {
  if (&other == this) return;
  TakeStorage(other.storage_.Clone());
  // An empty image still carries its reported size and format.
  layout_ = other.layout_;
  device_dependent_ = other.device_dependent_;
  width_ = other.width_;
  height_ = other.height_;
}

void Bitmap::TakeStorage(PixelStorage&& s) {
  layout_ = s.layout();
  device_dependent_ = s.device_dependent();
  width_ = s.width();
  height_ = s.height();
  ReplaceStorage(std::move(s));
}

PixelStorage Bitmap::ReleaseStorage() {
  PixelStorage out = std::move(storage_);
  storage_ = PixelStorage();
  width_ = height_ = 0;
  ++generation_;
  if (surface_) surface_->ResetContext();
  return out;
}

void Bitmap::MakeMonochromeMask(ColorRef color, bool no_color) {
  // The colour-to-monochrome copy does the work; the reported size stays,
  // also for a bitmap that is empty with one side non-zero.
  const int w = width_, h = height_;
  TakeStorage(ColorToMonochrome(storage_, no_color ? std::nullopt : std::optional<ColorRef>(color)));
  width_ = w;
  height_ = h;
}

}  // namespace raster
