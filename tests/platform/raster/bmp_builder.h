// Builds BMP files field by field, so tests can make every header kind and
// every kind of damage by hand.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/raster/colour.h"

namespace bmptest {

struct BmpLayout {
  uint32_t header_size = 40;  // 12 for the core header, 108/124 for V4/V5
  int32_t width = 1;
  int32_t height = 1;  // negative: top-down
  int bits = 24;
  uint32_t compression = 0;
  uint32_t colors_used = 0;
  std::vector<uint32_t> masks;            // written for compression 3 (inside V2+ headers)
  std::vector<raster::ColorRef> palette;  // 3-byte entries with a core header
  size_t gap = 0;                         // bytes between colour table and pixel data
  int64_t off_bits = -1;                  // bfOffBits; -1 computes the real offset
  std::vector<uint8_t> data;
};

inline void Put(std::vector<uint8_t>& v, size_t at, uint32_t x, int bytes) {
  if (v.size() < at + bytes) v.resize(at + bytes);
  for (int i = 0; i < bytes; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

inline std::vector<uint8_t> MakeBmp(const BmpLayout& s) {
  std::vector<uint8_t> f(14 + s.header_size, 0);
  f[0] = 'B';
  f[1] = 'M';
  Put(f, 14, s.header_size, 4);
  if (s.header_size == 12) {
    Put(f, 18, static_cast<uint32_t>(s.width), 2);
    Put(f, 20, static_cast<uint32_t>(s.height), 2);
    Put(f, 22, 1, 2);
    Put(f, 24, static_cast<uint32_t>(s.bits), 2);
  } else {
    Put(f, 18, static_cast<uint32_t>(s.width), 4);
    Put(f, 22, static_cast<uint32_t>(s.height), 4);
    Put(f, 26, 1, 2);
    Put(f, 28, static_cast<uint32_t>(s.bits), 2);
    Put(f, 30, s.compression, 4);
    Put(f, 46, s.colors_used, 4);
    f.resize(14 + s.header_size);
  }
  size_t pos = f.size();
  if (!s.masks.empty()) {
    const bool inside = s.header_size >= 52;
    size_t at = inside ? 54 : pos;
    for (uint32_t m : s.masks) {
      Put(f, at, m, 4);
      at += 4;
    }
    if (!inside) pos = at;
  }
  const size_t entry = s.header_size == 12 ? 3 : 4;
  for (raster::ColorRef c : s.palette) {
    Put(f, pos,
        static_cast<uint32_t>(raster::BlueOf(c) | (raster::GreenOf(c) << 8) | (raster::RedOf(c) << 16)),
        static_cast<int>(entry));
    pos += entry;
  }
  pos += s.gap;
  f.resize(pos);
  f.insert(f.end(), s.data.begin(), s.data.end());
  Put(f, 2, static_cast<uint32_t>(f.size()), 4);
  Put(f, 10, s.off_bits < 0 ? static_cast<uint32_t>(pos) : static_cast<uint32_t>(s.off_bits), 4);
  return f;
}

}  // namespace bmptest
