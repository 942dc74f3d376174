// The reducing passes: exact area averaging in 18-bit fixed point.  Each
// destination pixel sums the source pixels under it, the two boundary pixels
// weighted by the part they cover, starting from half a source pixel's
// weight; the sum times the scale, shifted right by 40, is the byte.  Sums
// are 64-bit: a destination pixel may cover any number of source pixels.
#include <algorithm>

#include "platform/cpu/cpu.h"
#include "platform/raster/parallel.h"
#include "stretchf/passes.h"
#include "stretchf/simd.h"

namespace zelnor::passes {

namespace {

// One row.  Whole source pixels are summed plainly and the sum shifted once,
// which gives the same total as weighting each of them by 2^18.
void AreaRowX(const AreaPlan& plan, const uint8_t* src, uint8_t* dst, int dst_width) {
  int32_t left = 0, left_fraction = 0;
  for (int s = 0; s < dst_width; ++s) {
    const int32_t right = plan.index[static_cast<size_t>(s) + 1];
    const int32_t right_fraction = plan.fraction[static_cast<size_t>(s) + 1];
    uint64_t acc[3] = {kAreaHalf, kAreaHalf, kAreaHalf};
    if (left_fraction != kAreaOne) {
      const uint64_t w = static_cast<uint64_t>(kAreaOne - left_fraction);
      const uint8_t* p = src + 3 * static_cast<size_t>(left);
      for (int c = 0; c < 3; ++c) acc[c] += w * p[c];
    }
    uint64_t sum[3] = {0, 0, 0};
    const uint8_t* p = src + 3 * (static_cast<size_t>(left) + 1);
    for (int32_t k = left + 1; k < right; ++k, p += 3) {
      sum[0] += p[0];
      sum[1] += p[1];
      sum[2] += p[2];
    }
    for (int c = 0; c < 3; ++c) acc[c] += sum[c] << 18;
    if (right_fraction != 0) {
      const uint8_t* q = src + 3 * static_cast<size_t>(right);
      for (int c = 0; c < 3; ++c) acc[c] += static_cast<uint64_t>(right_fraction) * q[c];
    }
    for (int c = 0; c < 3; ++c) dst[3 * s + c] = AreaByte(acc[c], plan);
    left = right;
    left_fraction = right_fraction;
  }
}

// acc[b] += weight * row[b] over one row of bytes.
ZELNOR_INLINE_BODY void AddWeightedLoop(uint64_t* __restrict acc, const uint8_t* __restrict row,
                                        uint32_t weight, int bytes) {
  for (int b = 0; b < bytes; ++b) acc[b] += static_cast<uint64_t>(weight) * row[b];
}

ZELNOR_INLINE_BODY void AddRowLoop(uint32_t* __restrict sum, const uint8_t* __restrict row, int bytes) {
  for (int b = 0; b < bytes; ++b) sum[b] += row[b];
}

#if defined(__x86_64__)
ZELNOR_AVX2 void AddWeightedAvx2(uint64_t* acc, const uint8_t* row, uint32_t weight, int bytes) {
  AddWeightedLoop(acc, row, weight, bytes);
}
ZELNOR_AVX2 void AddRowAvx2(uint32_t* sum, const uint8_t* row, int bytes) { AddRowLoop(sum, row, bytes); }
#endif

void AddWeighted(uint64_t* acc, const uint8_t* row, uint32_t weight, int bytes) {
#if defined(__x86_64__)
  if (cpu::Has(cpu::Isa::kAvx2)) return AddWeightedAvx2(acc, row, weight, bytes);
#endif
  AddWeightedLoop(acc, row, weight, bytes);
}

void AddRow(uint32_t* sum, const uint8_t* row, int bytes) {
#if defined(__x86_64__)
  if (cpu::Has(cpu::Isa::kAvx2)) return AddRowAvx2(sum, row, bytes);
#endif
  AddRowLoop(sum, row, bytes);
}

// Whole rows first..last-1 with weight 2^18.  32-bit partial sums cannot
// overflow within a run of 2^16 rows; they are then folded into acc.
void AddWholeRows(uint64_t* acc, uint32_t* sum, const SrcRows& src, int first, int last, int bytes) {
  constexpr int kRun = 1 << 16;
  for (int r0 = first; r0 < last; r0 += kRun) {
    std::fill(sum, sum + bytes, 0u);
    const int r1 = std::min(last, r0 + kRun);
    for (int r = r0; r < r1; ++r) AddRow(sum, src.rows[static_cast<size_t>(r)], bytes);
    for (int b = 0; b < bytes; ++b) acc[b] += static_cast<uint64_t>(sum[b]) << 18;
  }
}

// One destination row j of the height pass.
void AreaRowY(const AreaPlan& plan, const SrcRows& src, int j, uint8_t* dst, int bytes, uint64_t* acc,
              uint32_t* sum) {
  const int32_t top = plan.index[static_cast<size_t>(j)];
  const int32_t top_fraction = plan.fraction[static_cast<size_t>(j)];
  const int32_t bottom = plan.index[static_cast<size_t>(j) + 1];
  const int32_t bottom_fraction = plan.fraction[static_cast<size_t>(j) + 1];
  std::fill(acc, acc + bytes, uint64_t{kAreaHalf});
  if (top_fraction != kAreaOne)
    AddWeighted(acc, src.rows[static_cast<size_t>(top)], static_cast<uint32_t>(kAreaOne - top_fraction),
                bytes);
  AddWholeRows(acc, sum, src, top + 1, bottom, bytes);
  if (bottom_fraction != 0)
    AddWeighted(acc, src.rows[static_cast<size_t>(bottom)], static_cast<uint32_t>(bottom_fraction), bytes);
  for (int b = 0; b < bytes; ++b) dst[b] = AreaByte(acc[b], plan);
}

}  // namespace

void AreaX(const SrcRows& src, const DstRows& dst, ProgressCallback progress) {
  const AreaPlan plan = MakeAreaPlan(src.width, dst.width);
  const int h = dst.height();
  if (!progress) {
    const bool simd = UseSimd();
    raster::ParallelFor(h, int64_t{src.width} * 3 * h, [&](int y0, int y1) {
      for (int y = y0; y < y1; ++y) {
        const uint8_t* s = src.rows[static_cast<size_t>(y)];
        uint8_t* d = dst.rows[static_cast<size_t>(y)];
        simd ? AreaRowXSimd(plan, s, src.width, d, dst.width) : AreaRowX(plan, s, d, dst.width);
      }
    });
    return;
  }
  const int64_t steps = 2 * int64_t{h} - 2;
  for (int y = 0; y < h; ++y) {
    AreaRowX(plan, src.rows[static_cast<size_t>(y)], dst.rows[static_cast<size_t>(y)], dst.width);
    if (steps > 0) ReportProgress(static_cast<int32_t>(int64_t{y} * 100 / steps), progress);
  }
}

void AreaY(const SrcRows& src, const DstRows& dst, ProgressCallback progress) {
  const AreaPlan plan = MakeAreaPlan(src.height(), dst.height());
  const int h = dst.height();
  const int bytes = dst.width * 3;
  auto rows = [&](int j0, int j1) {
    std::vector<uint64_t> acc(static_cast<size_t>(bytes));
    std::vector<uint32_t> sum(static_cast<size_t>(bytes));
    for (int j = j0; j < j1; ++j) {
      AreaRowY(plan, src, j, dst.rows[static_cast<size_t>(j)], bytes, acc.data(), sum.data());
      if (progress && h > 1)
        ReportProgress(static_cast<int32_t>(int64_t{j} * 100 / (2 * int64_t{h} - 2) + 50), progress);
    }
  };
  if (!progress) {
    raster::ParallelFor(h, int64_t{bytes} * src.height(), rows);
    return;
  }
  ReportProgress(0, progress);
  rows(0, h);
}

}  // namespace zelnor::passes
