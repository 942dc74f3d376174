// A synthetic photograph for the codec benches: smooth light and shade, a
// soft-edged ball and sensor-like noise, 24 bits.
#pragma once
#include <algorithm>
#include <cmath>
#include <cstdint>

#include "platform/raster/pixel_storage.h"

namespace bench {

inline raster::PixelStorage Photo(int w, int h, uint32_t seed) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  auto noise = [&seed] {
    seed = seed * 1103515245u + 12345u;
    return static_cast<int>((seed >> 16) % 13) - 6;
  };
  for (int y = 0; y < h; ++y) {
    uint8_t* row = p.row(y);
    for (int x = 0; x < w; ++x) {
      const double sky = 0.5 + 0.5 * std::sin(x * 6.0 / w) * std::cos(y * 6.0 / h);
      const double d = std::hypot(x - 0.6 * w, y - 0.5 * h) / (0.2 * w);
      const double ball = d < 1 ? 1 - d : 0;
      row[3 * x] = static_cast<uint8_t>(std::clamp(static_cast<int>(150 - 60 * sky) + noise(), 0, 255));
      row[3 * x + 1] = static_cast<uint8_t>(std::clamp(static_cast<int>(80 + 90 * sky) + noise(), 0, 255));
      row[3 * x + 2] =
          static_cast<uint8_t>(std::clamp(static_cast<int>(60 + 120 * sky + 70 * ball) + noise(), 0, 255));
    }
  }
  return p;
}

}  // namespace bench
