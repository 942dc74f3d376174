// "@" faces (vertical writing drawn along the line) and text from several
// threads at once.
#include <gtest/gtest.h>

#include <atomic>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/vertical.h"

namespace fonts {
namespace {

LogFont Font(const char* name, int32_t height) {
  LogFont f;
  f.face_name = name;
  f.height = height;
  return f;
}

// The box of the pixels with ink and the total coverage.
struct Ink {
  int64_t x0 = INT64_MAX, y0 = INT64_MAX, x1 = INT64_MIN, y1 = INT64_MIN, total = 0;
  int64_t Width() const { return x1 - x0; }
  int64_t Height() const { return y1 - y0; }
};

Ink InkOf(const LogFont& f, std::string_view text) {
  Ink ink;
  RenderText(f, text, Rect{-1000, -1000, 4000, 4000}, [&](const GlyphPiece& p) {
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x)
        if (const uint8_t c = p.coverage[y * p.stride + x]; c > 128) {
          ink.x0 = std::min(ink.x0, p.x + x), ink.x1 = std::max(ink.x1, p.x + x + 1);
          ink.y0 = std::min(ink.y0, p.y + y), ink.y1 = std::max(ink.y1, p.y + y + 1);
          ink.total += c;
        }
  });
  return ink;
}

// Every glyph piece of a text as bytes, for comparing renderings.
std::vector<uint8_t> Rendering(const LogFont& f, std::string_view text) {
  std::vector<uint8_t> out;
  RenderText(f, text, Rect{-100, -100, 2000, 400}, [&](const GlyphPiece& p) {
    for (int64_t v : {p.x, p.y, int64_t{p.width}, int64_t{p.height}}) out.push_back(static_cast<uint8_t>(v));
    for (int y = 0; y < p.height; ++y)
      out.insert(out.end(), p.coverage + y * p.stride, p.coverage + y * p.stride + p.width);
  });
  return out;
}

constexpr const char* kIchi = "\xE4\xB8\x80";               // 一, a horizontal stroke
constexpr const char* kChouon = "\xE3\x83\xBC";             // ー, whose vertical form is a vertical stroke
constexpr const char* kNihon = "\xE6\x97\xA5\xE6\x9C\xAC";  // 日本

TEST(VerticalFont, UprightCharactersAreTurnedAQuarterCounterClockwise) {
  const LogFont across = Font("IPAGothic", -40), down = Font("@IPAGothic", -40);
  const Ink flat = InkOf(across, kIchi), turned = InkOf(down, kIchi);
  EXPECT_GT(flat.Width(), 3 * flat.Height());
  EXPECT_GT(turned.Height(), 3 * turned.Width()) << "the stroke runs down the cell";
  EXPECT_NEAR(turned.total, flat.total, flat.total / 20);
  // The turned stroke lies about the middle of the cell, near the start of
  // the character (the top of the column turns to the left).
  const FontMetrics m = GetFontMetrics(down);
  EXPECT_NEAR((turned.y0 + turned.y1) / 2.0, m.cell_height / 2.0, m.cell_height / 8.0);
  EXPECT_LT(turned.x1, MeasureText(down, kIchi).cx);
  // Upright characters advance by their height in a vertical line: a full
  // em for ideographs.
  EXPECT_EQ(MeasureText(down, kNihon).cx, 2 * 40);
}

TEST(VerticalFont, VerticalFormsAreTakenBeforeTurning) {
  // The long-vowel mark's vertical form is a vertical stroke; turned, it
  // lies along the line again, unlike a plain turned mark.
  const Ink mark = InkOf(Font("@IPAGothic", -40), kChouon);
  EXPECT_GT(mark.Width(), 2 * mark.Height());
}

TEST(VerticalFont, SidewaysCharactersStayAsTheyAre) {
  EXPECT_EQ(Rendering(Font("@IPAGothic", -24), "Zelnor 2"), Rendering(Font("IPAGothic", -24), "Zelnor 2"));
  EXPECT_EQ(MeasureText(Font("@IPAGothic", -24), "Zelnor 2").cx,
            MeasureText(Font("IPAGothic", -24), "Zelnor 2").cx);
  EXPECT_TRUE(UprightInVerticalText(U'\u65E5'));
  EXPECT_TRUE(UprightInVerticalText(U'\u3042'));
  EXPECT_TRUE(UprightInVerticalText(U'\uFF21'));  // full-width A
  EXPECT_FALSE(UprightInVerticalText(U'A'));
  EXPECT_FALSE(UprightInVerticalText(U'\uFF71'));  // half-width katakana
  EXPECT_TRUE(UprightInVerticalText(U'\U00020B9F'));
}

// Turned glyphs too big for the mask cache are rendered for the visible
// part only, the same coverage as the whole glyph has there.
TEST(VerticalFont, HugeTurnedGlyphsRenderTheVisiblePart) {
  const LogFont huge = Font("@IPAGothic", -6000);
  // A window across the stroke, found at a hundredth of the size.
  const Ink ink = InkOf(Font("@IPAGothic", -60), kIchi);
  ASSERT_GT(ink.Height(), 3 * ink.Width());
  const int64_t mid_y = (ink.y0 + ink.y1) * 50;
  const Rect window{ink.x0 * 100 - 100, mid_y - 100, ink.x1 * 100 + 100, mid_y + 100};
  int64_t part = 0, whole = 0;
  RenderText(huge, kIchi, window, [&](const GlyphPiece& p) {
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) part += p.coverage[y * p.stride + x];
  });
  EXPECT_GT(part, 100 * 200 * 255);
  RenderText(huge, kIchi, Rect{-10000, -10000, 20000, 20000}, [&](const GlyphPiece& p) {
    for (int64_t y = std::max<int64_t>(p.y, window.y0); y < std::min<int64_t>(p.y + p.height, window.y1); ++y)
      for (int64_t x = std::max<int64_t>(p.x, window.x0); x < std::min<int64_t>(p.x + p.width, window.x1);
           ++x)
        whole += p.coverage[(y - p.y) * p.stride + (x - p.x)];
  });
  EXPECT_EQ(part, whole);
  for (int32_t h : {INT32_MIN, INT32_MAX, -1, 2})
    EXPECT_GE(MeasureText(Font("@IPAGothic", h), kNihon).cx, 0) << h;
}

// Big-endian GSUB bytes for the tests below.
struct Gsub {
  std::vector<uint8_t> b;
  void U16(uint32_t v) { b.insert(b.end(), {static_cast<uint8_t>(v >> 8), static_cast<uint8_t>(v)}); }
  void Tag(const char* t) { b.insert(b.end(), t, t + 4); }
};

// Header, one 'vert' feature with `lookups` entries all naming lookup 0,
// which has `subtables` subtables all at one single substitution.
Gsub VertTable(uint32_t lookups, uint32_t subtables, bool format1) {
  Gsub g;
  const uint32_t feature_list = 10, feature = feature_list + 8;
  const uint32_t lookup_list = feature + 4 + 2 * lookups, lookup = lookup_list + 4;
  const uint32_t sub = 6 + 2 * subtables;  // from the lookup
  g.U16(1), g.U16(0), g.U16(0), g.U16(feature_list), g.U16(lookup_list);
  g.U16(1), g.Tag("vert"), g.U16(feature - feature_list);
  g.U16(0), g.U16(lookups);
  for (uint32_t i = 0; i < lookups; ++i) g.U16(0);
  g.U16(1), g.U16(lookup - lookup_list);
  g.U16(1), g.U16(0), g.U16(subtables);
  for (uint32_t i = 0; i < subtables; ++i) g.U16(sub);
  if (format1) {  // glyphs 5 and 9, moved by 100
    g.U16(1), g.U16(6), g.U16(100), g.U16(1), g.U16(2), g.U16(5), g.U16(9);
  } else {  // every glyph, moved by 7
    g.U16(1), g.U16(6), g.U16(7), g.U16(2), g.U16(1), g.U16(0), g.U16(0xFFFF), g.U16(0);
  }
  return g;
}

TEST(VerticalForms, ReadsSingleSubstitutionsAndBoundsDamagedTables) {
  const auto forms = VerticalFormsOf(VertTable(1, 1, true).b);
  EXPECT_EQ(forms, (std::unordered_map<uint32_t, uint32_t>{{5, 105}, {9, 109}}));
  // Tens of thousands of lookups and subtables sharing a coverage of every
  // glyph: read within a bounded amount of work.
  const auto hostile = VerticalFormsOf(VertTable(30000, 30000, false).b);
  EXPECT_EQ(hostile.size(), 65536u);
  // Every cut of a real table, and noise.
  const std::vector<uint8_t> whole = VertTable(3, 2, true).b;
  for (size_t n = 0; n <= whole.size(); ++n)
    VerticalFormsOf(std::vector<uint8_t>(whole.begin(), whole.begin() + n));
  std::vector<uint8_t> noise(4096);
  uint32_t x = 22;
  for (int round = 0; round < 200; ++round) {
    for (uint8_t& v : noise) v = static_cast<uint8_t>((x = x * 1103515245u + 12345u) >> 24);
    VerticalFormsOf(noise);
  }
}

// Each thread realises its own fonts: the same text comes out the same from
// every thread, also while the cache is cleared and fonts are evicted, and
// threads that end free their fonts.
TEST(FontThreads, TextFromSeveralThreadsAtOnceMatchesOneThread) {
  const std::vector<LogFont> fonts = {Font("DejaVu Sans", -13), Font("IPAGothic", -20),
                                      Font("@IPAGothic", -20), Font("Liberation Serif", -31)};
  const std::string text = std::string("Mixed \xE6\x97\xA5\xE6\x9C\xAC text ") + kChouon;
  std::vector<std::vector<uint8_t>> want;
  for (const LogFont& f : fonts) want.push_back(Rendering(f, text));
  std::atomic<int> mismatches{0};
  std::vector<std::thread> threads;
  for (int t = 0; t < 4; ++t)
    threads.emplace_back([&, t] {
      for (int round = 0; round < 40; ++round) {
        const size_t k = static_cast<size_t>(round + t) % fonts.size();
        if (Rendering(fonts[k], text) != want[k]) ++mismatches;
        // Many sizes push fonts out of this thread's cache.
        MeasureText(Font("DejaVu Sans", -(5 + round % 20)), text);
        if (t == 0 && round % 10 == 5) ClearFontCache();
      }
    });
  for (std::thread& th : threads) th.join();
  EXPECT_EQ(mismatches.load(), 0);
  for (size_t k = 0; k < fonts.size(); ++k) EXPECT_EQ(Rendering(fonts[k], text), want[k]);
}

}  // namespace
}  // namespace fonts
