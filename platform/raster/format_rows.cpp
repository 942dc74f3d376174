#include "platform/raster/format_rows.h"

namespace raster::px {

namespace {

// The matcher for a colour table: the fixed tables keep theirs for the life
// of the process; other tables get one made for this conversion, unless the
// picture is so small that a full search per pixel is cheaper (nullptr).
const PaletteMatcher* MatcherFor(const Palette& pal, std::optional<PaletteMatcher>& own, int64_t pixels) {
  static const PaletteMatcher mono(MonochromePalette()), vga(VgaPalette()), halftone(HalftonePalette());
  if (pal == HalftonePalette()) return &halftone;
  if (pal == VgaPalette()) return &vga;
  if (pal == MonochromePalette()) return &mono;
  if (pixels < kTableWorthIt) return nullptr;
  return &own.emplace(pal);
}

// The inverse table of a colour table for 4- and 8-bit conversion: the entry
// of every 5-5-5 cell, chosen for the cell's centre.
std::vector<uint8_t> InverseTable(const PaletteMatcher& m) {
  std::vector<uint8_t> t(size_t{1} << 15);
  for (int i = 0; i < (1 << 15); ++i)
    t[static_cast<size_t>(i)] = static_cast<uint8_t>(
        m.Index(ConversionKey(true, (i >> 10) << 3, ((i >> 5) & 31) << 3, (i & 31) << 3)));
  return t;
}

// The fixed tables keep theirs for the life of the process; another table
// gets one when it has a matcher (a large picture), else none (nullptr).
const std::vector<uint8_t>* InverseTableFor(const Palette& pal, const PaletteMatcher* m,
                                            std::vector<uint8_t>& own) {
  static const std::vector<uint8_t> halftone = InverseTable(PaletteMatcher(HalftonePalette()));
  static const std::vector<uint8_t> vga = InverseTable(PaletteMatcher(VgaPalette()));
  if (pal == HalftonePalette()) return &halftone;
  if (pal == VgaPalette()) return &vga;
  if (!m) return nullptr;
  own = InverseTable(*m);
  return &own;
}

}  // namespace

void PrepareNothing(const PixelStorage&, RowTables&) {}

void PrepareStoreIndexed(const PixelStorage& d, RowTables& t, bool by_cell) {
  t.matcher = MatcherFor(d.palette(), t.own_matcher, PixelsOf(d));
  if (by_cell) t.cells = InverseTableFor(d.palette(), t.matcher, t.own_cells);
}

}  // namespace raster::px
