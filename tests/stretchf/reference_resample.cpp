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
  Image d = MakeImage(dw, s.height, [](int, int, int) { return uint8_t{0}; });
  for (int i = 0; i < dw; ++i) {
    const long double pos = static_cast<long double>(int64_t{i} * (sw - 1)) / static_cast<long double>(dw - 1);
    const long double whole = std::trunc(pos);
    const int t = static_cast<int>(whole) - 1;
    const auto w = zelnor::LagrangeWeights(pos - whole + 1, 1048576.0L);
    for (int y = 0; y < s.height; ++y)
      for (int c = 0; c < 3; ++c) {
        int64_t acc = 524288;
        for (int k = 0; k < 4; ++k) {
          int col = t + k;
          if (col < 0) col = 0;
          if (col > sw - 1) col = sw - 1;
          acc += int64_t{w[static_cast<size_t>(k)]} * s.at(col, y, c);
        }
        d.at(i, y, c) = acc < 0 ? 0 : acc > 0xFF00000 ? 255 : static_cast<uint8_t>(acc >> 20);
      }
  }
  return d;
}

struct Boundary {
  int index, fraction;
};

Boundary BoundaryAt(int sw, int dw, int s) {
  const long double x = static_cast<long double>(int64_t{sw} * s) / static_cast<long double>(dw);
  const long double whole = std::trunc(x);
  return {static_cast<int>(whole), static_cast<int>((x - whole) * 262144.0L + 0.5L)};
}

Image AreaAlongX(const Image& s, int dw) {
  const int sw = s.width;
  const long double ratio = static_cast<long double>(sw) / static_cast<long double>(dw);
  const uint64_t scale = static_cast<uint32_t>((1.0L / ratio) * 4194304.0L + 0.5L);
  Image d = MakeImage(dw, s.height, [](int, int, int) { return uint8_t{0}; });
  for (int y = 0; y < s.height; ++y) {
    Boundary left{0, 0};
    for (int x = 0; x < dw; ++x) {
      const Boundary right = BoundaryAt(sw, dw, x + 1);
      for (int c = 0; c < 3; ++c) {
        uint64_t acc = 131072;
        if (left.fraction != 262144) acc += uint64_t(262144 - left.fraction) * s.at(left.index, y, c);
        for (int k = left.index + 1; k < right.index; ++k) acc += uint64_t{262144} * s.at(k, y, c);
        if (right.fraction != 0) acc += uint64_t(right.fraction) * s.at(right.index, y, c);
        const uint64_t v = (acc * scale) >> 40;
        d.at(x, y, c) = v > 255 ? 255 : static_cast<uint8_t>(v);
      }
      left = right;
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
