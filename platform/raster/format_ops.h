// The per-format operations of the 2D engine: one constant table per storage
// layout, chosen once when a pixel block is made (SelectFormatOps), so that no
// caller ever tests the pixel depth.  Each layout has a fast table (loops
// written for it) and a reference table derived from it, whose operations are
// the generic per-pixel ones (bit-addressed access, colours through the
// palette or the channel masks); both give the same bytes.  Adding a layout
// means adding one table in format_ops.cpp.
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "platform/raster/colour.h"
#include "platform/raster/pixel_layout.h"

namespace raster {

class PixelStorage;

// The visible part of a glyph's coverage mask on a bitmap: pixels [x0, x1) x
// [y0, y1); `coverage` points at the coverage of pixel (x0, y0), rows
// `stride` bytes apart (0 = none, 255 = full).
struct CoverageSpan {
  int x0 = 0, y0 = 0, x1 = 0, y1 = 0;
  const uint8_t* coverage = nullptr;
  int64_t stride = 0;
};

// Lookups a conversion makes once for a whole picture (prepare_fetch on the
// source, prepare_store on the destination); a layout uses those it needs.
struct RowTables {
  std::vector<uint8_t> bgr;                     // fetch: B, G, R of every stored value
  const PaletteMatcher* matcher = nullptr;      // store: null for a small picture (full search)
  std::optional<PaletteMatcher> own_matcher;    // ... when the palette is not a fixed one
  const std::vector<uint8_t>* cells = nullptr;  // store: the inverse table of 5-5-5 cells
  std::vector<uint8_t> own_cells;
  uint32_t last_key = 0xFFFFFFFFu, last_index = 0;          // store: the last colour looked up
  uint32_t red[256] = {}, green[256] = {}, blue[256] = {};  // store: each channel's bits
};

struct FormatOps {
  // --- what the layout is
  const char* name;
  bool (*accepts)(const PixelLayout& layout);
  int bpp;                   // bits per pixel
  uint32_t pixel_mask;       // every bit of one pixel
  uint32_t palette_entries;  // entries the colour table can index; 0 for direct colour
  // Palette layouts: conversion looks colours up by the centre of their 5-5-5
  // cell (4 and 8 bits) instead of by the colour itself (1 bit).
  bool convert_by_cell;
  // Direct colour: fixed channel masks (red, green, blue); zero where the
  // layout's own masks apply (B, G, R bytes when it has none).
  uint32_t masks[3];
  uint32_t text_keeps;  // bits that anti-aliased text leaves as they were
  bool file_masks;      // a BMP file records the layout's masks as bit fields
  Palette (*default_palette)();

  // --- one pixel
  uint32_t (*get_bits)(const PixelStorage& s, int x, int y);
  void (*set_bits)(PixelStorage& s, int x, int y, uint32_t bits);
  ColorRef (*bits_to_color)(const PixelStorage& s, uint32_t bits);
  uint32_t (*color_to_bits)(const PixelStorage& s, ColorRef rgb);

  // --- spans and rows; every coordinate lies inside the storage
  // Pixels x0..x1-1 of row y take `bits`.
  void (*fill_span)(PixelStorage& s, int y, int x0, int x1, uint32_t bits);
  // n pixels from (sx, sy) of `src` to (dx, dy) of `dst`, both of this layout.
  void (*copy_pixels)(const PixelStorage& src, int sx, int sy, PixelStorage& dst, int dx, int dy, int n);
  // Pixel columns[i] of row sy of `src` to (dx + i, dy) of `dst`, i < n.
  void (*pick_pixels)(const PixelStorage& src, int sy, const int* columns, int n, PixelStorage& dst, int dx,
                      int dy);
  // A one-pixel line (end excluded) in one stored value, clipped to the storage.
  void (*solid_line)(PixelStorage& s, int64_t x0, int64_t y0, int64_t x1, int64_t y1, uint32_t bits);
  // Text in colour `rgb`: anti-aliased on direct colour, pixels reaching half
  // coverage take the nearest palette entry on palette layouts.
  void (*blit_coverage)(PixelStorage& s, const CoverageSpan& span, ColorRef rgb);
  // Sets, in a zeroed one-bit row, the pixels of row y whose colour is `rgb`.
  void (*mark_color_row)(const PixelStorage& s, int y, ColorRef rgb, uint8_t* mono_row);
  // Row y as B, G, R bytes: in `scratch` (width x 3 bytes) or in the storage itself.
  void (*prepare_fetch)(const PixelStorage& s, RowTables& tables);
  const uint8_t* (*fetch_bgr)(const PixelStorage& s, const RowTables& tables, int y, uint8_t* scratch);
  // Row y (zeroed) from B, G, R bytes: nearest palette entry, or each channel's top bits.
  void (*prepare_store)(const PixelStorage& s, RowTables& tables);
  void (*store_bgr)(PixelStorage& s, RowTables& tables, int y, const uint8_t* bgr);
};

// The table of a layout (the reference table under ZELNOR2_DISABLE=fast);
// nullptr for a layout the engine cannot store.
const FormatOps* SelectFormatOps(const PixelLayout& layout);

// Every layout's two tables, in the order SelectFormatOps tries them.
struct FormatTables {
  FormatOps fast;
  FormatOps reference;
};
std::span<const FormatTables> AllFormats();
// The reference table of the layout `ops` belongs to.
const FormatOps& ReferenceOf(const FormatOps& ops);

}  // namespace raster
