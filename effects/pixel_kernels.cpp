#include "effects/pixel_kernels.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <algorithm>
#include <array>

#include "effects/ZelnorEffects.h"
#include "platform/cpu/cpu.h"

namespace zelnor {

namespace {

void MapBytesScalar(const uint8_t* table, uint8_t* p, int64_t n) {
  for (int64_t i = 0; i < n; ++i) p[i] = table[p[i]];
}

#if defined(__x86_64__)
// Sixty-four bytes at a time: two 128-entry byte permutes look up the low and
// the high half of the table, and the top bit of each byte picks between them.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void MapBytesVbmi(const uint8_t* table, uint8_t* p,
                                                                         int64_t n) {
  const __m512i t0 = _mm512_loadu_si512(table), t1 = _mm512_loadu_si512(table + 64);
  const __m512i t2 = _mm512_loadu_si512(table + 128), t3 = _mm512_loadu_si512(table + 192);
  int64_t i = 0;
  for (; i + 64 <= n; i += 64) {
    const __m512i v = _mm512_loadu_si512(p + i);
    const __m512i lo = _mm512_permutex2var_epi8(t0, v, t1), hi = _mm512_permutex2var_epi8(t2, v, t3);
    _mm512_storeu_si512(p + i, _mm512_mask_blend_epi8(_mm512_movepi8_mask(v), lo, hi));
  }
  MapBytesScalar(table, p + i, n - i);
}

#endif  // __x86_64__

}  // namespace

void MapBytes(const uint8_t* table, uint8_t* p, int64_t n) {
#if defined(__x86_64__)
  if (BestVectorForm() == VectorForm::kAvx512) return MapBytesVbmi(table, p, n);
#endif
  MapBytesScalar(table, p, n);
}

// ------------------------------------------------------------------- grey

namespace {

#if defined(__x86_64__)

// Shuffle masks between 48 interleaved bytes (16 pixels of B, G, R) held in
// three registers and three planes of 16 bytes; -1 selects zero.
struct GrayMasks {
  // gather[c][k]: plane c from input register k.  scatter[k][c]: output
  // register k from plane c.
  std::array<std::array<std::array<int8_t, 16>, 3>, 3> gather{}, scatter{};
  constexpr GrayMasks() {
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 16; ++j) {
          const int in_byte = 3 * j + c;  // pixel j, channel c
          gather[c][k][j] = static_cast<int8_t>(in_byte / 16 == k ? in_byte % 16 : -1);
          const int out_byte = 16 * k + j;
          scatter[k][c][j] = static_cast<int8_t>(out_byte % 3 == c ? out_byte / 3 : -1);
        }
  }
};
constexpr GrayMasks kGrayMasks;

// The pixels of a group whose sums are exactly halfway: bit j of `ties`
// marks pixel j as a candidate, and the candidates whose sum in thousandths
// does end in 500 have their extended-precision levels read before the
// vector store overwrites the bytes, and written over it afterwards.
class HalfwayPixels {
 public:
  HalfwayPixels(const uint8_t* q, uint64_t ties) : ties_(ties) {
    for (uint64_t m = ties; m; m &= m - 1) {
      const int j = __builtin_ctzll(m);
      if ((289 * q[3 * j] + 586 * q[3 * j + 1] + 114 * q[3 * j + 2]) % 1000 != 500) {
        ties_ &= ~(uint64_t{1} << j);
        continue;
      }
      level_[j] = GrayLevelAtHalf(q[3 * j], q[3 * j + 1], q[3 * j + 2]);
    }
  }
  void Write(uint8_t* q, const int (&v)[3]) const {
    for (uint64_t m = ties_; m; m &= m - 1) {
      const int j = __builtin_ctzll(m);
      for (int c = 0; c < 3; ++c) q[3 * j + c] = static_cast<uint8_t>(std::clamp(level_[j] + v[c], 0, 255));
    }
  }

 private:
  uint64_t ties_;
  int level_[64];
};

__attribute__((target("ssse3"))) inline __m128i Mask(const std::array<int8_t, 16>& m) {
  return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m.data()));
}

// Grey levels of eight pixels from their (b, g) byte pairs and (r, 0) pairs:
// y = round(n / 1000) for n = 289 b + 586 g + 114 r, as
// floor(floor((n + 500) / 8) / 125) by a 16-bit reciprocal; *tie marks the
// sums exactly halfway (n + 500 a multiple of 1000).
__attribute__((target("ssse3"))) inline __m128i GrayLevels8(__m128i bg_lo, __m128i bg_hi, __m128i r_lo,
                                                            __m128i r_hi, __m128i* tie) {
  const __m128i w_bg = _mm_set1_epi32(289 | (586 << 16)), w_r = _mm_set1_epi32(114),
                half = _mm_set1_epi32(500);
  const __m128i a_lo =
      _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(bg_lo, w_bg), _mm_madd_epi16(r_lo, w_r)), half);
  const __m128i a_hi =
      _mm_add_epi32(_mm_add_epi32(_mm_madd_epi16(bg_hi, w_bg), _mm_madd_epi16(r_hi, w_r)), half);
  const __m128i t = _mm_packs_epi32(_mm_srli_epi32(a_lo, 3), _mm_srli_epi32(a_hi, 3));
  const __m128i y = _mm_srli_epi16(_mm_mulhi_epu16(t, _mm_set1_epi16(static_cast<int16_t>(33555))), 6);
  const __m128i low3 =
      _mm_packs_epi32(_mm_and_si128(a_lo, _mm_set1_epi32(7)), _mm_and_si128(a_hi, _mm_set1_epi32(7)));
  *tie = _mm_and_si128(_mm_cmpeq_epi16(t, _mm_mullo_epi16(y, _mm_set1_epi16(125))),
                       _mm_cmpeq_epi16(low3, _mm_setzero_si128()));
  return y;
}

__attribute__((target("ssse3"))) int GrayPixelsSsse3(uint8_t* p, int width, int vB, int vG, int vR) {
  if (width < 16) return 0;  // narrower than one block: skip the setup
  const __m128i zero = _mm_setzero_si128();
  const int v[3] = {vB, vG, vR};
  __m128i add[3], sub[3];
  for (int c = 0; c < 3; ++c) {
    add[c] = _mm_set1_epi8(static_cast<char>(std::max(v[c], 0)));
    sub[c] = _mm_set1_epi8(static_cast<char>(std::max(-v[c], 0)));
  }
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    uint8_t* q = p + 3 * x;
    const __m128i in[3] = {_mm_loadu_si128(reinterpret_cast<const __m128i*>(q)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16)),
                           _mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 32))};
    __m128i plane[3];
    for (int c = 0; c < 3; ++c)
      plane[c] = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(in[0], Mask(kGrayMasks.gather[c][0])),
                                           _mm_shuffle_epi8(in[1], Mask(kGrayMasks.gather[c][1]))),
                              _mm_shuffle_epi8(in[2], Mask(kGrayMasks.gather[c][2])));
    const __m128i bg_lo = _mm_unpacklo_epi8(plane[0], plane[1]),
                  bg_hi = _mm_unpackhi_epi8(plane[0], plane[1]);
    const __m128i r_lo = _mm_unpacklo_epi8(plane[2], zero), r_hi = _mm_unpackhi_epi8(plane[2], zero);
    __m128i tie_lo, tie_hi;
    const __m128i y_lo = GrayLevels8(_mm_unpacklo_epi8(bg_lo, zero), _mm_unpackhi_epi8(bg_lo, zero),
                                     _mm_unpacklo_epi16(r_lo, zero), _mm_unpackhi_epi16(r_lo, zero), &tie_lo);
    const __m128i y_hi = GrayLevels8(_mm_unpacklo_epi8(bg_hi, zero), _mm_unpackhi_epi8(bg_hi, zero),
                                     _mm_unpacklo_epi16(r_hi, zero), _mm_unpackhi_epi16(r_hi, zero), &tie_hi);
    const __m128i y = _mm_packus_epi16(y_lo, y_hi);
    const int ties = _mm_movemask_epi8(_mm_packs_epi16(tie_lo, tie_hi));
    const HalfwayPixels halfway(q, static_cast<unsigned>(ties));
    __m128i out_plane[3];
    for (int c = 0; c < 3; ++c) out_plane[c] = _mm_subs_epu8(_mm_adds_epu8(y, add[c]), sub[c]);
    for (int k = 0; k < 3; ++k) {
      const __m128i o =
          _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(out_plane[0], Mask(kGrayMasks.scatter[k][0])),
                                    _mm_shuffle_epi8(out_plane[1], Mask(kGrayMasks.scatter[k][1]))),
                       _mm_shuffle_epi8(out_plane[2], Mask(kGrayMasks.scatter[k][2])));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16 * k), o);
    }
    halfway.Write(q, v);
  }
  return x;
}

// The AVX2 form: each 128-bit lane runs the SSSE3 steps on its own group of
// sixteen pixels (byte shuffles stay within lanes), so 32 pixels per step.
#define AVX2 __attribute__((target("avx2")))

AVX2 inline __m256i Mask2(const std::array<int8_t, 16>& m) {
  return _mm256_broadcastsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(m.data())));
}

AVX2 inline __m256i Load2(const uint8_t* lo, const uint8_t* hi) {
  return _mm256_inserti128_si256(
      _mm256_castsi128_si256(_mm_loadu_si128(reinterpret_cast<const __m128i*>(lo))),
      _mm_loadu_si128(reinterpret_cast<const __m128i*>(hi)), 1);
}

AVX2 inline __m256i GrayLevels16(__m256i bg_lo, __m256i bg_hi, __m256i r_lo, __m256i r_hi, __m256i* tie) {
  const __m256i w_bg = _mm256_set1_epi32(289 | (586 << 16)), w_r = _mm256_set1_epi32(114);
  const __m256i half = _mm256_set1_epi32(500), seven = _mm256_set1_epi32(7);
  const __m256i a_lo =
      _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(bg_lo, w_bg), _mm256_madd_epi16(r_lo, w_r)), half);
  const __m256i a_hi =
      _mm256_add_epi32(_mm256_add_epi32(_mm256_madd_epi16(bg_hi, w_bg), _mm256_madd_epi16(r_hi, w_r)), half);
  const __m256i t = _mm256_packs_epi32(_mm256_srli_epi32(a_lo, 3), _mm256_srli_epi32(a_hi, 3));
  const __m256i y =
      _mm256_srli_epi16(_mm256_mulhi_epu16(t, _mm256_set1_epi16(static_cast<int16_t>(33555))), 6);
  const __m256i low3 = _mm256_packs_epi32(_mm256_and_si256(a_lo, seven), _mm256_and_si256(a_hi, seven));
  *tie = _mm256_and_si256(_mm256_cmpeq_epi16(t, _mm256_mullo_epi16(y, _mm256_set1_epi16(125))),
                          _mm256_cmpeq_epi16(low3, _mm256_setzero_si256()));
  return y;
}

AVX2 int GrayPixelsAvx2(uint8_t* p, int width, int vB, int vG, int vR) {
  if (width < 32) return 0;  // narrower than one block: skip the setup
  const __m256i zero = _mm256_setzero_si256();
  const int v[3] = {vB, vG, vR};
  __m256i add[3], sub[3];
  for (int c = 0; c < 3; ++c) {
    add[c] = _mm256_set1_epi8(static_cast<char>(std::max(v[c], 0)));
    sub[c] = _mm256_set1_epi8(static_cast<char>(std::max(-v[c], 0)));
  }
  int x = 0;
  for (; x + 32 <= width; x += 32) {
    uint8_t* q = p + 3 * x;  // lane 0: pixels x..x+15, lane 1: x+16..x+31
    const __m256i in[3] = {Load2(q, q + 48), Load2(q + 16, q + 64), Load2(q + 32, q + 80)};
    __m256i plane[3];
    for (int c = 0; c < 3; ++c)
      plane[c] = _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(in[0], Mask2(kGrayMasks.gather[c][0])),
                                                 _mm256_shuffle_epi8(in[1], Mask2(kGrayMasks.gather[c][1]))),
                                 _mm256_shuffle_epi8(in[2], Mask2(kGrayMasks.gather[c][2])));
    const __m256i bg_lo = _mm256_unpacklo_epi8(plane[0], plane[1]),
                  bg_hi = _mm256_unpackhi_epi8(plane[0], plane[1]);
    const __m256i r_lo = _mm256_unpacklo_epi8(plane[2], zero), r_hi = _mm256_unpackhi_epi8(plane[2], zero);
    __m256i tie_lo, tie_hi;
    const __m256i y_lo =
        GrayLevels16(_mm256_unpacklo_epi8(bg_lo, zero), _mm256_unpackhi_epi8(bg_lo, zero),
                     _mm256_unpacklo_epi16(r_lo, zero), _mm256_unpackhi_epi16(r_lo, zero), &tie_lo);
    const __m256i y_hi =
        GrayLevels16(_mm256_unpacklo_epi8(bg_hi, zero), _mm256_unpackhi_epi8(bg_hi, zero),
                     _mm256_unpacklo_epi16(r_hi, zero), _mm256_unpackhi_epi16(r_hi, zero), &tie_hi);
    const __m256i y = _mm256_packus_epi16(y_lo, y_hi);
    // Bit j of ties: pixel j of lane 0 (j < 16) or pixel j - 16 of lane 1.
    const uint32_t ties = static_cast<uint32_t>(_mm256_movemask_epi8(_mm256_packs_epi16(tie_lo, tie_hi)));
    const HalfwayPixels halfway(q, ties);
    __m256i out_plane[3];
    for (int c = 0; c < 3; ++c) out_plane[c] = _mm256_subs_epu8(_mm256_adds_epu8(y, add[c]), sub[c]);
    for (int k = 0; k < 3; ++k) {
      const __m256i o =
          _mm256_or_si256(_mm256_or_si256(_mm256_shuffle_epi8(out_plane[0], Mask2(kGrayMasks.scatter[k][0])),
                                          _mm256_shuffle_epi8(out_plane[1], Mask2(kGrayMasks.scatter[k][1]))),
                          _mm256_shuffle_epi8(out_plane[2], Mask2(kGrayMasks.scatter[k][2])));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 16 * k), _mm256_castsi256_si128(o));
      _mm_storeu_si128(reinterpret_cast<__m128i*>(q + 48 + 16 * k), _mm256_extracti128_si256(o, 1));
    }
    halfway.Write(q, v);
  }
  return x;
}

#undef AVX2

// The AVX-512 form, 64 pixels per step, all in 16-bit lanes.  With
// n + 500 = 256 (b + 2 g) + L, L = 33 b + 74 g + 114 r + 500 (below 2^16),
// t = floor((n + 500) / 8) = 32 (b + 2 g) + floor(L / 8) and the low three
// bits are L's; both sums are byte-pair multiply-adds.  Byte permutes over
// two registers gather each half's (b, g) and (r, -) pairs and, at the end,
// spread the levels back over B, G, R.
#define AVX512 __attribute__((target("avx512f,avx512bw,avx512vbmi")))

struct GrayPermutes {
  // Pair bytes for pixel w of half h, indexing registers h and h + 1.
  std::array<uint8_t, 64> bg{}, r{};
  // Output register k from the packed levels: after packing the two halves'
  // 16-bit levels, byte 16 l + j holds pixel 8 l + j (j < 8) of the first
  // half, or 32 + 8 l + j - 8 of the second.
  std::array<std::array<uint8_t, 64>, 3> out{};
  constexpr GrayPermutes() {
    for (int w = 0; w < 32; ++w) {
      bg[2 * w] = static_cast<uint8_t>(3 * w);
      bg[2 * w + 1] = static_cast<uint8_t>(3 * w + 1);
      r[2 * w] = r[2 * w + 1] = static_cast<uint8_t>(3 * w + 2);  // the odd byte is weighted 0
    }
    for (int k = 0; k < 3; ++k)
      for (int i = 0; i < 64; ++i) {
        const int p = (64 * k + i) / 3, q = p % 32;
        out[k][i] = static_cast<uint8_t>(16 * (q / 8) + (p < 32 ? 0 : 8) + q % 8);
      }
  }
};
constexpr GrayPermutes kGrayPermutes;

// Levels of 32 pixels whose 96 bytes lie in the register pair (lo, hi), where
// the index vectors pick each pixel's (b, g) and (r, -) byte pairs.  *tie
// marks the candidates for a halfway sum, about one pixel in 500: those whose
// low three bits are zero and for which t * 33555 has no bits in 16..21.  A
// halfway sum always qualifies (t = 125 y gives t * 33555 = y 2^22 + 71 y,
// with 71 y below 2^16), and testing them so saves a multiply.
AVX512 inline __m512i GrayLevels32(__m512i lo, __m512i hi, __m512i bg_idx, __m512i r_idx, __mmask32* tie) {
  const __m512i bg = _mm512_permutex2var_epi8(lo, bg_idx, hi), r = _mm512_permutex2var_epi8(lo, r_idx, hi);
  const __m512i low =
      _mm512_add_epi16(_mm512_add_epi16(_mm512_maddubs_epi16(bg, _mm512_set1_epi16(33 | (74 << 8))),
                                        _mm512_maddubs_epi16(r, _mm512_set1_epi16(114))),
                       _mm512_set1_epi16(500));
  const __m512i high = _mm512_maddubs_epi16(bg, _mm512_set1_epi16(1 | (2 << 8)));
  const __m512i t = _mm512_add_epi16(_mm512_slli_epi16(high, 5), _mm512_srli_epi16(low, 3));
  const __m512i q22 = _mm512_mulhi_epu16(t, _mm512_set1_epi16(static_cast<int16_t>(33555)));
  *tie = _mm512_testn_epi16_mask(q22, _mm512_set1_epi16(63)) &
         _mm512_testn_epi16_mask(low, _mm512_set1_epi16(7));
  return _mm512_srli_epi16(q22, 6);
}

AVX512 int GrayPixelsAvx512(uint8_t* p, int width, int vB, int vG, int vR) {
  if (width < 64) return 0;  // narrower than one block: skip the setup
  const int v[3] = {vB, vG, vR};
  const bool tinted = vB != 0 || vG != 0 || vR != 0;
  __m512i add[3], sub[3], out_idx[3];
  for (int k = 0; k < 3; ++k) {
    alignas(64) uint8_t a[64], s[64];
    for (int i = 0; i < 64; ++i) {
      a[i] = static_cast<uint8_t>(std::max(v[(64 * k + i) % 3], 0));
      s[i] = static_cast<uint8_t>(std::max(-v[(64 * k + i) % 3], 0));
    }
    add[k] = _mm512_load_si512(a);
    sub[k] = _mm512_load_si512(s);
    out_idx[k] = _mm512_loadu_si512(kGrayPermutes.out[k].data());
  }
  const __m512i bg_idx = _mm512_loadu_si512(kGrayPermutes.bg.data());
  const __m512i r_idx = _mm512_loadu_si512(kGrayPermutes.r.data());
  // The second half's bytes start at byte 32 of the middle register.
  const __m512i shift = _mm512_set1_epi8(32);
  const __m512i bg_idx2 = _mm512_add_epi8(bg_idx, shift), r_idx2 = _mm512_add_epi8(r_idx, shift);
  int x = 0;
  for (; x + 64 <= width; x += 64) {
    uint8_t* q = p + 3 * x;
    const __m512i in0 = _mm512_loadu_si512(q), in1 = _mm512_loadu_si512(q + 64),
                  in2 = _mm512_loadu_si512(q + 128);
    __mmask32 tie[2];
    const __m512i y0 = GrayLevels32(in0, in1, bg_idx, r_idx, &tie[0]);
    const __m512i y1 = GrayLevels32(in1, in2, bg_idx2, r_idx2, &tie[1]);
    const uint64_t ties = tie[0] | (uint64_t{tie[1]} << 32);
    const HalfwayPixels halfway(q, ties);
    const __m512i y = _mm512_packus_epi16(y0, y1);
    for (int k = 0; k < 3; ++k) {
      __m512i o = _mm512_maskz_permutexvar_epi8(~__mmask64{0}, out_idx[k], y);  // (unmasked)
      if (tinted) o = _mm512_subs_epu8(_mm512_adds_epu8(o, add[k]), sub[k]);
      _mm512_storeu_si512(q + 64 * k, o);
    }
    halfway.Write(q, v);
  }
  return x;
}

#undef AVX512

#endif  // __x86_64__

}  // namespace

int GrayLevelAtHalf(int b, int g, int r) {
  const long double sum = 0.289L * b + 0.586L * g + 0.114L * r;  // 0 .. 252.2
  return static_cast<int>((sum + 0x1p63L) - 0x1p63L);
}

VectorForm BestVectorForm() {
  using cpu::Isa;
  return cpu::Has(Isa::kAvx512Vbmi) ? VectorForm::kAvx512
         : cpu::Has(Isa::kAvx2)     ? VectorForm::kAvx2
         : cpu::Has(Isa::kSsse3)    ? VectorForm::kSsse3
                                    : VectorForm::kPlain;
}

int GrayPixels(uint8_t* p, int width, int vB, int vG, int vR, VectorForm form) {
  const VectorForm use = std::min(form, BestVectorForm());
  int done = 0;
#if defined(__x86_64__)
  if (use >= VectorForm::kAvx512) done = GrayPixelsAvx512(p, width, vB, vG, vR);
  if (use >= VectorForm::kAvx2) done += GrayPixelsAvx2(p + 3 * done, width - done, vB, vG, vR);
  if (use >= VectorForm::kSsse3) done += GrayPixelsSsse3(p + 3 * done, width - done, vB, vG, vR);
#else
  (void)p, (void)width, (void)vB, (void)vG, (void)vR, (void)use;
#endif
  return done;
}

}  // namespace zelnor
