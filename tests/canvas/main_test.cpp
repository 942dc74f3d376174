#include "canvas/main.h"

#include <gtest/gtest.h>

#include "model/result_codes.h"
#include "model/settings.h"
#include "platform/raster/errors.h"
#include "platform/raster/surface.h"

using namespace zelnor;

TEST(TMyCanvas, NewObjectHasOneEmpty24BitCanvas) {
  TMyCanvas c;
  EXPECT_EQ(c.GetLBound(), 0);
  EXPECT_EQ(c.GetUBound(), 0);
  EXPECT_EQ(c.GetCurrentCanvasIndex(), 0);
  EXPECT_EQ(c.GetWidth(), 0);
  EXPECT_EQ(c.GetHeight(), 0);
  EXPECT_EQ(c.GetPixelFormat(), 6);
}

TEST(TMyCanvas, NewCanvasRemakesWhite) {
  TMyCanvas c;
  EXPECT_EQ(c.NewCanvas(100, 50, 0), rcOK);
  EXPECT_EQ(c.GetWidth(), 100);
  EXPECT_EQ(c.GetPixelFormat(), 6);
  EXPECT_EQ(c.Current().GetPixel(99, 49), 0xFFFFFFu);
  c.Current().SetPixel(5, 5, 0);
  EXPECT_EQ(c.NewCanvas(100, 50, 0), rcOK);
  EXPECT_EQ(c.Current().GetPixel(5, 5), 0xFFFFFFu) << "same size blanks the canvas";
  EXPECT_EQ(c.NewCanvas(0, 0, 0), rcOK);
  EXPECT_EQ(c.GetWidth(), 0);
  EXPECT_TRUE(c.Current().Empty());
}

TEST(TMyCanvas, NewCanvasAppends) {
  TMyCanvas c;
  EXPECT_EQ(c.NewCanvas(100, 50, 2), rcOK);
  EXPECT_EQ(c.GetUBound(), 2);
  EXPECT_EQ(c.GetCurrentCanvasIndex(), 0);
  EXPECT_EQ(c.GetWidth(), 0);
  c.SetCurrentCanvasIndex(2);
  EXPECT_EQ(c.GetWidth(), 100);
  EXPECT_EQ(c.Current().GetPixel(0, 0), 0xFFFFFFu);
}

TEST(TMyCanvas, NegativeArgumentsChangeNothing) {
  TMyCanvas c;
  c.NewCanvas(10, 10, 0);
  EXPECT_EQ(c.NewCanvas(-1, 10, 0), rcInvalidArgument);
  EXPECT_EQ(c.NewCanvas(10, -1, 0), rcInvalidArgument);
  EXPECT_EQ(c.NewCanvas(10, 10, -1), rcInvalidArgument);
  EXPECT_EQ(c.GetUBound(), 0);
  EXPECT_EQ(c.GetWidth(), 10);
}

TEST(TMyCanvas, BrushColourFillsRemadeCanvas) {
  TMyCanvas c;
  c.NewCanvas(4, 4, 0);
  c.Current().Canvas().SetBrushColor(0x0000FF);
  c.NewCanvas(4, 4, 0);
  EXPECT_EQ(c.Current().GetPixel(2, 2), 0x0000FFu);
}

TEST(TMyCanvas, WidthHeightPuts) {
  TMyCanvas c;
  c.NewCanvas(100, 50, 0);
  c.Current().SetPixel(99, 0, 0x123456);
  c.SetWidth(200);
  EXPECT_EQ(c.GetWidth(), 200);
  EXPECT_EQ(c.Current().GetPixel(99, 0), 0x123456u);
  EXPECT_EQ(c.Current().GetPixel(150, 0), 0xFFFFFFu);
  c.SetWidth(0);
  c.SetWidth(-5);
  c.SetHeight(0);
  EXPECT_EQ(c.GetWidth(), 200);
  EXPECT_EQ(c.GetHeight(), 50);
}

TEST(TMyCanvas, IndexPutOutsideIgnored) {
  TMyCanvas c;
  c.NewCanvas(1, 1, 1);
  c.SetCurrentCanvasIndex(2);
  EXPECT_EQ(c.GetCurrentCanvasIndex(), 0);
  c.SetCurrentCanvasIndex(-1);
  EXPECT_EQ(c.GetCurrentCanvasIndex(), 0);
  c.SetCurrentCanvasIndex(1);
  EXPECT_EQ(c.GetCurrentCanvasIndex(), 1);
}

TEST(TMyCanvas, PixelFormatPuts) {
  TMyCanvas c;
  c.NewCanvas(3, 3, 0);
  EXPECT_THROW(c.SetPixelFormat(8), raster::RasterError);
  EXPECT_EQ(c.GetPixelFormat(), 6);
  c.SetPixelFormat(1);
  EXPECT_EQ(c.GetPixelFormat(), 1);
}

TEST(TMyCanvas, ConstructionResetsProcessSettings) {
  TMyCanvas first;
  ProcessSettings().jpeg_quality = 50;
  TMyCanvas second;
  EXPECT_EQ(ProcessSettings().jpeg_quality.load(), 100);
}
