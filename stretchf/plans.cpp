// Weights, node positions and area boundaries of the resampling passes.
// Everything here is evaluated in extended precision (long double) in the
// order written, because the bytes of the passes depend on the last bit.
#include <algorithm>
#include <cmath>
#include <stdexcept>
#include <string>

#include "stretchf/passes.h"

namespace zelnor {

std::array<int32_t, 4> LagrangeWeights(long double x, long double scale) {
  const long double sixth = 1.0L / 6.0L;
  const long double half = 1.0L / 2.0L;
  const long double w0 = scale * -sixth * (x - 1) * (x - 2) * (x - 3) + 0.5L;
  const long double w1 = scale * half * x * (x - 2) * (x - 3) + 0.5L;
  const long double w2 = scale * -half * x * (x - 1) * (x - 3) + 0.5L;
  const long double w3 = scale * sixth * x * (x - 1) * (x - 2) + 0.5L;
  // The conversion truncates towards zero, as the weights require.
  return {static_cast<int32_t>(w0), static_cast<int32_t>(w1), static_cast<int32_t>(w2),
          static_cast<int32_t>(w3)};
}

namespace passes {

std::vector<CubicNode> CubicPlan(int src_len, int dst_len) {
  // The plan takes 32 bytes per destination column: refuse what a bitmap of
  // the same size limit could not hold instead of exhausting memory.
  if (int64_t{dst_len} * static_cast<int64_t>(sizeof(CubicNode)) > raster::kMaxBitmapBytes)
    throw std::length_error("stretchf: " + std::to_string(dst_len) +
                            " pixels is too large a size to resample to");
  std::vector<CubicNode> plan(static_cast<size_t>(dst_len));
  const long double span = static_cast<long double>(dst_len - 1);
  for (int i = 0; i < dst_len; ++i) {
    // Source position of destination pixel i: the ends map onto the ends.
    const long double pos = static_cast<long double>(int64_t{i} * (src_len - 1)) / span;
    const long double whole = std::trunc(pos);
    const int t = static_cast<int>(whole) - 1;
    CubicNode& n = plan[static_cast<size_t>(i)];
    n.weight = LagrangeWeights(pos - whole + 1, static_cast<long double>(kCubicOne));
    for (int k = 0; k < 4; ++k) n.node[static_cast<size_t>(k)] = std::clamp(t + k, 0, src_len - 1);
  }
  return plan;
}

AreaPlan MakeAreaPlan(int src_len, int dst_len) {
  AreaPlan plan;
  const long double src = static_cast<long double>(src_len);
  const long double dst = static_cast<long double>(dst_len);
  plan.scale = static_cast<uint32_t>((1.0L / (src / dst)) * 4194304.0L + 0.5L);
  plan.src_len = src_len;
  plan.dst_len = dst_len;
  plan.index.resize(static_cast<size_t>(dst_len) + 1);
  plan.fraction.resize(static_cast<size_t>(dst_len) + 1);
  for (int s = 0; s <= dst_len; ++s) {
    const long double x = static_cast<long double>(int64_t{src_len} * s) / dst;
    const long double whole = std::trunc(x);
    plan.index[static_cast<size_t>(s)] = static_cast<int32_t>(whole);
    plan.fraction[static_cast<size_t>(s)] =
        static_cast<int32_t>((x - whole) * static_cast<long double>(kAreaOne) + 0.5L);
  }
  return plan;
}

SrcRows RowsOf(const raster::Bitmap& b) {
  SrcRows r;
  r.width = b.Width();
  r.rows.resize(static_cast<size_t>(b.Height()));
  for (int y = 0; y < b.Height(); ++y) r.rows[static_cast<size_t>(y)] = b.ScanLine(y);
  return r;
}

DstRows RowsOf(raster::Bitmap& b) { return BlockOf(b, 0, 0, b.Width(), b.Height()); }

DstRows BlockOf(raster::Bitmap& b, int x, int y, int w, int h) {
  DstRows r;
  r.width = w;
  r.rows.resize(static_cast<size_t>(h));
  for (int j = 0; j < h; ++j) r.rows[static_cast<size_t>(j)] = b.ScanLine(y + j) + static_cast<size_t>(x) * 3;
  return r;
}

}  // namespace passes
}  // namespace zelnor
