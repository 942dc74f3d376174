// The vector forms compare whole registers of pixels with the colour's bytes
// at each phase of the 3-byte pattern and pack the results into the mask.
#include "platform/raster/mono_rows.h"

#if defined(__x86_64__)
#include <immintrin.h>
#endif

#include <cstring>

#include "platform/cpu/cpu.h"

namespace raster {

void MonoRowFromBytes(const uint8_t* p, int step, int x0, int width, ColorRef match, uint8_t* out) {
  const uint8_t b = static_cast<uint8_t>(BlueOf(match)), g = static_cast<uint8_t>(GreenOf(match)),
                r = static_cast<uint8_t>(RedOf(match));
  p += int64_t{x0} * step;
  for (int x = x0; x < width; ++x, p += step)
    if (p[0] == b && p[1] == g && p[2] == r) out[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
}

namespace {

#if defined(__x86_64__)
// Shuffle masks that gather channel c of sixteen B, G, R pixels from the
// k-th of three 16-byte registers (-1 selects zero).
struct ChannelGather {
  int8_t m[3][3][16] = {};
  constexpr ChannelGather() {
    for (int c = 0; c < 3; ++c)
      for (int k = 0; k < 3; ++k)
        for (int j = 0; j < 16; ++j) {
          const int byte = 3 * j + c;
          m[c][k][j] = static_cast<int8_t>(byte / 16 == k ? byte % 16 : -1);
        }
  }
};
constexpr ChannelGather kChannelGather;

constexpr uint8_t ReverseBits(uint8_t v) {
  uint8_t r = 0;
  for (int i = 0; i < 8; ++i) r = static_cast<uint8_t>(r | (((v >> i) & 1) << (7 - i)));
  return r;
}

// Sixteen 24-bit pixels at a time: compare every byte with the colour's
// byte at that phase, gather the three channel results of each pixel, and
// pack the pixels that match in all three, first pixel in the top bit.
// Returns the pixels done (a multiple of 16).
__attribute__((target("ssse3"))) int MonoRow24Ssse3(const uint8_t* p, int width, ColorRef match,
                                                    uint8_t* out) {
  if (width < 16) return 0;  // narrower than one block: skip the setup
  const uint8_t c[3] = {static_cast<uint8_t>(BlueOf(match)), static_cast<uint8_t>(GreenOf(match)),
                        static_cast<uint8_t>(RedOf(match))};
  __m128i want[3];
  for (int k = 0; k < 3; ++k) {
    alignas(16) uint8_t bytes[16];
    for (int j = 0; j < 16; ++j) bytes[j] = c[(16 * k + j) % 3];
    want[k] = _mm_load_si128(reinterpret_cast<const __m128i*>(bytes));
  }
  auto mask = [](const int8_t* m) { return _mm_loadu_si128(reinterpret_cast<const __m128i*>(m)); };
  int x = 0;
  for (; x + 16 <= width; x += 16) {
    const uint8_t* q = p + 3 * x;
    __m128i eq[3];
    for (int k = 0; k < 3; ++k)
      eq[k] = _mm_cmpeq_epi8(_mm_loadu_si128(reinterpret_cast<const __m128i*>(q + 16 * k)), want[k]);
    __m128i all = _mm_set1_epi8(-1);
    for (int ch = 0; ch < 3; ++ch) {
      const __m128i plane = _mm_or_si128(_mm_or_si128(_mm_shuffle_epi8(eq[0], mask(kChannelGather.m[ch][0])),
                                                      _mm_shuffle_epi8(eq[1], mask(kChannelGather.m[ch][1]))),
                                         _mm_shuffle_epi8(eq[2], mask(kChannelGather.m[ch][2])));
      all = _mm_and_si128(all, plane);
    }
    const unsigned bits = static_cast<unsigned>(_mm_movemask_epi8(all));
    out[x >> 3] = ReverseBits(static_cast<uint8_t>(bits));
    out[(x >> 3) + 1] = ReverseBits(static_cast<uint8_t>(bits >> 8));
  }
  return x;
}

// Sixty-four 24-bit pixels at a time: XOR the bytes with the colour's byte at
// each phase, then gather, for every pixel, its three differences into three
// planes (byte permutes over the 192 bytes) and test that they are all zero.
// Lane 8 i + 7 - k of the planes holds pixel 8 i + k, so the lane mask is
// already the packed row, first pixel in the top bit.
struct MonoGather {
  // idx[c][lane]: byte 3 p + c of pixel p, 0..127 from the first two
  // registers (from_third clear) or 128..191 from the third.
  uint8_t idx[3][64] = {};
  uint64_t from_third[3] = {};
  constexpr MonoGather() {
    for (int c = 0; c < 3; ++c)
      for (int lane = 0; lane < 64; ++lane) {
        const int pixel = (lane & ~7) | (7 - (lane & 7));
        const int byte = 3 * pixel + c;
        idx[c][lane] = static_cast<uint8_t>(byte & 127);
        if (byte >= 128) from_third[c] |= uint64_t{1} << lane;
      }
  }
};
constexpr MonoGather kMonoGather;

#define AVX512_VBMI __attribute__((target("avx512f,avx512bw,avx512vbmi")))

AVX512_VBMI int MonoRow24Vbmi(const uint8_t* p, int width, ColorRef match, uint8_t* out) {
  if (width < 64) return 0;  // narrower than one block: skip the setup
  const uint8_t c[3] = {static_cast<uint8_t>(BlueOf(match)), static_cast<uint8_t>(GreenOf(match)),
                        static_cast<uint8_t>(RedOf(match))};
  __m512i want[3], idx[3];
  for (int k = 0; k < 3; ++k) {
    alignas(64) uint8_t bytes[64];
    for (int j = 0; j < 64; ++j) bytes[j] = c[(64 * k + j) % 3];
    want[k] = _mm512_load_si512(bytes);
    idx[k] = _mm512_loadu_si512(kMonoGather.idx[k]);
  }
  int x = 0;
  for (; x + 64 <= width; x += 64) {
    const uint8_t* q = p + 3 * x;
    const __m512i d0 = _mm512_xor_si512(_mm512_loadu_si512(q), want[0]);
    const __m512i d1 = _mm512_xor_si512(_mm512_loadu_si512(q + 64), want[1]);
    const __m512i d2 = _mm512_xor_si512(_mm512_loadu_si512(q + 128), want[2]);
    __m512i plane[3];
    for (int ch = 0; ch < 3; ++ch)
      plane[ch] = _mm512_mask_permutexvar_epi8(_mm512_permutex2var_epi8(d0, idx[ch], d1),
                                               kMonoGather.from_third[ch], idx[ch], d2);
    const __m512i any = _mm512_ternarylogic_epi32(plane[0], plane[1], plane[2], 0xFE);
    const uint64_t bits = _mm512_testn_epi8_mask(any, any);
    std::memcpy(out + (x >> 3), &bits, 8);
  }
  return x;
}

#undef AVX512_VBMI

#endif  // __x86_64__

}  // namespace

int MonoRow24Vector(const uint8_t* p, int width, ColorRef match, uint8_t* out) {
  int done = 0;
#if defined(__x86_64__)
  if (cpu::Has(cpu::Isa::kAvx512Vbmi)) done = MonoRow24Vbmi(p, width, match, out);
  if (cpu::Has(cpu::Isa::kSsse3))
    done += MonoRow24Ssse3(p + 3 * int64_t{done}, width - done, match, out + done / 8);
#else
  (void)p, (void)width, (void)match, (void)out;
#endif
  return done;
}

}  // namespace raster
