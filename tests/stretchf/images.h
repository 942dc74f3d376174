// Small 24-bit pictures for the resampler tests, as plain byte arrays and as
// bitmaps.
#pragma once
#include <cstdint>
#include <functional>
#include <random>
#include <vector>

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

inline Image MakeImage(int w, int h, const std::function<uint8_t(int, int, int)>& value) {
  Image im{w, h, std::vector<uint8_t>(static_cast<size_t>(w) * h * 3)};
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int c = 0; c < 3; ++c) im.at(x, y, c) = value(x, y, c);
  return im;
}

inline Image RandomImage(int w, int h, std::mt19937& rng) {
  std::uniform_int_distribution<int> byte(0, 255);
  return MakeImage(w, h, [&](int, int, int) { return static_cast<uint8_t>(byte(rng)); });
}

// One grey row (all three channels equal) or column.
inline Image GreyRow(const std::vector<int>& v) {
  return MakeImage(static_cast<int>(v.size()), 1, [&](int x, int, int) { return static_cast<uint8_t>(v[x]); });
}
inline Image GreyColumn(const std::vector<int>& v) {
  return MakeImage(1, static_cast<int>(v.size()), [&](int, int y, int) { return static_cast<uint8_t>(v[y]); });
}
inline std::vector<int> BlueValues(const Image& im) {
  std::vector<int> out;
  for (int y = 0; y < im.height; ++y)
    for (int x = 0; x < im.width; ++x) out.push_back(im.at(x, y, 0));
  return out;
}

inline void ToBitmap(const Image& im, raster::Bitmap& b, int format = raster::pf24bit) {
  b.SetPixelFormat(raster::pf24bit);
  b.SetSize(im.width, im.height);
  for (int y = 0; y < im.height; ++y)
    for (int x = 0; x < im.width; ++x)
      for (int c = 0; c < 3; ++c) b.ScanLine(y)[3 * x + c] = im.at(x, y, c);
  if (format != raster::pf24bit) b.SetPixelFormat(format);
}

inline Image FromBitmap(const raster::Bitmap& b) {
  Image im{b.Width(), b.Height(), std::vector<uint8_t>(static_cast<size_t>(b.Width()) * b.Height() * 3)};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const raster::ColorRef c = b.GetPixel(x, y);
      im.at(x, y, 0) = static_cast<uint8_t>(raster::BlueOf(c));
      im.at(x, y, 1) = static_cast<uint8_t>(raster::GreenOf(c));
      im.at(x, y, 2) = static_cast<uint8_t>(raster::RedOf(c));
    }
  return im;
}

// The straightforward resampler, written from the formulas without any of
// the fast paths: per-pixel node clamping, one weight per source pixel,
// boundaries recomputed where they are used.  Sizes at least 1.
Image ReferenceResample(const Image& src, int new_width, int new_height);

}  // namespace stretch_test
