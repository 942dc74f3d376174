// Encoders and decoders: the written files are read back with the libraries'
// own readers and their structure checked byte by byte; damaged or oversized
// input fails cleanly.
#include <gif_lib.h>
#include <gtest/gtest.h>
#include <png.h>
#include <sys/resource.h>
#include <zlib.h>

#include <cctype>
#include <cstring>
#include <map>
#include <random>
#include <set>
#include <string>
#include <string_view>

#include "io/ZelnorCommons.h"
#include "io/ZelnorIO.h"
#include "io/codec_table.h"
#include "io/codecs/gif_codec.h"
#include "io/codecs/jpeg_codec.h"
#include "io/codecs/png_codec.h"
#include "io/gif/rle_encoder.h"

namespace zelnor {
namespace {

raster::PixelStorage Gradient(int w, int h) {
  raster::PixelStorage s(w, h, raster::PixelLayout{24}, {});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) s.SetPixel(x, y, raster::Rgb(x * 255 / w, y * 255 / h, (x + y) % 256));
  return s;
}

uint32_t Be32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) << 24 | static_cast<uint32_t>(p[1]) << 16 |
         static_cast<uint32_t>(p[2]) << 8 | p[3];
}

struct Chunk {
  std::string type;
  std::vector<uint8_t> data;
};
std::vector<Chunk> PngChunks(const std::vector<uint8_t>& png) {
  std::vector<Chunk> out;
  for (size_t pos = 8; pos + 12 <= png.size();) {
    const uint32_t len = Be32(&png[pos]);
    out.push_back(
        {std::string(png.begin() + static_cast<long>(pos) + 4, png.begin() + static_cast<long>(pos) + 8),
         std::vector<uint8_t>(png.begin() + static_cast<long>(pos) + 8,
                              png.begin() + static_cast<long>(pos + 8 + len))});
    pos += 12 + len;
  }
  return out;
}

std::vector<uint8_t> Inflate(const std::vector<uint8_t>& z, size_t expected) {
  std::vector<uint8_t> out(expected);
  uLongf size = static_cast<uLongf>(expected);
  EXPECT_EQ(uncompress(out.data(), &size, z.data(), static_cast<uLong>(z.size())), Z_OK);
  out.resize(size);
  return out;
}

// ------------------------------------------------------------------ PNG

TEST(PngCodec, TruecolourFileLayout) {
  // Noise that deflate cannot shrink, so the data needs several IDAT chunks.
  raster::PixelStorage pic(300, 200, raster::PixelLayout{24}, {});
  std::mt19937 rng(1);
  for (int y = 0; y < 200; ++y)
    for (int i = 0; i < 900; ++i) pic.row(y)[i] = static_cast<uint8_t>(rng());
  const std::vector<uint8_t> png = codecs::EncodePng(pic, 9);
  const std::vector<Chunk> chunks = PngChunks(png);
  ASSERT_GE(chunks.size(), 3u);
  EXPECT_EQ(chunks.front().type, "IHDR");
  EXPECT_EQ(chunks.back().type, "IEND");
  const std::vector<uint8_t>& ih = chunks.front().data;
  EXPECT_EQ(Be32(&ih[0]), 300u);
  EXPECT_EQ(Be32(&ih[4]), 200u);
  EXPECT_EQ(std::vector<uint8_t>(ih.begin() + 8, ih.end()), (std::vector<uint8_t>{8, 2, 0, 0, 0}));
  std::vector<uint8_t> idat;
  for (size_t i = 1; i + 1 < chunks.size(); ++i) {
    EXPECT_EQ(chunks[i].type, "IDAT");
    // Every chunk but the last is full.
    EXPECT_TRUE(i + 2 == chunks.size() || chunks[i].data.size() == 65535u) << "chunk " << i;
    EXPECT_LE(chunks[i].data.size(), 65535u);
    idat.insert(idat.end(), chunks[i].data.begin(), chunks[i].data.end());
  }
  const std::vector<uint8_t> raw = Inflate(idat, 200 * (1 + 900));
  ASSERT_EQ(raw.size(), 200u * 901u);
  for (int y = 0; y < 200; ++y) ASSERT_EQ(raw[static_cast<size_t>(y) * 901], 1) << "row " << y << " filter";

  const raster::PixelStorage back = codecs::DecodePng(png);
  ASSERT_EQ(back.bits(), 24);
  for (int y = 0; y < 200; y += 7)
    for (int x = 0; x < 300; x += 5) ASSERT_EQ(back.GetPixel(x, y), pic.GetPixel(x, y));
}

TEST(PngCodec, PalettePicturesAndTransparency) {
  raster::PixelStorage mono(10, 3, raster::PixelLayout{1}, raster::MonochromePalette());
  mono.SetBits(3, 1, 1);
  std::vector<Chunk> chunks = PngChunks(codecs::EncodePng(mono, 7));
  EXPECT_EQ(chunks[0].data[8], 1);  // bit depth
  EXPECT_EQ(chunks[0].data[9], 3);  // colour type: palette
  EXPECT_EQ(chunks[1].type, "PLTE");
  EXPECT_EQ(chunks[1].data.size(), 6u);
  for (const Chunk& c : chunks) EXPECT_NE(c.type, "tRNS");
  raster::PixelStorage back = codecs::DecodePng(codecs::EncodePng(mono, 7));
  EXPECT_EQ(back.bits(), 1);
  EXPECT_EQ(back.GetBits(3, 1), 1u);
  EXPECT_EQ(back.GetBits(4, 1), 0u);

  raster::PixelStorage pal8(5, 5, raster::PixelLayout{8},
                            raster::Palette{raster::Rgb(1, 2, 3), raster::Rgb(9, 9, 9)});
  pal8.row(2)[2] = 1;
  pal8.transparent_color = raster::Rgb(9, 9, 9);
  chunks = PngChunks(codecs::EncodePng(pal8, 7));
  EXPECT_EQ(chunks[1].data.size(), 256u * 3);  // 2^8 entries, padded
  ASSERT_EQ(chunks[2].type, "tRNS");
  EXPECT_EQ(chunks[2].data, (std::vector<uint8_t>{255, 0}));
  back = codecs::DecodePng(codecs::EncodePng(pal8, 7));
  EXPECT_EQ(back.bits(), 8);
  EXPECT_EQ(back.row(2)[2], 1);
  EXPECT_EQ(back.transparent_color, raster::Rgb(9, 9, 9));

  raster::PixelStorage rgb = Gradient(4, 4);
  rgb.transparent_color = raster::Rgb(10, 20, 30);
  back = codecs::DecodePng(codecs::EncodePng(rgb, 7));
  EXPECT_EQ(back.transparent_color, raster::Rgb(10, 20, 30));
}

// Writes a PNG with libpng directly, for the reading cases our writer never
// produces.
std::vector<uint8_t> WriteRawPng(int w, int h, int depth, int type, const std::vector<uint8_t>& rows,
                                 bool interlace = false) {
  std::vector<uint8_t> out;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  png_set_write_fn(
      png, &out,
      [](png_structp p, png_bytep d, size_t n) {
        auto* v = static_cast<std::vector<uint8_t>*>(png_get_io_ptr(p));
        v->insert(v->end(), d, d + n);
      },
      nullptr);
  png_set_IHDR(png, info, w, h, depth, type, interlace ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_color pal[4] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}};
  if (type == PNG_COLOR_TYPE_PALETTE) png_set_PLTE(png, info, pal, 4);
  png_write_info(png, info);
  const size_t stride = rows.size() / static_cast<size_t>(h);
  std::vector<png_bytep> ptrs;
  for (int y = 0; y < h; ++y) ptrs.push_back(const_cast<png_bytep>(rows.data() + stride * y));
  png_write_image(png, ptrs.data());
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  return out;
}

TEST(PngCodec, ReadsEveryKind) {
  // 2-bit palette: 4-bit picture, indices kept.
  raster::PixelStorage p = codecs::DecodePng(WriteRawPng(4, 1, 2, PNG_COLOR_TYPE_PALETTE, {0b00011011}));
  EXPECT_EQ(p.bits(), 4);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(p.GetBits(x, 0), static_cast<uint32_t>(x));
  EXPECT_EQ(p.GetPixel(1, 0), raster::Rgb(255, 0, 0));
  // 16-bit grey: 8-bit grey palette picture.
  p = codecs::DecodePng(WriteRawPng(2, 1, 16, PNG_COLOR_TYPE_GRAY, {0xFF, 0xFF, 0x80, 0x00}));
  EXPECT_EQ(p.bits(), 8);
  EXPECT_EQ(p.GetPixel(0, 0), raster::Rgb(255, 255, 255));
  EXPECT_EQ(p.GetPixel(1, 0), raster::Rgb(128, 128, 128));
  // RGBA, interlaced: 24-bit, alpha dropped.
  std::vector<uint8_t> rgba;
  for (int i = 0; i < 9 * 9; ++i)
    rgba.insert(rgba.end(), {static_cast<uint8_t>(i), 7, 200, static_cast<uint8_t>(i * 3)});
  p = codecs::DecodePng(WriteRawPng(9, 9, 8, PNG_COLOR_TYPE_RGB_ALPHA, rgba, true));
  EXPECT_EQ(p.bits(), 24);
  EXPECT_EQ(p.GetPixel(4, 5), raster::Rgb(49, 7, 200));
}

// ------------------------------------------------------------------ JPEG

TEST(JpegCodec, OptionsShowInTheFile) {
  const raster::PixelStorage pic = Gradient(100, 50);
  const std::vector<uint8_t> base = codecs::EncodeJpeg(pic, {100, false});
  ASSERT_GT(base.size(), 4u);
  EXPECT_EQ(base[0], 0xFF);
  EXPECT_EQ(base[1], 0xD8);
  auto has_marker = [](const std::vector<uint8_t>& j, uint8_t m) {
    for (size_t i = 0; i + 1 < j.size(); ++i)
      if (j[i] == 0xFF && j[i + 1] == m) return true;
    return false;
  };
  EXPECT_TRUE(has_marker(base, 0xC0));  // baseline
  const std::vector<uint8_t> prog = codecs::EncodeJpeg(pic, {100, true});
  EXPECT_TRUE(has_marker(prog, 0xC2));  // progressive
  EXPECT_LT(codecs::EncodeJpeg(pic, {10, false}).size(), base.size());

  const raster::PixelStorage back = codecs::DecodeJpeg(base);
  ASSERT_EQ(back.width(), 100);
  ASSERT_EQ(back.height(), 50);
  EXPECT_EQ(back.bits(), 24);
  const raster::ColorRef a = back.GetPixel(60, 30), b = pic.GetPixel(60, 30);
  EXPECT_NEAR(raster::RedOf(a), raster::RedOf(b), 6);
  EXPECT_NEAR(raster::GreenOf(a), raster::GreenOf(b), 6);
  EXPECT_NEAR(raster::BlueOf(a), raster::BlueOf(b), 6);
}

// A short file whose header claims a huge picture stops at the end of its
// data instead of decoding (and allocating) the whole picture on made-up data.
TEST(JpegCodec, TruncatedHugeHeaderFailsAtOnce) {
  std::vector<uint8_t> j = codecs::EncodeJpeg(Gradient(64, 64), {90, false});
  size_t sof = 0;
  for (size_t i = 0; i + 9 < j.size(); ++i)
    if (j[i] == 0xFF && j[i + 1] == 0xC0) sof = i;
  ASSERT_NE(sof, 0u);
  for (size_t k : {sof + 5, sof + 7}) {  // height, then width: 18000 each
    j[k] = 18000 >> 8;
    j[k + 1] = 18000 & 0xFF;
  }
  size_t sos = 0;
  for (size_t i = 0; i + 1 < j.size(); ++i)
    if (j[i] == 0xFF && j[i + 1] == 0xDA) sos = i;
  j.resize(sos + 100);
  rusage before{}, after{};
  getrusage(RUSAGE_SELF, &before);
  EXPECT_THROW(codecs::DecodeJpeg(j), std::runtime_error);
  getrusage(RUSAGE_SELF, &after);
  EXPECT_LT(after.ru_maxrss - before.ru_maxrss, 400 * 1024) << "kilobytes of peak memory grew";
}

TEST(JpegCodec, PalettePictureIsEncodedFromTwentyFourBits) {
  raster::PixelStorage pal(8, 8, raster::PixelLayout{8}, raster::Palette(256, raster::Rgb(0, 0, 255)));
  const raster::PixelStorage back = codecs::DecodeJpeg(codecs::EncodeJpeg(pal, {95, false}));
  EXPECT_NEAR(raster::BlueOf(back.GetPixel(4, 4)), 255, 4);
  EXPECT_NEAR(raster::RedOf(back.GetPixel(4, 4)), 0, 4);
}

// ------------------------------------------------------------------ GIF reading

std::vector<uint8_t> GifWithFrame(int sw, int sh, int left, int top, int w, int h, bool interlace) {
  std::vector<uint8_t> g = {'G',
                            'I',
                            'F',
                            '8',
                            '9',
                            'a',
                            static_cast<uint8_t>(sw),
                            0,
                            static_cast<uint8_t>(sh),
                            0,
                            0x80,
                            1,
                            0,
                            0,
                            0,
                            0,
                            255,
                            255,
                            255,
                            0x2C,
                            static_cast<uint8_t>(left),
                            0,
                            static_cast<uint8_t>(top),
                            0,
                            static_cast<uint8_t>(w),
                            0,
                            static_cast<uint8_t>(h),
                            0,
                            static_cast<uint8_t>(interlace ? 0x40 : 0)};
  // Row y of the frame is all (y % 2) in file order.
  std::vector<uint8_t> px;
  const int order[] = {0, 4, 2, 6, 1, 3, 5, 7};
  for (int i = 0; i < h; ++i) {
    const int y = interlace ? order[i] : i;
    px.insert(px.end(), static_cast<size_t>(w), static_cast<uint8_t>(y % 2));
  }
  gif::EncodeRunLengthImageData(px, 2, 2, g);
  g.push_back(0x3B);
  return g;
}

TEST(GifCodec, FirstFrameOnItsScreen) {
  raster::PixelStorage p = codecs::DecodeGif(GifWithFrame(4, 8, 0, 0, 4, 8, true));
  EXPECT_EQ(p.bits(), 8);
  EXPECT_EQ(p.width(), 4);
  for (int y = 0; y < 8; ++y) EXPECT_EQ(p.row(y)[0], y % 2) << y;
  EXPECT_EQ(p.GetPixel(0, 1), raster::Rgb(255, 255, 255));

  // A smaller frame is drawn at its place on a screen-sized picture filled
  // with the background index (1 here).
  p = codecs::DecodeGif(GifWithFrame(10, 10, 3, 2, 4, 8, false));
  EXPECT_EQ(p.width(), 10);
  EXPECT_EQ(p.height(), 10);
  EXPECT_EQ(p.row(0)[0], 1);
  EXPECT_EQ(p.row(2)[3], 0);
  EXPECT_EQ(p.row(3)[6], 1);
  EXPECT_EQ(p.row(2)[7], 1);

  // A screen with a side of 0 reaches as far as the frame: the frame at
  // (3, 2) gives 7 x 10, not an empty picture (found by fuzz/load_fuzz).
  for (auto [sw, sh] : {std::pair{0, 0}, std::pair{0, 10}, std::pair{10, 0}}) {
    p = codecs::DecodeGif(GifWithFrame(sw, sh, 3, 2, 4, 8, false));
    EXPECT_EQ(p.width(), sw ? sw : 7) << sw << " x " << sh;
    EXPECT_EQ(p.height(), sh ? sh : 10) << sw << " x " << sh;
    EXPECT_EQ(p.row(2)[3], 0);
    EXPECT_EQ(p.row(0)[0], 1);
  }
}

// ------------------------------------------------------------------ damage

TEST(Decoders, DamagedAndForeignBytesFail) {
  const raster::PixelStorage pic = Gradient(40, 30);
  raster::Bitmap bmp;
  bmp.TakeStorage(pic.Clone());
  const std::map<int, std::vector<uint8_t>> files = {
      {itJPEG, codecs::EncodeJpeg(pic, {90, true})},
      {itPNG, codecs::EncodePng(pic, 6)},
      {itGIF, EncodeCanvasImage(itGIF, bmp, CodecSettings{}, false, 0, 0)},
      {itBMP, bmp.SaveToBmp()}};
  for (const auto& [type, bytes] : files) {
    EXPECT_NO_THROW(DecodeImage(type, bytes)) << type;
    for (const auto& [other, foreign] : files) {
      if (other == type) continue;
      EXPECT_ANY_THROW(DecodeImage(type, foreign)) << type << " reading " << other;
    }
    EXPECT_ANY_THROW(DecodeImage(type, std::span<const uint8_t>())) << type;
    for (size_t cut : {size_t{5}, bytes.size() / 3, bytes.size() / 2})
      EXPECT_ANY_THROW(DecodeImage(type, std::span(bytes.data(), cut))) << type << " cut at " << cut;
  }
  // Random corruption never crashes (under the sanitizers) whatever the outcome.
  std::mt19937 rng(99);
  for (const auto& [type, bytes] : files)
    for (int i = 0; i < 200; ++i) {
      std::vector<uint8_t> bad = bytes;
      for (int k = 0; k < 4; ++k) bad[rng() % bad.size()] = static_cast<uint8_t>(rng());
      try {
        DecodeImage(type, bad);
      } catch (const std::exception&) {
      }
    }
}

TEST(Decoders, OversizedHeadersAreRefusedBeforeAllocating) {
  // PNG header of 60000 x 60000 truecolour.
  std::vector<uint8_t> png = codecs::EncodePng(Gradient(2, 2), 6);
  png[16] = 0, png[17] = 0, png[18] = 0xEA, png[19] = 0x60;
  png[20] = 0, png[21] = 0, png[22] = 0xEA, png[23] = 0x60;
  const uint32_t crc = static_cast<uint32_t>(crc32(0, png.data() + 12, 17));
  for (int i = 0; i < 4; ++i) png[29 + i] = static_cast<uint8_t>(crc >> (24 - 8 * i));
  try {
    codecs::DecodePng(png);
    ADD_FAILURE() << "oversized PNG accepted";
  } catch (const std::exception& e) {
    EXPECT_NE(std::string(e.what()).find("too large"), std::string::npos) << e.what();
  }
  // GIF logical screen of 65535 x 65535.
  std::vector<uint8_t> gif = GifWithFrame(4, 8, 0, 0, 4, 8, false);
  gif[6] = gif[7] = gif[8] = gif[9] = 0xFF;
  EXPECT_THROW(codecs::DecodeGif(gif), std::exception);
}

// ------------------------------------------------------------------ LZW image data

int AppendBytes(GifFileType* g, const GifByteType* data, int n) {
  auto* out = static_cast<std::vector<uint8_t>*>(g->UserData);
  out->insert(out->end(), data, data + n);
  return n;
}

// A whole file written by giflib alone: a global table of 2^bits entries and
// one frame.
std::vector<uint8_t> GiflibFile(const std::vector<uint8_t>& pixels, int w, int h, int bits) {
  std::vector<uint8_t> out;
  int error = 0;
  GifFileType* g = EGifOpen(&out, AppendBytes, &error);
  ColorMapObject* map = GifMakeMapObject(1 << bits, nullptr);
  EXPECT_EQ(EGifPutScreenDesc(g, w, h, 8, 0, map), GIF_OK);
  EXPECT_EQ(EGifPutImageDesc(g, 0, 0, w, h, false, nullptr), GIF_OK);
  std::vector<GifPixelType> line(static_cast<size_t>(w));
  for (int y = 0; y < h; ++y) {
    std::copy_n(pixels.begin() + static_cast<long>(y) * w, w, line.begin());
    EXPECT_EQ(EGifPutLine(g, line.data(), w), GIF_OK);
  }
  EXPECT_EQ(EGifCloseFile(g, &error), GIF_OK);
  GifFreeMapObject(map);
  return out;
}

// Mode 1 writes exactly the image data giflib writes for the frame: nothing
// of the surrounding blocks, nothing cut off.
TEST(GifCodec, LzwImageDataIsGiflibsOwn) {
  std::mt19937 rng(7);
  for (int bits : {1, 2, 4, 8})
    for (auto [w, h] : {std::pair{1, 1}, {7, 3}, {300, 200}}) {
      std::vector<uint8_t> px(static_cast<size_t>(w) * h);
      for (uint8_t& p : px) p = rng() % 3 ? 0 : static_cast<uint8_t>(rng() & ((1u << bits) - 1));
      codecs::GifFile file;
      file.screen_width = w;
      file.screen_height = h;
      codecs::GifFrame f;
      f.table_bits = bits;
      f.image.width = w;
      f.image.height = h;
      f.image.pixels = px;
      f.image.palette.assign(size_t{1} << bits, 0);
      file.frames.push_back(std::move(f));
      const std::vector<uint8_t> ours = codecs::EncodeGif(file, 1), theirs = GiflibFile(px, w, h, bits);
      // Both lay out header, screen, global table and image descriptor alike.
      const long data = 13 + 3 * (1L << bits) + 10;
      ASSERT_GT(ours.size(), static_cast<size_t>(data));
      EXPECT_EQ(std::vector<uint8_t>(ours.begin() + data, ours.end()),
                std::vector<uint8_t>(theirs.begin() + data, theirs.end()))
          << bits << " bits, " << w << " x " << h;
    }
}

// ------------------------------------------------------------------ codec table

// Each row is found by its type and by its words (and extensions) in any
// case, no word selects two rows, and each decoder reads its encoder's file.
TEST(CodecTable, RowsAreFoundByTypeAndWordAndReadWhatTheyWrite) {
  raster::Bitmap canvas;
  canvas.TakeStorage(Gradient(23, 9));
  std::set<std::string_view> seen;
  for (const ImageCodec& row : ImageCodecs()) {
    EXPECT_EQ(CodecOf(row.type), &row);
    for (std::string_view word : row.words) {
      if (word.empty()) continue;
      EXPECT_TRUE(seen.insert(word).second) << word << " selects two formats";
      std::string lower(word);
      for (char& c : lower) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
      EXPECT_EQ(ImageTypeFromName(word), row.type) << word;
      EXPECT_EQ(ImageTypeFromName(lower), row.type) << word;
      EXPECT_EQ(ImageTypeFromFileName("a.b/photo." + lower), row.type) << word;
    }
    const raster::PixelStorage back = row.decode(row.encode(canvas, {}));
    EXPECT_EQ(back.width(), 23) << int{row.type};
    EXPECT_EQ(back.height(), 9) << int{row.type};
  }
  for (int type : {itJPEG, itGIF, itPNG, itBMP}) EXPECT_NE(CodecOf(type), nullptr) << type;
  for (int type : {int{itUnknown}, 5, -1}) {
    EXPECT_EQ(CodecOf(type), nullptr) << type;
    EXPECT_THROW(EncodeCanvasImage(type, canvas, {}, false, 0, 0), std::invalid_argument) << type;
    EXPECT_THROW(DecodeImage(type, canvas.SaveToBmp()), std::invalid_argument) << type;
  }
}

}  // namespace
}  // namespace zelnor
