#include "platform/raster/pixel_storage.h"

#include <bit>
#include <cstdlib>
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

PixelStorage::PixelStorage(int width, int height, const PixelLayout& layout, Palette palette)
    : width_(width), height_(height), layout_(layout), palette_(std::move(palette)) {
  if (!IsStorableDepth(layout.bits))
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
  if (layout_.bits <= 8 && palette_.size() > (size_t{1} << layout_.bits))
    palette_.resize(size_t{1} << layout_.bits);
}

PixelStorage PixelStorage::Clone() const {
  PixelStorage s(width_, height_, layout_, palette_);
  s.device_dependent_ = device_dependent_;
  s.transparent_color = transparent_color;
  if (data_) std::memcpy(s.data_.get(), data_.get(), static_cast<size_t>(stride_ * height_));
  return s;
}

namespace {
// Reads a channel through its mask and widens it to 8 bits by repeating its
// top bits (5 bits v become v << 3 | v >> 2).
int ExpandChannel(uint32_t bits, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  int width = std::popcount(mask);
  uint32_t v = (bits & mask) >> shift;
  if (width >= 8) return static_cast<int>(v >> (width - 8));
  uint32_t out = v << (8 - width);
  for (int filled = width; filled < 8; filled += width) out |= out >> width;
  return static_cast<int>(out & 0xFF);
}
// Stores an 8-bit channel in a masked field by dropping its low bits.
uint32_t TruncateChannel(int v, uint32_t mask) {
  if (mask == 0) return 0;
  int shift = std::countr_zero(mask);
  int width = std::popcount(mask);
  uint32_t t = width >= 8 ? static_cast<uint32_t>(v) << (width - 8) : static_cast<uint32_t>(v) >> (8 - width);
  return (t << shift) & mask;
}
bool HasMasks(const PixelLayout& l) { return (l.red_mask | l.green_mask | l.blue_mask) != 0; }
}  // namespace

uint32_t PixelStorage::GetBits(int x, int y) const {
  const uint8_t* p = row(y);
  switch (layout_.bits) {
    case 1:
      return (p[x >> 3] >> (7 - (x & 7))) & 1;
    case 4:
      return (x & 1) ? (p[x >> 1] & 0x0F) : (p[x >> 1] >> 4);
    case 8:
      return p[x];
    case 16:
      return static_cast<uint32_t>(p[2 * x] | (p[2 * x + 1] << 8));
    case 24:
      return static_cast<uint32_t>(p[3 * x] | (p[3 * x + 1] << 8) | (p[3 * x + 2] << 16));
    default: {
      uint32_t v;
      std::memcpy(&v, p + 4 * x, 4);
      return v;
    }
  }
}

void PixelStorage::SetBits(int x, int y, uint32_t bits) {
  uint8_t* p = row(y);
  switch (layout_.bits) {
    case 1: {
      uint8_t m = static_cast<uint8_t>(0x80 >> (x & 7));
      p[x >> 3] = static_cast<uint8_t>((bits & 1) ? (p[x >> 3] | m) : (p[x >> 3] & ~m));
      break;
    }
    case 4:
      if (x & 1)
        p[x >> 1] = static_cast<uint8_t>((p[x >> 1] & 0xF0) | (bits & 0x0F));
      else
        p[x >> 1] = static_cast<uint8_t>((p[x >> 1] & 0x0F) | ((bits & 0x0F) << 4));
      break;
    case 8:
      p[x] = static_cast<uint8_t>(bits);
      break;
    case 16:
      p[2 * x] = static_cast<uint8_t>(bits);
      p[2 * x + 1] = static_cast<uint8_t>(bits >> 8);
      break;
    case 24:
      p[3 * x] = static_cast<uint8_t>(bits);
      p[3 * x + 1] = static_cast<uint8_t>(bits >> 8);
      p[3 * x + 2] = static_cast<uint8_t>(bits >> 16);
      break;
    default:
      std::memcpy(p + 4 * x, &bits, 4);
      break;
  }
}

ColorRef PixelStorage::BitsToColor(uint32_t bits) const {
  switch (layout_.bits) {
    case 1:
    case 4:
    case 8:
      return bits < palette_.size() ? (palette_[bits] & 0xFFFFFF) : 0;
    case 16:
    case 32:
      if (HasMasks(layout_))
        return Rgb(ExpandChannel(bits, layout_.red_mask), ExpandChannel(bits, layout_.green_mask),
                   ExpandChannel(bits, layout_.blue_mask));
      [[fallthrough]];
    default:  // stored B, G, R
      return Rgb((bits >> 16) & 0xFF, (bits >> 8) & 0xFF, bits & 0xFF);
  }
}

uint32_t PixelStorage::ColorToBits(ColorRef c) const {
  switch (layout_.bits) {
    case 1:
    case 4:
    case 8:
      return static_cast<uint32_t>(NearestPaletteIndex(palette_, c & 0xFFFFFF));
    case 16:
    case 32:
      if (HasMasks(layout_))
        return TruncateChannel(RedOf(c), layout_.red_mask) | TruncateChannel(GreenOf(c), layout_.green_mask) |
               TruncateChannel(BlueOf(c), layout_.blue_mask);
      [[fallthrough]];
    default:
      return static_cast<uint32_t>(BlueOf(c) | (GreenOf(c) << 8) | (RedOf(c) << 16));
  }
}

ColorRef PixelStorage::GetPixel(int x, int y) const { return BitsToColor(GetBits(x, y)); }
void PixelStorage::SetPixel(int x, int y, ColorRef c) { SetBits(x, y, ColorToBits(c)); }

}  // namespace raster
