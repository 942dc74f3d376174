// Colour effects, the compositing draw and the 3 x 3 filters on a 4000 x 3000
// 24-bit canvas, next to a plain read-and-write pass over the same bytes
// (the memory-speed floor), on one thread and on two.
#include <benchmark/benchmark.h>

#include "effects/ZelnorEffects.h"
#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/parallel.h"

namespace {

constexpr int kW = 4000, kH = 3000;

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

raster::Bitmap& Canvas() {
  static raster::Bitmap b;
  if (b.Empty()) {
    zelnor::SetPixelFormat(b, zelnor::pf24bit);
    b.SetSize(kW, kH);
  }
  return b;
}

// Fresh picture before every iteration, outside the timing.
template <class F>
void Run(benchmark::State& state, F&& effect) {
  raster::Bitmap& b = Canvas();
  for (auto _ : state) {
    state.PauseTiming();
    if (zelnor::PixelFormatOf(b) != zelnor::pf24bit || b.Width() != kW) {
      b.SetSize(0, 0);  // drop the mask rather than convert it back
      zelnor::SetPixelFormat(b, zelnor::pf24bit);
      b.SetSize(kW, kH);
    }
    PaintPhotoLike(b);
    state.ResumeTiming();
    benchmark::DoNotOptimize(effect(b));
  }
  state.SetBytesProcessed(state.iterations() * int64_t{kW} * kH * 3);
}

// Every byte read and written once, in place: what the memory allows.
void BM_MemoryFloor(benchmark::State& state) {
  const bool two = state.range(0) == 2;
  Run(state, [two](raster::Bitmap& b) {
    auto band = [&](int first, int end) {
      for (int y = first; y < end; ++y) {
        uint8_t* p = b.ScanLine(y);
        for (int i = 0; i < kW * 3; ++i) p[i] = static_cast<uint8_t>(p[i] + 1);
      }
    };
    if (two)
      raster::ParallelFor(kH, int64_t{kW} * kH * 3, band);
    else
      band(0, kH);
    return 0;
  });
}
BENCHMARK(BM_MemoryFloor)
    ->Arg(1)
    ->Arg(2)
    ->ArgName("threads")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

void BM_Gray(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) { return zelnor::GrayBitmap(0, 0, 0, b); });
}
void BM_Gamma(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) { return zelnor::GammaBitmap(1, b); });
}
void BM_Contrast(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) { return zelnor::ContrastBitmap(50, b); });
}
void BM_Reversal(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) { return zelnor::ReversalBitmap(b); });
}
void BM_Mask(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) { return zelnor::MaskBitmap(0x00102030, false, b); });
}
BENCHMARK(BM_Gray)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_Gamma)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_Contrast)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_Reversal)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_Mask)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_CopyModeDrawSrcInvert(benchmark::State& state) {
  raster::Bitmap src;
  zelnor::SetPixelFormat(src, zelnor::pf24bit);
  src.SetSize(kW, kH);
  PaintPhotoLike(src);
  Run(state, [&](raster::Bitmap& b) {
    zelnor::CopyModeDraw(0, 0, 13, src, b);
    return 0;
  });
}
BENCHMARK(BM_CopyModeDrawSrcInvert)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

void BM_Sharp(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) { return zelnor::SharpBitmap(b); });
}
void BM_Dull(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) { return zelnor::DullBitmap(b); });
}
// An emboss-like kernel (small weights) and one whose sums need 32 bits.
void BM_CustomEmboss(benchmark::State& s) {
  Run(s,
      [](raster::Bitmap& b) { return zelnor::CustomFilterBitmap(-2, -1, 0, -1, 1, 1, 0, 1, 2, 128, 1, b); });
}
void BM_CustomLargeWeights(benchmark::State& s) {
  Run(s, [](raster::Bitmap& b) {
    return zelnor::CustomFilterBitmap(100, 200, 100, 200, 400, 200, 100, 200, 100, 0, 255, b);
  });
}
BENCHMARK(BM_Sharp)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_Dull)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_CustomEmboss)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();
BENCHMARK(BM_CustomLargeWeights)->Unit(benchmark::kMillisecond)->UseRealTime()->MeasureProcessCPUTime();

}  // namespace
