// Pixel-format numbers and the storage layouts behind them.
#pragma once
#include <cstdint>

namespace raster {

// The numbers a script sees through PixelFormat.
enum PixelFormatNumber : int32_t {
  pfDevice = 0,  // device-dependent: 24-bit BGR storage, or 1 bit for a two-colour mask
  pf1bit = 1,
  pf4bit = 2,
  pf8bit = 3,
  pf15bit = 4,  // 16-bit words, 5-5-5
  pf16bit = 5,  // 16-bit words, masks F800/07E0/001F
  pf24bit = 6,  // B, G, R bytes
  pf32bit = 7,  // B, G, R, X bytes
  pfCustom = 8  // any other layout; reported, never set
};

// What a stored pixel looks like.
struct PixelLayout {
  int bits = 24;          // 1, 4, 8, 16, 24 or 32
  uint32_t red_mask = 0;  // bit masks for 16/32-bit layouts (0 where unused)
  uint32_t green_mask = 0;
  uint32_t blue_mask = 0;
  bool operator==(const PixelLayout&) const = default;
};

// The layout a settable format number stores its pixels in; pfDevice gives the
// screen format (24-bit). Throws RasterError for 8 or numbers outside 0..8.
PixelLayout LayoutOfFormat(int number);

// The format number that a bitmap with this layout reports.
int FormatOfLayout(const PixelLayout& layout);

// True for the pixel depths a bitmap can store: 1, 4, 8, 16, 24 and 32.
constexpr bool IsStorableDepth(int bits) {
  return bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 || bits == 32;
}

// Bytes per row: rows are padded to 32-bit boundaries like a DIB.
int64_t StrideOf(int width, int bits);

}  // namespace raster
