// The storage layouts of the 2D engine's pixels.
#pragma once
#include <cstdint>

namespace raster {

// What a stored pixel looks like.
struct PixelLayout {
  int bits = 24;          // 1, 4, 8, 16, 24 or 32
  uint32_t red_mask = 0;  // bit masks for 16/32-bit layouts (0 where unused)
  uint32_t green_mask = 0;
  uint32_t blue_mask = 0;
  bool operator==(const PixelLayout&) const = default;
};

// The layouts the engine makes itself; a BMP file may bring other masks.
inline constexpr PixelLayout kLayout1{1};
inline constexpr PixelLayout kLayout4{4};
inline constexpr PixelLayout kLayout8{8};
inline constexpr PixelLayout kLayout555{16, 0x7C00, 0x03E0, 0x001F};  // the default 16-bit layout
inline constexpr PixelLayout kLayout565{16, 0xF800, 0x07E0, 0x001F};
inline constexpr PixelLayout kLayout24{24};  // B, G, R bytes
inline constexpr PixelLayout kLayout32{32};  // B, G, R, X bytes

// Bytes per row: rows are padded to 32-bit boundaries like a DIB.
int64_t StrideOf(int width, int bits);

}  // namespace raster
