// The resampler's formulas, one pixel at a time.  The height pass is the
// width pass on the transposed picture: both axes use the same positions,
// weights, boundaries and scale.
#include <cmath>

#include "images.h"
#include "stretchf/stretchf.h"

namespace stretch_test {

namespace {

Image Transpose(const Image& s) {
  return MakeImage(s.height, s.width, [&](int x, int y, int c) { return s.at(y, x, c); });
}

Image CubicAlongX(const Image& s, int dw) {
  const int sw = s.width;
  Image d = MakeImage(dw, s.height, [](int, int, int) { return 0; });
  for (int i = 0; i < dw; ++i) {
    const long double pos =
        static_cast<long double>(int64_t{i} * (sw - 1)) / static_cast<long double>(dw - 1);
    const long double whole = std::trunc(pos);
    const auto w = zelnor::LagrangeWeights(pos - whole + 1, 1048576.0L);
    for (int y = 0; y < s.height; ++y)
      for (int c = 0; c < 3; ++c) {
        int64_t acc = 524288;
        for (int k = 0; k < 4; ++k) {
          const int col = std::min(std::max(static_cast<int>(whole) - 1 + k, 0), sw - 1);
          acc += int64_t{w[static_cast<size_t>(k)]} * s.at(col, y, c);
        }
        d.at(i, y, c) = acc < 0 ? 0 : acc > 0xFF00000 ? 255 : static_cast<uint8_t>(acc >> 20);
      }
  }
  return d;
}

Image AreaAlongX(const Image& s, int dw) {
  const int sw = s.width;
  const uint64_t scale =
      static_cast<uint32_t>((1.0L / (static_cast<long double>(sw) / dw)) * 4194304.0L + 0.5L);
  auto boundary = [&](int j, int& index, int& fraction) {
    const long double x = static_cast<long double>(int64_t{sw} * j) / dw;
    index = static_cast<int>(std::trunc(x));
    fraction = static_cast<int>((x - std::trunc(x)) * 262144.0L + 0.5L);
  };
  Image d = MakeImage(dw, s.height, [](int, int, int) { return 0; });
  for (int y = 0; y < s.height; ++y) {
    int left = 0, left_fraction = 0;
    for (int x = 0; x < dw; ++x) {
      int right, right_fraction;
      boundary(x + 1, right, right_fraction);
      for (int c = 0; c < 3; ++c) {
        uint64_t acc = 131072;
        if (left_fraction != 262144) acc += uint64_t(262144 - left_fraction) * s.at(left, y, c);
        for (int k = left + 1; k < right; ++k) acc += uint64_t{262144} * s.at(k, y, c);
        if (right_fraction != 0) acc += uint64_t(right_fraction) * s.at(right, y, c);
        d.at(x, y, c) = static_cast<uint8_t>(std::min<uint64_t>((acc * scale) >> 40, 255));
      }
      left = right;
      left_fraction = right_fraction;
    }
  }
  return d;
}

Image AlongX(const Image& s, int dw) { return s.width < dw ? CubicAlongX(s, dw) : AreaAlongX(s, dw); }

}  // namespace

Image ReferenceResample(const Image& src, int new_width, int new_height) {
  Image cur = src;
  if (new_width != cur.width) cur = AlongX(cur, new_width);
  if (new_height != cur.height) cur = Transpose(AlongX(Transpose(cur), new_height));
  return cur;
}

}  // namespace stretch_test
