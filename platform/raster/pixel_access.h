// Internal to the 2D engine: the pieces the per-format tables are built from.
// An access policy says where a pixel's bits lie in a row (Get, Set, kBits);
// a colour model says what the bits mean (ToColor, ToBits).  The primitives in
// format_ops.cpp and format_rows.h are templates over both.
#pragma once
#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>

#include "platform/raster/pixel_storage.h"

namespace raster::px {

// ------------------------------------------------------------ access policies

// Pixels of Bits bits (1 or 4) packed into bytes, the first in the top bits.
template <int Bits>
struct Packed {
  static constexpr int kBits = Bits;
  static constexpr unsigned kPerByte = 8 / Bits;
  static constexpr uint32_t kMax = (1u << Bits) - 1;
  static int Shift(unsigned x) { return 8 - Bits - static_cast<int>(x % kPerByte) * Bits; }
  static uint32_t Get(const uint8_t* row, int x) {
    const unsigned u = static_cast<unsigned>(x);
    return (row[u / kPerByte] >> Shift(u)) & kMax;
  }
  static void Set(uint8_t* row, int x, uint32_t v) {
    const unsigned u = static_cast<unsigned>(x);
    uint8_t& b = row[u / kPerByte];
    const int shift = Shift(u);
    b = static_cast<uint8_t>((b & ~(kMax << shift)) | ((v & kMax) << shift));
  }
};

// Pixels of Bytes whole bytes, the least significant first (on a
// little-endian machine, a plain copy of the value's first bytes).
template <int Bytes>
struct Whole {
  static constexpr int kBits = 8 * Bytes;
  static constexpr bool kCopy = std::endian::native == std::endian::little;
  static uint32_t Get(const uint8_t* row, int x) {
    const uint8_t* p = row + static_cast<ptrdiff_t>(x) * Bytes;
    uint32_t v = 0;
    if constexpr (kCopy) {
      std::memcpy(&v, p, Bytes);
    } else {
      for (int k = 0; k < Bytes; ++k) v |= static_cast<uint32_t>(p[k]) << (8 * k);
    }
    return v;
  }
  static void Set(uint8_t* row, int x, uint32_t v) {
    uint8_t* p = row + static_cast<ptrdiff_t>(x) * Bytes;
    if constexpr (kCopy) {
      std::memcpy(p, &v, Bytes);
    } else {
      for (int k = 0; k < Bytes; ++k) p[k] = static_cast<uint8_t>(v >> (8 * k));
    }
  }
};

using Px1 = Packed<1>;
using Px4 = Packed<4>;
using Px8 = Whole<1>;
using Px16 = Whole<2>;
using Px24 = Whole<3>;
using Px32 = Whole<4>;

// -------------------------------------------------------------- colour models

// Reads a channel through its mask and widens it to 8 bits by repeating its
// top bits (5 bits v become v << 3 | v >> 2).
constexpr int ExpandChannel(uint32_t bits, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int width = std::popcount(mask);
  const uint32_t v = (bits & mask) >> shift;
  if (width >= 8) return static_cast<int>(v >> (width - 8));
  uint32_t out = v << (8 - width);
  for (int filled = width; filled < 8; filled += width) out |= out >> width;
  return static_cast<int>(out & 0xFF);
}

// Stores an 8-bit channel in a masked field by dropping its low bits.
constexpr uint32_t TruncateChannel(int v, uint32_t mask) {
  if (mask == 0) return 0;
  const int shift = std::countr_zero(mask);
  const int width = std::popcount(mask);
  const uint32_t t =
      width >= 8 ? static_cast<uint32_t>(v) << (width - 8) : static_cast<uint32_t>(v) >> (8 - width);
  return (t << shift) & mask;
}

constexpr ColorRef FromMasks(uint32_t bits, uint32_t r, uint32_t g, uint32_t b) {
  return Rgb(ExpandChannel(bits, r), ExpandChannel(bits, g), ExpandChannel(bits, b));
}
constexpr uint32_t ToMasks(ColorRef c, uint32_t r, uint32_t g, uint32_t b) {
  return TruncateChannel(RedOf(c), r) | TruncateChannel(GreenOf(c), g) | TruncateChannel(BlueOf(c), b);
}

// The stored value indexes the colour table; past its end it reads black.
struct Indexed {
  static ColorRef ToColor(const PixelStorage& s, uint32_t bits) {
    const Palette& p = s.palette();
    return bits < p.size() ? (p[bits] & 0xFFFFFF) : 0;
  }
  static uint32_t ToBits(const PixelStorage& s, ColorRef c) {
    return static_cast<uint32_t>(NearestPaletteIndex(s.palette(), c & 0xFFFFFF));
  }
};

// Channels at fixed masks.
template <uint32_t R, uint32_t G, uint32_t B>
struct FixedMasks {
  static constexpr uint32_t kMasks[3] = {R, G, B};
  static ColorRef ToColor(const PixelStorage&, uint32_t bits) { return FromMasks(bits, R, G, B); }
  static uint32_t ToBits(const PixelStorage&, ColorRef c) { return ToMasks(c, R, G, B); }
};
using Bgr = FixedMasks<0xFF0000, 0x00FF00, 0x0000FF>;  // B, G, R bytes
using Masks555 = FixedMasks<0x7C00, 0x03E0, 0x001F>;
using Masks565 = FixedMasks<0xF800, 0x07E0, 0x001F>;

// Channels at the layout's own masks; a layout without masks stores B, G, R
// bytes (of which a 16-bit pixel keeps green and blue).
struct LayoutMasks {
  static constexpr uint32_t kMasks[3] = {0, 0, 0};
  static ColorRef ToColor(const PixelStorage& s, uint32_t bits) {
    const PixelLayout& l = s.layout();
    if ((l.red_mask | l.green_mask | l.blue_mask) == 0) return Bgr::ToColor(s, bits);
    return FromMasks(bits, l.red_mask, l.green_mask, l.blue_mask);
  }
  static uint32_t ToBits(const PixelStorage& s, ColorRef c) {
    const PixelLayout& l = s.layout();
    if ((l.red_mask | l.green_mask | l.blue_mask) == 0) return Bgr::ToBits(s, c);
    return ToMasks(c, l.red_mask, l.green_mask, l.blue_mask);
  }
};

inline void PutBgr(uint8_t* out, ColorRef c) {
  out[0] = static_cast<uint8_t>(BlueOf(c));
  out[1] = static_cast<uint8_t>(GreenOf(c));
  out[2] = static_cast<uint8_t>(RedOf(c));
}

}  // namespace raster::px
