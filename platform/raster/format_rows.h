// Internal to the 2D engine: whole rows as B, G, R bytes out of and into each
// layout, the two halves of a pixel-format conversion.  Lookup tables made
// once per picture (RowTables) take the colour work out of the pixel loops.
#pragma once
#include <cstring>

#include "platform/raster/pixel_access.h"

namespace raster::px {

// Pictures from this many pixels on get tables of 65536 entries or a palette
// matcher; below it, building them would cost more than it saves.
inline constexpr int64_t kTableWorthIt = 4096;

inline int64_t PixelsOf(const PixelStorage& s) { return int64_t{s.width()} * s.height(); }

void PrepareNothing(const PixelStorage& s, RowTables& t);

// ---------------------------------------------------------------- fetching

template <class Px, class C>
const uint8_t* FetchPerPixel(const PixelStorage& s, const RowTables&, int y, uint8_t* out) {
  const uint8_t* row = s.row(y);
  const int w = s.width();
  for (int x = 0; x < w; ++x) PutBgr(out + 3 * x, C::ToColor(s, Px::Get(row, x)));
  return out;
}

// A table of every stored value's B, G, R: for palette layouts always, for
// 16-bit ones when the picture is large enough.
template <class Px, class C>
void PrepareFetchTable(const PixelStorage& s, RowTables& t) {
  constexpr uint32_t kValues = uint32_t{1} << Px::kBits;
  if (kValues > 256 && PixelsOf(s) < kTableWorthIt) return;
  t.bgr.assign(size_t{3} * kValues, 0);
  for (uint32_t v = 0; v < kValues; ++v) PutBgr(&t.bgr[3 * v], C::ToColor(s, v));
}

template <class Px, class C>
const uint8_t* FetchThroughTable(const PixelStorage& s, const RowTables& t, int y, uint8_t* out) {
  if (t.bgr.empty()) return FetchPerPixel<Px, C>(s, t, y, out);
  const uint8_t* row = s.row(y);
  const uint8_t* table = t.bgr.data();
  const int w = s.width();
  for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, table + 3 * Px::Get(row, x), 3);
  return out;
}

// B, G, R pixels are read where they are.
inline const uint8_t* FetchInPlace(const PixelStorage& s, const RowTables&, int y, uint8_t*) {
  return s.row(y);
}

inline const uint8_t* FetchBgrx(const PixelStorage& s, const RowTables&, int y, uint8_t* out) {
  const uint8_t* row = s.row(y);
  const int w = s.width();
  for (int x = 0; x < w; ++x) std::memcpy(out + 3 * x, row + 4 * x, 3);
  return out;
}

// ----------------------------------------------------------------- storing

// Palette layouts: a matcher for the palette and, for 4 and 8 bits, the
// inverse table of 5-5-5 cells (none for a small picture with a palette of
// its own: a full search per colour is cheaper then).
void PrepareStoreIndexed(const PixelStorage& d, RowTables& t, bool by_cell);
template <bool kByCell>
void PrepareStoreIndexed(const PixelStorage& d, RowTables& t) {
  PrepareStoreIndexed(d, t, kByCell);
}

// Neighbouring pixels often share a colour; the last answer is kept.
inline uint32_t IndexOf(const PixelStorage& d, RowTables& t, bool by_cell, const uint8_t* bgr) {
  if (t.cells) return (*t.cells)[static_cast<size_t>((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | bgr[0] >> 3)];
  const uint32_t key = bgr[0] | (bgr[1] << 8) | (bgr[2] << 16);
  if (key != t.last_key) {
    t.last_key = key;
    const ColorRef centre = ConversionKey(by_cell, bgr[2], bgr[1], bgr[0]);
    t.last_index = t.matcher ? static_cast<uint32_t>(t.matcher->Index(centre))
                             : static_cast<uint32_t>(NearestPaletteIndex(d.palette(), centre));
  }
  return t.last_index;
}

// Indices gathered into whole bytes, the bits past the last pixel zero.
template <class Px, bool kByCell>
void StoreIndexed(PixelStorage& d, RowTables& t, int y, const uint8_t* in) {
  constexpr int kPerByte = 8 / Px::kBits;
  uint8_t* p = d.row(y);
  const int w = d.width();
  uint32_t acc = 0;
  for (int x = 0; x < w; ++x) {
    acc = (acc << Px::kBits) | IndexOf(d, t, kByCell, in + 3 * x);
    if (x % kPerByte == kPerByte - 1) {
      p[x / kPerByte] = static_cast<uint8_t>(acc);
      acc = 0;
    }
  }
  if (const int rest = w % kPerByte)
    p[w / kPerByte] = static_cast<uint8_t>(acc << (Px::kBits * (kPerByte - rest)));
}

// Channels are packed independently, so each one's bits are looked up and
// the three ORed together.
template <class C>
void PrepareStoreMasked(const PixelStorage& d, RowTables& t) {
  for (int v = 0; v < 256; ++v) {
    t.red[v] = C::ToBits(d, Rgb(v, 0, 0));
    t.green[v] = C::ToBits(d, Rgb(0, v, 0));
    t.blue[v] = C::ToBits(d, Rgb(0, 0, v));
  }
}

template <class Px>
void StoreMasked(PixelStorage& d, RowTables& t, int y, const uint8_t* in) {
  uint8_t* row = d.row(y);
  const int w = d.width();
  for (int x = 0; x < w; ++x, in += 3) Px::Set(row, x, t.blue[in[0]] | t.green[in[1]] | t.red[in[2]]);
}

inline void StoreBgr(PixelStorage& d, RowTables&, int y, const uint8_t* in) {
  std::memcpy(d.row(y), in, static_cast<size_t>(d.width()) * 3);
}

inline void StoreBgrx(PixelStorage& d, RowTables&, int y, const uint8_t* in) {
  uint8_t* p = d.row(y);
  const int w = d.width();
  for (int x = 0; x < w; ++x) {
    std::memcpy(p + 4 * x, in + 3 * x, 3);
    p[4 * x + 3] = 0;
  }
}

}  // namespace raster::px
