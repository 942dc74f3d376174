#include "platform/raster/pixel_format.h"

#include "platform/raster/errors.h"

namespace raster {

PixelLayout LayoutOfFormat(int number) {
  switch (number) {
    case pfDevice:
      return {24};
    case pf1bit:
      return {1};
    case pf4bit:
      return {4};
    case pf8bit:
      return {8};
    case pf15bit:
      return {16, 0x7C00, 0x03E0, 0x001F};
    case pf16bit:
      return {16, 0xF800, 0x07E0, 0x001F};
    case pf24bit:
      return {24};
    case pf32bit:
      return {32};
    default:
      throw RasterError(kMsgInvalidPixelFormat);
  }
}

int FormatOfLayout(const PixelLayout& l) {
  switch (l.bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      if (l.red_mask == 0x7C00 && l.green_mask == 0x03E0 && l.blue_mask == 0x001F) return pf15bit;
      if (l.green_mask == 0x07E0) return pf16bit;
      return pfCustom;
    case 24:
      return pf24bit;
    case 32:
      return (l.red_mask | l.green_mask | l.blue_mask) == 0 ? pf32bit : pfCustom;
    default:
      return pfCustom;
  }
}

int64_t StrideOf(int width, int bits) { return ((static_cast<int64_t>(width) * bits + 31) / 32) * 4; }

}  // namespace raster
