// Saving through the members: codec settings, result codes in their order,
// files and byte arrays read back by giflib, whole-file replacement, the
// clipboard store and animated GIF.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "canvas/main.h"
#include "io/ZelnorCommons.h"
#include "io/ZelnorIO.h"
#include "io/codecs/gif_codec.h"
#include "io/codecs/png_codec.h"
#include "io/gif/rle_encoder.h"
#include "model/pixel_format.h"
#include "model/result_codes.h"
#include "model/settings.h"
#include "platform/automation/oleauto.h"
#include "platform/clipboard/clipboard.h"

namespace zelnor {
namespace {

namespace fs = std::filesystem;
using automation::VARIANT;

class SaveTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelnor2-save-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    setenv("ZELNOR2_CLIPBOARD", (dir_ / "clipboard").c_str(), 1);
    automation::VariantInit(&var_);
  }
  void TearDown() override {
    automation::VariantClear(&var_);
    fs::remove_all(dir_);
  }
  std::string Path(const std::string& name) const { return (dir_ / name).string(); }
  std::vector<uint8_t> VarBytes() { return ByteArrayToStream(var_); }
  static std::vector<uint8_t> ReadFile(const std::string& p) {
    std::ifstream in(p, std::ios::binary);
    return std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  }

  fs::path dir_;
  VARIANT var_;
  TMyCanvas obj_;
};

// giflib's reader over a whole file in memory.
struct SlurpedGif {
  explicit SlurpedGif(const std::vector<uint8_t>& bytes) : data(bytes) {
    int error = 0;
    gif = DGifOpen(this, Read, &error);
    if (gif && DGifSlurp(gif) != GIF_OK) {
      DGifCloseFile(gif, &error);
      gif = nullptr;
    }
  }
  ~SlurpedGif() {
    int error = 0;
    if (gif) DGifCloseFile(gif, &error);
  }
  static int Read(GifFileType* g, GifByteType* buf, int n) {
    auto* self = static_cast<SlurpedGif*>(g->UserData);
    const int take = std::min<int>(n, static_cast<int>(self->data.size() - self->pos));
    std::copy_n(self->data.begin() + static_cast<long>(self->pos), take, buf);
    self->pos += static_cast<size_t>(take);
    return take;
  }
  GraphicsControlBlock Control(int frame) const {
    GraphicsControlBlock gcb{};
    EXPECT_EQ(DGifSavedExtensionToGCB(gif, frame, &gcb), GIF_OK);
    return gcb;
  }
  int Blocks(int frame, int function) const {
    int n = 0;
    const SavedImage& s = gif->SavedImages[frame];
    for (int i = 0; i < s.ExtensionBlockCount; ++i) n += s.ExtensionBlocks[i].Function == function;
    return n;
  }
  std::vector<uint8_t> data;
  size_t pos = 0;
  GifFileType* gif = nullptr;
};

TEST_F(SaveTest, CodecSettingsClampAndResetForEveryObject) {
  obj_.SetPNGCompressionLevel(-5);
  EXPECT_EQ(obj_.GetPNGCompressionLevel(), 1);
  obj_.SetPNGCompressionLevel(0);
  EXPECT_EQ(obj_.GetPNGCompressionLevel(), 0);
  obj_.SetPNGCompressionLevel(12);
  EXPECT_EQ(obj_.GetPNGCompressionLevel(), 9);
  obj_.SetJPEGCompressionQuality(0);
  EXPECT_EQ(obj_.GetJPEGCompressionQuality(), 1);
  obj_.SetJPEGCompressionQuality(250);
  EXPECT_EQ(obj_.GetJPEGCompressionQuality(), 100);
  obj_.SetJPEGCompressionQuality(40);
  obj_.SetGIFCompressionMode(7);
  EXPECT_EQ(obj_.GetGIFCompressionMode(), 1);
  obj_.SetJPEGProgressiveEncoding(true);
  TMyCanvas second;
  EXPECT_EQ(obj_.GetJPEGCompressionQuality(), 100);
  EXPECT_EQ(obj_.GetGIFCompressionMode(), 0);
  EXPECT_FALSE(obj_.GetJPEGProgressiveEncoding());
}

TEST_F(SaveTest, ImageTypesFromWordsAndNames) {
  EXPECT_EQ(ImageTypeFromName("JPG"), itJPEG);
  EXPECT_EQ(ImageTypeFromName("Jpeg"), itJPEG);
  EXPECT_EQ(ImageTypeFromName("bMp"), itBMP);
  for (const char* word : {"jpe", "jfif", "tif", "tiff", "jpg ", "", "pngx", "\xC3\xA9png"})
    EXPECT_EQ(ImageTypeFromName(word), itUnknown) << word;
  EXPECT_EQ(ImageTypeFromFileName("C:\\a.b\\photo"), itUnknown);
  EXPECT_EQ(ImageTypeFromFileName("/srv/a.png/photo"), itUnknown);
  EXPECT_EQ(ImageTypeFromFileName("photo.JPEG"), itJPEG);
  EXPECT_EQ(ImageTypeFromFileName("photo.gif."), itUnknown);
  EXPECT_EQ(ImageTypeFromFileName("C:photo.Gif"), itGIF);
  EXPECT_EQ(ImageTypeFromFileName("x/.png"), itPNG);
}

TEST_F(SaveTest, ByteArraysWithOtherLowerBoundsAreReadExactly) {
  automation::SAFEARRAY* sa = automation::SafeArrayCreateVector(automation::VT_UI1, 5, 3);
  void* data = nullptr;
  automation::SafeArrayAccessData(sa, &data);
  std::memcpy(data, "\x01\x02\x03", 3);
  automation::SafeArrayUnaccessData(sa);
  var_.vt = automation::VT_ARRAY | automation::VT_UI1;
  var_.parray = sa;
  EXPECT_EQ(VarBytes(), (std::vector<uint8_t>{1, 2, 3}));
  VARIANT text;
  automation::VariantInit(&text);
  text.vt = automation::VT_I4;
  EXPECT_THROW(ByteArrayToStream(text), std::runtime_error);
}

TEST_F(SaveTest, StreamSavesGiveByteArraysOfEachType) {
  ASSERT_EQ(obj_.NewCanvas(100, 50, 0), 0);
  // A previous value of the variable is freed and replaced.
  var_.vt = automation::VT_BSTR;
  var_.bstrVal = automation::BstrFromUtf8("old");
  ASSERT_EQ(obj_.SaveToStream(&var_, "JPEG", false, 0, 0), 0);
  ASSERT_EQ(var_.vt, automation::VT_ARRAY | automation::VT_UI1);
  automation::LONG lb = -1, ub = -1;
  automation::SafeArrayGetLBound(var_.parray, 1, &lb);
  automation::SafeArrayGetUBound(var_.parray, 1, &ub);
  EXPECT_EQ(lb, 0);
  std::vector<uint8_t> bytes = VarBytes();
  EXPECT_EQ(ub + 1, static_cast<int>(bytes.size()));
  EXPECT_EQ(bytes[0], 0xFF);
  EXPECT_EQ(bytes[1], 0xD8);

  ASSERT_EQ(obj_.SaveToStream(&var_, "Bmp", false, 0, 0), 0);
  bytes = VarBytes();
  automation::SafeArrayGetUBound(var_.parray, 1, &ub);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(static_cast<uint32_t>(ub + 1), bytes[2] | bytes[3] << 8 | bytes[4] << 16 | bytes[5] << 24);

  // PNG ignores the transparency point: no tRNS chunk.
  ASSERT_EQ(obj_.SaveToStream(&var_, "png", true, 500, 500), 0);
  bytes = VarBytes();
  EXPECT_EQ(std::string(bytes.begin() + 1, bytes.begin() + 4), "PNG");
  EXPECT_FALSE(codecs::DecodePng(bytes).transparent_color.has_value());
  EXPECT_EQ(std::search(bytes.begin(), bytes.end(), std::begin("tRNS"), std::end("tRNS") - 1), bytes.end());
}

TEST_F(SaveTest, ChecksComeInOrder) {
  // Fresh object: its only canvas is empty.
  EXPECT_EQ(obj_.SaveToFile(Path("a.tif"), false, -1, 0), rcInvalidArgument);
  EXPECT_EQ(obj_.SaveToFile(Path("a.tif"), false, 0, 0), rcEmptyCanvas);
  EXPECT_EQ(obj_.SaveToFile(Path("a.png"), false, 0, 0), rcEmptyCanvas);
  EXPECT_EQ(obj_.SaveToStream(&var_, "tiff", true, 0, -3), rcInvalidArgument);
  ASSERT_EQ(obj_.NewCanvas(10, 10, 0), 0);
  EXPECT_EQ(obj_.SaveToFile(Path("a.tif"), false, 0, 0), rcUnsupportedType);
  EXPECT_FALSE(fs::exists(Path("a.tif")));
  EXPECT_EQ(obj_.SaveToStream(&var_, "tiff", false, 0, 0), rcUnsupportedType);
  EXPECT_EQ(var_.vt, automation::VT_EMPTY);
  EXPECT_EQ(obj_.SaveToFile(Path("a.GiF"), false, 0, 0), rcOK);
  EXPECT_EQ(ReadFile(Path("a.GiF"))[0], 'G');
}

TEST_F(SaveTest, GifTransparencyMarksTheReducedIndex) {
  ASSERT_EQ(obj_.NewCanvas(20, 10, 0), 0);  // white
  for (int x = 0; x < 10; ++x) obj_.Current().SetPixel(x, 5, raster::Rgb(250, 250, 250));
  obj_.Current().SetPixel(15, 5, raster::Rgb(200, 0, 0));

  ASSERT_EQ(obj_.SaveToStream(&var_, "gif", false, 0, 0), 0);
  std::vector<uint8_t> plain = VarBytes();
  EXPECT_EQ(std::string(plain.begin(), plain.begin() + 6), "GIF87a");
  SlurpedGif g0(plain);
  ASSERT_TRUE(g0.gif);
  EXPECT_EQ(g0.Blocks(0, GRAPHICS_EXT_FUNC_CODE), 0);

  ASSERT_EQ(obj_.SaveToStream(&var_, "gif", true, 19, 0), 0);
  std::vector<uint8_t> bytes = VarBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  SlurpedGif g(bytes);
  ASSERT_TRUE(g.gif);
  ASSERT_EQ(g.gif->ImageCount, 1);
  const GraphicsControlBlock gcb = g.Control(0);
  const uint8_t* px = g.gif->SavedImages[0].RasterBits;
  EXPECT_EQ(gcb.TransparentColor, px[19]);
  EXPECT_EQ(gcb.DelayTime, 0);
  EXPECT_EQ(gcb.DisposalMode, DISPOSAL_UNSPECIFIED);
  EXPECT_FALSE(gcb.UserInputFlag);
  // White and the near-white row share the entry: all of it becomes transparent.
  EXPECT_EQ(px[5 * 20 + 3], px[19]);
  EXPECT_NE(px[5 * 20 + 15], px[19]);

  // A point outside fails and leaves the variable as it was.
  EXPECT_THROW(obj_.SaveToStream(&var_, "gif", true, 20, 0), std::runtime_error);
  EXPECT_EQ(VarBytes(), bytes);
}

TEST_F(SaveTest, FailedSaveKeepsTheOldFileAndLeavesNoFragment) {
  ASSERT_EQ(obj_.NewCanvas(8, 8, 0), 0);
  const std::string target = Path("keep.gif");
  ASSERT_EQ(obj_.SaveToFile(target, false, 0, 0), 0);
  const std::vector<uint8_t> before = ReadFile(target);
  try {
    obj_.SaveToFile(target, true, 8, 0);
    ADD_FAILURE() << "no failure";
  } catch (const std::exception& e) {
    EXPECT_STREQ(e.what(), "Invalid pixel coordinates");
  }
  EXPECT_EQ(ReadFile(target), before);
  EXPECT_THROW(obj_.SaveToFile(Path("missing/x.png"), false, 0, 0), std::runtime_error);
  size_t entries = 0;
  for (const auto& e : fs::directory_iterator(dir_)) entries += e.path().filename() != "clipboard";
  EXPECT_EQ(entries, 1u);
}

TEST_F(SaveTest, PaletteCanvasKeepsItsPaletteInGif) {
  ASSERT_EQ(obj_.NewCanvas(9, 3, 0), 0);
  obj_.Current().SetPixel(4, 1, raster::Rgb(255, 0, 0));
  obj_.SetPixelFormat(zelnor::pf4bit);
  ASSERT_EQ(obj_.SaveToStream(&var_, "GIF", false, 0, 0), 0);
  SlurpedGif g(VarBytes());
  ASSERT_TRUE(g.gif);
  ASSERT_EQ(g.gif->SColorMap->ColorCount, 16);
  const raster::Palette& pal = obj_.Current().GetPalette();
  for (int i = 0; i < 16; ++i) {
    const GifColorType c = g.gif->SColorMap->Colors[i];
    EXPECT_EQ(raster::Rgb(c.Red, c.Green, c.Blue), pal[static_cast<size_t>(i)] & 0xFFFFFF);
  }
  const auto& st = obj_.Current().Storage();
  EXPECT_EQ(g.gif->SavedImages[0].RasterBits[1 * 9 + 4], st.GetBits(4, 1));
}

TEST_F(SaveTest, ClipboardTakesTheCanvas) {
  {
    clipboard::Clipboard board;
    board.Empty();
    board.SetText("before");
  }
  EXPECT_EQ(obj_.SaveToClipboard(), rcEmptyCanvas);
  EXPECT_TRUE(clipboard::IsClipboardFormatAvailable(clipboard::CF_TEXT));

  ASSERT_EQ(obj_.NewCanvas(6, 4, 0), 0);
  obj_.Current().SetPixel(2, 3, raster::Rgb(1, 2, 3));
  ASSERT_EQ(obj_.SaveToClipboard(), rcOK);
  EXPECT_FALSE(clipboard::IsClipboardFormatAvailable(clipboard::CF_TEXT));
  EXPECT_FALSE(clipboard::IsClipboardFormatAvailable(clipboard::CF_PALETTE));
  clipboard::Clipboard board;
  const auto pic = board.GetBitmap();
  ASSERT_TRUE(pic.has_value());
  EXPECT_EQ(pic->width(), 6);
  EXPECT_EQ(pic->GetPixel(2, 3), raster::Rgb(1, 2, 3));
}

// ------------------------------------------------------------------ animated GIF

TEST_F(SaveTest, AnimatedGifBlocks) {
  ASSERT_EQ(obj_.NewCanvas(50, 50, 0), 0);
  EXPECT_EQ(obj_.SaveAniGIFToStream(&var_, 1000, 0, false, 0, 0), rcNoInput);
  EXPECT_EQ(obj_.SaveAniGIFToStream(&var_, -1, 0, false, 0, 0), rcInvalidArgument);
  ASSERT_EQ(obj_.NewCanvas(50, 50, 1), 0);
  ASSERT_EQ(obj_.SaveAniGIFToStream(&var_, 1000, 0, false, 0, 0), 0);
  std::vector<uint8_t> bytes = VarBytes();
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  EXPECT_EQ(bytes[10] & 0x80, 0);  // no global colour table
  SlurpedGif g(bytes);
  ASSERT_TRUE(g.gif);
  ASSERT_EQ(g.gif->ImageCount, 2);
  for (int f = 0; f < 2; ++f) {
    EXPECT_EQ(g.Control(f).DelayTime, 100);
    EXPECT_EQ(g.Control(f).TransparentColor, NO_TRANSPARENT_COLOR);
    ASSERT_TRUE(g.gif->SavedImages[f].ImageDesc.ColorMap);
    EXPECT_EQ(g.gif->SavedImages[f].ImageDesc.ColorMap->ColorCount, 256);
  }
  EXPECT_EQ(g.Blocks(0, APPLICATION_EXT_FUNC_CODE), 1);
  EXPECT_EQ(g.Blocks(1, APPLICATION_EXT_FUNC_CODE), 0);
  const uint8_t loop[] = {'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0', 3, 1, 0, 0, 0};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin(loop), std::end(loop)), bytes.end());
}

TEST_F(SaveTest, AnimatedGifTruncatesDelayAndLoops) {
  ASSERT_EQ(obj_.NewCanvas(4, 4, 0), 0);
  ASSERT_EQ(obj_.NewCanvas(4, 4, 1), 0);
  for (auto [delay, expected] : {std::pair{5, 0}, {15, 1}, {655370, 1}}) {
    ASSERT_EQ(obj_.SaveAniGIFToStream(&var_, delay, 70000, false, 0, 0), 0);
    SlurpedGif g(VarBytes());
    ASSERT_TRUE(g.gif);
    EXPECT_EQ(g.Control(0).DelayTime, expected) << delay;
    EXPECT_EQ(g.Control(1).DelayTime, expected) << delay;
  }
  const std::vector<uint8_t> bytes = VarBytes();
  const uint8_t loop[] = {'2', '.', '0', 3, 1, 4464 & 0xFF, 4464 >> 8, 0};
  EXPECT_NE(std::search(bytes.begin(), bytes.end(), std::begin(loop), std::end(loop)), bytes.end());
}

TEST_F(SaveTest, AnimatedGifScreenAndPerFrameTransparency) {
  ASSERT_EQ(obj_.NewCanvas(40, 30, 0), 0);
  obj_.Current().SetPixel(0, 0, raster::Rgb(0, 0, 255));
  ASSERT_EQ(obj_.NewCanvas(60, 20, 1), 0);
  obj_.SetCurrentCanvasIndex(1);
  obj_.Current().SetPixel(0, 0, raster::Rgb(255, 255, 0));
  const std::string name = Path("anim.png");
  ASSERT_EQ(obj_.SaveAniGIFToFile(name, 1000, 0, true, 0, 0), 0);
  const std::vector<uint8_t> bytes = ReadFile(name);
  EXPECT_EQ(std::string(bytes.begin(), bytes.begin() + 6), "GIF89a");
  SlurpedGif g(bytes);
  ASSERT_TRUE(g.gif);
  EXPECT_EQ(g.gif->SWidth, 60);
  EXPECT_EQ(g.gif->SHeight, 30);
  const int sizes[2][2] = {{40, 30}, {60, 20}};
  for (int f = 0; f < 2; ++f) {
    const SavedImage& im = g.gif->SavedImages[f];
    EXPECT_EQ(im.ImageDesc.Left, 0);
    EXPECT_EQ(im.ImageDesc.Top, 0);
    EXPECT_EQ(im.ImageDesc.Width, sizes[f][0]);
    EXPECT_EQ(im.ImageDesc.Height, sizes[f][1]);
    EXPECT_EQ(g.Control(f).TransparentColor, im.RasterBits[0]) << f;
  }
  // The point must lie inside every frame; nothing is written otherwise.
  fs::remove(name);
  EXPECT_THROW(obj_.SaveAniGIFToFile(name, 1000, 0, true, 45, 0), std::runtime_error);
  EXPECT_FALSE(fs::exists(name));
}

TEST_F(SaveTest, AnimatedGifSkipsEmptyCanvases) {
  // Canvas 0 of a fresh object stays empty; two appended canvases make frames.
  ASSERT_EQ(obj_.NewCanvas(5, 5, 2), 0);
  ASSERT_EQ(obj_.SaveAniGIFToStream(&var_, 100, 0, false, 0, 0), 0);
  SlurpedGif g(VarBytes());
  ASSERT_TRUE(g.gif);
  EXPECT_EQ(g.gif->ImageCount, 2);
  TMyCanvas empty;
  ASSERT_EQ(empty.NewCanvas(0, 0, 1), 0);
  EXPECT_EQ(empty.SaveAniGIFToStream(&var_, 100, 0, false, 0, 0), rcEmptyCanvas);
}

TEST_F(SaveTest, LzwModeWritesReadableFrames) {
  ASSERT_EQ(obj_.NewCanvas(30, 20, 0), 0);
  for (int x = 0; x < 30; ++x) obj_.Current().SetPixel(x, x % 20, raster::Rgb(8 * x, 0, 255 - 8 * x));
  obj_.SetGIFCompressionMode(1);
  ASSERT_EQ(obj_.SaveToStream(&var_, "GIF", false, 0, 0), 0);
  const std::vector<uint8_t> lzw = VarBytes();
  obj_.SetGIFCompressionMode(0);
  ASSERT_EQ(obj_.SaveToStream(&var_, "GIF", false, 0, 0), 0);
  const std::vector<uint8_t> rle = VarBytes();
  EXPECT_NE(lzw, rle);
  SlurpedGif a(lzw), b(rle);
  ASSERT_TRUE(a.gif && b.gif);
  EXPECT_EQ(std::vector<uint8_t>(a.gif->SavedImages[0].RasterBits, a.gif->SavedImages[0].RasterBits + 600),
            std::vector<uint8_t>(b.gif->SavedImages[0].RasterBits, b.gif->SavedImages[0].RasterBits + 600));
}

// Large pictures in LZW mode are dithered on a second thread while the
// encoder follows row by row: the bytes must equal those of doing one after
// the other, transparency index included.
TEST_F(SaveTest, LzwAlongsideDitheringGivesTheSameBytes) {
  raster::PixelStorage pic(400, 300, raster::PixelLayout{24}, {});
  for (int y = 0; y < 300; ++y)
    for (int x = 0; x < 400; ++x)
      pic.SetPixel(x, y, raster::Rgb((x * 7 + y) & 255, (x ^ y) & 255, (x * y / 97) & 255));
  codecs::GifFrame ahead = codecs::MakeGifFrame(pic, true, 123, 201, 1);
  ASSERT_FALSE(ahead.image_data.empty());
  codecs::GifFrame plain = codecs::MakeGifFrame(pic, true, 123, 201, 0);
  std::vector<uint8_t> runs;  // run-length data, made alongside the dithering too
  gif::EncodeRunLengthImageData(plain.image.pixels, 256, 8, runs);
  EXPECT_EQ(plain.image_data, runs);
  plain.image_data.clear();
  EXPECT_EQ(ahead.image.pixels, plain.image.pixels);
  EXPECT_EQ(ahead.transparent_index, plain.transparent_index);
  codecs::GifFile a, b;
  a.screen_width = b.screen_width = 400;
  a.screen_height = b.screen_height = 300;
  a.frames.push_back(std::move(ahead));
  b.frames.push_back(std::move(plain));
  EXPECT_EQ(codecs::EncodeGif(a, 1), codecs::EncodeGif(b, 1));
}

}  // namespace
}  // namespace zelnor

namespace zelnor {
namespace {

TEST(SaveLimits, SidesBeyondTheFormatFailInsteadOfWrappingAround) {
  TMyCanvas obj;
  ASSERT_EQ(obj.NewCanvas(65536, 1, 0), 0);
  VARIANT v;
  automation::VariantInit(&v);
  for (const char* type : {"GIF", "JPEG"})
    EXPECT_THROW(obj.SaveToStream(&v, type, false, 0, 0), std::runtime_error);
  EXPECT_EQ(v.vt, automation::VT_EMPTY);
  EXPECT_EQ(obj.SaveToStream(&v, "PNG", false, 0, 0), 0);
  automation::VariantClear(&v);
}

}  // namespace
}  // namespace zelnor

namespace zelnor {
namespace {

// The frames of an animation, one after the other on this thread, as the
// writer made them before frames went to every core.
std::vector<uint8_t> SequentialAnimation(std::span<const raster::PixelStorage* const> pictures,
                                         const codecs::GifAnimation& a, int mode) {
  codecs::GifFile file;
  file.global_table = false;
  file.loops = a.loops;
  for (const raster::PixelStorage* p : pictures) {
    codecs::GifFrame f = codecs::MakeGifFrame(*p, a.transparent, a.TX1, a.TY1, mode);
    f.control_block = true;
    f.delay = a.delay;
    file.screen_width = std::max(file.screen_width, p->width());
    file.screen_height = std::max(file.screen_height, p->height());
    file.frames.push_back(std::move(f));
  }
  return codecs::EncodeGif(file, mode);
}

// Frames of different sizes and formats, large ones (LZW made alongside the
// dithering) among them: the file is the same as made frame by frame.
TEST(AnimatedGifFrames, EveryCoreGivesTheBytesOfOneAfterTheOther) {
  std::vector<raster::PixelStorage> frames;
  for (int i = 0; i < 5; ++i) {
    const int w = 40 + 80 * i, h = 30 + 45 * i;  // the last one passes the LZW pipeline's threshold
    raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x)
        p.SetPixel(x, y, raster::Rgb((x * 7 + y * i) & 255, (x ^ y) & 255, (x * y / 37) & 255));
    frames.push_back(i == 2
                         ? raster::ConvertStorage(p, raster::PixelLayout{8}, raster::Palette(256, 0x336699))
                         : std::move(p));
  }
  std::vector<const raster::PixelStorage*> pictures;
  for (const auto& f : frames) pictures.push_back(&f);
  for (int mode : {0, 1})
    for (bool transparent : {false, true}) {
      const codecs::GifAnimation a{3, 25, transparent, 5, 7};
      EXPECT_EQ(codecs::EncodeAnimatedGif(pictures, a, mode), SequentialAnimation(pictures, a, mode))
          << "mode " << mode << (transparent ? ", transparent" : "");
    }
}

// A point outside any frame fails the whole save with the frame's message.
TEST(AnimatedGifFrames, PointOutsideALaterFrameFails) {
  raster::PixelStorage big(50, 50, raster::PixelLayout{24}, {}), small(10, 10, raster::PixelLayout{24}, {});
  const raster::PixelStorage* pictures[] = {&big, &small, &big};
  try {
    codecs::EncodeAnimatedGif(pictures, {0, 0, true, 20, 20}, 0);
    FAIL() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_STREQ(e.what(), "Invalid pixel coordinates");
  }
}

}  // namespace
}  // namespace zelnor
