// PNG through libpng: writing with the component's fixed options and reading
// of every PNG type.
#pragma once
#include <cstdint>
#include <span>
#include <vector>

#include "platform/raster/pixel_storage.h"

namespace zelnor::codecs {

// Writes IHDR, PLTE (palette pictures), tRNS (only when the picture carries a
// transparent colour), IDAT chunks of at most 65,535 bytes, IEND.  Pictures of
// 1, 4 or 8 bits are written as colour type 3 with 2^bits palette entries;
// all others as 8-bit truecolour.  Every row uses the Sub filter; the data is
// deflated at `level` (0..9); no interlace.
std::vector<uint8_t> EncodePng(const raster::PixelStorage& picture, int level);

// Palette and grey files give palette pictures of 1, 4 or 8 bits, truecolour
// files 24-bit pictures; alpha is dropped, 16-bit samples are scaled to 8
// bits, and a single transparent colour (tRNS) becomes the picture's
// transparent colour.  Damaged data fails with "Invalid PNG data: ...".
raster::PixelStorage DecodePng(std::span<const uint8_t> bytes);

}  // namespace zelnor::codecs
