// BMP files read from disk with their rows going straight into the picture
// give exactly the picture (and the failure) of the same bytes decoded in
// memory: every depth, both row orders, row padding that holds garbage,
// run-length files, files too short for their rows, and small files.
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>

#include "io/ZelnorLoad.h"
#include "io/codecs/bmp_codec.h"
#include "platform/raster/bitmap.h"
#include "tests/io/load/load_images.h"

namespace zelnor {
namespace {

namespace fs = std::filesystem;

class BmpFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelnor2-bmpfile-" + std::to_string(getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override { fs::remove_all(dir_); }

  std::string Write(const std::vector<uint8_t>& bytes) {
    const std::string path = (dir_ / ("f" + std::to_string(count_++) + ".bmp")).string();
    std::ofstream(path, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    return path;
  }

  // Decodes the bytes both ways; both must succeed with the same storage or
  // fail with the same message.
  void ExpectSameBothWays(const std::vector<uint8_t>& bytes, const std::string& what) {
    SCOPED_TRACE(what);
    std::string memory_error, file_error;
    raster::PixelStorage in_memory, from_file;
    try {
      in_memory = codecs::DecodeBmp(bytes);
    } catch (const std::exception& e) {
      memory_error = e.what();
    }
    const std::optional<sysplat::RegularFile> file =
        sysplat::RegularFile::Open(Write(bytes), int64_t{1} << 31);
    ASSERT_TRUE(file);
    try {
      from_file = codecs::DecodeBmpFile(*file);
    } catch (const std::exception& e) {
      file_error = e.what();
    }
    ASSERT_EQ(file_error, memory_error);
    if (!memory_error.empty()) return;
    ASSERT_EQ(from_file.width(), in_memory.width());
    ASSERT_EQ(from_file.height(), in_memory.height());
    EXPECT_EQ(from_file.layout(), in_memory.layout());
    EXPECT_EQ(from_file.palette(), in_memory.palette());
    const size_t bytes_per_picture = static_cast<size_t>(in_memory.stride()) * in_memory.height();
    EXPECT_EQ(std::memcmp(from_file.row(0), in_memory.row(0), bytes_per_picture), 0);
  }

  fs::path dir_;
  int count_ = 0;
};

std::vector<uint8_t> BmpOf(raster::PixelStorage p) {
  raster::Bitmap b;
  b.TakeStorage(std::move(p));
  return b.SaveToBmp();
}

uint32_t Le32(const std::vector<uint8_t>& b, size_t at) {
  return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

void PutLe32(std::vector<uint8_t>& b, size_t at, uint32_t v) {
  for (size_t i = 0; i < 4; ++i) b[at + i] = static_cast<uint8_t>(v >> (8 * i));
}

raster::PixelStorage Converted(int bits, const raster::PixelLayout& layout) {
  raster::PixelStorage p = testing_images::Pattern(301, 257);
  raster::Palette pal;
  for (int i = 0; i < (1 << std::min(bits, 8)); ++i) pal.push_back(raster::Rgb(i * 37 % 256, i, 255 - i));
  return raster::ConvertStorage(p, layout, bits <= 8 ? pal : raster::Palette{});
}

TEST_F(BmpFileTest, EveryDepthGivesTheSamePicture) {
  for (int bits : {1, 4, 8, 16, 24, 32}) {
    const raster::PixelLayout layout = bits == 16 ? raster::kLayout565 : raster::PixelLayout{bits};
    ExpectSameBothWays(BmpOf(Converted(bits, layout)), std::to_string(bits) + " bits");
  }
  ExpectSameBothWays(BmpOf(testing_images::Pattern(20, 10)), "a file smaller than the header read");
}

// Width 301 at 24 bits leaves one byte of padding a row; the file's padding
// is not the picture's, which keeps its padding zero.
TEST_F(BmpFileTest, PaddingAndRowOrder) {
  std::vector<uint8_t> bytes = BmpOf(testing_images::Pattern(301, 257));
  const size_t data = Le32(bytes, 10), stride = 904;
  for (size_t row = 0; row < 257; ++row) bytes[data + row * stride + 903] = 0xAB;
  ExpectSameBothWays(bytes, "bottom-up, garbage padding");

  std::vector<uint8_t> top_down = bytes;
  PutLe32(top_down, 22, static_cast<uint32_t>(-257));
  ExpectSameBothWays(top_down, "top-down");

  std::vector<uint8_t> no_last_padding = bytes;
  no_last_padding.pop_back();
  ExpectSameBothWays(no_last_padding, "the last row without its padding");
}

TEST_F(BmpFileTest, ShortFilesFailAlike) {
  const std::vector<uint8_t> bytes = BmpOf(testing_images::Pattern(301, 257));
  ExpectSameBothWays(std::vector<uint8_t>(bytes.begin(), bytes.end() - 905), "a row missing");
  std::vector<uint8_t> far_offset = bytes;
  PutLe32(far_offset, 10, static_cast<uint32_t>(bytes.size() - 100));
  ExpectSameBothWays(far_offset, "rows that start near the end");
  std::vector<uint8_t> bad_depth = bytes;
  bad_depth[28] = 7;
  ExpectSameBothWays(bad_depth, "an unknown depth");
}

// Run-length data is decoded from the whole file.
TEST_F(BmpFileTest, RunLengthFileLargerThanTheHead) {
  const int w = 300, h = 12000;
  std::vector<uint8_t> bytes =
      BmpOf(raster::PixelStorage(w, h, raster::PixelLayout{8}, raster::Palette(256, 0)));
  const size_t data = Le32(bytes, 10);
  bytes.resize(data);
  for (int y = 0; y < h; ++y)
    bytes.insert(bytes.end(), {255, static_cast<uint8_t>(y), 45, static_cast<uint8_t>(y * 3), 0, 0});
  bytes.insert(bytes.end(), {0, 1});
  PutLe32(bytes, 30, 1);  // BI_RLE8
  PutLe32(bytes, 2, static_cast<uint32_t>(bytes.size()));
  ASSERT_GT(bytes.size(), size_t{64} << 10);
  ExpectSameBothWays(bytes, "RLE8");
}

// Loading from a file into a canvas goes through the same reader.
TEST_F(BmpFileTest, LoadFromFileReplacesTheCanvas) {
  const raster::PixelStorage p = testing_images::Pattern(301, 257, 5);
  const std::string path = Write(BmpOf(p.Clone()));
  raster::Bitmap canvas;
  ASSERT_EQ(LoadImageFile(path, false, 0, 0, 0, canvas), 0);
  ASSERT_EQ(canvas.Width(), 301);
  EXPECT_EQ(std::memcmp(canvas.Storage().row(0), p.row(0), static_cast<size_t>(p.stride()) * 257), 0);
}

}  // namespace
}  // namespace zelnor
