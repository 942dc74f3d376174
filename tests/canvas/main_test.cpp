#include "canvas/main.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <thread>
#include <tuple>

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

// One request appends at most the size limit's worth of canvases; a larger
// one is refused at once, with nothing appended, and the object goes on.
TEST(TMyCanvas, AppendBeyondTheSizeLimitIsRefusedAtOnce) {
  TMyCanvas c;
  for (auto [w, h, count] :
       {std::tuple{1, 1, INT32_MAX}, std::tuple{0, 0, INT32_MAX}, std::tuple{4096, 4096, 22}}) {
    try {
      c.NewCanvas(w, h, count);
      ADD_FAILURE() << count << " canvases of " << w << " x " << h << " were appended";
    } catch (const raster::RasterError& e) {
      EXPECT_NE(std::string(e.what()).find("Too many canvases"), std::string::npos) << e.what();
    }
    EXPECT_EQ(c.GetUBound(), 0);
  }
  EXPECT_EQ(c.NewCanvas(1, 1, 1000), rcOK);
  EXPECT_EQ(c.GetUBound(), 1000);
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

// Settings record: one per thread.  On one thread every object shares it and
// every construction resets it; objects of other threads never see it.
TEST(TMyCanvas, ObjectsOfOneThreadShareOneRecordThatEachConstructionResets) {
  TMyCanvas first;
  first.SetJPEGCompressionQuality(50);
  first.SetFontItalic(true);
  TMyCanvas second;
  EXPECT_EQ(&first.Settings(), &second.Settings());
  EXPECT_EQ(first.GetJPEGCompressionQuality(), 100);
  EXPECT_FALSE(first.GetFontItalic());
  second.SetPNGCompressionLevel(3);
  second.SetJPEGProgressiveEncoding(true);
  EXPECT_EQ(first.GetPNGCompressionLevel(), 3);
  EXPECT_TRUE(first.GetJPEGProgressiveEncoding());
}

TEST(TMyCanvas, ObjectsOfOtherThreadsNeitherResetNorChangeTheRecord) {
  TMyCanvas here;
  here.SetJPEGCompressionQuality(85);
  here.SetFontBold(true);
  int32_t seen_there = 0;
  std::thread([&] {
    TMyCanvas there;
    seen_there = there.GetJPEGCompressionQuality();
    there.SetJPEGCompressionQuality(10);
    there.SetGIFCompressionMode(1);
    TMyCanvas again;
  }).join();
  EXPECT_EQ(seen_there, 100) << "a new thread starts from the defaults";
  EXPECT_EQ(here.GetJPEGCompressionQuality(), 85);
  EXPECT_EQ(here.GetGIFCompressionMode(), 0);
  EXPECT_TRUE(here.GetFontBold());
}

TEST(TMyCanvas, ARecordOutlivesTheThreadThatMadeIt) {
  std::unique_ptr<TMyCanvas> orphan;
  std::thread([&] {
    orphan = std::make_unique<TMyCanvas>();
    orphan->SetJPEGCompressionQuality(42);
  }).join();
  EXPECT_EQ(orphan->GetJPEGCompressionQuality(), 42);
  TMyCanvas here;  // resets this thread's record, not the orphan's
  EXPECT_EQ(orphan->GetJPEGCompressionQuality(), 42);
  orphan->SetJPEGCompressionQuality(7);
  EXPECT_EQ(here.GetJPEGCompressionQuality(), 100);
}
