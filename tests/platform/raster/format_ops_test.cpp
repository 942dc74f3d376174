// Every layout's fast table against its reference table: random pixels,
// spans, rows, lines and glyphs, byte for byte (padding included).
#include "platform/raster/format_ops.h"

#include <gtest/gtest.h>

#include <cstring>
#include <random>
#include <set>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/raster/pixel_storage.h"

using namespace raster;

namespace {

struct Case {
  const char* label;
  PixelLayout layout;
  Palette palette;
};
void PrintTo(const Case& c, std::ostream* os) { *os << c.label; }

Palette RandomPalette(size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  Palette p;
  for (size_t i = 0; i < n; ++i) p.push_back(rng() & 0xFFFFFF);
  return p;
}

std::vector<Case> Cases() {
  return {{"1", PixelLayout{1}, MonochromePalette()},
          {"1_custom", PixelLayout{1}, Palette{0x204060, 0x80FF10}},
          {"4", PixelLayout{4}, VgaPalette()},
          {"4_short", PixelLayout{4}, Palette{0x808080, 0x000000, 0x0000FF}},
          {"8", PixelLayout{8}, HalftonePalette()},
          {"8_random", PixelLayout{8}, RandomPalette(256, 5)},
          {"8_short", PixelLayout{8}, RandomPalette(7, 6)},
          {"555", kLayout555, {}},
          {"565", kLayout565, {}},
          {"16_444", PixelLayout{16, 0x0F00, 0x00F0, 0x000F}, {}},
          {"16_no_masks", PixelLayout{16}, {}},
          {"24", kLayout24, {}},
          {"32", kLayout32, {}},
          {"32_bgr_masks", PixelLayout{32, 0xFF0000, 0x00FF00, 0x0000FF}, {}},
          {"32_rgb_masks", PixelLayout{32, 0x0000FF, 0x00FF00, 0xFF0000}, {}},
          {"32_10_bit", PixelLayout{32, 0x3FF00000, 0x000FFC00, 0x000003FF}, {}}};
}

const FormatTables& FormatOf(const PixelStorage& s) {
  for (const FormatTables& f : AllFormats())
    if (&ReferenceOf(s.ops()) == &f.reference) return f;
  throw std::logic_error("no table");
}

void Randomise(PixelStorage& s, std::mt19937& rng) {
  for (int y = 0; y < s.height(); ++y)
    for (int64_t i = 0; i < s.stride(); ++i) s.row(y)[i] = static_cast<uint8_t>(rng());
}

bool SameBytes(const PixelStorage& a, const PixelStorage& b) {
  return std::memcmp(a.row(0), b.row(0), static_cast<size_t>(a.stride() * a.height())) == 0;
}

// Small pictures take the plain loops; from 4096 pixels on, lookup tables.
class PixelOpsMatch : public ::testing::TestWithParam<std::tuple<Case, bool>> {
 protected:
  void SetUp() override {
    const auto& [c, large] = GetParam();
    const int w = large ? 101 : 13, h = large ? 45 : 7;
    a_ = PixelStorage(w, h, c.layout, c.palette);
    Randomise(a_, rng_);
    b_ = a_.Clone();
    fast_ = &FormatOf(a_).fast;
    ref_ = &FormatOf(a_).reference;
  }
  int X() { return static_cast<int>(rng_() % static_cast<unsigned>(a_.width())); }
  int Y() { return static_cast<int>(rng_() % static_cast<unsigned>(a_.height())); }
  ColorRef Colour() { return rng_() % 4 == 0 ? a_.GetPixel(X(), Y()) : rng_() & 0xFFFFFF; }

  std::mt19937 rng_{20240611};
  PixelStorage a_, b_;  // a_ through the fast table, b_ through the reference
  const FormatOps* fast_ = nullptr;
  const FormatOps* ref_ = nullptr;
};

TEST_P(PixelOpsMatch, Pixels) {
  for (int i = 0; i < 2000; ++i) {
    const int x = X(), y = Y();
    ASSERT_EQ(fast_->get_bits(a_, x, y), ref_->get_bits(a_, x, y)) << x << "," << y;
    const uint32_t v = rng_();
    ASSERT_EQ(fast_->bits_to_color(a_, v), ref_->bits_to_color(a_, v)) << std::hex << v;
    ASSERT_EQ(fast_->bits_to_color(a_, v & fast_->pixel_mask),
              ref_->bits_to_color(a_, v & fast_->pixel_mask));
    const ColorRef c = Colour();
    ASSERT_EQ(fast_->color_to_bits(a_, c), ref_->color_to_bits(a_, c)) << std::hex << c;
    fast_->set_bits(a_, x, y, v);
    ref_->set_bits(b_, x, y, v);
    ASSERT_TRUE(SameBytes(a_, b_)) << "set " << x << "," << y << " to " << std::hex << v;
  }
}

TEST_P(PixelOpsMatch, SpansCopiesAndPicks) {
  PixelStorage from(a_.width(), a_.height(), a_.layout(), a_.palette());
  Randomise(from, rng_);
  for (int i = 0; i < 300; ++i) {
    const int y = Y(), x0 = X(),
              x1 = x0 + static_cast<int>(rng_() % static_cast<unsigned>(a_.width() - x0 + 1));
    const uint32_t v = rng_();
    fast_->fill_span(a_, y, x0, x1, v);
    ref_->fill_span(b_, y, x0, x1, v);
    ASSERT_TRUE(SameBytes(a_, b_)) << "fill " << y << ": " << x0 << ".." << x1;
    const int sx = X(), dx = X(), sy = Y();
    const int n = static_cast<int>(rng_() % static_cast<unsigned>(a_.width() - std::max(sx, dx) + 1));
    fast_->copy_pixels(from, sx, sy, a_, dx, y, n);
    ref_->copy_pixels(from, sx, sy, b_, dx, y, n);
    ASSERT_TRUE(SameBytes(a_, b_)) << "copy " << n << " from " << sx << " to " << dx;
    std::vector<int> columns(static_cast<size_t>(a_.width() - dx));
    for (int& col : columns) col = X();
    fast_->pick_pixels(from, sy, columns.data(), static_cast<int>(columns.size()), a_, dx, y);
    ref_->pick_pixels(from, sy, columns.data(), static_cast<int>(columns.size()), b_, dx, y);
    ASSERT_TRUE(SameBytes(a_, b_)) << "pick to " << dx;
  }
}

TEST_P(PixelOpsMatch, LinesGlyphsAndColourMatches) {
  std::vector<uint8_t> coverage(static_cast<size_t>(a_.width()) * a_.height() + 16);
  for (uint8_t& c : coverage) c = static_cast<uint8_t>(rng_() % 3 == 0 ? (rng_() % 2) * 255 : rng_());
  for (int i = 0; i < 200; ++i) {
    const int64_t x0 = X() - 20, y0 = Y() - 20, x1 = X() + 20, y1 = Y() + 20;
    const uint32_t v = rng_();
    fast_->solid_line(a_, x0, y0, x1, y1, v);
    ref_->solid_line(b_, x0, y0, x1, y1, v);
    ASSERT_TRUE(SameBytes(a_, b_)) << "line " << x0 << "," << y0 << " - " << x1 << "," << y1;
    CoverageSpan span;
    span.x0 = X(), span.y0 = Y();
    span.x1 = span.x0 + 1 + X() % (a_.width() - span.x0),
    span.y1 = span.y0 + 1 + Y() % (a_.height() - span.y0);
    span.coverage = coverage.data() + rng_() % 16;
    span.stride = a_.width();
    const ColorRef c = Colour();
    fast_->blit_coverage(a_, span, c);
    ref_->blit_coverage(b_, span, c);
    ASSERT_TRUE(SameBytes(a_, b_)) << "glyph in " << std::hex << c;
  }
  for (int i = 0; i < 50; ++i) {
    const int y = Y();
    const ColorRef c = Colour();
    std::vector<uint8_t> fast_row(static_cast<size_t>(a_.width() + 7) / 8), ref_row(fast_row.size());
    fast_->mark_color_row(a_, y, c, fast_row.data());
    ref_->mark_color_row(a_, y, c, ref_row.data());
    ASSERT_EQ(fast_row, ref_row) << "row " << y << " colour " << std::hex << c;
  }
}

TEST_P(PixelOpsMatch, RowsAsBgr) {
  const size_t bytes = static_cast<size_t>(a_.width()) * 3;
  RowTables fast_tables, ref_tables;
  fast_->prepare_fetch(a_, fast_tables);
  ref_->prepare_fetch(a_, ref_tables);
  std::vector<uint8_t> fast_scratch(bytes), ref_scratch(bytes);
  for (int y = 0; y < a_.height(); ++y)
    ASSERT_EQ(0, std::memcmp(fast_->fetch_bgr(a_, fast_tables, y, fast_scratch.data()),
                             ref_->fetch_bgr(a_, ref_tables, y, ref_scratch.data()), bytes))
        << "fetch row " << y;
  // Stored into zeroed rows, from colours with runs and palette entries.
  PixelStorage fast_out(a_.width(), a_.height(), a_.layout(), a_.palette());
  PixelStorage ref_out(a_.width(), a_.height(), a_.layout(), a_.palette());
  RowTables fast_store, ref_store;
  fast_->prepare_store(fast_out, fast_store);
  ref_->prepare_store(ref_out, ref_store);
  std::vector<uint8_t> in(bytes);
  for (int y = 0; y < a_.height(); ++y) {
    for (size_t x = 0; x < bytes; x += 3) {
      const ColorRef c = x > 0 && rng_() % 3 == 0 ? Rgb(in[x - 1], in[x - 2], in[x - 3]) : Colour();
      in[x] = static_cast<uint8_t>(BlueOf(c)), in[x + 1] = static_cast<uint8_t>(GreenOf(c)),
      in[x + 2] = static_cast<uint8_t>(RedOf(c));
    }
    fast_->store_bgr(fast_out, fast_store, y, in.data());
    ref_->store_bgr(ref_out, ref_store, y, in.data());
  }
  EXPECT_TRUE(SameBytes(fast_out, ref_out));
}

INSTANTIATE_TEST_SUITE_P(EveryLayout, PixelOpsMatch,
                         ::testing::Combine(::testing::ValuesIn(Cases()), ::testing::Bool()),
                         [](const auto& info) {
                           return std::string(std::get<0>(info.param).label) +
                                  (std::get<1>(info.param) ? "_large" : "_small");
                         });

// A new table needs a case above; each table leads to its own reference.
TEST(PixelFormats, EveryTableHasACase) {
  std::set<const FormatOps*> seen;
  for (const Case& c : Cases()) seen.insert(&FormatOf(PixelStorage(1, 1, c.layout, c.palette)).fast);
  EXPECT_EQ(seen.size(), AllFormats().size());
  for (const FormatTables& f : AllFormats()) EXPECT_EQ(&ReferenceOf(f.fast), &f.reference) << f.fast.name;
}

TEST(SelectFormatOps, RefusesLayoutsItCannotStore) {
  for (int bits : {0, 2, 3, 12, 48}) EXPECT_EQ(SelectFormatOps(PixelLayout{bits}), nullptr) << bits;
  EXPECT_THROW(PixelStorage(2, 2, PixelLayout{2}, {}), std::runtime_error);
}

// The 5-5-5, 5-6-5 and B, G, R, X layouts take their own tables (which
// decide, among others, whether a BMP file records masks), other masks the
// general ones.
TEST(SelectFormatOps, PicksTheMostSpecificTable) {
  EXPECT_STREQ(ReferenceOf(*SelectFormatOps(kLayout555)).name, "16 bits 5-5-5");
  EXPECT_STREQ(ReferenceOf(*SelectFormatOps(kLayout565)).name, "16 bits 5-6-5");
  EXPECT_STREQ(ReferenceOf(*SelectFormatOps(PixelLayout{16, 0xF800, 0x07E0, 0x001E})).name, "16 bits, masks");
  EXPECT_STREQ(ReferenceOf(*SelectFormatOps(PixelLayout{32, 0xFF0000, 0xFF00, 0xFF})).name,
               "32 bits B, G, R, X");
  EXPECT_STREQ(ReferenceOf(*SelectFormatOps(PixelLayout{32, 0xFF, 0xFF00, 0xFF0000})).name, "32 bits, masks");
}

}  // namespace
