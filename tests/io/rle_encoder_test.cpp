// The run-length image-data encoder: exact code streams for the documented
// shapes, and agreement with giflib's decoder over many random frames.
#include "io/gif/rle_encoder.h"

#include <gtest/gtest.h>

#include <random>
#include <stdexcept>

#include "io/codecs/gif_codec.h"

namespace zelnor::gif {
namespace {

// Reads codes back out of the sub-blocks at a fixed width.
std::vector<int> CodesAtWidth(const std::vector<uint8_t>& data, int width) {
  std::vector<uint8_t> bytes;
  size_t pos = 1;
  while (pos < data.size() && data[pos] != 0) {
    bytes.insert(bytes.end(), data.begin() + static_cast<long>(pos) + 1,
                 data.begin() + static_cast<long>(pos + 1 + data[pos]));
    pos += 1 + data[pos];
  }
  std::vector<int> codes;
  uint64_t acc = 0;
  int have = 0;
  for (uint8_t b : bytes) {
    acc |= static_cast<uint64_t>(b) << have;
    have += 8;
    while (have >= width) {
      codes.push_back(static_cast<int>(acc & ((1u << width) - 1)));
      acc >>= width;
      have -= width;
    }
  }
  return codes;
}

std::vector<uint8_t> Encode(const std::vector<uint8_t>& pixels, int bits, int table_size = -1) {
  std::vector<uint8_t> out;
  EncodeRunLengthImageData(pixels, table_size < 0 ? 1 << bits : table_size, bits, out);
  return out;
}

TEST(RunLengthEncoder, OnePixelFrameBytes) {
  // Clear 256, pixel 7, end 257 at 9 bits each: 27 bits in 4 bytes.
  EXPECT_EQ(Encode({7}, 8), (std::vector<uint8_t>{8, 4, 0x00, 0x0F, 0x04, 0x04, 0}));
  // An empty frame sends only the end code.
  EXPECT_EQ(Encode({}, 8), (std::vector<uint8_t>{8, 2, 0x01, 0x01, 0}));
}

TEST(RunLengthEncoder, OneValueFrameUsesGrowingRunCodes) {
  // 1 + 2 + 3 + 4 + 5 pixels: the value once, then codes B, B+1, B+2, B+3.
  const std::vector<int> codes = CodesAtWidth(Encode(std::vector<uint8_t>(15, 9), 8), 9);
  ASSERT_GE(codes.size(), 7u);
  EXPECT_EQ(std::vector<int>(codes.begin(), codes.begin() + 7),
            (std::vector<int>{256, 9, 258, 259, 260, 261, 257}));
  // A run of n pixels costs about sqrt(2n) codes.
  EXPECT_EQ(RunCost(15, 8), 5);
  EXPECT_EQ(RunCost(16, 8), 6);
  const int64_t budget = 4095 - 258, whole = budget * (budget + 1) / 2;
  EXPECT_EQ(RunCost(whole, 8), budget);
  EXPECT_EQ(RunCost(whole + 1, 8), budget + 1);
}

TEST(RunLengthEncoder, NoEqualNeighboursStayAtNineBits) {
  std::vector<uint8_t> pixels(2000);
  for (size_t i = 0; i < pixels.size(); ++i) pixels[i] = static_cast<uint8_t>(i % 2 ? 17 : 200 + i % 50);
  const std::vector<int> codes = CodesAtWidth(Encode(pixels, 8), 9);
  // A clear code before every 254 plain codes, then the end code.
  size_t plain = 0;
  for (size_t i = 0; i < codes.size(); ++i) {
    if (i % 255 == 0 && plain < pixels.size()) {
      ASSERT_EQ(codes[i], 256) << "at code " << i;
    } else if (plain < pixels.size()) {
      ASSERT_EQ(codes[i], pixels[plain++]) << "at code " << i;
    } else {
      EXPECT_EQ(codes[i], 257);
      break;
    }
  }
  EXPECT_EQ(plain, pixels.size());
}

TEST(RunLengthEncoder, RefusesIndexOutsideTable) {
  EXPECT_THROW(
      {
        try {
          Encode({0, 1, 5}, 3, 5);
        } catch (const std::runtime_error& e) {
          EXPECT_STREQ(e.what(), "Color not in color table");
          throw;
        }
      },
      std::runtime_error);
  EXPECT_NO_THROW(Encode({0, 1, 4}, 3, 5));
}

// Frames with mixed structure: singles, short and long runs of a few
// recurring values, so that every path of the encoder is taken.
std::vector<uint8_t> RandomFrame(std::mt19937& rng, size_t size, int bits) {
  std::vector<uint8_t> px;
  px.reserve(size);
  const int colours = 1 << bits;
  std::uniform_int_distribution<int> kind(0, 9), value(0, colours - 1), few(0, std::min(3, colours - 1));
  while (px.size() < size) {
    const int k = kind(rng);
    size_t run = 1;
    if (k >= 5 && k < 8) run = std::uniform_int_distribution<size_t>(2, 40)(rng);
    if (k == 8) run = std::uniform_int_distribution<size_t>(41, 3000)(rng);
    if (k == 9) run = std::uniform_int_distribution<size_t>(3000, 200000)(rng);
    const int v = k >= 5 ? few(rng) : value(rng);
    px.insert(px.end(), std::min(run, size - px.size()), static_cast<uint8_t>(v));
  }
  return px;
}

void ExpectGiflibReads(const std::vector<uint8_t>& pixels, int w, int h, int bits, int mode) {
  codecs::GifFile file;
  file.screen_width = w;
  file.screen_height = h;
  codecs::GifFrame f;
  f.table_bits = bits;
  f.image.width = w;
  f.image.height = h;
  f.image.pixels = pixels;
  f.image.palette.assign(size_t{1} << bits, 0);
  file.frames.push_back(std::move(f));
  const raster::PixelStorage back = codecs::DecodeGif(codecs::EncodeGif(file, mode));
  ASSERT_EQ(back.width(), w);
  ASSERT_EQ(back.height(), h);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      ASSERT_EQ(back.row(y)[x], pixels[static_cast<size_t>(y) * w + x])
          << "pixel " << x << "," << y << " of " << w << "x" << h << " at " << bits << " bits";
}

TEST(RunLengthEncoder, GiflibReadsRandomFrames) {
  std::mt19937 rng(12345);
  for (int i = 0; i < 3000; ++i) {
    const int bits = 1 + i % 8;
    const int w = std::uniform_int_distribution<int>(1, i % 10 == 0 ? 2000 : 300)(rng);
    const int h = std::uniform_int_distribution<int>(1, i % 10 == 0 ? 400 : 60)(rng);
    const std::vector<uint8_t> px = RandomFrame(rng, static_cast<size_t>(w) * h, bits);
    ASSERT_NO_FATAL_FAILURE(ExpectGiflibReads(px, w, h, bits, 0)) << "frame " << i;
  }
}

TEST(RunLengthEncoder, GiflibReadsLongRunsAcrossClears) {
  // Runs long enough to exhaust the code budget several times, between
  // singles of the same and of other values.
  for (int bits : {2, 5, 8}) {
    std::vector<uint8_t> px(3000000, 1);
    for (size_t i = 0; i < px.size(); i += 700001) px[i] = 0;
    ASSERT_NO_FATAL_FAILURE(ExpectGiflibReads(px, 3000, 1000, bits, 0));
  }
}

TEST(LzwImageData, GiflibReadsRandomFrames) {
  std::mt19937 rng(777);
  for (int i = 0; i < 200; ++i) {
    const int bits = 1 + i % 8;
    const int w = std::uniform_int_distribution<int>(1, 200)(rng),
              h = std::uniform_int_distribution<int>(1, 50)(rng);
    ASSERT_NO_FATAL_FAILURE(
        ExpectGiflibReads(RandomFrame(rng, static_cast<size_t>(w) * h, bits), w, h, bits, 1));
  }
}

}  // namespace
}  // namespace zelnor::gif
