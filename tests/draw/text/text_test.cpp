// Text drawn and measured on a canvas through its drawing surface.
#include "draw/text.h"

#include <gtest/gtest.h>

#include <climits>

#include "canvas/main.h"
#include "model/pixel_format.h"
#include "platform/raster/surface.h"

namespace zelnor {
namespace {

using raster::ColorRef;
using raster::Rgb;

constexpr ColorRef kWhite = Rgb(255, 255, 255);
constexpr ColorRef kRed = Rgb(255, 0, 0);

class TextTest : public ::testing::Test {
 protected:
  void SetUp() override {
    zelnor::SetPixelFormat(bmp_, zelnor::pf24bit);
    bmp_.SetSize(200, 60);
  }
  raster::Surface& S() { return bmp_.Canvas(); }
  ColorRef At(int x, int y) const { return bmp_.GetPixel(x, y); }
  // Pixels in [x0, x1) x [y0, y1) for which `test` holds.
  template <class Test>
  int Count(int x0, int y0, int x1, int y1, Test test) const {
    int n = 0;
    for (int y = y0; y < y1; ++y)
      for (int x = x0; x < x1; ++x) n += test(At(x, y)) ? 1 : 0;
    return n;
  }
  int CountAll(ColorRef c) const {
    return Count(0, 0, bmp_.Width(), bmp_.Height(), [c](ColorRef p) { return p == c; });
  }

  raster::Bitmap bmp_;
};

TEST_F(TextTest, TransparentWriteDrawsOnlyGlyphsAndKeepsTheBrush) {
  S().SetBrushColor(kRed);
  WriteString(10, 20, "Hello", true, bmp_);
  const int w = StringWidthOf("Hello", bmp_), h = StringHeightOf("Hello", bmp_);
  EXPECT_EQ(CountAll(kRed), 0);
  EXPECT_GT(Count(10, 20, 10 + w, 20 + h, [](ColorRef p) { return p != kWhite; }), 20);
  EXPECT_EQ(CountAll(kWhite),
            200 * 60 - Count(10, 20, 10 + w, 20 + h, [](ColorRef p) { return p != kWhite; }));
  EXPECT_EQ(S().BrushColor(), kRed);
  EXPECT_EQ(S().GetBrushStyle(), raster::bsSolid);
}

TEST_F(TextTest, OpaqueWriteFillsEveryCellFromTheReferencePoint) {
  S().SetBrushColor(kRed);
  WriteString(10, 20, "Hi there", false, bmp_);
  const int w = StringWidthOf("Hi there", bmp_), h = StringHeightOf("Hi there", bmp_);
  // The cells cover [10, 10 + w) x [20, 20 + h): no white pixel inside, none
  // touched outside.
  EXPECT_EQ(Count(10, 20, 10 + w, 20 + h, [](ColorRef p) { return p == kWhite; }), 0);
  EXPECT_EQ(At(10, 20), kRed);
  EXPECT_EQ(At(10 + w - 1, 20 + h - 1), kRed);
  EXPECT_EQ(At(9, 20), kWhite);
  EXPECT_EQ(At(10, 19), kWhite);
  EXPECT_EQ(At(10 + w, 20), kWhite);
  EXPECT_EQ(At(10, 20 + h), kWhite);
  EXPECT_EQ(CountAll(kWhite), 200 * 60 - w * h);
  EXPECT_EQ(S().BrushColor(), kRed);
  EXPECT_EQ(S().GetBrushStyle(), raster::bsSolid);
}

TEST_F(TextTest, GlyphsHangFromTheTopOfTheCell) {
  WriteString(10, 20, "H", true, bmp_);
  int top = INT_MAX, left = INT_MAX;
  for (int y = 0; y < 60; ++y)
    for (int x = 0; x < 200; ++x)
      if (At(x, y) != kWhite) top = std::min(top, y), left = std::min(left, x);
  // "H" starts a little right of the cell's edge, its top the cell's internal
  // leading below row 20.
  EXPECT_GE(top, 20);
  EXPECT_LE(top, 23);
  EXPECT_GE(left, 10);
  EXPECT_LE(left, 12);
}

TEST_F(TextTest, OpaqueWriteWithAClearBrushFillsWhiteAndKeepsItClear) {
  S().FillSolidRect(0, 0, 200, 60, Rgb(0, 0, 255));
  S().SetBrushStyle(raster::bsClear);
  WriteString(10, 20, "x", false, bmp_);
  EXPECT_EQ(At(10, 20), kWhite);
  EXPECT_EQ(At(9, 20), Rgb(0, 0, 255));
  EXPECT_EQ(S().GetBrushStyle(), raster::bsClear);
  EXPECT_EQ(S().BrushColor(), kWhite);
}

TEST_F(TextTest, TransparentModePutLastsUntilTheBrushChanges) {
  S().SetBrushColor(kRed);
  S().ApplyBrush();
  ASSERT_TRUE(S().SetBkMode(raster::bkTransparent));
  WriteString(10, 20, "abc", false, bmp_);  // the brush did not change: no background
  EXPECT_EQ(CountAll(kRed), 0);
  S().SetBrushColor(Rgb(0, 255, 0));
  WriteString(10, 40, "abc", false, bmp_);  // a changed brush is applied: opaque again
  EXPECT_EQ(At(10, 40), Rgb(0, 255, 0));
}

TEST_F(TextTest, HatchedBrushIsRestoredExactly) {
  S().SetBrushColor(kRed);
  S().SetBrushStyle(raster::bsCross);
  WriteString(0, 0, "ab", true, bmp_);
  EXPECT_EQ(S().BrushColor(), kRed);
  EXPECT_EQ(S().GetBrushStyle(), raster::bsCross);
}

TEST_F(TextTest, WriteMovesThePositionAndSetsTheCharacterSet) {
  S().SetFontCharset(128);
  WriteString(10, 20, "abc", true, bmp_);
  EXPECT_EQ(S().FontCharset(), 1);
  EXPECT_EQ(S().CurrentPosition(), (raster::Point{10 + StringWidthOf("abc", bmp_), 20}));
  WriteString(INT32_MAX - 1, 5, "abc", false, bmp_);  // far off the canvas; wraps like the device
  EXPECT_LT(S().CurrentPosition().x, 0);
  WriteString(7, 8, "", false, bmp_);
  EXPECT_EQ(S().CurrentPosition(), (raster::Point{7, 8}));
}

TEST_F(TextTest, WidthAddsUpAndHeightIsTheCell) {
  EXPECT_EQ(StringWidthOf("", bmp_), 0);
  EXPECT_EQ(StringWidthOf("ab", bmp_), StringWidthOf("a", bmp_) + StringWidthOf("b", bmp_));
  const int h = StringHeightOf("a", bmp_);
  EXPECT_GE(h, 12);  // 8 points at 96 pixels per inch: an 11-pixel em
  EXPECT_LE(h, 14);
  EXPECT_EQ(StringHeightOf("\xC3\x89g", bmp_), h);
  EXPECT_EQ(StringHeightOf("\xE6\x97\xA5\xE6\x9C\xAC", bmp_), h);
  S().SetFontHeight(30);  // a positive height is the cell height
  EXPECT_EQ(StringHeightOf("a", bmp_), 30);
  S().SetFontHeight(-raster::MulDiv(24, 96, 72));
  EXPECT_GT(StringHeightOf("a", bmp_), 32);
}

TEST_F(TextTest, FontRequestFollowsNameAndStyles) {
  const int regular = StringWidthOf("Hello", bmp_);
  S().SetFontName("default");
  EXPECT_EQ(StringWidthOf("Hello", bmp_), regular);
  EXPECT_EQ(S().FontName(), "default");
  S().SetFontStyles(raster::fsBold);
  EXPECT_GT(StringWidthOf("Hello", bmp_), regular);
  S().SetFontStyles(0);
  S().SetFontName("DejaVu Sans Mono");
  EXPECT_EQ(StringWidthOf("iiii", bmp_), StringWidthOf("WWWW", bmp_));
}

TEST_F(TextTest, UnderlineAndStrikeOutRunUnderTheWholeText) {
  auto full_rows = [&](int w, int h) {
    int rows = 0;
    for (int y = 20; y < 20 + h; ++y)
      rows += Count(10, y, 10 + w, y + 1, [](ColorRef p) { return p == Rgb(0, 0, 0); }) == w ? 1 : 0;
    return rows;
  };
  const int w = StringWidthOf("a  b", bmp_), h = StringHeightOf("a  b", bmp_);
  WriteString(10, 20, "a  b", true, bmp_);
  EXPECT_EQ(full_rows(w, h), 0);
  S().SetFontStyles(raster::fsUnderline);
  WriteString(10, 20, "a  b", true, bmp_);
  EXPECT_EQ(full_rows(w, h), 1);
  S().SetFontStyles(raster::fsUnderline | raster::fsStrikeOut);
  WriteString(10, 20, "a  b", true, bmp_);
  EXPECT_EQ(full_rows(w, h), 2);
}

TEST_F(TextTest, PaletteCanvasGetsPlainGlyphsAndDirectColourAntiAliased) {
  WriteString(5, 5, "Smooth text", true, bmp_);
  EXPECT_GT(Count(0, 0, 200, 60, [](ColorRef p) { return p != kWhite && p != Rgb(0, 0, 0); }), 0);
  raster::Bitmap indexed;
  zelnor::SetPixelFormat(indexed, zelnor::pf8bit);
  indexed.SetSize(100, 30);
  indexed.Canvas().SetFontColor(Rgb(0, 0, 0));
  WriteString(5, 5, "Plain text", true, indexed);
  int black = 0;
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 100; ++x) {
      const ColorRef p = indexed.GetPixel(x, y);
      EXPECT_TRUE(p == kWhite || p == Rgb(0, 0, 0)) << x << "," << y;
      black += p == Rgb(0, 0, 0);
    }
  EXPECT_GT(black, 20);
}

TEST_F(TextTest, TextInAnyScriptDrawsWithItsOwnGlyphs) {
  const std::string kanji = "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E";  // 日本語
  EXPECT_EQ(StringWidthOf(kanji, bmp_), 3 * StringWidthOf("\xE6\x97\xA5", bmp_));
  WriteString(0, 0, kanji, true, bmp_);
  EXPECT_GT(Count(0, 0, 200, 60, [](ColorRef p) { return p != kWhite; }), 30);
}

// Text output draws with what the device context holds: pending font and
// brush puts change nothing until applied, the background is the context's
// own colour, and only WriteString moves the position.
TEST_F(TextTest, TextOutUsesTheContextAsApplied) {
  S().ApplyFont();
  S().ApplyBrush();  // the white solid brush: opaque background
  S().SetBkColor(Rgb(0, 0, 255));
  S().SetFontColor(kRed);
  S().SetBrushColor(kRed);
  const int64_t advance = S().TextOut(10, 20, "Hi");
  const raster::Size extent = S().GetTextExtent("Hi");
  EXPECT_EQ(advance, extent.cx);
  EXPECT_EQ(CountAll(kRed), 0);
  EXPECT_EQ(At(10, 20), Rgb(0, 0, 255));
  EXPECT_EQ(At(10, 20 + extent.cy - 1), Rgb(0, 0, 255));
  EXPECT_EQ(At(10, 20 + extent.cy), kWhite);
  EXPECT_EQ(At(10 + extent.cx, 20), kWhite);
  EXPECT_GT(Count(10, 20, 10 + extent.cx, 20 + extent.cy, [](ColorRef p) { return p == Rgb(0, 0, 0); }), 5);
  EXPECT_EQ(S().CurrentPosition(), (raster::Point{0, 0}));
}

TEST_F(TextTest, WidthsBeyondThirtyTwoBitsAreClamped) {
  S().SetFontHeight(-100000);  // realised at the largest em
  const std::string wide(600000, 'W');
  EXPECT_EQ(StringWidthOf(wide, bmp_), INT32_MAX);
  EXPECT_EQ(S().GetTextExtent(wide).cx, INT32_MAX);
}

TEST(TextOnEmptyCanvas, MeasuresAndMovesWithoutDrawing) {
  raster::Bitmap empty;
  WriteString(3, 4, "abc", false, empty);
  EXPECT_EQ(empty.Canvas().CurrentPosition(), (raster::Point{3 + StringWidthOf("abc", empty), 4}));
  EXPECT_GT(StringHeightOf("abc", empty), 0);
  EXPECT_TRUE(empty.Empty());
}

TEST(TextMembers, WorkOnTheCurrentCanvas) {
  TMyCanvas canvas;
  ASSERT_EQ(canvas.NewCanvas(100, 40, 0), 0);
  canvas.StringWrite(5, 5, "Hi", false);
  EXPECT_EQ(canvas.Current().GetPixel(5, 5), kWhite);  // the default brush: white cells
  canvas.StringWrite(5, 5, "Hi", true);
  int ink = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) ink += canvas.Current().GetPixel(x, y) != kWhite;
  EXPECT_GT(ink, 10);
  EXPECT_EQ(canvas.StringWidth("ab"), canvas.StringWidth("a") + canvas.StringWidth("b"));
  EXPECT_EQ(canvas.StringHeight("a"), canvas.StringHeight("\xC3\x89g"));

  // A transparent-mode put on a solid brush stays in force for an opaque write.
  canvas.SetBrushColor(255);
  canvas.SetBkMode(1);
  canvas.SetFontSize(20);
  canvas.StringWrite(5, 10, "Hi", false);
  int red = 0;
  for (int y = 0; y < 40; ++y)
    for (int x = 0; x < 100; ++x) red += canvas.Current().GetPixel(x, y) == kRed;
  EXPECT_EQ(red, 0);
  EXPECT_EQ(canvas.GetBrushColor(), 255);
  EXPECT_EQ(canvas.GetBrushStyle(), 0);
  EXPECT_EQ(canvas.GetFontSize(), 20);
}

}  // namespace
}  // namespace zelnor
