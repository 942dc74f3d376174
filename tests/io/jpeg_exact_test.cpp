// Our JPEG files are byte for byte those of libjpeg alone with the same
// options, fed red, green, blue rows into its own memory destination: sizes
// that end inside a block, files larger than one slice of the output buffer,
// every quality band, and progressive files.
#include <gtest/gtest.h>
#include <jpeglib.h>
#include <stdio.h>  // libjpeg's header needs FILE and size_t

#include <cstdlib>
#include <random>
#include <vector>

#include "io/codecs/jpeg_codec.h"

namespace zelnor {
namespace {

raster::PixelStorage Noisy(int w, int h, int noise, uint32_t seed) {
  raster::PixelStorage s(w, h, raster::PixelLayout{24}, {});
  std::mt19937 rng(seed);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = s.row(y);
    for (int x = 0; x < 3 * w; ++x)
      row[x] = static_cast<uint8_t>((x * 7 + y * 3) % 256 / 2 + static_cast<int>(rng() % (noise + 1)));
  }
  return s;
}

std::vector<uint8_t> BareLibjpeg(const raster::PixelStorage& p, int quality, bool progressive) {
  jpeg_compress_struct cinfo;
  jpeg_error_mgr err;
  cinfo.err = jpeg_std_error(&err);
  jpeg_create_compress(&cinfo);
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  jpeg_mem_dest(&cinfo, &buffer, &size);
  cinfo.image_width = static_cast<JDIMENSION>(p.width());
  cinfo.image_height = static_cast<JDIMENSION>(p.height());
  cinfo.input_components = 3;
  cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&cinfo);
  cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&cinfo, quality, TRUE);
  if (progressive) jpeg_simple_progression(&cinfo);
  jpeg_start_compress(&cinfo, TRUE);
  std::vector<JSAMPLE> rgb(static_cast<size_t>(p.width()) * 3);
  while (cinfo.next_scanline < cinfo.image_height) {
    const uint8_t* bgr = p.row(static_cast<int>(cinfo.next_scanline));
    for (int x = 0; x < p.width(); ++x) {
      rgb[3 * x] = bgr[3 * x + 2];
      rgb[3 * x + 1] = bgr[3 * x + 1];
      rgb[3 * x + 2] = bgr[3 * x];
    }
    JSAMPROW row = rgb.data();
    jpeg_write_scanlines(&cinfo, &row, 1);
  }
  jpeg_finish_compress(&cinfo);
  jpeg_destroy_compress(&cinfo);
  std::vector<uint8_t> out(buffer, buffer + size);
  std::free(buffer);
  return out;
}

TEST(JpegExact, SameBytesAsTheBareLibrary) {
  struct Case {
    int w, h, noise, quality;
    bool progressive;
  };
  const Case cases[] = {
      {1, 1, 0, 100, false},      {17, 9, 40, 85, false},   {300, 7, 255, 1, false},
      {64, 64, 20, 50, true},     {33, 130, 90, 100, true}, {640, 480, 255, 100, false},
      {640, 480, 255, 100, true}, {1000, 3, 10, 75, false},
  };
  for (const Case& c : cases) {
    const raster::PixelStorage pic = Noisy(c.w, c.h, c.noise, static_cast<uint32_t>(c.w * 31 + c.h));
    const std::vector<uint8_t> ours = codecs::EncodeJpeg(pic, {c.quality, c.progressive});
    EXPECT_EQ(ours, BareLibjpeg(pic, c.quality, c.progressive))
        << c.w << " x " << c.h << " quality " << c.quality << (c.progressive ? " progressive" : "");
  }
}

// A noisy picture at the top quality makes a file larger than the estimate
// the output buffer starts with, which must grow without losing a byte.
TEST(JpegExact, FileLargerThanTheFirstEstimate) {
  const raster::PixelStorage pic = Noisy(1024, 512, 255, 99);
  const std::vector<uint8_t> ours = codecs::EncodeJpeg(pic, {100, false});
  EXPECT_GT(ours.size(), size_t{1024} * 512 * 3 / 2 + (size_t{64} << 10)) << "the case no longer overflows";
  EXPECT_EQ(ours, BareLibjpeg(pic, 100, false));
}

}  // namespace
}  // namespace zelnor
