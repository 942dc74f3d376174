// Pixel-format conversion and BMP write/read of a 4000 x 3000 picture.
#include <benchmark/benchmark.h>

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

void BM_Convert24To8AndBack(benchmark::State& state) {
  raster::Bitmap b;
  b.SetPixelFormat(raster::pf24bit);
  b.SetSize(4000, 3000);
  PaintPhotoLike(b);
  for (auto _ : state) {
    b.SetPixelFormat(raster::pf8bit);
    b.SetPixelFormat(raster::pf24bit);
  }
}
BENCHMARK(BM_Convert24To8AndBack)->Unit(benchmark::kMillisecond);

void BM_BmpWriteRead(benchmark::State& state) {
  raster::Bitmap b, c;
  b.SetPixelFormat(raster::pf24bit);
  b.SetSize(4000, 3000);
  PaintPhotoLike(b);
  for (auto _ : state) {
    auto bytes = b.SaveToBmp();
    c.LoadFromBmp(bytes);
    benchmark::DoNotOptimize(c.Width());
  }
}
BENCHMARK(BM_BmpWriteRead)->Unit(benchmark::kMillisecond);

}  // namespace
