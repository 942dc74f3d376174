// Loading and composing through the members: result codes in their order,
// replace mode keeping the bitmap object, compose mode growing the canvas,
// the region exchange of GetCanvas and PutCanvas, and the clipboard.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>

#include "canvas/main.h"
#include "io/ZelnorLoad.h"
#include "model/pixel_format.h"
#include "model/result_codes.h"
#include "platform/clipboard/clipboard.h"
#include "platform/raster/surface.h"
#include "tests/io/load/load_images.h"

namespace zelnor {
namespace {

namespace fs = std::filesystem;
using namespace testing_images;
using automation::VT_ARRAY;
using automation::VT_BYREF;
using automation::VT_UI1;

class LoadTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelnor2-load-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    setenv("ZELNOR2_CLIPBOARD", (dir_ / "clipboard").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::string& name, const std::vector<uint8_t>& bytes) {
    const std::string path = (dir_ / name).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }
  raster::Bitmap& Canvas() { return obj_.Current(); }
  // The canvas as it stands, to compare against later.
  std::unique_ptr<raster::Bitmap> Snapshot() {
    auto copy = std::make_unique<raster::Bitmap>();
    copy->Assign(Canvas());
    return copy;
  }
  uint32_t Bits(int x, int y) { return Canvas().Storage().GetBits(x, y); }
  static uint32_t BitsOf(const raster::PixelStorage& p, int x, int y) { return p.GetBits(x, y); }

  fs::path dir_;
  TMyCanvas obj_;
};

TEST_F(LoadTest, FileChecksComeInOrderAndSpecialFilesAreNotImages) {
  obj_.NewCanvas(20, 10, 0);
  const auto before = Snapshot();
  EXPECT_EQ(obj_.LoadFromFile((dir_ / "missing.tiff").string(), false, 0, 0, 0), rcUnsupportedType);
  EXPECT_EQ(obj_.LoadFromFile((dir_ / "noextension").string(), false, 0, 0, 0), rcUnsupportedType);
  EXPECT_EQ(obj_.LoadFromFile("", false, 0, 0, 0), rcUnsupportedType);
  EXPECT_EQ(obj_.LoadFromFile((dir_ / "missing.png").string(), false, 0, 0, 0), rcNoInput);
  EXPECT_EQ(obj_.LoadFromFile((dir_ / "missing.png" / "x.png").string(), false, 0, 0, 0), rcNoInput);
  fs::create_directory(dir_ / "folder.png");
  EXPECT_EQ(obj_.LoadFromFile((dir_ / "folder.png").string(), false, 0, 0, 0), rcNoInput);
  // A FIFO without a writer would block a reader for ever.
  ASSERT_EQ(mkfifo((dir_ / "pipe.jpg").c_str(), 0600), 0);
  EXPECT_EQ(obj_.LoadFromFile((dir_ / "pipe.jpg").string(), true, 0, 0, 0), rcNoInput);
  fs::create_symlink("/dev/zero", dir_ / "zero.bmp");
  EXPECT_EQ(obj_.LoadFromFile((dir_ / "zero.bmp").string(), false, 0, 0, 0), rcNoInput);
  EXPECT_TRUE(SamePicture(Canvas(), *before));
}

TEST_F(LoadTest, ReplaceKeepsTheBitmapObjectAndItsDrawingState) {
  raster::Bitmap* const bitmap = &Canvas();
  obj_.NewCanvas(5, 5, 0);
  obj_.SetPenColor(0x0000FF);
  obj_.SetBrushColor(0x00FF00);
  const raster::Surface* const surface = &Canvas().Canvas();
  const std::string path = Write("photo.jpg", Encode(itJPEG, Gradient(640, 480)));
  ASSERT_EQ(obj_.LoadFromFile(path, false, 7, 7, 5), rcOK);
  EXPECT_EQ(&Canvas(), bitmap);
  EXPECT_EQ(&Canvas().Canvas(), surface);
  EXPECT_EQ(obj_.GetWidth(), 640);
  EXPECT_EQ(obj_.GetHeight(), 480);
  EXPECT_EQ(obj_.GetPixelFormat(), zelnor::pf24bit);
  EXPECT_EQ(obj_.GetPenColor(), 0x0000FF);
  // Replace mode ignores the position and copy mode: the picture is the file.
  const raster::PixelStorage original = Gradient(640, 480);
  for (const auto& [x, y] : {std::pair{0, 0}, {320, 240}, {639, 479}})
    for (int c = 0; c < 3; ++c)
      EXPECT_NEAR(Canvas().ScanLine(y)[3 * x + c], original.row(y)[3 * x + c], 3) << x << "," << y;
  // Drawing reaches the new pixels through the renewed device context.
  obj_.Line(0, 0, 10, 0);
  EXPECT_EQ(obj_.PixelGet(5, 0), 0x0000FF);
}

TEST_F(LoadTest, ReplaceKeepsTheDecodedFormatAndPalette) {
  const raster::PixelStorage indexed = Indexed(30, 20, 180);
  ASSERT_EQ(obj_.LoadFromFile(Write("full.GIF", GifOf(indexed)), false, 0, 0, 0), rcOK);
  EXPECT_EQ(obj_.GetPixelFormat(), zelnor::pf8bit);
  EXPECT_EQ(obj_.GetWidth(), 30);
  for (int y = 0; y < 20; ++y)
    for (int x = 0; x < 30; ++x) ASSERT_EQ(Canvas().GetPixel(x, y), indexed.GetPixel(x, y));

  // A first frame smaller than the logical screen: a screen-sized picture.
  std::vector<uint8_t> partial = GifOf(Indexed(8, 6, 4));
  partial[6] = 20;  // screen width
  partial[8] = 12;  // screen height
  const size_t descriptor = 13 + 3 * 256;
  ASSERT_EQ(partial[descriptor], 0x2C);
  partial[descriptor + 1] = 5;  // frame left
  partial[descriptor + 3] = 2;  // frame top
  Var bytes(partial);
  ASSERT_EQ(obj_.LoadFromStream(&bytes.v, "gif", false, 0, 0, 0), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 20);
  EXPECT_EQ(obj_.GetHeight(), 12);
  EXPECT_EQ(Canvas().GetPixel(5 + 1, 2 + 0), Indexed(8, 6, 4).GetPixel(1, 0));

  // A 4-bit BMP stays 4-bit.
  raster::Bitmap four;
  four.TakeStorage(Pattern(9, 7));
  zelnor::SetPixelFormat(four, zelnor::pf4bit);
  Var bmp(four.SaveToBmp());
  ASSERT_EQ(obj_.LoadFromStream(&bmp.v, "BMP", false, 0, 0, 0), rcOK);
  EXPECT_TRUE(SamePicture(Canvas(), four));
}

TEST_F(LoadTest, ComposeGrowsTheCanvasAndCombinesWithTheFill) {
  const raster::PixelStorage tile = Pattern(10, 10, 40);
  const std::string path = Write("tile.png", Encode(itPNG, tile));
  obj_.NewCanvas(100, 50, 0);
  obj_.PixelSet(96, 46, 0x0F0F0F);
  ASSERT_EQ(obj_.LoadFromFile(path, true, 95, 45, 11), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 105);
  EXPECT_EQ(obj_.GetHeight(), 55);
  for (int y = 0; y < 10; ++y)
    for (int x = 0; x < 10; ++x) ASSERT_EQ(Bits(95 + x, 45 + y), BitsOf(tile, x, y));
  EXPECT_EQ(obj_.PixelGet(94, 44), 0xFFFFFF);
  EXPECT_EQ(obj_.PixelGet(104, 0), 0xFFFFFF);

  // SRCAND: the old pixels inside the canvas, the brush fill where it grew.
  obj_.NewCanvas(100, 50, 0);
  obj_.PixelSet(96, 46, 0x0F0F0F);
  obj_.SetBrushColor(0x33CC66);
  ASSERT_EQ(obj_.LoadFromFile(path, true, 95, 45, 10), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 105);
  EXPECT_EQ(Bits(96, 46), BitsOf(tile, 1, 1) & 0x0F0F0F);
  EXPECT_EQ(Bits(97, 47), BitsOf(tile, 2, 2));  // AND with white
  EXPECT_EQ(Bits(102, 52), BitsOf(tile, 7, 7) & 0x66CC33);
  EXPECT_EQ(obj_.PixelGet(104, 0), 0x33CC66);

  // A negative position clips and does not grow on that side.
  obj_.NewCanvas(100, 50, 0);
  ASSERT_EQ(obj_.LoadFromFile(path, true, -4, -6, 0), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 100);
  EXPECT_EQ(obj_.GetHeight(), 50);
  EXPECT_EQ(Bits(0, 0), BitsOf(tile, 4, 6));
  EXPECT_EQ(Bits(5, 3), BitsOf(tile, 9, 9));
  EXPECT_EQ(obj_.PixelGet(6, 0), 0x33CC66);  // NewCanvas filled with the brush
}

TEST_F(LoadTest, FailedLoadsLeaveTheCanvasAsItWas) {
  obj_.NewCanvas(40, 30, 0);
  obj_.PixelSet(3, 4, 0x123456);
  const auto before = Snapshot();
  const std::vector<uint8_t> jpeg = Encode(itJPEG, Pattern(16, 16));
  Var jpegBytes(jpeg);
  EXPECT_THROW(obj_.LoadFromStream(&jpegBytes.v, "png", false, 0, 0, 0), std::exception);
  std::vector<uint8_t> bmp = Encode(itBMP, Pattern(16, 16));
  bmp.resize(bmp.size() - 100);
  EXPECT_THROW(obj_.LoadFromFile(Write("cut.bmp", bmp), false, 0, 0, 0), std::exception);
  Var empty(std::vector<uint8_t>{});
  EXPECT_THROW(obj_.LoadFromStream(&empty.v, "gif", true, 0, 0, 11), std::exception);
  // Growing past the bitmap size limit is refused before anything changes.
  Var png(Encode(itPNG, Pattern(16, 16)));
  EXPECT_THROW(obj_.LoadFromStream(&png.v, "png", true, 30, 1 << 30, 11), std::exception);
  EXPECT_TRUE(SamePicture(Canvas(), *before));
}

TEST_F(LoadTest, StreamChecksTheTypeWordThenTheExactTag) {
  obj_.NewCanvas(8, 8, 0);
  Var png(Encode(itPNG, Pattern(4, 4)));
  EXPECT_EQ(obj_.LoadFromStream(&png.v, "tiff", false, 0, 0, 0), rcUnsupportedType);
  EXPECT_EQ(obj_.LoadFromStream(&png.v, "png ", false, 0, 0, 0), rcUnsupportedType);
  Var text;
  text.v.vt = automation::VT_BSTR;
  text.v.bstrVal = automation::SysAllocString(u"not bytes");
  EXPECT_EQ(obj_.LoadFromStream(&text.v, "tiff", false, 0, 0, 0), rcUnsupportedType);
  EXPECT_EQ(obj_.LoadFromStream(&text.v, "png", false, 0, 0, 0), rcNoInput);
  Var nothing;
  EXPECT_EQ(obj_.LoadFromStream(&nothing.v, "png", false, 0, 0, 0), rcNoInput);
  Var byRef;
  byRef.v.vt = VT_BYREF | VT_ARRAY | VT_UI1;
  byRef.v.pparray = &png.v.parray;
  EXPECT_EQ(obj_.LoadFromStream(&byRef.v, "png", false, 0, 0, 0), rcNoInput);
  byRef.v.vt = automation::VT_EMPTY;  // owns nothing
  Var words;
  words.v.vt = VT_ARRAY | automation::VT_I2;
  words.v.parray = automation::SafeArrayCreateVector(automation::VT_I2, 0, 4);
  EXPECT_EQ(obj_.LoadFromStream(&words.v, "png", false, 0, 0, 0), rcNoInput);
  EXPECT_EQ(obj_.GetWidth(), 8);
  EXPECT_EQ(obj_.LoadFromStream(&png.v, "PNG", false, 0, 0, 0), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 4);
}

// The script's array is decoded in place and unlocked again whether the
// bytes decode or not: a locked array could never be freed.
TEST_F(LoadTest, StreamArraysAreUnlockedAfterEveryLoad) {
  obj_.NewCanvas(8, 8, 0);
  Var png(Encode(itPNG, Pattern(4, 4)));
  EXPECT_EQ(obj_.LoadFromStream(&png.v, "png", false, 0, 0, 0), rcOK);
  EXPECT_THROW(obj_.LoadFromStream(&png.v, "gif", false, 0, 0, 0), std::runtime_error);
  EXPECT_THROW(obj_.PutCanvas(&png.v, 0, 0, 0), std::runtime_error);
  EXPECT_EQ(png.v.parray->cLocks, 0u);
  Var bmp(Encode(itBMP, Pattern(3, 2)));
  EXPECT_EQ(obj_.PutCanvas(&bmp.v, 1, 1, 0), rcOK);
  EXPECT_EQ(bmp.v.parray->cLocks, 0u);
  EXPECT_EQ(obj_.GetWidth(), 4);
}

TEST_F(LoadTest, PutCanvasChecksAndGrowsAtTheEdge) {
  Var one(BmpOf(Pattern(1, 1, 9)));
  EXPECT_EQ(obj_.PutCanvas(&one.v, -1, 0, 0), rcEmptyCanvas);
  obj_.NewCanvas(30, 20, 0);
  EXPECT_EQ(obj_.PutCanvas(&one.v, -1, 0, 0), rcInvalidArgument);
  EXPECT_EQ(obj_.PutCanvas(&one.v, 0, -1, 0), rcInvalidArgument);
  EXPECT_EQ(obj_.PutCanvas(&one.v, 31, 0, 0), rcInvalidArgument);
  EXPECT_EQ(obj_.PutCanvas(&one.v, 0, 21, 0), rcInvalidArgument);
  EXPECT_EQ(obj_.GetWidth(), 30);
  ASSERT_EQ(obj_.PutCanvas(&one.v, 30, 20, 0), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 31);
  EXPECT_EQ(obj_.GetHeight(), 21);
  EXPECT_EQ(Bits(30, 20), BitsOf(Pattern(1, 1, 9), 0, 0));

  const auto before = Snapshot();
  Var png(Encode(itPNG, Pattern(2, 2)));
  EXPECT_THROW(obj_.PutCanvas(&png.v, 0, 0, 11), std::exception);
  Var number;
  number.v.vt = automation::VT_I4;
  number.v.lVal = 7;
  EXPECT_THROW(obj_.PutCanvas(&number.v, 0, 0, 11), std::exception);
  EXPECT_TRUE(SamePicture(Canvas(), *before));
}

TEST_F(LoadTest, GetCanvasChecksComeInOrder) {
  Var out;
  EXPECT_EQ(obj_.GetCanvas(&out.v, -1, 0, 5, 5), rcEmptyCanvas);
  obj_.NewCanvas(30, 20, 0);
  EXPECT_EQ(obj_.GetCanvas(&out.v, 0, -1, 99, 99), rcInvalidArgument);
  EXPECT_EQ(obj_.GetCanvas(&out.v, 0, 0, 31, 20), rcInvalidArgument);
  EXPECT_EQ(obj_.GetCanvas(&out.v, 0, 0, 30, 21), rcInvalidArgument);
  EXPECT_EQ(obj_.GetCanvas(&out.v, 5, 0, 5, 20), rcInvalidArgument);
  EXPECT_EQ(obj_.GetCanvas(&out.v, 0, 9, 30, 8), rcInvalidArgument);
  EXPECT_EQ(out.v.vt, automation::VT_EMPTY);
  ASSERT_EQ(obj_.GetCanvas(&out.v, 0, 0, 30, 20), rcOK);
  ASSERT_EQ(out.v.vt, VT_ARRAY | VT_UI1);
  raster::Bitmap whole;
  whole.LoadFromBmp(ByteArrayToStream(out.v));
  EXPECT_TRUE(SamePicture(whole, Canvas()));
}

TEST_F(LoadTest, GetThenPutIsExactAndRegionsAre24Bit) {
  obj_.NewCanvas(1, 1, 0);
  Var pattern(BmpOf(Pattern(50, 40)));
  ASSERT_EQ(obj_.LoadFromStream(&pattern.v, "bmp", false, 0, 0, 0), rcOK);
  const auto before = Snapshot();
  Var region;
  ASSERT_EQ(obj_.GetCanvas(&region.v, 7, 5, 31, 29), rcOK);
  obj_.SetBrushColor(0x000000);
  obj_.Box(0, 0, 50, 40, true);
  ASSERT_EQ(obj_.PutCanvas(&region.v, 7, 5, 11), rcOK);
  for (int y = 5; y < 29; ++y)
    for (int x = 7; x < 31; ++x) ASSERT_EQ(Bits(x, y), before->Storage().GetBits(x, y));

  // An 8-bit canvas gives a 24-bit region with the same colours.
  obj_.SetPixelFormat(zelnor::pf8bit);
  ASSERT_EQ(obj_.GetCanvas(&region.v, 1, 2, 4, 4), rcOK);
  raster::Bitmap part;
  part.LoadFromBmp(ByteArrayToStream(region.v));
  EXPECT_EQ(zelnor::PixelFormatOf(part), zelnor::pf24bit);
  EXPECT_EQ(part.Width(), 3);
  EXPECT_EQ(part.GetPixel(2, 1), Canvas().GetPixel(3, 3));
}

TEST_F(LoadTest, ClipboardTextOnlyIsRefusedAndKept) {
  {
    clipboard::Clipboard board;
    board.Empty();
    board.SetText("hello");
    board.Close();
  }
  obj_.NewCanvas(10, 10, 0);
  EXPECT_EQ(obj_.LoadFromClipboard(true, false, 0, 0, 0), rcUnsupportedType);
  clipboard::Clipboard board;
  EXPECT_EQ(board.GetText(), "hello");
}

TEST_F(LoadTest, ClipboardBitmapReplacesOrComposesAndClearFlagEmpties) {
  obj_.NewCanvas(10, 10, 0);
  ASSERT_EQ(obj_.SaveToClipboard(), rcOK);  // a white 10 x 10
  obj_.NewCanvas(3, 3, 0);
  obj_.SetBrushColor(0x0000FF);
  obj_.SetPenColor(0x0000FF);
  obj_.Box(0, 0, 3, 3, true);
  ASSERT_EQ(obj_.SaveToClipboard(), rcOK);  // a red 3 x 3
  obj_.SetBrushColor(0xFFFFFF);
  obj_.NewCanvas(20, 10, 0);
  ASSERT_EQ(obj_.LoadFromClipboard(false, true, 18, 2, 11), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 21);
  EXPECT_EQ(obj_.PixelGet(20, 4), 0x0000FF);
  EXPECT_EQ(obj_.PixelGet(17, 4), 0xFFFFFF);
  ASSERT_EQ(obj_.LoadFromClipboard(true, false, 0, 0, 0), rcOK);
  EXPECT_EQ(obj_.GetWidth(), 3);
  EXPECT_FALSE(clipboard::IsClipboardFormatAvailable(clipboard::CF_BITMAP));
  EXPECT_EQ(obj_.LoadFromClipboard(false, false, 0, 0, 0), rcUnsupportedType);
}

TEST_F(LoadTest, ClipboardPaletteColoursThePaletteBitmap) {
  const raster::PixelStorage indexed = Indexed(4, 2, 4);
  {
    clipboard::Clipboard board;
    board.Empty();
    board.SetBitmap(indexed);
    board.SetPalette({raster::Rgb(1, 2, 3), raster::Rgb(4, 5, 6)});
    board.Close();
  }
  ASSERT_EQ(obj_.LoadFromClipboard(false, false, 0, 0, 0), rcOK);
  EXPECT_EQ(obj_.GetPixelFormat(), zelnor::pf8bit);
  EXPECT_EQ(Canvas().GetPixel(0, 0), raster::Rgb(1, 2, 3));  // index 0
  EXPECT_EQ(Canvas().GetPixel(1, 0), raster::Rgb(4, 5, 6));  // index 1
  EXPECT_EQ(Canvas().GetPixel(2, 0), indexed.GetPixel(2, 0));
}

}  // namespace
}  // namespace zelnor
