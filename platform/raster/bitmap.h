// The platform bitmap: an in-memory raster image in one of the storage
// layouts, with row access, a colour table and, once used, a drawing surface.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "platform/raster/pixel_storage.h"

namespace raster {

class Surface;

class Bitmap {
 public:
  Bitmap();  // 0 x 0, no surface, device-dependent 24-bit layout
  ~Bitmap();
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;

  int Width() const { return width_; }
  int Height() const { return height_; }
  // True whenever width or height is 0: no pixel storage is held.
  bool Empty() const { return storage_.empty(); }
  // Each is a no-op when the value is unchanged; otherwise new storage is made
  // and painted by the resize fill rule, and the old picture copied top-left.
  void SetWidth(int w);
  void SetHeight(int h);
  void SetSize(int w, int h);

  // The storage layout, and whether the picture is device-dependent (a
  // screen-format picture: stored like 24 bits, except the two-colour mask
  // made by MakeMonochromeMask, the one device-dependent image stored at 1 bit).
  const PixelLayout& Layout() const { return layout_; }
  bool DeviceDependent() const { return device_dependent_; }
  // Converts the picture to that layout (see ConvertStorage) and marks it;
  // the current layout and mark do nothing.  Fails for a depth the engine
  // cannot store and leaves the bitmap unchanged.
  void SetLayout(const PixelLayout& layout, bool device_dependent = false);
  int BitsPerPixel() const { return layout_.bits; }
  const Palette& GetPalette() const { return storage_.palette(); }
  void SetPalette(Palette p);

  // Stored row y (0 = top). Fails outside 0..height-1.
  uint8_t* ScanLine(int y);
  const uint8_t* ScanLine(int y) const;
  int64_t Stride() const { return storage_.stride(); }

  // Generic pixel access; outside the bitmap GetPixel gives kInvalidColor and
  // SetPixel does nothing.
  ColorRef GetPixel(int x, int y) const;
  void SetPixel(int x, int y, ColorRef c);

  // The drawing surface, made on first use and kept for the bitmap's life.
  Surface& Canvas();
  Surface* SurfaceIfAny() const { return surface_.get(); }

  // Becomes a copy of another image: size, pixel format, palette, pixels.
  void Assign(const Bitmap& other);
  // Takes a whole pixel block (a decoded image, a filter's output).
  void TakeStorage(PixelStorage&& storage);
  // Hands the pixel block over; the bitmap is left empty (0 x 0).
  PixelStorage ReleaseStorage();
  const PixelStorage& Storage() const { return storage_; }
  PixelStorage& Storage() { return storage_; }

  // Replaces the picture by a device-dependent one-bit mask of equal size:
  // pixels equal to `color` (explicit) become white, all others black.
  void MakeMonochromeMask(ColorRef color, bool no_color);

  // Windows BMP: file header, 40-byte info header, colour table (1/4/8 bits),
  // bit masks (5-6-5 and custom layouts, as BI_BITFIELDS), bottom-up rows in
  // the bitmap's own layout. An empty bitmap gives a header with size 0 x 0.
  std::vector<uint8_t> SaveToBmp() const;
  // Reads 1/4/8/16/24/32-bit files with core, info and V2-V5 headers,
  // bottom-up or top-down, uncompressed, bit-field or RLE4/RLE8 coded. A
  // damaged or oversized file fails with RasterError and leaves the bitmap
  // unchanged.
  void LoadFromBmp(std::span<const uint8_t> bytes);

  // A counter that changes whenever the bitmap gets new storage or format; the
  // surface uses it to know that its device context must be made anew.
  uint64_t Generation() const { return generation_; }

 private:
  void Reallocate(int w, int h);
  void ReplaceStorage(PixelStorage&& s);

  int width_ = 0, height_ = 0;
  PixelLayout layout_;
  bool device_dependent_ = true;
  PixelStorage storage_;
  std::unique_ptr<Surface> surface_;
  uint64_t generation_ = 0;
};

// Converts a pixel block to another layout, keeping the picture: 1/4/8-bit
// layouts take the nearest entry of `palette` (NearestPaletteIndex), masked
// 15/16/32-bit layouts keep the top bits of each channel, and reading them
// back widens each field by repeating its top bits (5 bits v give v << 3 |
// v >> 2). The same layout and colour table copy the stored bytes unchanged.
PixelStorage ConvertStorage(const PixelStorage& src, const PixelLayout& layout, const Palette& palette);
// The per-pixel reference for ConvertStorage (same bytes, much slower).
PixelStorage ConvertStorageSlow(const PixelStorage& src, const PixelLayout& layout, const Palette& palette);

// The palette a palette layout gets when a picture is converted to it.
Palette DefaultPaletteFor(int bits);

}  // namespace raster
