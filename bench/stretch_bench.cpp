// Resizing a canvas: the high-quality resampler (thumbnail of a photo-sized
// canvas, exact enlargement) and the nearest-pixel fast path.  The picture
// is the one bench/stretch_compare.py gives Pillow and vips.
#include <benchmark/benchmark.h>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "stretchf/resample_onto.h"
#include "stretchf/stretchf.h"

namespace {

// A smooth picture with some texture: gradients plus a fine pattern.
void PaintPhotoLike(raster::Bitmap& b, int w, int h) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(w, h);
  for (int y = 0; y < h; ++y) {
    uint8_t* row = b.ScanLine(y);
    for (int x = 0; x < w; ++x) {
      row[3 * x] = static_cast<uint8_t>((x * 255 / w + ((x ^ y) & 15)) & 0xFF);
      row[3 * x + 1] = static_cast<uint8_t>((y * 255 / h + ((x * 3 + y) & 31)) & 0xFF);
      row[3 * x + 2] = static_cast<uint8_t>(((x + y) * 255 / (w + h) + ((x * y) & 7)) & 0xFF);
    }
  }
}

// Each iteration resizes a fresh copy of the picture; the copy is not timed.
void Run(benchmark::State& state, int w, int h, int nw, int nh, bool hiq, bool exact) {
  raster::Bitmap original, canvas;
  PaintPhotoLike(original, w, h);
  for (auto _ : state) {
    state.PauseTiming();
    canvas.Assign(original);
    state.ResumeTiming();
    zelnor::StretchBitmap(nw, nh, hiq, canvas, exact);
    benchmark::DoNotOptimize(canvas.ScanLine(0));
  }
  state.counters["Mpix_in"] =
      benchmark::Counter(static_cast<double>(w) * h * static_cast<double>(state.iterations()) / 1e6,
                         benchmark::Counter::kIsRate);
}

void BM_HiQThumbnail_4000x3000_to_160x160(benchmark::State& s) { Run(s, 4000, 3000, 160, 160, true, false); }
void BM_HiQExact_640x480_to_1600x1200(benchmark::State& s) { Run(s, 640, 480, 1600, 1200, true, true); }
void BM_HiQExact_4000x3000_to_1000x750(benchmark::State& s) { Run(s, 4000, 3000, 1000, 750, true, true); }
void BM_FastThumbnail_4000x3000_to_160x160(benchmark::State& s) {
  Run(s, 4000, 3000, 160, 160, false, false);
}
void BM_FastExact_640x480_to_1600x1200(benchmark::State& s) { Run(s, 640, 480, 1600, 1200, false, true); }

BENCHMARK(BM_HiQThumbnail_4000x3000_to_160x160)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_HiQExact_640x480_to_1600x1200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_HiQExact_4000x3000_to_1000x750)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_FastThumbnail_4000x3000_to_160x160)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();
BENCHMARK(BM_FastExact_640x480_to_1600x1200)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The thumbnail's resampling alone, without making the box or freeing the
// replaced picture (what Pillow's and vips's figures cover).
void BM_HiQThumbnailResampleOnly_4000x3000_to_160x119(benchmark::State& state) {
  raster::Bitmap canvas, box;
  PaintPhotoLike(canvas, 4000, 3000);
  PaintPhotoLike(box, 160, 160);
  for (auto _ : state) {
    zelnor::ResampleOnto(canvas, box, 0, 20, 160, 119);
    benchmark::DoNotOptimize(box.ScanLine(0));
  }
}
BENCHMARK(BM_HiQThumbnailResampleOnly_4000x3000_to_160x119)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->MeasureProcessCPUTime();

// The passes alone, in CPU time of all threads (what they cost the machine).
void Pass(benchmark::State& state, int w, int h, int nw, int nh, bool along_x) {
  raster::Bitmap src, dst;
  PaintPhotoLike(src, w, h);
  zelnor::SetPixelFormat(dst, zelnor::pf24bit);
  dst.SetSize(nw, nh);
  for (auto _ : state) {
    if (along_x)
      nw > w ? zelnor::CubicStretchX(src, dst) : zelnor::AreaShrinkX(src, dst);
    else
      nh > h ? zelnor::CubicStretchY(src, dst) : zelnor::AreaShrinkY(src, dst);
    benchmark::DoNotOptimize(dst.ScanLine(0));
  }
}
void BM_AreaShrinkX_4000_to_160(benchmark::State& s) { Pass(s, 4000, 3000, 160, 3000, true); }
void BM_AreaShrinkX_4000_to_1000(benchmark::State& s) { Pass(s, 4000, 3000, 1000, 3000, true); }
void BM_AreaShrinkY_3000_to_750(benchmark::State& s) { Pass(s, 1000, 3000, 1000, 750, false); }
void BM_CubicStretchX_640_to_1600(benchmark::State& s) { Pass(s, 640, 480, 1600, 480, true); }
void BM_CubicStretchY_480_to_1200(benchmark::State& s) { Pass(s, 1600, 480, 1600, 1200, false); }
BENCHMARK(BM_AreaShrinkX_4000_to_160)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_AreaShrinkX_4000_to_1000)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_AreaShrinkY_3000_to_750)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CubicStretchX_640_to_1600)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();
BENCHMARK(BM_CubicStretchY_480_to_1200)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
