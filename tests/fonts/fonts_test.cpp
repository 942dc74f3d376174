// Logical fonts realised on the installed fonts: sizes, styles, names,
// per-character fallback, huge sizes, and the typeface list.
#include "platform/fonts/fonts.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <set>

#include "platform/fonts/utf8.h"

namespace fonts {
namespace {

LogFont Font(const char* name, int32_t height, int32_t weight = 400, bool italic = false) {
  LogFont f;
  f.face_name = name;
  f.height = height;
  f.weight = weight;
  f.italic = italic;
  return f;
}

// Total coverage the text's glyphs put inside the clip.
int64_t InkInside(const LogFont& f, std::string_view text, const Rect& clip, int64_t* area = nullptr) {
  int64_t ink = 0;
  RenderText(f, text, clip, [&](const GlyphPiece& p) {
    EXPECT_GE(p.x, clip.x0);
    EXPECT_GE(p.y, clip.y0);
    EXPECT_LE(p.x + p.width, clip.x1);
    EXPECT_LE(p.y + p.height, clip.y1);
    if (area) *area += int64_t{p.width} * p.height;
    for (int y = 0; y < p.height; ++y)
      for (int x = 0; x < p.width; ++x) ink += p.coverage[y * p.stride + x];
  });
  return ink;
}

TEST(Utf8, DecodesValidTextAndReplacesEachBadSequence) {
  EXPECT_EQ(DecodeUtf8("A\xC3\x89\xE6\x97\xA5\xF0\x9F\x98\x80"), std::u32string(U"A\u00C9\u65E5\U0001F600"));
  EXPECT_EQ(DecodeUtf8("\xC0\xAF"), std::u32string(U"\uFFFD\uFFFD"));  // lead byte that cannot lead
  EXPECT_EQ(DecodeUtf8("\xE0\x80\xAF"), std::u32string(U"\uFFFD"));    // overlong
  EXPECT_EQ(DecodeUtf8("\xED\xA0\x80"), std::u32string(U"\uFFFD"));    // surrogate
  EXPECT_EQ(DecodeUtf8("\xE6\x97"
                       "A"),
            std::u32string(U"\uFFFDA"));                                 // cut short
  EXPECT_EQ(DecodeUtf8("\xF4\x90\x80\x80"), std::u32string(U"\uFFFD"));  // past U+10FFFF
  EXPECT_EQ(DecodeUtf8(std::string_view("a\0b", 3)), std::u32string(U"a\0b", 3));
}

TEST(LogicalFont, NegativeHeightIsTheEmAndPositiveTheCell) {
  const FontMetrics em = GetFontMetrics(Font("DejaVu Sans", -40));
  EXPECT_EQ(em.em, 40);
  // DejaVu Sans: usWinAscent 1901, usWinDescent 483 of 2048 units.
  EXPECT_EQ(em.ascent, 37);
  EXPECT_EQ(em.descent, 9);
  EXPECT_EQ(em.cell_height, 46);
  const FontMetrics cell = GetFontMetrics(Font("DejaVu Sans", 46));
  EXPECT_EQ(cell.cell_height, 46);
  EXPECT_EQ(cell.em, 40);
  EXPECT_EQ(GetFontMetrics(Font("DejaVu Sans", 0)).cell_height, 16);
  EXPECT_EQ(GetFontMetrics(Font("DejaVu Sans", 1)).cell_height, 1);
}

TEST(LogicalFont, ExtentIsSumOfAdvancesAndCellHeight) {
  const LogFont f = Font("Liberation Sans", -15);
  const TextExtent a = MeasureText(f, "A"), v = MeasureText(f, "V"), av = MeasureText(f, "AV");
  EXPECT_GT(a.cx, 0);
  EXPECT_EQ(av.cx, a.cx + v.cx);  // no kerning
  EXPECT_EQ(MeasureText(f, "").cx, 0);
  const int32_t cell = GetFontMetrics(f).cell_height;
  for (const char* text : {"a", "\xC3\x89g", "", "\xE6\x97\xA5\xE6\x9C\xAC"})
    EXPECT_EQ(MeasureText(f, text).cy, cell);
}

TEST(LogicalFont, HostNamesMapToInstalledFamiliesAndUnknownNamesFallBack) {
  EXPECT_EQ(DescribeRealisation(Font("MS Sans Serif", -11)).family, "Liberation Sans");
  EXPECT_EQ(DescribeRealisation(Font("ms sans serif", -11)).family, "Liberation Sans");
  EXPECT_EQ(
      DescribeRealisation(
          Font("\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF", -12))
          .family,
      "IPAPGothic");  // ＭＳ Ｐゴシック
  EXPECT_EQ(DescribeRealisation(Font("Courier New", -12)).family, "Liberation Mono");
  EXPECT_EQ(DescribeRealisation(Font("@IPAGothic", -12)).family, "IPAGothic");
  const Realisation unknown = DescribeRealisation(Font("No Such Face 1234", -12));
  EXPECT_FALSE(unknown.family.empty());
  EXPECT_GT(MeasureText(Font("No Such Face 1234", -12), "abc").cx, 0);
  EXPECT_GT(MeasureText(Font("", -12), "abc").cx, 0);
}

TEST(LogicalFont, BoldAndItalicUseRealFacesOrSynthesiseThem) {
  const Realisation bold = DescribeRealisation(Font("DejaVu Sans", -20, 700));
  EXPECT_FALSE(bold.synthetic_bold);
  EXPECT_NE(bold.file.find("Bold"), std::string::npos);
  EXPECT_FALSE(DescribeRealisation(Font("DejaVu Sans", -20, 400, true)).synthetic_oblique);

  // The IPA Gothic family has one upright regular face only.
  const LogFont regular = Font("IPAGothic", -24), emboldened = Font("IPAGothic", -24, 700);
  EXPECT_TRUE(DescribeRealisation(emboldened).synthetic_bold);
  EXPECT_TRUE(DescribeRealisation(Font("IPAGothic", -24, 400, true)).synthetic_oblique);
  // Emboldening widens every advance by the stroke (1 pixel at 24) and inks more.
  EXPECT_EQ(MeasureText(emboldened, "abc").cx, MeasureText(regular, "abc").cx + 3);
  const Rect all{-100, -100, 1000, 1000};
  EXPECT_GT(InkInside(emboldened, "abc", all), InkInside(regular, "abc", all));
  // Slanting keeps the advances.
  EXPECT_EQ(MeasureText(Font("IPAGothic", -24, 400, true), "l").cx, MeasureText(regular, "l").cx);
}

TEST(LogicalFont, CharactersTheFaceLacksComeFromAnotherFace) {
  const LogFont latin = Font("Liberation Sans", -20);
  const Rect all{-100, -100, 1000, 1000};
  // Liberation Sans has no kanji; an installed Japanese face draws them.
  EXPECT_GT(MeasureText(latin, "\xE6\x97\xA5").cx, 10);
  EXPECT_GT(InkInside(latin, "\xE6\x97\xA5\xE6\x9C\xAC", all), 20 * 255);
  // Control characters the face does not map draw nothing and take no room.
  EXPECT_EQ(MeasureText(latin,
                        "a\x01\x1F"
                        "b")
                .cx,
            MeasureText(latin, "ab").cx);
  EXPECT_EQ(InkInside(latin, "\x01\x02", all), 0);
}

TEST(LogicalFont, HugeFontsRenderOnlyTheVisiblePart) {
  const LogFont huge = Font("DejaVu Sans", -2000000);
  EXPECT_EQ(GetFontMetrics(huge).em, kMaxEmPixels);
  const Rect clip{0, 0, 300, 200};
  int64_t area = 0;
  // Inside the stem of the first "I" every pixel is fully covered.
  EXPECT_EQ(InkInside(huge, "IIII", Rect{900, 3000, 1200, 3200}, &area), 300 * 200 * 255);
  EXPECT_EQ(area, 300 * 200);
  EXPECT_EQ(InkInside(huge, "....", clip), 0);  // the dots sit far below the clip
  EXPECT_GT(MeasureText(huge, "WWWW").cx, 4 * 7000);
}

TEST(LogicalFont, ExtremeHeightsAreSafe) {
  for (int32_t h : {INT32_MIN, INT32_MAX, -1, 2}) {
    const LogFont f = Font("DejaVu Sans", h);
    EXPECT_GE(GetFontMetrics(f).em, 1) << h;
    EXPECT_GE(MeasureText(f, "x").cy, 1) << h;
  }
}

TEST(Enumeration, ListsInstalledFamiliesOnceWithVerticalVariants) {
  const std::vector<FaceInfo> faces = EnumerateFaces();
  std::set<std::string> names;
  for (const FaceInfo& f : faces) EXPECT_TRUE(names.insert(f.name).second) << f.name;
  auto find = [&](const std::string& n) {
    return std::find_if(faces.begin(), faces.end(), [&](const FaceInfo& f) { return f.name == n; });
  };
  ASSERT_NE(find("DejaVu Sans"), faces.end());
  EXPECT_TRUE(find("DejaVu Sans")->truetype);
  EXPECT_EQ(find("@DejaVu Sans"), faces.end());
  auto gothic = find("IPAGothic");
  ASSERT_NE(gothic, faces.end());
  ASSERT_NE(gothic + 1, faces.end());
  EXPECT_EQ((gothic + 1)->name, "@IPAGothic");
}

}  // namespace
}  // namespace fonts
