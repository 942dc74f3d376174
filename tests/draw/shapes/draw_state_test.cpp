// Drawing-state and shape members of TMyCanvas: defaults, value rules,
// couplings, background lifetimes and the fill convention.
#include <gtest/gtest.h>

#include "canvas/main.h"
#include "platform/raster/surface.h"

using namespace zelnor;

TEST(DrawState, DefaultsOfNewCanvas) {
  TMyCanvas c;
  EXPECT_EQ(c.GetPenColor(), 0);
  EXPECT_EQ(c.GetPenStyle(), 0);
  EXPECT_EQ(c.GetPenWidth(), 1);
  EXPECT_EQ(c.GetBrushColor(), 16777215);
  EXPECT_EQ(c.GetBrushStyle(), 0);
  EXPECT_EQ(c.GetFontColor(), -2147483640);
  EXPECT_EQ(c.GetFontSize(), 8);
  EXPECT_EQ(c.GetFontName(), "MS Sans Serif");
  EXPECT_EQ(c.GetBkMode(), 0) << "opaque after the solid brush is applied";
  EXPECT_EQ(c.GetBkColor(), 0xFFFFFF);
}

TEST(DrawState, PutRulesAndCouplings) {
  TMyCanvas c;
  c.SetBrushStyle(1);
  EXPECT_EQ(c.GetBrushColor(), 16777215);
  c.SetBrushColor(255);
  EXPECT_EQ(c.GetBrushStyle(), 0);
  for (int bad : {7, -1, 0}) {
    c.SetPenStyle(3);
    c.SetPenStyle(bad);
    EXPECT_EQ(c.GetPenStyle(), 0) << bad;
  }
  c.SetBrushStyle(8);
  EXPECT_EQ(c.GetBrushStyle(), 0);
  c.SetPenWidth(4);
  c.SetPenWidth(0);
  c.SetPenWidth(-3);
  EXPECT_EQ(c.GetPenWidth(), 4);
  EXPECT_EQ(c.RGBToColor(256, 0, 0, 0), 0);
  EXPECT_EQ(c.RGBToColor(255, 128, 0, 0), 33023);
  EXPECT_EQ(c.RGBToColor(1, 2, 3, 2), 33751553);
  EXPECT_EQ(c.RGBToColor(1, 2, 3, 3), 197121);
}

TEST(DrawState, FontSizeNameAndProcessWideStyleFlags) {
  TMyCanvas c;
  c.SetFontSize(12);
  EXPECT_EQ(c.Current().Canvas().FontHeight(), -16);
  EXPECT_EQ(c.GetFontSize(), 12);
  c.SetFontName("");
  EXPECT_EQ(c.GetFontName(), "MS Sans Serif");
  c.SetFontName("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmn");
  EXPECT_EQ(c.GetFontName(), "ABCDEFGHIJKLMNOPQRSTUVWXYZabcde");
  c.SetFontName("ゴシックゴシックゴシック");  // 3 bytes a character: cut to 30 bytes
  EXPECT_EQ(c.GetFontName(), "ゴシックゴシックゴシ");

  EXPECT_EQ(c.NewCanvas(10, 10, 1), 0);
  c.SetFontBold(true);
  c.SetCurrentCanvasIndex(1);
  EXPECT_TRUE(c.GetFontBold());
  EXPECT_EQ(c.Current().Canvas().FontStyles() & raster::fsBold, 0) << "canvas 1's font is not bold";
  TMyCanvas other;
  EXPECT_FALSE(c.GetFontBold()) << "a new object on this thread resets the flags";
  other.SetFontItalic(true);
  EXPECT_TRUE(c.GetFontItalic());
}

TEST(DrawState, BackgroundLastsUntilBrushIsApplied) {
  TMyCanvas c;
  c.NewCanvas(20, 20, 0);
  c.SetBkMode(2);
  EXPECT_EQ(c.GetBkMode(), 0);
  c.SetBkMode(0);
  EXPECT_EQ(c.GetBkMode(), 0) << "invalid mode leaves it";
  c.SetBkColor(255);
  EXPECT_EQ(c.GetBkColor(), 255);
  c.SetBrushColor(65280);
  EXPECT_EQ(c.GetBkColor(), 65280) << "the get applies the changed brush first";
  // A new device context (resize) loses what was put.
  c.SetBkColor(255);
  c.SetWidth(30);
  EXPECT_EQ(c.GetBkColor(), 65280);
}

TEST(DrawShapes, FillFlagConventionKeepsBrush) {
  TMyCanvas c;
  c.NewCanvas(64, 64, 0);
  c.SetBrushColor(0x0000FF);
  c.Box(10, 10, 50, 40, false);
  EXPECT_EQ(c.PixelGet(20, 20), 0xFFFFFF);
  EXPECT_EQ(c.PixelGet(10, 10), 0);
  EXPECT_EQ(c.GetBrushColor(), 0x0000FF);
  EXPECT_EQ(c.GetBrushStyle(), 0);
  c.Box(10, 10, 50, 40, true);
  EXPECT_EQ(c.PixelGet(20, 20), 0x0000FF);
  // Arc with Chord false draws the same curve with and without FillFlag.
  TMyCanvas a, b;
  a.NewCanvas(64, 64, 0);
  b.NewCanvas(64, 64, 0);
  a.Arc(4, 4, 60, 60, 60, 10, 4, 30, false, true);
  b.Arc(4, 4, 60, 60, 60, 10, 4, 30, false, false);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) ASSERT_EQ(a.PixelGet(x, y), b.PixelGet(x, y));
}

TEST(DrawShapes, PixelsCircleAndFloodFill) {
  TMyCanvas c;
  c.NewCanvas(100, 100, 0);
  c.SetPenColor(0x123456);
  c.PixelSet(1, 1, -1);
  c.PixelSet(2, 1, -5);
  c.PixelSet(3, 1, 0);
  EXPECT_EQ(c.PixelGet(1, 1), 0x123456);
  EXPECT_EQ(c.PixelGet(2, 1), 0x123456);
  EXPECT_EQ(c.PixelGet(3, 1), 0);
  EXPECT_EQ(c.PixelGet(-1, 0), -1);
  EXPECT_EQ(c.PixelGet(100, 0), -1);
  c.SetPenColor(static_cast<int32_t>(0x80000008));  // system colour: window text
  c.PixelSet(4, 1, -1);
  EXPECT_EQ(c.PixelGet(4, 1), 0);

  c.Circle(50, 50, 10, false);
  EXPECT_EQ(c.PixelGet(59, 50), 0x000000);
  EXPECT_EQ(c.PixelGet(60, 50), 0xFFFFFF);
  EXPECT_EQ(c.PixelGet(50, 59), 0x000000);
  c.SetBrushColor(0x00FF00);
  c.FloodFill(50, 50, 0xFFFFFF, true);
  EXPECT_EQ(c.PixelGet(50, 50), 0xFFFFFF) << "border mode with the start pixel's colour fills nothing";
  c.FloodFill(50, 50, 0xFFFFFF, false);
  EXPECT_EQ(c.PixelGet(50, 50), 0x00FF00);
  EXPECT_EQ(c.PixelGet(5, 5), 0xFFFFFF) << "outside the circle stays";
}

TEST(DrawShapes, EmptyCanvasDrawsNothingAndDoesNotFail) {
  TMyCanvas c;
  c.Line(0, 0, 10, 10);
  c.Box(0, 0, 10, 10, true);
  c.FloodFill(0, 0, 0, false);
  c.BezierLine(0, 0, 1, 1, 2, 2, 3, 3);
  EXPECT_EQ(c.PixelGet(0, 0), -1);
  EXPECT_EQ(c.GetBkMode(), 0);
}
