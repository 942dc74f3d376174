#include "platform/system/screen_pixels.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <utility>

namespace sysplat {

namespace {

int ShiftOf(uint32_t mask) { return mask ? std::countr_zero(mask) : 0; }
int WidthOf(uint32_t mask) { return std::popcount(mask); }

// A channel of n bits widened to 8 by repeating its bits from the top.
uint8_t WidenChannel(uint32_t v, int n) {
  if (n <= 0) return 0;
  if (n >= 8) return static_cast<uint8_t>(v >> (n - 8));
  uint32_t out = 0;
  int filled = 0;
  for (; filled < 8; filled += n) out = (out << n) | v;
  return static_cast<uint8_t>(out >> (filled - 8));
}

// An 8-bit channel narrowed (or widened) to the n bits of a mask.
uint32_t NarrowChannel(uint8_t c, uint32_t mask) {
  const int n = WidthOf(mask);
  if (n == 0) return 0;
  const uint32_t v = n <= 8 ? uint32_t{c} >> (8 - n) : (uint32_t{c} << (n - 8)) | (uint32_t{c} >> (16 - n));
  return (v << ShiftOf(mask)) & mask;
}

bool Is888(const ScreenPixelFormat& f) {
  return f.colours.empty() && f.red_mask == 0xFF0000 && f.green_mask == 0xFF00 && f.blue_mask == 0xFF;
}

bool Is16(const ScreenPixelFormat& f, uint32_t red, uint32_t green) {
  return f.colours.empty() && f.bits_per_pixel == 16 && !f.msb_first && f.red_mask == red &&
         f.green_mask == green && f.blue_mask == 0x1F;
}

void Row32To24(const uint8_t* row, int width, bool msb_first, uint8_t* bgr) {
  // Little-endian pixels hold B, G, R, X in memory; big-endian X, R, G, B.
  for (int x = 0; x < width; ++x, row += 4, bgr += 3) {
    bgr[0] = msb_first ? row[3] : row[0];
    bgr[1] = msb_first ? row[2] : row[1];
    bgr[2] = msb_first ? row[1] : row[2];
  }
}

void Row16ToBgr(const ScreenPixelFormat& f, const uint8_t* row, int width, uint8_t* bgr) {
  const int green_bits = WidthOf(f.green_mask), red_shift = ShiftOf(f.red_mask);
  for (int x = 0; x < width; ++x, row += 2, bgr += 3) {
    const uint32_t p = uint32_t{row[0]} | uint32_t{row[1]} << 8;
    bgr[0] = WidenChannel(p & 0x1F, 5);
    bgr[1] = WidenChannel((p >> 5) & ((1u << green_bits) - 1), green_bits);
    bgr[2] = WidenChannel((p >> red_shift) & 0x1F, 5);
  }
}

void Row8ToBgr(const ScreenPixelFormat& f, const uint8_t* row, int width, uint8_t* bgr) {
  std::array<std::array<uint8_t, 3>, 256> table{};
  for (size_t i = 0; i < table.size() && i < f.colours.size(); ++i) table[i] = f.colours[i];
  for (int x = 0; x < width; ++x, bgr += 3) {
    const std::array<uint8_t, 3>& c = table[row[x]];
    bgr[0] = c[2];
    bgr[1] = c[1];
    bgr[2] = c[0];
  }
}

}  // namespace

uint32_t ReadScreenPixel(const ScreenPixelFormat& f, const uint8_t* row, int x) {
  switch (f.bits_per_pixel) {
    case 1: {
      const int bit = f.bits_msb_first ? 7 - (x & 7) : (x & 7);
      return (row[x >> 3] >> bit) & 1u;
    }
    case 4: {
      const uint8_t b = row[x >> 1];
      return ((x & 1) == 0) == f.msb_first ? b >> 4 : b & 0x0Fu;
    }
    case 8:
      return row[x];
    default: {
      const int n = f.bits_per_pixel / 8;
      const uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * n;
      uint32_t v = 0;
      for (int i = 0; i < n; ++i) v |= uint32_t{p[i]} << (8 * (f.msb_first ? n - 1 - i : i));
      return v;
    }
  }
}

void WriteScreenPixel(const ScreenPixelFormat& f, uint8_t* row, int x, uint32_t value) {
  switch (f.bits_per_pixel) {
    case 1: {
      const int bit = f.bits_msb_first ? 7 - (x & 7) : (x & 7);
      row[x >> 3] = static_cast<uint8_t>((row[x >> 3] & ~(1u << bit)) | ((value & 1u) << bit));
      return;
    }
    case 4: {
      const bool high = ((x & 1) == 0) == f.msb_first;
      uint8_t& b = row[x >> 1];
      b = high ? static_cast<uint8_t>((b & 0x0F) | (value & 0x0F) << 4)
               : static_cast<uint8_t>((b & 0xF0) | (value & 0x0F));
      return;
    }
    case 8:
      row[x] = static_cast<uint8_t>(value);
      return;
    default: {
      const int n = f.bits_per_pixel / 8;
      uint8_t* p = row + static_cast<std::ptrdiff_t>(x) * n;
      for (int i = 0; i < n; ++i) p[i] = static_cast<uint8_t>(value >> (8 * (f.msb_first ? n - 1 - i : i)));
    }
  }
}

std::array<uint8_t, 3> ScreenPixelColour(const ScreenPixelFormat& f, uint32_t value) {
  if (!f.colours.empty()) return value < f.colours.size() ? f.colours[value] : std::array<uint8_t, 3>{};
  auto channel = [value](uint32_t mask) {
    return WidenChannel((value & mask) >> ShiftOf(mask), WidthOf(mask));
  };
  return {channel(f.red_mask), channel(f.green_mask), channel(f.blue_mask)};
}

void ScreenRowToBgrReference(const ScreenPixelFormat& f, const uint8_t* row, int width, uint8_t* bgr) {
  for (int x = 0; x < width; ++x, bgr += 3) {
    const std::array<uint8_t, 3> c = ScreenPixelColour(f, ReadScreenPixel(f, row, x));
    bgr[0] = c[2];
    bgr[1] = c[1];
    bgr[2] = c[0];
  }
}

void ScreenRowToBgr(const ScreenPixelFormat& f, const uint8_t* row, int width, uint8_t* bgr) {
  if (f.bits_per_pixel == 32 && Is888(f)) return Row32To24(row, width, f.msb_first, bgr);
  if (f.bits_per_pixel == 24 && Is888(f) && !f.msb_first) {
    std::memcpy(bgr, row, static_cast<size_t>(width) * 3);
    return;
  }
  if (Is16(f, 0xF800, 0x07E0) || Is16(f, 0x7C00, 0x03E0)) return Row16ToBgr(f, row, width, bgr);
  if (f.bits_per_pixel == 8 && !f.colours.empty()) return Row8ToBgr(f, row, width, bgr);
  ScreenRowToBgrReference(f, row, width, bgr);
}

ScreenPixelWriter::ScreenPixelWriter(const ScreenPixelFormat& format, std::vector<uint32_t> usable)
    : format_(format), usable_(std::move(usable)) {
  if (usable_.empty())
    for (uint32_t i = 0; i < format_.colours.size(); ++i) usable_.push_back(i);
  std::erase_if(usable_, [this](uint32_t v) { return v >= format_.colours.size(); });
  std::sort(usable_.begin(), usable_.end());
}

uint32_t ScreenPixelWriter::NearestColour(uint32_t rgb) const {
  const int r = static_cast<int>(rgb >> 16), g = static_cast<int>((rgb >> 8) & 0xFF),
            b = static_cast<int>(rgb & 0xFF);
  uint32_t best = 0;
  int best_distance = 1 << 30;
  for (const uint32_t value : usable_) {
    const std::array<uint8_t, 3>& c = format_.colours[value];
    const int dr = c[0] - r, dg = c[1] - g, db = c[2] - b;
    const int distance = dr * dr + dg * dg + db * db;
    if (distance < best_distance) {
      best_distance = distance;
      best = value;
    }
  }
  return best;
}

uint32_t ScreenPixelWriter::PixelOf(uint8_t r, uint8_t g, uint8_t b) {
  if (format_.colours.empty())
    return NarrowChannel(r, format_.red_mask) | NarrowChannel(g, format_.green_mask) |
           NarrowChannel(b, format_.blue_mask);
  const uint32_t rgb = uint32_t{r} << 16 | uint32_t{g} << 8 | b;
  const auto [it, fresh] = nearest_.try_emplace(rgb, 0);
  if (fresh) it->second = NearestColour(rgb);
  return it->second;
}

void ScreenPixelWriter::WriteRow(const uint8_t* bgr, int width, uint8_t* row) {
  if (format_.bits_per_pixel == 32 && Is888(format_) && !format_.msb_first) {
    for (int x = 0; x < width; ++x, bgr += 3, row += 4) {
      row[0] = bgr[0];
      row[1] = bgr[1];
      row[2] = bgr[2];
      row[3] = 0;
    }
    return;
  }
  for (int x = 0; x < width; ++x, bgr += 3)
    WriteScreenPixel(format_, row, x, PixelOf(bgr[2], bgr[1], bgr[0]));
}

}  // namespace sysplat
