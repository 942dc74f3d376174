// AVX2 versions of the width passes' row loops.  They compute the same
// integer sums as the plain loops (only the order of exact integer additions
// changes), so the bytes are identical; the tests compare both with the
// formulas.
#include "platform/cpu/cpu.h"
#include "stretchf/simd.h"

#if defined(__x86_64__)
#include <immintrin.h>

namespace zelnor::passes {

bool UseSimd() { return cpu::Has(cpu::Isa::kAvx2); }

namespace {

// Sums whole pixels first..last-1 of a row per channel into sum[3].  Four
// pixels (12 bytes) are read 16 bytes at a time, so only while the read stays
// inside the row (`safe_end`, in pixels); the rest one by one.  Each 32-bit
// lane takes two pixels per step, so runs are folded into the 64-bit sums
// every 2^20 steps, long before a lane could overflow.
__attribute__((target("avx2"), always_inline)) inline void SumPixels(const uint8_t* row, int32_t first,
                                                                     int32_t last, int32_t safe_end,
                                                                     uint64_t sum[3]) {
  const __m256i pick01 = _mm256_setr_epi8(0, -1, -1, -1, 1, -1, -1, -1, 2, -1, -1, -1, -1, -1, -1, -1,  //
                                          3, -1, -1, -1, 4, -1, -1, -1, 5, -1, -1, -1, -1, -1, -1, -1);
  const __m256i pick23 = _mm256_setr_epi8(6, -1, -1, -1, 7, -1, -1, -1, 8, -1, -1, -1, -1, -1, -1, -1,  //
                                          9, -1, -1, -1, 10, -1, -1, -1, 11, -1, -1, -1, -1, -1, -1, -1);
  int32_t k = first;
  const int32_t vec_end = last < safe_end ? last : safe_end;
  while (k + 4 <= vec_end) {
    __m256i acc = _mm256_setzero_si256();
    for (int steps = 0; steps < (1 << 20) && k + 4 <= vec_end; ++steps, k += 4) {
      const __m128i bytes =
          _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * static_cast<size_t>(k)));
      const __m256i both = _mm256_broadcastsi128_si256(bytes);
      acc = _mm256_add_epi32(acc, _mm256_shuffle_epi8(both, pick01));
      acc = _mm256_add_epi32(acc, _mm256_shuffle_epi8(both, pick23));
    }
    const __m128i half = _mm_add_epi32(_mm256_castsi256_si128(acc), _mm256_extracti128_si256(acc, 1));
    sum[0] += static_cast<uint32_t>(_mm_extract_epi32(half, 0));
    sum[1] += static_cast<uint32_t>(_mm_extract_epi32(half, 1));
    sum[2] += static_cast<uint32_t>(_mm_extract_epi32(half, 2));
  }
  uint64_t b = 0, g = 0, r = 0;
  for (const uint8_t* p = row + 3 * static_cast<size_t>(k); k < last; ++k, p += 3) {
    b += p[0];
    g += p[1];
    r += p[2];
  }
  sum[0] += b;
  sum[1] += g;
  sum[2] += r;
}

}  // namespace

// Blue, green, red of pixel k as 32-bit lanes (the fourth lane is junk).
// Reads 4 bytes, so only for pixels before the last of the row.
__attribute__((target("avx2"), always_inline)) inline __m128i PixelLanes(const uint8_t* row, int32_t k) {
  int32_t word;
  __builtin_memcpy(&word, row + 3 * static_cast<size_t>(k), 4);
  return _mm_cvtepu8_epi32(_mm_cvtsi32_si128(word));
}

// A destination pixel covering at most 16 source pixels: the whole sum fits
// 32-bit lanes (at most 2^17 + 16 * 255 * 2^18 < 2^32), all three channels at
// once.  Needs right < width - 1 so that every 4-byte read stays in the row.
__attribute__((target("avx2"), always_inline)) inline void ShortSpan(const uint8_t* src, int32_t left,
                                                                     int32_t left_fraction, int32_t right,
                                                                     int32_t right_fraction,
                                                                     uint32_t out[3]) {
  __m128i inner = _mm_setzero_si128();
  for (int32_t k = left + 1; k < right; ++k) inner = _mm_add_epi32(inner, PixelLanes(src, k));
  __m128i acc = _mm_add_epi32(_mm_set1_epi32(kAreaHalf), _mm_slli_epi32(inner, 18));
  if (left_fraction != kAreaOne)
    acc =
        _mm_add_epi32(acc, _mm_mullo_epi32(PixelLanes(src, left), _mm_set1_epi32(kAreaOne - left_fraction)));
  if (right_fraction != 0)
    acc = _mm_add_epi32(acc, _mm_mullo_epi32(PixelLanes(src, right), _mm_set1_epi32(right_fraction)));
  out[0] = static_cast<uint32_t>(_mm_extract_epi32(acc, 0));
  out[1] = static_cast<uint32_t>(_mm_extract_epi32(acc, 1));
  out[2] = static_cast<uint32_t>(_mm_extract_epi32(acc, 2));
}

__attribute__((target("avx2"))) void AreaRowXSimd(const AreaPlan& plan, const uint8_t* src, int src_width,
                                                  uint8_t* dst, int dst_width) {
  const int32_t safe_end = src_width - 2;  // a 16-byte read at pixel k needs k + 5.33 <= width
  int32_t left = 0, left_fraction = 0;
  for (int s = 0; s < dst_width; ++s) {
    const int32_t right = plan.index[static_cast<size_t>(s) + 1];
    const int32_t right_fraction = plan.fraction[static_cast<size_t>(s) + 1];
    uint8_t* out = dst + 3 * static_cast<size_t>(s);
    if (right - left <= 15 && right < src_width - 1) {
      uint32_t acc[3];
      ShortSpan(src, left, left_fraction, right, right_fraction, acc);
      for (int c = 0; c < 3; ++c) out[c] = AreaByte(acc[c], plan);
      left = right;
      left_fraction = right_fraction;
      continue;
    }
    uint64_t sum[3] = {0, 0, 0};
    SumPixels(src, left + 1, right, safe_end, sum);
    uint64_t b = kAreaHalf + (sum[0] << 18), g = kAreaHalf + (sum[1] << 18), r = kAreaHalf + (sum[2] << 18);
    if (left_fraction != kAreaOne) {
      const uint64_t w = static_cast<uint64_t>(kAreaOne - left_fraction);
      const uint8_t* p = src + 3 * static_cast<size_t>(left);
      b += w * p[0];
      g += w * p[1];
      r += w * p[2];
    }
    if (right_fraction != 0) {
      const uint64_t w = static_cast<uint64_t>(right_fraction);
      const uint8_t* p = src + 3 * static_cast<size_t>(right);
      b += w * p[0];
      g += w * p[1];
      r += w * p[2];
    }
    out[0] = AreaByte(b, plan);
    out[1] = AreaByte(g, plan);
    out[2] = AreaByte(r, plan);
    left = right;
    left_fraction = right_fraction;
  }
}

CubicSimdPlan MakeCubicSimdPlan(const std::vector<CubicNode>& plan, int src_width) {
  CubicSimdPlan out(plan.size());
  for (size_t i = 0; i < plan.size(); ++i) {
    const CubicNode& n = plan[i];
    // The 16-byte read from the first node must stay inside the row, and the
    // four nodes must be neighbours (not clamped).
    out[i].contiguous = n.node[1] == n.node[0] + 1 && n.node[2] == n.node[0] + 2 &&
                        n.node[3] == n.node[0] + 3 && 3 * n.node[0] + 16 <= 3 * src_width;
    // w = hi * 2^11 + lo with 0 <= lo < 2^11 keeps both halves in 16 bits.
    int32_t hi[4], lo[4];
    for (int k = 0; k < 4; ++k) {
      hi[k] = n.weight[static_cast<size_t>(k)] >> 11;
      lo[k] = n.weight[static_cast<size_t>(k)] & 2047;
    }
    auto pair = [](int32_t a, int32_t b) {
      return static_cast<int32_t>((static_cast<uint32_t>(b) << 16) | (static_cast<uint32_t>(a) & 0xFFFF));
    };
    out[i].hi01 = pair(hi[0], hi[1]);
    out[i].lo01 = pair(lo[0], lo[1]);
    out[i].hi23 = pair(hi[2], hi[3]);
    out[i].lo23 = pair(lo[2], lo[3]);
  }
  return out;
}

__attribute__((target("avx2"))) void CubicRowXSimd(const CubicNode* plan, const CubicSimdColumn* simd,
                                                   const uint8_t* src, uint8_t* dst, int dst_width) {
  // Pairs of neighbouring nodes per channel as 16-bit lanes: (p0, p1) and
  // (p2, p3) for blue, green and red.
  const __m128i take01 = _mm_setr_epi8(0, -1, 3, -1, 1, -1, 4, -1, 2, -1, 5, -1, -1, -1, -1, -1);
  const __m128i take23 = _mm_setr_epi8(6, -1, 9, -1, 7, -1, 10, -1, 8, -1, 11, -1, -1, -1, -1, -1);
  const __m128i zero = _mm_setzero_si128();
  const __m128i top = _mm_set1_epi32(0xFF00000);
  const __m128i half = _mm_set1_epi32(kCubicHalf);
  for (int i = 0; i < dst_width; ++i) {
    const CubicNode& n = plan[i];
    const CubicSimdColumn& v = simd[i];
    uint8_t* out = dst + 3 * static_cast<size_t>(i);
    if (!v.contiguous || i == dst_width - 1) {
      const uint8_t* p0 = src + 3 * n.node[0];
      const uint8_t* p1 = src + 3 * n.node[1];
      const uint8_t* p2 = src + 3 * n.node[2];
      const uint8_t* p3 = src + 3 * n.node[3];
      for (int c = 0; c < 3; ++c)
        out[c] = CubicByte(kCubicHalf + n.weight[0] * p0[c] + n.weight[1] * p1[c] + n.weight[2] * p2[c] +
                           n.weight[3] * p3[c]);
      continue;
    }
    const __m128i bytes =
        _mm_loadu_si128(reinterpret_cast<const __m128i*>(src + 3 * static_cast<size_t>(n.node[0])));
    const __m128i x01 = _mm_shuffle_epi8(bytes, take01);
    const __m128i x23 = _mm_shuffle_epi8(bytes, take23);
    const __m128i hi = _mm_add_epi32(_mm_madd_epi16(x01, _mm_set1_epi32(v.hi01)),
                                     _mm_madd_epi16(x23, _mm_set1_epi32(v.hi23)));
    const __m128i lo = _mm_add_epi32(_mm_madd_epi16(x01, _mm_set1_epi32(v.lo01)),
                                     _mm_madd_epi16(x23, _mm_set1_epi32(v.lo23)));
    __m128i acc = _mm_add_epi32(_mm_add_epi32(_mm_slli_epi32(hi, 11), lo), half);
    // Below 0 gives 0, above 255 * 2^20 gives 255, else acc >> 20.
    acc = _mm_srli_epi32(_mm_min_epi32(_mm_max_epi32(acc, zero), top), 20);
    const __m128i packed = _mm_packus_epi16(_mm_packus_epi32(acc, zero), zero);
    const uint32_t bgr = static_cast<uint32_t>(_mm_cvtsi128_si32(packed));
    // Four bytes written: the fourth is the next pixel's blue, written again
    // by that pixel; the last pixel of the row takes the path above.
    __builtin_memcpy(out, &bgr, 4);
  }
}

}  // namespace zelnor::passes

#else

namespace zelnor::passes {
bool UseSimd() { return false; }
void AreaRowXSimd(const AreaPlan&, const uint8_t*, int, uint8_t*, int) {}
CubicSimdPlan MakeCubicSimdPlan(const std::vector<CubicNode>&, int) { return {}; }
void CubicRowXSimd(const CubicNode*, const CubicSimdColumn*, const uint8_t*, uint8_t*, int) {}
}  // namespace zelnor::passes

#endif
