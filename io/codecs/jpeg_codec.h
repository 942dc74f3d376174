// JPEG through libjpeg: encoding with the component's fixed options,
// full-scale decoding, and decoding at 1/2, 1/4 or 1/8 scale on request.
#pragma once
#include <cstdint>
#include <functional>
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

// Given the full size of the picture, the scale to decode at: a denominator
// of 1, 2, 4 or 8 (libjpeg's scaled inverse DCT; each side becomes the side
// divided by it, rounded up).  Any other value decodes at full scale.
using JpegScaleChooser = std::function<int(int width, int height)>;

// Decodes at the scale the chooser names.  A reduced decode is much faster
// than a full one, but its pixels differ from any resampling of the full
// picture.
raster::PixelStorage DecodeJpeg(std::span<const uint8_t> bytes, const JpegScaleChooser& choose_scale);

}  // namespace zelnor::codecs
