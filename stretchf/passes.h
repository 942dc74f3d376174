// Inside the resampler: the four passes on tables of 24-bit row addresses,
// and the per-axis plans (node positions, weights, area boundaries) they
// compute once before their loops.  Working on row tables lets a pass read a
// canvas and write straight into part of another bitmap without copies.
#pragma once
#include <array>
#include <cstdint>
#include <vector>

#include "platform/raster/bitmap.h"
#include "stretchf/stretchf.h"

// Byte loops that the compiler vectorises are written once as an inline
// body and built twice from it, plain and for AVX2 (ZELNOR_AVX2 marks the
// second); the caller picks one through the processor check.
#define ZELNOR_INLINE_BODY __attribute__((always_inline)) inline
#if defined(__x86_64__)
#define ZELNOR_AVX2 __attribute__((target("avx2")))
#endif

namespace zelnor::passes {

// 24-bit rows of `width` pixels; the height is the number of rows.
struct SrcRows {
  std::vector<const uint8_t*> rows;
  int width = 0;
  int height() const { return static_cast<int>(rows.size()); }
};
struct DstRows {
  std::vector<uint8_t*> rows;
  int width = 0;
  int height() const { return static_cast<int>(rows.size()); }
};

// Row tables of a whole 24-bit bitmap, gathered through its row access.
SrcRows RowsOf(const raster::Bitmap& b);
DstRows RowsOf(raster::Bitmap& b);
// Row table of the w x h block of `b` whose top-left pixel is (x, y).
DstRows BlockOf(raster::Bitmap& b, int x, int y, int w, int h);

// One destination column (or row) of a cubic pass: its four source nodes,
// already clamped to the source, and their weights in units of 2^20.
struct CubicNode {
  std::array<int32_t, 4> node;
  std::array<int32_t, 4> weight;
};
std::vector<CubicNode> CubicPlan(int src_len, int dst_len);

// Boundaries of the destination pixels of an area pass over source pixels:
// boundary s (0..dst_len) lies at source index[s] + fraction[s] / 2^18.
// `scale` is dst_len / src_len in units of 2^22, rounded; it rounds to 0
// once one destination pixel covers more than 2^23 source pixels, and the
// bytes are then divided out exactly from the two lengths.
struct AreaPlan {
  std::vector<int32_t> index;
  std::vector<int32_t> fraction;
  uint32_t scale = 0;
  int32_t src_len = 0, dst_len = 0;
};
AreaPlan MakeAreaPlan(int src_len, int dst_len);

// The passes.  `dst` has the final size on the pass's axis and the source's
// size on the other.
void CubicX(const SrcRows& src, const DstRows& dst, ProgressCallback progress);
void CubicY(const SrcRows& src, const DstRows& dst, ProgressCallback progress);
void AreaX(const SrcRows& src, const DstRows& dst, ProgressCallback progress);
void AreaY(const SrcRows& src, const DstRows& dst, ProgressCallback progress);

// The result byte of a cubic sum and of an area sum.  An area sum above 255
// (only reachable when one destination pixel spans tens of thousands of
// source pixels and the rounded scale overshoots) saturates instead of
// wrapping round to a dark value.
inline uint8_t CubicByte(int32_t acc) {
  return acc < 0 ? 0 : acc > 0xFF00000 ? 255 : static_cast<uint8_t>(acc >> 20);
}
// Without a usable scale the sum is divided by its full weight, 2^18 per
// source pixel: (acc * dst_len) div (src_len * 2^18), the value the scaled
// product approaches.
inline uint8_t AreaByte(uint64_t acc, const AreaPlan& plan) {
  uint64_t v;
  if (plan.scale != 0) [[likely]] {
    v = (acc * plan.scale) >> 40;
  } else {
    using W = unsigned __int128;
    v = static_cast<uint64_t>(W{acc} * static_cast<uint32_t>(plan.dst_len) /
                              (W{static_cast<uint32_t>(plan.src_len)} << 18));
  }
  return v > 255 ? 255 : static_cast<uint8_t>(v);
}

inline constexpr int32_t kCubicOne = 1 << 20;
inline constexpr int32_t kCubicHalf = 1 << 19;
inline constexpr int32_t kAreaOne = 1 << 18;
inline constexpr int32_t kAreaHalf = 1 << 17;

}  // namespace zelnor::passes
