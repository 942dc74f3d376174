// JPEG through libjpeg: encoding with the component's fixed options and
// full-scale decoding.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/raster/pixel_storage.h"

namespace zelnor::codecs {

struct JpegOptions {
  int quality = 100;  // 1..100
  bool progressive = false;
};

// Encodes a picture of any layout (a 24-bit copy is made when needed) as
// 3 RGB components: library defaults, floating-point DCT, the quality with
// forced baseline tables, optional simple progression.
std::vector<uint8_t> EncodeJpeg(const raster::PixelStorage& picture, const JpegOptions& options);

// Decodes at full scale: colour (and CMYK) files give 24-bit pictures,
// greyscale files 8-bit pictures with a 256-grey palette.  Damaged or
// truncated data fails with "Invalid JPEG data: ...".
raster::PixelStorage DecodeJpeg(std::span<const uint8_t> bytes);

}  // namespace zelnor::codecs
