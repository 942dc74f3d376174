// Where the time of converting one photo goes: libjpeg's own decode loop
// into a buffer that is already mapped (the floor), our decoder, the load
// from a file into a reused work bitmap, the reduced decodes of --draft, and
// one whole file converted to a 160 x 160 thumbnail.
//
// The photo is $ZELNOR_CONVERT_BENCH_PHOTO (convert_compare.py passes one of
// its generated 4000 x 3000 photos); without it, a synthetic 4000 x 3000
// picture is encoded at quality 90 into a temporary file.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "io/ZelnorConvert.h"
#include "io/ZelnorLoad.h"
#include "io/codecs/jpeg_codec.h"

namespace {

namespace fs = std::filesystem;

raster::PixelStorage Texture(int w, int h) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  uint32_t seed = 12345;
  for (int y = 0; y < h; ++y) {
    uint8_t* row = p.row(y);
    for (int x = 0; x < 3 * w; ++x) {
      seed = seed * 1103515245u + 12345u;
      row[x] = static_cast<uint8_t>((x / 3 + y) / 40 * 9 + (seed >> 27));
    }
  }
  return p;
}

const std::string& PhotoPath() {
  static const std::string path = [] {
    if (const char* given = std::getenv("ZELNOR_CONVERT_BENCH_PHOTO")) return std::string(given);
    const fs::path made =
        fs::temp_directory_path() / ("zelnor2-convert-bench-" + std::to_string(getpid()) + ".jpg");
    const std::vector<uint8_t> bytes = zelnor::codecs::EncodeJpeg(Texture(4000, 3000), {90, false});
    std::ofstream(made, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::atexit([] { fs::remove(PhotoPath()); });
    return made.string();
  }();
  return path;
}

const std::vector<uint8_t>& PhotoBytes() {
  static const std::vector<uint8_t> bytes = *zelnor::ReadImageFile(PhotoPath());
  return bytes;
}

// libjpeg alone: the same output colour space, into one buffer that every
// iteration reuses: with range 1 a pixel block (mapped in huge pages), with
// 0 the heap, where the writes miss the address cache about a quarter more.
void BM_LibjpegAlone(benchmark::State& state) {
  const std::vector<uint8_t>& bytes = PhotoBytes();
  std::vector<uint8_t> heap;
  raster::PixelStorage block;
  for (auto _ : state) {
    jpeg_decompress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_decompress(&cinfo);
    jpeg_mem_src(&cinfo, bytes.data(), bytes.size());
    jpeg_read_header(&cinfo, TRUE);
    cinfo.out_color_space = JCS_EXT_BGR;
    jpeg_start_decompress(&cinfo);
    const int w = static_cast<int>(cinfo.output_width), h = static_cast<int>(cinfo.output_height);
    if (state.range(0) && block.empty()) block = raster::PixelStorage(w, h, raster::PixelLayout{24}, {});
    if (!state.range(0)) heap.resize(size_t{cinfo.output_width} * 3 * cinfo.output_height);
    const size_t stride =
        state.range(0) ? static_cast<size_t>(block.stride()) : size_t{cinfo.output_width} * 3;
    uint8_t* const pixels = state.range(0) ? block.row(0) : heap.data();
    while (cinfo.output_scanline < cinfo.output_height) {
      JSAMPROW row = pixels + stride * cinfo.output_scanline;
      jpeg_read_scanlines(&cinfo, &row, 1);
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    benchmark::DoNotOptimize(pixels);
  }
}
BENCHMARK(BM_LibjpegAlone)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

void BM_DecodeJpeg(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zelnor::codecs::DecodeJpeg(PhotoBytes()));
}
BENCHMARK(BM_DecodeJpeg)->Unit(benchmark::kMillisecond);

void BM_ReadImageFile(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(zelnor::ReadImageFile(PhotoPath()));
}
BENCHMARK(BM_ReadImageFile)->Unit(benchmark::kMillisecond);

// The load step of the conversion: file to work bitmap, replace mode.
void BM_LoadImageFile(benchmark::State& state) {
  raster::Bitmap work;
  for (auto _ : state) zelnor::LoadImageFile(PhotoPath(), false, 0, 0, 0, work);
}
BENCHMARK(BM_LoadImageFile)->Unit(benchmark::kMillisecond);

void BM_DecodeJpegScaled(benchmark::State& state) {
  const int denominator = static_cast<int>(state.range(0));
  for (auto _ : state)
    benchmark::DoNotOptimize(zelnor::codecs::DecodeJpeg(PhotoBytes(), [=](int, int) { return denominator; }));
}
BENCHMARK(BM_DecodeJpegScaled)->Arg(2)->Arg(4)->Arg(8)->Unit(benchmark::kMillisecond);

// One file to a 160 x 160 high-quality thumbnail, as 'zelnor2 convert
// --size 160x160 --hiq' does it (range 1: with --draft).
void BM_ConvertImageFile(benchmark::State& state) {
  const fs::path out = fs::temp_directory_path() / ("zelnor2-convert-bench-out-" + std::to_string(getpid()));
  fs::create_directories(out);
  zelnor::ConvertOptions options;
  options.width = options.height = 160;
  options.hiq = true;
  options.draft = state.range(0) != 0;
  const zelnor::TargetSelection target{out.string() + "/", {}};
  raster::Bitmap work;
  for (auto _ : state) zelnor::ConvertImageFile(PhotoPath(), target, options, {}, work);
  fs::remove_all(out);
}
BENCHMARK(BM_ConvertImageFile)->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond);

}  // namespace
