// A block of pixels: size, layout, colour table and rows. Movable, never shared.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>

#include "platform/raster/colour.h"
#include "platform/raster/format_ops.h"
#include "platform/raster/pixel_block.h"
#include "platform/raster/pixel_layout.h"

namespace raster {

// Largest pixel block the engine allocates, like the host's bitmap limit: a
// request above it (or one whose size arithmetic overflows) fails with a clear
// message before any memory is touched.  Fuzz builds allow 1 MiB, so that
// no single input can make a run slow by claiming a large picture.
#ifdef FUZZING_BUILD_MODE_UNSAFE_FOR_PRODUCTION
inline constexpr int64_t kMaxBitmapBytes = int64_t{1} << 20;
#else
inline constexpr int64_t kMaxBitmapBytes = int64_t{1} << 30;
#endif

// Checks a size request against the limit; throws RasterError when refused.
void CheckBitmapSize(int64_t width, int64_t height, int bits);

class PixelStorage {
 public:
  PixelStorage();  // 0 x 0, 24 bits
  // New storage of that size and layout; contents are zero (black) bytes.
  // Fails with RasterError for a layout the engine cannot store.
  PixelStorage(int width, int height, const PixelLayout& layout, Palette palette);
  PixelStorage(PixelStorage&&) noexcept = default;
  PixelStorage& operator=(PixelStorage&&) noexcept = default;

  PixelStorage Clone() const;

  int width() const { return width_; }
  int height() const { return height_; }
  bool empty() const { return !data_; }
  const PixelLayout& layout() const { return layout_; }
  int bits() const { return layout_.bits; }
  // The operations of the layout, chosen when the storage was made.
  const FormatOps& ops() const { return *ops_; }
  int64_t stride() const { return stride_; }
  const Palette& palette() const { return palette_; }
  // A colour table longer than the layout can index is cut to 2^bits entries.
  void set_palette(Palette p);
  // Same layout and, for palette layouts, the same colour table: the stored
  // bits mean the same colours.
  bool SameColours(const PixelStorage& other) const {
    return layout_ == other.layout_ && (ops_->palette_entries == 0 || palette_ == other.palette_);
  }
  // Marked device-dependent (a screen-format picture) rather than a plain
  // picture of its layout.
  bool device_dependent() const { return device_dependent_; }
  void set_device_dependent(bool on) { device_dependent_ = on; }

  // Row y, top row 0; no range check (Bitmap::ScanLine checks).
  uint8_t* row(int y) { return data_.get() + stride_ * y; }
  const uint8_t* row(int y) const { return data_.get() + stride_ * y; }

  // Pixel access without range checks: explicit colours in and out; writes
  // map to the nearest palette entry or truncate bits.
  ColorRef GetPixel(int x, int y) const { return BitsToColor(GetBits(x, y)); }
  void SetPixel(int x, int y, ColorRef c) { SetBits(x, y, ColorToBits(c)); }
  // The stored bits of a pixel and how a colour is stored in this layout.
  uint32_t GetBits(int x, int y) const { return ops_->get_bits(*this, x, y); }
  void SetBits(int x, int y, uint32_t bits) { ops_->set_bits(*this, x, y, bits); }
  uint32_t ColorToBits(ColorRef c) const { return ops_->color_to_bits(*this, c); }
  ColorRef BitsToColor(uint32_t bits) const { return ops_->bits_to_color(*this, bits); }

  std::optional<ColorRef> transparent_color;  // only from a decoded PNG with tRNS

 private:
  int width_ = 0, height_ = 0;
  int64_t stride_ = 0;
  PixelLayout layout_;
  const FormatOps* ops_;
  bool device_dependent_ = false;
  Palette palette_;
  PixelBlock data_;
};

}  // namespace raster
