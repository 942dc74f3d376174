// The codec stages beside the bare libraries with the same options, in one
// program: JPEG encoding of a 4000 x 3000 photo at quality 85 and 100 (ours
// through the save routine and libjpeg alone, fed B, G, R rows into a buffer
// it allocates once), loading a 4000 x 3000 24-bit BMP file, one 1024 x 768
// GIF (and its palette and dithering stages) and a 10-frame 320 x 240
// animated GIF.  speed_table.py runs it and puts its figures beside the
// peers'.
#include <benchmark/benchmark.h>
#include <jpeglib.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "bench/synthetic_photo.h"
#include "io/ZelnorIO.h"
#include "io/ZelnorLoad.h"
#include "io/codecs/gif_codec.h"
#include "io/gif/quantizer.h"
#include "model/pixel_format.h"
#ifdef ZELNOR_BENCH_GD
#include <gd.h>
#endif

namespace {

namespace fs = std::filesystem;

using bench::Photo;

const raster::Bitmap& BigPhoto() {
  static const raster::Bitmap* photo = [] {
    auto* b = new raster::Bitmap();
    b->TakeStorage(Photo(4000, 3000, 12345));
    return b;
  }();
  return *photo;
}

// ------------------------------------------------------------------ JPEG

void BM_SaveJpeg(benchmark::State& state) {
  zelnor::CodecSettings settings{0, static_cast<int>(state.range(0)), false, 7};
  size_t bytes = 0;
  for (auto _ : state) {
    zelnor::MemoryStream out = zelnor::EncodeCanvasImage(zelnor::itJPEG, BigPhoto(), settings, false, 0, 0);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}
BENCHMARK(BM_SaveJpeg)->Arg(85)->Arg(100)->Unit(benchmark::kMillisecond);

// libjpeg alone with the options of our encoder: defaults, float DCT, forced
// baseline tables, B, G, R rows straight from the picture, all rows in one
// call, into a destination buffer that it sizes itself.
void BM_LibjpegAloneEncode(benchmark::State& state) {
  const raster::PixelStorage& p = BigPhoto().Storage();
  std::vector<JSAMPROW> rows(static_cast<size_t>(p.height()));
  for (int y = 0; y < p.height(); ++y) rows[static_cast<size_t>(y)] = const_cast<uint8_t*>(p.row(y));
  unsigned long size = 0;
  for (auto _ : state) {
    jpeg_compress_struct cinfo;
    jpeg_error_mgr err;
    cinfo.err = jpeg_std_error(&err);
    jpeg_create_compress(&cinfo);
    unsigned char* buffer = nullptr;
    size = 0;
    jpeg_mem_dest(&cinfo, &buffer, &size);
    cinfo.image_width = static_cast<JDIMENSION>(p.width());
    cinfo.image_height = static_cast<JDIMENSION>(p.height());
    cinfo.input_components = 3;
    cinfo.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&cinfo);
    cinfo.dct_method = JDCT_FLOAT;
    jpeg_set_quality(&cinfo, static_cast<int>(state.range(0)), TRUE);
    jpeg_start_compress(&cinfo, TRUE);
    jpeg_write_scanlines(&cinfo, rows.data(), static_cast<JDIMENSION>(p.height()));
    jpeg_finish_compress(&cinfo);
    jpeg_destroy_compress(&cinfo);
    benchmark::DoNotOptimize(buffer);
    std::free(buffer);
  }
  state.counters["bytes"] = static_cast<double>(size);
}
BENCHMARK(BM_LibjpegAloneEncode)->Arg(85)->Arg(100)->Unit(benchmark::kMillisecond);

// ------------------------------------------------------------------ BMP load

const std::string& BmpPath() {
  static const std::string path = [] {
    const fs::path made =
        fs::temp_directory_path() / ("zelnor2-codec-bench-" + std::to_string(getpid()) + ".bmp");
    const std::vector<uint8_t> bytes = BigPhoto().SaveToBmp();
    std::ofstream(made, std::ios::binary)
        .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
    std::atexit([] { fs::remove(BmpPath()); });
    return made.string();
  }();
  return path;
}

// Replace mode into one canvas, as a script's repeated loads do.
void BM_LoadBmpFile(benchmark::State& state) {
  raster::Bitmap canvas;
  for (auto _ : state) zelnor::LoadImageFile(BmpPath(), false, 0, 0, 0, canvas);
}
BENCHMARK(BM_LoadBmpFile)->Unit(benchmark::kMillisecond);

// The pictures and the file are made before the first measurement.
[[maybe_unused]] const bool kPrepared = (BmpPath(), true);

// ------------------------------------------------------------------ GIF

const raster::Bitmap& GifPhoto() {
  static const raster::Bitmap* photo = [] {
    auto* b = new raster::Bitmap();
    b->TakeStorage(Photo(1024, 768, 777));
    return b;
  }();
  return *photo;
}

const std::vector<raster::PixelStorage>& Frames() {
  static const std::vector<raster::PixelStorage> frames = [] {
    std::vector<raster::PixelStorage> f;
    for (uint32_t i = 0; i < 10; ++i) f.push_back(Photo(320, 240, 1000 + i));
    return f;
  }();
  return frames;
}

void BM_SaveGif1024x768(benchmark::State& state) {
  for (auto _ : state) {
    zelnor::MemoryStream out =
        zelnor::EncodeCanvasImage(zelnor::itGIF, GifPhoto(), {0, 100, false, 7}, false, 0, 0);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SaveGif1024x768)->Unit(benchmark::kMillisecond);

void BM_SaveAnimatedGif10x320x240(benchmark::State& state) {
  std::vector<const raster::PixelStorage*> pictures;
  for (const auto& f : Frames()) pictures.push_back(&f);
  for (auto _ : state) {
    std::vector<uint8_t> out = zelnor::codecs::EncodeAnimatedGif(pictures, {0, 10, false, 0, 0}, 0);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_SaveAnimatedGif10x320x240)->Unit(benchmark::kMillisecond);

// The stages of the single GIF on one thread: the octree palette and the
// dithering (the run-length data follows the dithering on the other core).
zelnor::gif::BgrImage GifPhotoRows() {
  const raster::PixelStorage& p = GifPhoto().Storage();
  return {p.width(), p.height(), p.stride(), p.row(0)};
}

void BM_GifPalette1024x768(benchmark::State& state) {
  const zelnor::gif::BgrImage img = GifPhotoRows();
  for (auto _ : state) benchmark::DoNotOptimize(zelnor::gif::OptimisedPalette(img));
}
BENCHMARK(BM_GifPalette1024x768)->Unit(benchmark::kMillisecond);

void BM_GifDither1024x768(benchmark::State& state) {
  const zelnor::gif::BgrImage img = GifPhotoRows();
  const raster::Palette palette = zelnor::gif::OptimisedPalette(img);
  for (auto _ : state) benchmark::DoNotOptimize(zelnor::gif::DitherToPalette(img, palette));
}
BENCHMARK(BM_GifDither1024x768)->Unit(benchmark::kMillisecond);

#ifdef ZELNOR_BENCH_GD
// GD: true colour to a 256-colour palette with dithering, then its GIF
// writer; for the animation, one palette and frame per picture.
gdImagePtr GdTrueColour(const raster::PixelStorage& p) {
  gdImagePtr im = gdImageCreateTrueColor(p.width(), p.height());
  for (int y = 0; y < p.height(); ++y) {
    const uint8_t* row = p.row(y);
    for (int x = 0; x < p.width(); ++x)
      gdImageSetPixel(im, x, y, gdTrueColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
  }
  return im;
}

void BM_GdGif1024x768(benchmark::State& state) {
  gdImagePtr im = GdTrueColour(GifPhoto().Storage());
  for (auto _ : state) {
    gdImagePtr pal = gdImageCreatePaletteFromTrueColor(im, 1, 256);
    int size = 0;
    void* gif = gdImageGifPtr(pal, &size);
    benchmark::DoNotOptimize(gif);
    gdFree(gif);
    gdImageDestroy(pal);
  }
  gdImageDestroy(im);
}
BENCHMARK(BM_GdGif1024x768)->Unit(benchmark::kMillisecond);

void BM_GdAnimatedGif10x320x240(benchmark::State& state) {
  std::vector<gdImagePtr> frames;
  for (const auto& f : Frames()) frames.push_back(GdTrueColour(f));
  for (auto _ : state) {
    std::vector<gdImagePtr> pals;
    for (gdImagePtr f : frames) pals.push_back(gdImageCreatePaletteFromTrueColor(f, 1, 256));
    int size = 0, part = 0;
    void* head = gdImageGifAnimBeginPtr(pals[0], &size, 0, 0);
    gdFree(head);
    for (gdImagePtr p : pals) {
      void* frame = gdImageGifAnimAddPtr(p, &part, 1, 0, 0, 10, gdDisposalNone, nullptr);
      benchmark::DoNotOptimize(frame);
      gdFree(frame);
    }
    void* tail = gdImageGifAnimEndPtr(&part);
    gdFree(tail);
    for (gdImagePtr p : pals) gdImageDestroy(p);
  }
  for (gdImagePtr f : frames) gdImageDestroy(f);
}
BENCHMARK(BM_GdAnimatedGif10x320x240)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
