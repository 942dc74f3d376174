#include "model/pixel_format.h"

#include "platform/raster/errors.h"

namespace zelnor {

raster::PixelLayout LayoutOfFormat(int number) {
  switch (number) {
    case pfDevice:
    case pf24bit:
      return raster::kLayout24;
    case pf1bit:
      return raster::kLayout1;
    case pf4bit:
      return raster::kLayout4;
    case pf8bit:
      return raster::kLayout8;
    case pf15bit:
      return raster::kLayout555;
    case pf16bit:
      return raster::kLayout565;
    case pf32bit:
      return raster::kLayout32;
    default:
      throw raster::RasterError(raster::kMsgInvalidPixelFormat);
  }
}

int FormatOfLayout(const raster::PixelLayout& l) {
  switch (l.bits) {
    case 1:
      return pf1bit;
    case 4:
      return pf4bit;
    case 8:
      return pf8bit;
    case 16:
      if (l == raster::kLayout555) return pf15bit;
      if (l.green_mask == 0x07E0) return pf16bit;
      return pfCustom;
    case 24:
      return pf24bit;
    case 32:
      return l == raster::kLayout32 ? pf32bit : pfCustom;
    default:
      return pfCustom;
  }
}

int PixelFormatOf(const raster::Bitmap& bitmap) {
  return bitmap.DeviceDependent() ? pfDevice : FormatOfLayout(bitmap.Layout());
}

void SetPixelFormat(raster::Bitmap& bitmap, int number) {
  if (number == PixelFormatOf(bitmap)) return;
  bitmap.SetLayout(LayoutOfFormat(number), number == pfDevice);
}

}  // namespace zelnor
