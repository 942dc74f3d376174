// The enlarging passes: four-node cubic Lagrange interpolation in 20-bit
// fixed point.  The nodes of every destination column (row) are clamped to
// the source once, in the plan, so the loops never test an index; inside the
// image the clamped nodes are simply the unclamped ones.
#include "platform/cpu/cpu.h"
#include "platform/raster/parallel.h"
#include "stretchf/passes.h"
#include "stretchf/simd.h"

namespace zelnor::passes {

namespace {

// Destination columns c0..c1-1 of one row.
void CubicRowX(const CubicNode* plan, const uint8_t* src, uint8_t* dst, int c0, int c1) {
  for (int i = c0; i < c1; ++i) {
    const CubicNode& n = plan[i];
    const uint8_t* p0 = src + 3 * n.node[0];
    const uint8_t* p1 = src + 3 * n.node[1];
    const uint8_t* p2 = src + 3 * n.node[2];
    const uint8_t* p3 = src + 3 * n.node[3];
    for (int c = 0; c < 3; ++c) {
      const int32_t acc =
          kCubicHalf + n.weight[0] * p0[c] + n.weight[1] * p1[c] + n.weight[2] * p2[c] + n.weight[3] * p3[c];
      dst[3 * i + c] = CubicByte(acc);
    }
  }
}

// One destination row from its four source rows; every byte of the row is
// one channel sample, so the loop runs straight over bytes.
ZELNOR_INLINE_BODY void CubicRowYLoop(const CubicNode& n, const uint8_t* __restrict r0,
                                      const uint8_t* __restrict r1, const uint8_t* __restrict r2,
                                      const uint8_t* __restrict r3, uint8_t* __restrict dst, int bytes) {
  const int32_t w0 = n.weight[0], w1 = n.weight[1], w2 = n.weight[2], w3 = n.weight[3];
  for (int b = 0; b < bytes; ++b) {
    const int32_t acc = kCubicHalf + w0 * r0[b] + w1 * r1[b] + w2 * r2[b] + w3 * r3[b];
    dst[b] = CubicByte(acc);
  }
}

#if defined(__x86_64__)
ZELNOR_AVX2 void CubicRowYAvx2(const CubicNode& n, const uint8_t* r0, const uint8_t* r1, const uint8_t* r2,
                               const uint8_t* r3, uint8_t* dst, int bytes) {
  CubicRowYLoop(n, r0, r1, r2, r3, dst, bytes);
}
#endif

void CubicRowY(const CubicNode& n, const SrcRows& src, uint8_t* dst, int bytes) {
  const uint8_t* r[4];
  for (int i = 0; i < 4; ++i) r[i] = src.rows[static_cast<size_t>(n.node[static_cast<size_t>(i)])];
#if defined(__x86_64__)
  if (cpu::Has(cpu::Isa::kAvx2)) return CubicRowYAvx2(n, r[0], r[1], r[2], r[3], dst, bytes);
#endif
  CubicRowYLoop(n, r[0], r[1], r[2], r[3], dst, bytes);
}

}  // namespace

void CubicX(const SrcRows& src, const DstRows& dst, ProgressCallback progress) {
  const std::vector<CubicNode> plan = CubicPlan(src.width, dst.width);
  const int h = dst.height();
  if (!progress) {
    const bool simd = UseSimd();
    const CubicSimdPlan columns = simd ? MakeCubicSimdPlan(plan, src.width) : CubicSimdPlan();
    raster::ParallelFor(h, int64_t{dst.width} * h * 12, [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) {
        const uint8_t* s = src.rows[static_cast<size_t>(y)];
        uint8_t* d = dst.rows[static_cast<size_t>(y)];
        simd ? CubicRowXSimd(plan.data(), columns.data(), s, d, dst.width)
             : CubicRowX(plan.data(), s, d, 0, dst.width);
      }
    });
    return;
  }
  // With an observer, column by column so that progress follows the columns.
  const int64_t steps = 2 * int64_t{dst.width} - 2;
  for (int i = 0; i < dst.width; ++i) {
    for (int y = 0; y < h; ++y)
      CubicRowX(plan.data(), src.rows[static_cast<size_t>(y)], dst.rows[static_cast<size_t>(y)], i, i + 1);
    if (steps > 0) ReportProgress(static_cast<int32_t>(int64_t{i} * 100 / steps), progress);
  }
}

void CubicY(const SrcRows& src, const DstRows& dst, ProgressCallback progress) {
  const std::vector<CubicNode> plan = CubicPlan(src.height(), dst.height());
  const int h = dst.height();
  const int bytes = dst.width * 3;
  if (!progress) {
    raster::ParallelFor(h, int64_t{bytes} * h * 4, [&](int j0, int j1) {
      for (int j = j0; j < j1; ++j)
        CubicRowY(plan[static_cast<size_t>(j)], src, dst.rows[static_cast<size_t>(j)], bytes);
    });
    return;
  }
  ReportProgress(50, progress);
  const int64_t steps = 2 * int64_t{h} - 2;
  for (int j = 0; j < h; ++j) {
    CubicRowY(plan[static_cast<size_t>(j)], src, dst.rows[static_cast<size_t>(j)], bytes);
    if (steps > 0) ReportProgress(static_cast<int32_t>(int64_t{j} * 100 / steps + 50), progress);
  }
}

}  // namespace zelnor::passes
