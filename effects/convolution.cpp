// The 3 x 3 convolution filters.  One engine, three ways to finish a channel
// sum that all give the bytes of "sum / divisor truncated, plus bias,
// clamped to 0..255":
//  - kernels whose weights add up (in absolute value) to at most 128 keep
//    every sum in 16 bits and run sixteen (SSE2) or thirty-two (AVX2) bytes
//    at a time, dividing by a multiply with a 16-bit reciprocal;
//  - larger kernels sum in 32 bits, sixteen bytes at a time with AVX2, and
//    divide by multiplying with a reciprocal in 64 bits;
//  - the edge pixels, whose neighbours repeat the border, and the bytes
//    left over after the vectors, take one channel at a time with the same
//    reciprocal in 64 bits.  A canvas one pixel wide is filtered down its
//    column.
#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <cstdlib>

#include "effects/ZelnorEffects.h"
#include "model/pixel_format.h"
#include "model/result_codes.h"
#include "platform/cpu/cpu.h"
#include "platform/raster/parallel.h"

namespace zelnor {

namespace {

struct Rows3 {
  const uint8_t* above;
  const uint8_t* here;
  const uint8_t* below;
};

int CeilLog2(int d) {
  int l = 0;
  while ((1 << l) < d) ++l;
  return l;
}

// The channel sum at byte i with its left and right neighbours at il, ir.
inline int32_t SumAt(const int16_t* k, const Rows3& r, int64_t il, int64_t i, int64_t ir) {
  return k[0] * r.above[il] + k[1] * r.above[i] + k[2] * r.above[ir] + k[3] * r.here[il] + k[4] * r.here[i] +
         k[5] * r.here[ir] + k[6] * r.below[il] + k[7] * r.below[i] + k[8] * r.below[ir];
}

inline uint8_t ClampByte(int32_t v) { return static_cast<uint8_t>(std::clamp(v, 0, 255)); }

// Truncating division of sums below 2^27 in magnitude (nine bytes times
// 16-bit weights) by multiplying with ceil(2^(27 + l) / d), l = ceil(log2 d):
// the error stays below 1 / d, so the quotient is exact.
struct Divider32 {
  explicit Divider32(int d) : shift(27 + CeilLog2(d)), m(((uint64_t{1} << shift) + d - 1) / d) {}
  int32_t Div(int32_t s) const {
    const uint64_t a = static_cast<uint64_t>(std::abs(s));
    const int32_t q = static_cast<int32_t>((a * m) >> shift);
    return s < 0 ? -q : q;
  }
  int shift;
  uint64_t m;
};

// The same for sums below 2^15: the reciprocal ceil(2^(15 + l) / d) fits in
// 16 bits, so an unsigned high multiply and a shift by l - 1 divide.
struct Divider16 {
  explicit Divider16(int d)
      : one(d == 1),
        shift(one ? 0 : CeilLog2(d) - 1),
        m(one ? 0 : static_cast<uint16_t>(((1u << (16 + shift)) + d - 1) / d)) {}
  bool one;
  int shift;
  uint16_t m;
};

bool FitsIn16Bits(const Kernel3x3& k) {
  int total = 0;
  for (int16_t w : k.k) total += std::abs(w);
  return total * 255 <= 32767;
}

#if defined(__x86_64__)
// ------------------------------------------------------------ vector rows

inline __m128i Finish16(__m128i s, const Divider16& dv, __m128i m, __m128i shift, __m128i bias) {
  const __m128i sign = _mm_srai_epi16(s, 15);
  __m128i q = _mm_sub_epi16(_mm_xor_si128(s, sign), sign);
  if (!dv.one) q = _mm_srl_epi16(_mm_mulhi_epu16(q, m), shift);
  q = _mm_sub_epi16(_mm_xor_si128(q, sign), sign);
  return _mm_adds_epi16(q, bias);
}

// Bytes [begin, end) of a row sixteen at a time; returns where it stopped.
int64_t InteriorSse2(const Kernel3x3& k, const Divider16& dv, const Rows3& r, uint8_t* out, int64_t begin,
                     int64_t end) {
  const __m128i zero = _mm_setzero_si128(), m = _mm_set1_epi16(static_cast<int16_t>(dv.m));
  const __m128i shift = _mm_cvtsi32_si128(dv.shift), bias = _mm_set1_epi16(k.bias);
  __m128i w[9];
  for (int j = 0; j < 9; ++j) w[j] = _mm_set1_epi16(k.k[j]);
  const uint8_t* src[9] = {r.above - 3, r.above,     r.above + 3, r.here - 3, r.here,
                           r.here + 3,  r.below - 3, r.below,     r.below + 3};
  int64_t i = begin;
  for (; i + 16 <= end; i += 16) {
    __m128i lo = zero, hi = zero;
    for (int j = 0; j < 9; ++j) {
      const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[j] + i));
      lo = _mm_add_epi16(lo, _mm_mullo_epi16(_mm_unpacklo_epi8(v, zero), w[j]));
      hi = _mm_add_epi16(hi, _mm_mullo_epi16(_mm_unpackhi_epi8(v, zero), w[j]));
    }
    lo = Finish16(lo, dv, m, shift, bias);
    hi = Finish16(hi, dv, m, shift, bias);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), _mm_packus_epi16(lo, hi));
  }
  return i;
}

__attribute__((target("avx2"))) inline __m256i Finish16Avx2(__m256i s, const Divider16& dv, __m256i m,
                                                            __m128i shift, __m256i bias) {
  const __m256i sign = _mm256_srai_epi16(s, 15);
  __m256i q = _mm256_abs_epi16(s);
  if (!dv.one) q = _mm256_srl_epi16(_mm256_mulhi_epu16(q, m), shift);
  q = _mm256_sub_epi16(_mm256_xor_si256(q, sign), sign);
  return _mm256_adds_epi16(q, bias);
}

// The AVX2 form of InteriorSse2: thirty-two bytes at a time.  Unpacking and
// packing both work within 128-bit lanes, so the byte order comes back.
__attribute__((target("avx2"))) int64_t InteriorAvx2(const Kernel3x3& k, const Divider16& dv, const Rows3& r,
                                                     uint8_t* out, int64_t begin, int64_t end) {
  const __m256i zero = _mm256_setzero_si256(), m = _mm256_set1_epi16(static_cast<int16_t>(dv.m));
  const __m128i shift = _mm_cvtsi32_si128(dv.shift);
  const __m256i bias = _mm256_set1_epi16(k.bias);
  __m256i w[9];
  for (int j = 0; j < 9; ++j) w[j] = _mm256_set1_epi16(k.k[j]);
  const uint8_t* src[9] = {r.above - 3, r.above,     r.above + 3, r.here - 3, r.here,
                           r.here + 3,  r.below - 3, r.below,     r.below + 3};
  int64_t i = begin;
  for (; i + 32 <= end; i += 32) {
    __m256i lo = zero, hi = zero;
    for (int j = 0; j < 9; ++j) {
      const __m256i v = _mm256_loadu_si256(reinterpret_cast<const __m256i*>(src[j] + i));
      lo = _mm256_add_epi16(lo, _mm256_mullo_epi16(_mm256_unpacklo_epi8(v, zero), w[j]));
      hi = _mm256_add_epi16(hi, _mm256_mullo_epi16(_mm256_unpackhi_epi8(v, zero), w[j]));
    }
    lo = Finish16Avx2(lo, dv, m, shift, bias);
    hi = Finish16Avx2(hi, dv, m, shift, bias);
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(out + i), _mm256_packus_epi16(lo, hi));
  }
  return i;
}

// Kernels with large weights, sixteen bytes at a time in 32-bit lanes.  Each
// pair of taps is one multiply-add of interleaved (tap a, tap b) bytes with
// the weight pair; the truncating division multiplies the absolute sum by
// Divider32's reciprocal (below 2^28) in 64-bit lanes and restores the sign;
// saturating packs clamp to 0..255 after the bias.
#define AVX2 __attribute__((target("avx2")))

AVX2 inline __m256i Quotient32(__m256i s, __m256i m, __m128i shift) {
  const __m256i a = _mm256_abs_epi32(s);
  const __m256i even = _mm256_srl_epi64(_mm256_mul_epu32(a, m), shift);
  const __m256i odd =
      _mm256_slli_epi64(_mm256_srl_epi64(_mm256_mul_epu32(_mm256_srli_epi64(a, 32), m), shift), 32);
  return _mm256_sign_epi32(_mm256_or_si256(even, odd), s);
}

AVX2 int64_t InteriorWideAvx2(const Kernel3x3& k, const Divider32& dv, const Rows3& r, uint8_t* out,
                              int64_t begin, int64_t end) {
  const __m256i m = _mm256_set1_epi32(static_cast<int32_t>(dv.m)), bias = _mm256_set1_epi32(k.bias);
  const __m128i shift = _mm_cvtsi32_si128(dv.shift), zero = _mm_setzero_si128();
  const uint8_t* src[10] = {r.above - 3, r.above,     r.above + 3, r.here - 3,  r.here,
                            r.here + 3,  r.below - 3, r.below,     r.below + 3, nullptr};
  __m256i w[5];
  for (int p = 0; p < 5; ++p) {
    const int16_t b = p < 4 ? k.k[2 * p + 1] : 0;
    w[p] = _mm256_set1_epi32(
        static_cast<int32_t>(static_cast<uint16_t>(k.k[2 * p]) | (uint32_t{static_cast<uint16_t>(b)} << 16)));
  }
  int64_t i = begin;
  for (; i + 16 <= end; i += 16) {
    __m256i lo = _mm256_setzero_si256(), hi = lo;
    for (int p = 0; p < 5; ++p) {
      const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[2 * p] + i));
      const __m128i b = p < 4 ? _mm_loadu_si128(reinterpret_cast<const __m128i*>(src[2 * p + 1] + i)) : zero;
      lo = _mm256_add_epi32(lo, _mm256_madd_epi16(_mm256_cvtepu8_epi16(_mm_unpacklo_epi8(a, b)), w[p]));
      hi = _mm256_add_epi32(hi, _mm256_madd_epi16(_mm256_cvtepu8_epi16(_mm_unpackhi_epi8(a, b)), w[p]));
    }
    lo = _mm256_add_epi32(Quotient32(lo, m, shift), bias);
    hi = _mm256_add_epi32(Quotient32(hi, m, shift), bias);
    // Packing works within 128-bit lanes: put the eight words back in order.
    const __m256i words = _mm256_permute4x64_epi64(_mm256_packs_epi32(lo, hi), 0xD8);
    const __m128i bytes = _mm_packus_epi16(_mm256_castsi256_si128(words), _mm256_extracti128_si256(words, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(out + i), bytes);
  }
  return i;
}

#undef AVX2

#endif  // __x86_64__

// ------------------------------------------------------------- one row

struct RowFilter {
  const Kernel3x3& k;
  bool small;
  Divider16 d16;
  Divider32 d32;

  bool avx2 = false, sse2 = false;

  // The reciprocal gives the quotient of the plain division (see Divider32).
  uint8_t Finish(int32_t sum) const { return ClampByte(d32.Div(sum) + k.bias); }

  void EdgePixel(const Rows3& r, uint8_t* out, int x, int w) const {
    const int64_t l = 3 * int64_t{std::max(x - 1, 0)}, c = 3 * int64_t{x},
                  rr = 3 * int64_t{std::min(x + 1, w - 1)};
    for (int ch = 0; ch < 3; ++ch) out[c + ch] = Finish(SumAt(k.k, r, l + ch, c + ch, rr + ch));
  }

  void Run(const Rows3& r, uint8_t* out, int w) const {
    EdgePixel(r, out, 0, w);
    if (w == 1) return;
    EdgePixel(r, out, w - 1, w);
    const int64_t end = 3 * (int64_t{w} - 1);
    int64_t i = 3;
#if defined(__x86_64__)
    if (small) {
      if (avx2) i = InteriorAvx2(k, d16, r, out, i, end);
      if (sse2) i = InteriorSse2(k, d16, r, out, i, end);
    } else if (avx2) {
      i = InteriorWideAvx2(k, d32, r, out, i, end);
    }
#endif
    for (; i < end; ++i) out[i] = Finish(SumAt(k.k, r, i - 3, i, i + 3));
  }
};

// A canvas one pixel wide: every tap of a row is the row's one pixel, so
// the sum is the column weights times the pixels above, here and below.
// Integer sums regroup exactly, so the bytes are those of RowFilter.  The
// rows are walked down the column with the three pixels kept in registers.
void FilterColumn(const RowFilter& f, const raster::PixelStorage& src, raster::PixelStorage& out, int first,
                  int end) {
  const int16_t* k = f.k.k;
  const int32_t wa = k[0] + k[1] + k[2], wh = k[3] + k[4] + k[5], wb = k[6] + k[7] + k[8];
  const int last = src.height() - 1;
  const uint8_t* a = src.row(std::max(first - 1, 0));
  const uint8_t* c = src.row(first);
  int32_t above[3] = {a[0], a[1], a[2]}, here[3] = {c[0], c[1], c[2]};
  const int64_t stride = src.stride();
  const uint8_t* next = src.row(std::min(first + 1, last));
  uint8_t* dst = out.row(first);
  for (int y = first; y < end; ++y) {
    for (int ch = 0; ch < 3; ++ch) {
      const int32_t below = next[ch];
      dst[ch] = f.Finish(wa * above[ch] + wh * here[ch] + wb * below);
      above[ch] = here[ch];
      here[ch] = below;
    }
    // The last row repeats itself below.
    if (y + 1 < last) next += stride;
    dst += out.stride();
  }
}

}  // namespace

int32_t Convolve3x3(const Kernel3x3& kernel, raster::Bitmap& canvas) {
  if (PixelFormatOf(canvas) != pf24bit) SetPixelFormat(canvas, pf24bit);
  if (canvas.Empty()) return rcOK;
  if (kernel.divisor == 0) return rcNoInput;
  try {
    // Under ZELNOR2_DISABLE=fast the plain reference filters.
    if (!cpu::FastPaths()) {
      canvas.TakeStorage(reference::Convolve3x3(kernel, canvas.Storage()));
      return rcOK;
    }
    const raster::PixelStorage& src = canvas.Storage();
    const int w = src.width(), h = src.height();
    raster::PixelStorage out(w, h, raster::PixelLayout{24}, {});
    RowFilter filter{kernel, FitsIn16Bits(kernel), Divider16(kernel.divisor), Divider32(kernel.divisor)};
#if defined(__x86_64__)
    filter.avx2 = cpu::Has(cpu::Isa::kAvx2);
    filter.sse2 = cpu::Has(cpu::Isa::kSse2);
#endif
    raster::ParallelFor(h, int64_t{w} * 3 * h, [&](int first, int end) {
      if (w == 1) return FilterColumn(filter, src, out, first, end);
      for (int y = first; y < end; ++y) {
        const Rows3 r{src.row(std::max(y - 1, 0)), src.row(y), src.row(std::min(y + 1, h - 1))};
        filter.Run(r, out.row(y), w);
      }
    });
    canvas.TakeStorage(std::move(out));
  } catch (const std::exception&) {
    // The new image could not be made: the canvas keeps its (24-bit) image.
    return rcNoInput;
  }
  return rcOK;
}

int32_t SharpBitmap(raster::Bitmap& canvas) {
  return Convolve3x3(Kernel3x3{{-1, -1, -1, -1, 24, -1, -1, -1, -1}, 0, 16}, canvas);
}

int32_t DullBitmap(raster::Bitmap& canvas) {
  return Convolve3x3(Kernel3x3{{1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, 9}, canvas);
}

int32_t CustomFilterBitmap(int32_t B0, int32_t B1, int32_t B2, int32_t B3, int32_t B4, int32_t B5, int32_t B6,
                           int32_t B7, int32_t B8, int32_t aBias, int32_t aDivis, raster::Bitmap& canvas) {
  if (aBias < 0 || aBias > 255) return rcInvalidArgument;
  Kernel3x3 k;
  const int32_t b[9] = {B0, B1, B2, B3, B4, B5, B6, B7, B8};
  for (int i = 0; i < 9; ++i) k.k[i] = static_cast<int16_t>(static_cast<uint16_t>(b[i] & 0xFFFF));
  k.bias = static_cast<uint8_t>(aBias);
  k.divisor = static_cast<uint8_t>(aDivis & 0xFF);
  return Convolve3x3(k, canvas);
}

namespace reference {

raster::PixelStorage Convolve3x3(const Kernel3x3& k, const raster::PixelStorage& src) {
  raster::PixelStorage out(src.width(), src.height(), raster::PixelLayout{24}, {});
  if (src.empty() || k.divisor == 0) return out;
  const int w = src.width(), h = src.height();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      for (int ch = 0; ch < 3; ++ch) {
        int32_t sum = 0;
        for (int dy = -1; dy <= 1; ++dy)
          for (int dx = -1; dx <= 1; ++dx) {
            const int sy = std::clamp(y + dy, 0, h - 1), sx = std::clamp(x + dx, 0, w - 1);
            sum += src.row(sy)[3 * sx + ch] * k.k[(dy + 1) * 3 + (dx + 1)];
          }
        out.row(y)[3 * x + ch] = static_cast<uint8_t>(ByteClamp(sum / k.divisor + k.bias));
      }
  return out;
}

}  // namespace reference

}  // namespace zelnor
