// Pixel-format conversion and BMP write/read of a 4000 x 3000 picture.
#include <benchmark/benchmark.h>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"

namespace {

void PaintPhotoLike(raster::Bitmap& b) {
  for (int y = 0; y < b.Height(); ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < b.Width(); ++x) {
      row[3 * x] = static_cast<uint8_t>((x * 7 + y * 3) & 0xFF);
      row[3 * x + 1] = static_cast<uint8_t>((x ^ y) & 0xFF);
      row[3 * x + 2] = static_cast<uint8_t>((x + y * 5) >> 4);
    }
  }
}

void MakePhoto(raster::Bitmap& b) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(4000, 3000);
  PaintPhotoLike(b);
}

// 24 bits to the format given by the argument, timed one way.
void BM_Convert24To(benchmark::State& state) {
  raster::Bitmap b;
  MakePhoto(b);
  const raster::PixelStorage& src = b.Storage();
  const raster::PixelLayout layout = zelnor::LayoutOfFormat(static_cast<int>(state.range(0)));
  const raster::Palette pal = raster::DefaultPaletteFor(layout.bits);
  for (auto _ : state) benchmark::DoNotOptimize(raster::ConvertStorage(src, layout, pal));
}
BENCHMARK(BM_Convert24To)
    ->Arg(zelnor::pf1bit)
    ->Arg(zelnor::pf8bit)
    ->Arg(zelnor::pf16bit)
    ->Arg(zelnor::pf32bit)
    ->Unit(benchmark::kMillisecond);

// The format given by the argument back to 24 bits.
void BM_ConvertTo24From(benchmark::State& state) {
  raster::Bitmap b;
  MakePhoto(b);
  zelnor::SetPixelFormat(b, static_cast<int>(state.range(0)));
  const raster::PixelStorage& src = b.Storage();
  for (auto _ : state) benchmark::DoNotOptimize(raster::ConvertStorage(src, raster::PixelLayout{24}, {}));
}
BENCHMARK(BM_ConvertTo24From)
    ->Arg(zelnor::pf1bit)
    ->Arg(zelnor::pf8bit)
    ->Arg(zelnor::pf16bit)
    ->Arg(zelnor::pf32bit)
    ->Unit(benchmark::kMillisecond);

void BM_Convert24To8AndBack(benchmark::State& state) {
  raster::Bitmap b;
  MakePhoto(b);
  for (auto _ : state) {
    zelnor::SetPixelFormat(b, zelnor::pf8bit);
    zelnor::SetPixelFormat(b, zelnor::pf24bit);
  }
}
BENCHMARK(BM_Convert24To8AndBack)->Unit(benchmark::kMillisecond);

void BM_BmpWrite(benchmark::State& state) {
  raster::Bitmap b;
  MakePhoto(b);
  for (auto _ : state) benchmark::DoNotOptimize(b.SaveToBmp());
}
BENCHMARK(BM_BmpWrite)->Unit(benchmark::kMillisecond);

void BM_BmpRead(benchmark::State& state) {
  raster::Bitmap b, c;
  MakePhoto(b);
  const auto bytes = b.SaveToBmp();
  for (auto _ : state) {
    c.LoadFromBmp(bytes);
    benchmark::DoNotOptimize(c.Width());
  }
}
BENCHMARK(BM_BmpRead)->Unit(benchmark::kMillisecond);

}  // namespace
