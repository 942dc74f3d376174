#include "platform/raster/pixel_layout.h"

namespace raster {

int64_t StrideOf(int width, int bits) { return ((static_cast<int64_t>(width) * bits + 31) / 32) * 4; }

}  // namespace raster
