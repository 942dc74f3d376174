// Input limits.  A 100-byte file of any type whose header claims 60000 x
// 60000 pixels is refused before any decoding, with a message, and leaves
// the canvas as it was.  A canvas at the edge of the size limit, one pixel
// wide and taller than libpng's own default limit of 10^6 rows, saves and
// loads back as PNG and BMP, and is refused before any work, with the
// format's own limit named, as GIF and JPEG.
#include <gtest/gtest.h>
#include <zlib.h>

#include <cstring>
#include <string>
#include <vector>

#include "canvas/main.h"
#include "io/codecs/png_codec.h"
#include "platform/automation/oleauto.h"
#include "platform/raster/surface.h"
#include "tests/io/load/load_images.h"

namespace zelnor {
namespace {

using namespace testing_images;

void Put16(std::vector<uint8_t>& b, size_t at, uint16_t v) { std::memcpy(&b[at], &v, 2); }
void Put32(std::vector<uint8_t>& b, size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); }
void Append(std::vector<uint8_t>& b, std::initializer_list<int> bytes) {
  for (int v : bytes) b.push_back(static_cast<uint8_t>(v));
}
void AppendBig32(std::vector<uint8_t>& b, uint32_t v) {
  Append(b, {int(v >> 24), int(v >> 16 & 255), int(v >> 8 & 255), int(v & 255)});
}

std::vector<uint8_t> PadTo100(std::vector<uint8_t> b) {
  b.resize(100, 0);
  return b;
}

std::vector<uint8_t> HugeBmp(int bits) {
  std::vector<uint8_t> b(14 + 40 + 8, 0);
  b[0] = 'B';
  b[1] = 'M';
  Put32(b, 2, 100);
  Put32(b, 10, static_cast<uint32_t>(b.size()));
  Put32(b, 14, 40);
  Put32(b, 18, 60000);
  Put32(b, 22, 60000);
  Put16(b, 26, 1);
  Put16(b, 28, static_cast<uint16_t>(bits));
  return PadTo100(b);
}

void PngChunk(std::vector<uint8_t>& b, const char* kind, const std::vector<uint8_t>& data) {
  AppendBig32(b, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(kind, kind + 4);
  body.insert(body.end(), data.begin(), data.end());
  b.insert(b.end(), body.begin(), body.end());
  AppendBig32(b, static_cast<uint32_t>(crc32(0, body.data(), static_cast<uInt>(body.size()))));
}

std::vector<uint8_t> HugePng(int depth, int colour_type) {
  std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  std::vector<uint8_t> ihdr;
  AppendBig32(ihdr, 60000);
  AppendBig32(ihdr, 60000);
  Append(ihdr, {depth, colour_type, 0, 0, 0});
  PngChunk(b, "IHDR", ihdr);
  PngChunk(b, "IDAT", {0x78, 0x9C, 0x63, 0x00, 0x00});
  return PadTo100(b);
}

std::vector<uint8_t> HugeGif(int screen_side) {
  std::vector<uint8_t> b = {'G', 'I', 'F', '8', '9', 'a'};
  Append(b, {screen_side & 255, screen_side >> 8, screen_side & 255, screen_side >> 8, 0, 0, 0});
  Append(b, {0x2C, 0, 0, 0, 0, 0x60, 0xEA, 0x60, 0xEA, 0, 8, 2, 0x84, 0x51, 0});
  return PadTo100(b);
}

std::vector<uint8_t> HugeJpeg() {
  std::vector<uint8_t> b = {0xFF, 0xD8, 0xFF, 0xDB, 0, 67, 0};  // one quantisation table
  for (int i = 0; i < 64; ++i) b.push_back(1);
  Append(b, {0xFF, 0xC0, 0, 11, 8, 0xEA, 0x60, 0xEA, 0x60, 1, 1, 0x11, 0});  // 60000 x 60000 grey
  Append(b, {0xFF, 0xDA, 0, 8, 1, 1, 0, 0, 63, 0});
  return PadTo100(b);
}

automation::VARIANT ByteArray(const std::vector<uint8_t>& bytes) {
  automation::VARIANT v;
  automation::VariantInit(&v);
  v.vt = automation::VT_ARRAY | automation::VT_UI1;
  v.parray =
      automation::SafeArrayCreateVector(automation::VT_UI1, 0, static_cast<automation::ULONG>(bytes.size()));
  void* data = nullptr;
  automation::SafeArrayAccessData(v.parray, &data);
  std::memcpy(data, bytes.data(), bytes.size());
  automation::SafeArrayUnaccessData(v.parray);
  return v;
}

TEST(InputLimits, HeadersClaimingHugePicturesAreRefusedBeforeDecoding) {
  struct Case {
    const char* name;
    const char* type;
    std::vector<uint8_t> bytes;
    const char* message;  // a part of the failure's message
  } cases[] = {
      {"BMP 24-bit", "BMP", HugeBmp(24), "size limit"},
      // 450 MB at one bit per pixel would pass the limit: a 100-byte file
      // cannot hold those pixels.
      {"BMP 1-bit", "BMP", HugeBmp(1), "truncated"},
      {"PNG truecolour", "PNG", HugePng(8, 2), "size limit"},
      {"PNG 1-bit grey", "PNG", HugePng(1, 0), "size limit"},
      {"GIF screen", "GIF", HugeGif(60000), "size limit"},
      {"GIF frame", "GIF", HugeGif(10), "size limit"},
      {"JPEG", "JPEG", HugeJpeg(), "size limit"},
  };
  for (Case& c : cases) {
    ASSERT_EQ(c.bytes.size(), 100u) << c.name;
    TMyCanvas canvas;
    canvas.NewCanvas(5, 4, 0);
    canvas.Current().SetPixel(1, 1, 0x123456);
    automation::VARIANT v = ByteArray(c.bytes);
    try {
      canvas.LoadFromStream(&v, c.type, false, 0, 0, 0);
      ADD_FAILURE() << c.name << " was loaded";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos) << c.name << ": " << e.what();
    }
    automation::VariantClear(&v);
    EXPECT_EQ(canvas.GetWidth(), 5) << c.name;
    EXPECT_EQ(canvas.Current().GetPixel(1, 1), 0x123456u) << c.name;
  }
}

// Taller than libpng's default limit of 10^6 rows, within the size limit.
constexpr int kTall = 2'000'000;

std::vector<uint8_t> Saved(TMyCanvas& canvas, const char* type) {
  automation::VARIANT out;
  automation::VariantInit(&out);
  EXPECT_EQ(canvas.SaveToStream(&out, type, false, 0, 0), 0) << type;
  std::vector<uint8_t> bytes;
  if (out.vt == (automation::VT_ARRAY | automation::VT_UI1)) {
    void* data = nullptr;
    automation::SafeArrayAccessData(out.parray, &data);
    bytes.assign(static_cast<uint8_t*>(data),
                 static_cast<uint8_t*>(data) + out.parray->rgsabound[0].cElements);
    automation::SafeArrayUnaccessData(out.parray);
  }
  automation::VariantClear(&out);
  return bytes;
}

TEST(InputLimits, OnePixelWideCanvasSavesAndLoadsAsPngAndBmp) {
  TMyCanvas canvas;
  ASSERT_EQ(canvas.NewCanvas(1, kTall, 0), 0);
  canvas.Current().SetPixel(0, kTall - 1, 0x0000FF);
  for (const char* type : {"PNG", "BMP"}) {
    const std::vector<uint8_t> bytes = Saved(canvas, type);
    ASSERT_FALSE(bytes.empty()) << type;
    TMyCanvas back;
    automation::VARIANT v = ByteArray(bytes);
    EXPECT_EQ(back.LoadFromStream(&v, type, false, 0, 0, 0), 0) << type;
    automation::VariantClear(&v);
    EXPECT_EQ(back.GetHeight(), kTall) << type;
    EXPECT_EQ(back.Current().GetPixel(0, kTall - 1), 0x0000FFu) << type;
    EXPECT_EQ(back.Current().GetPixel(0, 0), 0xFFFFFFu) << type;
  }
}

TEST(InputLimits, OnePixelWideCanvasIsRefusedAsGifAndJpegBeforeWork) {
  TMyCanvas canvas;
  ASSERT_EQ(canvas.NewCanvas(1, kTall, 0), 0);
  for (const auto& [type, message] :
       {std::pair{"GIF", "Image too large for GIF"}, std::pair{"JPEG", "Image too large for JPEG"}}) {
    automation::VARIANT out;
    automation::VariantInit(&out);
    try {
      canvas.SaveToStream(&out, type, false, 0, 0);
      ADD_FAILURE() << type << " was written";
    } catch (const std::exception& e) {
      EXPECT_NE(std::string(e.what()).find(message), std::string::npos) << e.what();
    }
    EXPECT_EQ(out.vt, automation::VT_EMPTY) << type;
  }
  // An animation refuses the same way, before reducing any frame.
  canvas.NewCanvas(4, 4, 1);
  automation::VARIANT out;
  automation::VariantInit(&out);
  EXPECT_THROW(canvas.SaveAniGIFToStream(&out, 100, 0, false, 0, 0), std::exception);
}

// A 1-bit grey PNG of 20000 x 20000 white pixels: 50 MB of storage, 1.2 GB
// at 24 bits.
std::vector<uint8_t> LargeOneBitPng() {
  constexpr uint32_t kSide = 20000;
  std::vector<uint8_t> b = {0x89, 'P', 'N', 'G', 13, 10, 26, 10};
  std::vector<uint8_t> ihdr;
  AppendBig32(ihdr, kSide);
  AppendBig32(ihdr, kSide);
  Append(ihdr, {1, 0, 0, 0, 0});
  PngChunk(b, "IHDR", ihdr);
  std::vector<uint8_t> rows;
  for (uint32_t y = 0; y < kSide; ++y) {
    rows.push_back(0);  // no filter
    rows.insert(rows.end(), kSide / 8, 0xFF);
  }
  uLongf size = compressBound(static_cast<uLong>(rows.size()));
  std::vector<uint8_t> packed(size);
  EXPECT_EQ(compress(packed.data(), &size, rows.data(), static_cast<uLong>(rows.size())), Z_OK);
  packed.resize(size);
  PngChunk(b, "IDAT", packed);
  PngChunk(b, "IEND", {});
  return b;
}

// The compose converts the whole picture to the canvas's format after the
// canvas has grown: a conversion past the size limit is refused first, and
// the canvas keeps its size and pixels.
TEST(InputLimits, ComposeRefusedBeforeTheCanvasGrows) {
  TMyCanvas canvas;
  ASSERT_EQ(canvas.NewCanvas(10, 10, 0), 0);
  canvas.Current().SetPixel(3, 3, 0x123456);
  automation::VARIANT v = ByteArray(LargeOneBitPng());
  try {
    // Only the last ten columns land on the canvas, which would grow to 10 x 20000.
    canvas.LoadFromStream(&v, "PNG", true, -19990, 0, 0);
    ADD_FAILURE() << "the compose was done";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("size limit"), std::string::npos) << e.what();
  }
  automation::VariantClear(&v);
  EXPECT_EQ(canvas.GetWidth(), 10);
  EXPECT_EQ(canvas.GetHeight(), 10);
  EXPECT_EQ(canvas.Current().GetPixel(3, 3), 0x123456u);
}

}  // namespace
}  // namespace zelnor
