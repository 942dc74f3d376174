// Colour reduction for GIF: an optimised 256-entry palette (octree colours
// between the twenty static colours) and serpentine Floyd-Steinberg mapping.
// Everything is integer arithmetic in a fixed order, so the same picture
// always gives the same palette and indices.
#pragma once
#include <atomic>
#include <cstdint>
#include <vector>

#include "platform/raster/colour.h"

namespace zelnor::gif {

// A picture as rows of blue, green, red bytes.
struct BgrImage {
  int width = 0;
  int height = 0;
  int64_t stride = 0;  // bytes from one row to the next
  const uint8_t* rows = nullptr;
  const uint8_t* Row(int y) const { return rows + stride * y; }
};

// An 8-bit palette picture: one index per pixel, rows from the top.
struct IndexedImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> pixels;
  raster::Palette palette;  // 256 explicit colours
};

// Entries 0-9 and 246-255 of the optimised palette are the static colours;
// the octree leaves fill entries from 10 on (at most this many).
inline constexpr int kOctreeLeaves = 236;
inline constexpr int kFirstOctreeEntry = 10;

// The optimised palette of a picture: static colours, octree leaves in
// depth-first order, unused entries black.
raster::Palette OptimisedPalette(const BgrImage& image);
// The same with every pixel walking the whole tree: the plain path the fast
// one must always agree with.
raster::Palette OptimisedPaletteReference(const BgrImage& image);

// Maps a picture to a palette with serpentine Floyd-Steinberg dithering and
// the 32,768-cell nearest-colour cache.
std::vector<uint8_t> DitherToPalette(const BgrImage& image, const raster::Palette& palette);
// The same with the plain row loop, which reads each chosen entry's colour
// from the palette: the reference the fast loop must always agree with.
std::vector<uint8_t> DitherToPaletteReference(const BgrImage& image, const raster::Palette& palette);
// The same into `out` (width x height indices); after each row the count of
// finished rows is published through `rows_done` (when given), and waiters
// are woken every few rows and after the last, so an encoder on another
// thread can follow.
void DitherToPalette(const BgrImage& image, const raster::Palette& palette, uint8_t* out,
                     std::atomic<int>* rows_done);

// A palette split into channels for the nearest-entry search.
struct PaletteChannels {
  explicit PaletteChannels(const raster::Palette& palette);
  alignas(16) int16_t red[256] = {};
  alignas(16) int16_t green[256] = {};
  alignas(16) int16_t blue[256] = {};
  int size = 0;
};

// The entry with the smallest sum of absolute channel differences, the lowest
// index on a tie.  NearestEntry is the fast path; the reference is the plain
// loop it must always agree with.
int NearestEntry(const PaletteChannels& palette, int r, int g, int b);
int NearestEntryReference(const PaletteChannels& palette, int r, int g, int b);

// Both steps: the 8-bit palette image a GIF frame is made from.
IndexedImage ReduceColors(const BgrImage& image);

}  // namespace zelnor::gif
