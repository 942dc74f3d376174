// Small 24-bit pictures for the resampler tests, as plain byte arrays.
#pragma once
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"

namespace stretch_test {

// Rows of width * 3 bytes (blue, green, red), top row first, no padding.
struct Image {
  int width = 0, height = 0;
  std::vector<uint8_t> bytes;
  uint8_t& at(int x, int y, int c) { return bytes[(static_cast<size_t>(y) * width + x) * 3 + c]; }
  uint8_t at(int x, int y, int c) const { return bytes[(static_cast<size_t>(y) * width + x) * 3 + c]; }
  bool operator==(const Image&) const = default;
};

inline Image MakeImage(int w, int h, const std::function<int(int, int, int)>& value) {
  Image im{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) im.at(x, y, c) = static_cast<uint8_t>(value(x, y, c));
  return im;
}
inline Image RandomImage(int w, int h, std::mt19937& rng) {
  return MakeImage(w, h, [&](int, int, int) { return static_cast<int>(rng() & 0xFF); });
}
// Grey values as one row (vertical = false) or one column.
inline Image Grey(const std::vector<int>& v, bool vertical = false) {
  const int n = static_cast<int>(v.size());
  return MakeImage(vertical ? 1 : n, vertical ? n : 1, [&](int x, int y, int) { return v[x + y]; });
}
inline std::vector<int> BlueValues(const Image& im) {
  std::vector<int> out;
  for (size_t i = 0; i < im.bytes.size(); i += 3) out.push_back(im.bytes[i]);
  return out;
}

inline void ToBitmap(const Image& im, raster::Bitmap& b, int format = zelnor::pf24bit) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(im.width, im.height);
  for (int y = 0; y < im.height; ++y)
    std::copy_n(&im.bytes[static_cast<size_t>(y) * im.width * 3], static_cast<size_t>(im.width) * 3,
                b.ScanLine(y));
  zelnor::SetPixelFormat(b, format);
}
inline Image FromBitmap(const raster::Bitmap& b) {
  return MakeImage(b.Width(), b.Height(), [&](int x, int y, int c) {
    return static_cast<int>((b.GetPixel(x, y) >> (16 - 8 * c)) & 0xFF);  // c: 0 blue, 1 green, 2 red
  });
}

// The straightforward resampler, written from the formulas without any of
// the fast paths: per-pixel node clamping, one weight per source pixel,
// boundaries recomputed where they are used.  Sizes at least 1.
Image ReferenceResample(const Image& src, int new_width, int new_height);

}  // namespace stretch_test
