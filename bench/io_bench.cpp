// Saving a 1024 x 768 photo-like canvas as GIF (run-length and LZW image
// data), PNG and JPEG, against GD's palette conversion plus GIF writer.  The
// picture is also written as BMP (ZELNOR_BENCH_IMAGE, default
// /tmp/zelnor2-bench-photo.bmp) so that io_pillow.py times Pillow on the very
// same pixels; io_compare.sh runs both.
#include <benchmark/benchmark.h>
#include <gd.h>

#include <cmath>
#include <cstdlib>
#include <fstream>

#include "io/ZelnorIO.h"
#include "io/gif/quantizer.h"
#include "io/gif/rle_encoder.h"
#include "model/pixel_format.h"

namespace {

// Smooth light and shade, a few soft-edged objects and sensor-like noise.
raster::Bitmap& Photo() {
  static raster::Bitmap* photo = [] {
    auto* b = new raster::Bitmap();
    zelnor::SetPixelFormat(*b, zelnor::pf24bit);
    b->SetSize(1024, 768);
    uint32_t seed = 12345;
    auto noise = [&seed] {
      seed = seed * 1103515245u + 12345u;
      return static_cast<int>((seed >> 16) % 13) - 6;
    };
    for (int y = 0; y < 768; ++y) {
      uint8_t* row = b->ScanLine(y);
      for (int x = 0; x < 1024; ++x) {
        const double sky = 0.5 + 0.5 * std::sin(x / 170.0) * std::cos(y / 130.0);
        const double d = std::hypot(x - 600.0, y - 400.0);
        const double ball = d < 180 ? 1.0 - d / 180 : 0.0;
        const int r = static_cast<int>(60 + 120 * sky + 70 * ball) + noise();
        const int g = static_cast<int>(80 + 90 * sky + 20 * ball + 30.0 * y / 768) + noise();
        const int bl = static_cast<int>(150 - 60 * sky + 10 * ball) + noise();
        row[3 * x] = static_cast<uint8_t>(std::clamp(bl, 0, 255));
        row[3 * x + 1] = static_cast<uint8_t>(std::clamp(g, 0, 255));
        row[3 * x + 2] = static_cast<uint8_t>(std::clamp(r, 0, 255));
      }
    }
    const char* path = std::getenv("ZELNOR_BENCH_IMAGE");
    const std::vector<uint8_t> bmp = b->SaveToBmp();
    std::ofstream(path ? path : "/tmp/zelnor2-bench-photo.bmp", std::ios::binary)
        .write(reinterpret_cast<const char*>(bmp.data()), static_cast<std::streamsize>(bmp.size()));
    return b;
  }();
  return *photo;
}

void Save(benchmark::State& state, zelnor::ImageType type, zelnor::CodecSettings settings) {
  const raster::Bitmap& photo = Photo();
  size_t bytes = 0;
  for (auto _ : state) {
    zelnor::MemoryStream out = zelnor::EncodeCanvasImage(type, photo, settings, false, 0, 0);
    bytes = out.size();
    benchmark::DoNotOptimize(out.data());
  }
  state.counters["bytes"] = static_cast<double>(bytes);
}

void BM_SaveGifRunLength(benchmark::State& s) { Save(s, zelnor::itGIF, {0, 100, false, 7}); }
void BM_SaveGifLzw(benchmark::State& s) { Save(s, zelnor::itGIF, {1, 100, false, 7}); }
void BM_SavePng(benchmark::State& s) { Save(s, zelnor::itPNG, {0, 100, false, 7}); }
void BM_SaveJpeg(benchmark::State& s) { Save(s, zelnor::itJPEG, {0, 100, false, 7}); }
void BM_SaveJpegQuality75(benchmark::State& s) { Save(s, zelnor::itJPEG, {0, 75, false, 7}); }

// The steps of the GIF save on their own.
void BM_ColourReduction(benchmark::State& state) {
  const raster::PixelStorage& p = Photo().Storage();
  for (auto _ : state) {
    zelnor::gif::IndexedImage im = zelnor::gif::ReduceColors({p.width(), p.height(), p.stride(), p.row(0)});
    benchmark::DoNotOptimize(im.pixels.data());
  }
}

// GD: true colour to a 256-colour palette with dithering, then its GIF writer.
void BM_GdPaletteAndGif(benchmark::State& state) {
  const raster::Bitmap& photo = Photo();
  gdImagePtr im = gdImageCreateTrueColor(1024, 768);
  for (int y = 0; y < 768; ++y) {
    const uint8_t* row = photo.ScanLine(y);
    for (int x = 0; x < 1024; ++x)
      gdImageSetPixel(im, x, y, gdTrueColor(row[3 * x + 2], row[3 * x + 1], row[3 * x]));
  }
  int size = 0;
  for (auto _ : state) {
    gdImagePtr pal = gdImageCreatePaletteFromTrueColor(im, 1, 256);
    void* gif = gdImageGifPtr(pal, &size);
    benchmark::DoNotOptimize(gif);
    gdFree(gif);
    gdImageDestroy(pal);
  }
  gdImageDestroy(im);
  state.counters["bytes"] = size;
}

BENCHMARK(BM_SaveGifRunLength)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveGifLzw)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ColourReduction)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GdPaletteAndGif)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SavePng)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJpeg)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_SaveJpegQuality75)->Unit(benchmark::kMillisecond);

}  // namespace

namespace {
void BM_PaletteOnly(benchmark::State& state) {
  const raster::PixelStorage& p = Photo().Storage();
  for (auto _ : state) {
    raster::Palette pal = zelnor::gif::OptimisedPalette({p.width(), p.height(), p.stride(), p.row(0)});
    benchmark::DoNotOptimize(pal.data());
  }
}
void BM_DitherOnly(benchmark::State& state) {
  const raster::PixelStorage& p = Photo().Storage();
  zelnor::gif::BgrImage img{p.width(), p.height(), p.stride(), p.row(0)};
  raster::Palette pal = zelnor::gif::OptimisedPalette(img);
  for (auto _ : state) {
    auto px = zelnor::gif::DitherToPalette(img, pal);
    benchmark::DoNotOptimize(px.data());
  }
}
void BM_RleOnly(benchmark::State& state) {
  const raster::PixelStorage& p = Photo().Storage();
  auto im = zelnor::gif::ReduceColors({p.width(), p.height(), p.stride(), p.row(0)});
  for (auto _ : state) {
    std::vector<uint8_t> out;
    zelnor::gif::EncodeRunLengthImageData(im.pixels, 256, 8, out);
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_PaletteOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_DitherOnly)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RleOnly)->Unit(benchmark::kMillisecond);
}  // namespace
