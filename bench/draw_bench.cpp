// Figure drawing on a 1024 x 768 24-bit canvas: 10,000 random lines, 2,000
// filled ellipses and 2,000 outlined rounded boxes per iteration, with the
// same figures drawn by GD (true-colour image) for comparison.
#include <benchmark/benchmark.h>

#include <random>
#include <vector>

#include "platform/raster/bitmap.h"
#include "platform/raster/surface.h"
#ifdef ZELNOR_BENCH_GD
#include <gd.h>

#include "model/pixel_format.h"
#endif

namespace {

constexpr int kW = 1024, kH = 768;

struct Figure {
  int x1, y1, x2, y2;
  uint32_t color;
};

std::vector<Figure> RandomFigures(int n, int max_size, uint32_t seed) {
  std::mt19937 rng(seed);
  std::vector<Figure> out;
  for (int i = 0; i < n; ++i) {
    const int x = static_cast<int>(rng() % kW), y = static_cast<int>(rng() % kH);
    const int w = static_cast<int>(rng() % max_size) + 2, h = static_cast<int>(rng() % max_size) + 2;
    out.push_back({x, y, x + w, y + h, static_cast<uint32_t>(rng() & 0xFFFFFF)});
  }
  return out;
}

const std::vector<Figure>& Lines() {
  static const auto v = [] {
    std::mt19937 rng(7);
    std::vector<Figure> out;
    for (int i = 0; i < 10000; ++i)
      out.push_back({static_cast<int>(rng() % kW), static_cast<int>(rng() % kH), static_cast<int>(rng() % kW),
                     static_cast<int>(rng() % kH), static_cast<uint32_t>(rng() & 0xFFFFFF)});
    return out;
  }();
  return v;
}
const std::vector<Figure>& Ellipses() {
  static const auto v = RandomFigures(2000, 120, 11);
  return v;
}
const std::vector<Figure>& RoundBoxes() {
  static const auto v = RandomFigures(2000, 200, 13);
  return v;
}

void BM_Zelnor_Lines(benchmark::State& state) {
  raster::Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(kW, kH);
  raster::Surface& s = b.Canvas();
  for (auto _ : state)
    for (const Figure& f : Lines()) {
      s.SetPenColor(f.color);
      s.ApplyPen();
      s.MoveTo(f.x1, f.y1);
      s.LineTo(f.x2, f.y2);
    }
  benchmark::DoNotOptimize(b.GetPixel(1, 1));
}
BENCHMARK(BM_Zelnor_Lines)->Unit(benchmark::kMillisecond);

void BM_Zelnor_FilledEllipses(benchmark::State& state) {
  raster::Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(kW, kH);
  raster::Surface& s = b.Canvas();
  for (auto _ : state)
    for (const Figure& f : Ellipses()) {
      s.SetPenColor(f.color);
      s.SetBrushColor(f.color ^ 0x808080);
      s.ApplyPen();
      s.ApplyBrush();
      s.Ellipse(f.x1, f.y1, f.x2, f.y2);
    }
  benchmark::DoNotOptimize(b.GetPixel(1, 1));
}
BENCHMARK(BM_Zelnor_FilledEllipses)->Unit(benchmark::kMillisecond);

void BM_Zelnor_RoundBoxes(benchmark::State& state) {
  raster::Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(kW, kH);
  raster::Surface& s = b.Canvas();
  s.SetBrushStyle(raster::bsClear);
  for (auto _ : state)
    for (const Figure& f : RoundBoxes()) {
      s.SetPenColor(f.color);
      s.ApplyPen();
      s.ApplyBrush();
      s.RoundRect(f.x1, f.y1, f.x2, f.y2, 20, 16);
    }
  benchmark::DoNotOptimize(b.GetPixel(1, 1));
}
BENCHMARK(BM_Zelnor_RoundBoxes)->Unit(benchmark::kMillisecond);

#ifdef ZELNOR_BENCH_GD
int GdColor(uint32_t c) { return gdTrueColor(c & 0xFF, (c >> 8) & 0xFF, (c >> 16) & 0xFF); }

void BM_GD_Lines(benchmark::State& state) {
  gdImagePtr im = gdImageCreateTrueColor(kW, kH);
  for (auto _ : state)
    for (const Figure& f : Lines()) gdImageLine(im, f.x1, f.y1, f.x2, f.y2, GdColor(f.color));
  benchmark::DoNotOptimize(gdImageGetPixel(im, 1, 1));
  gdImageDestroy(im);
}
BENCHMARK(BM_GD_Lines)->Unit(benchmark::kMillisecond);

void BM_GD_FilledEllipses(benchmark::State& state) {
  gdImagePtr im = gdImageCreateTrueColor(kW, kH);
  for (auto _ : state)
    for (const Figure& f : Ellipses()) {
      const int w = f.x2 - f.x1, h = f.y2 - f.y1;
      gdImageFilledEllipse(im, f.x1 + w / 2, f.y1 + h / 2, w, h, GdColor(f.color ^ 0x808080));
      gdImageArc(im, f.x1 + w / 2, f.y1 + h / 2, w, h, 0, 360, GdColor(f.color));
    }
  benchmark::DoNotOptimize(gdImageGetPixel(im, 1, 1));
  gdImageDestroy(im);
}
BENCHMARK(BM_GD_FilledEllipses)->Unit(benchmark::kMillisecond);

// GD has no rounded box: four quarter arcs and four edges.
void BM_GD_RoundBoxes(benchmark::State& state) {
  gdImagePtr im = gdImageCreateTrueColor(kW, kH);
  for (auto _ : state)
    for (const Figure& f : RoundBoxes()) {
      const int c = GdColor(f.color), rw = 10, rh = 8;
      const int l = f.x1, t = f.y1, r = f.x2 - 1, b = f.y2 - 1;
      gdImageArc(im, r - rw, t + rh, 2 * rw, 2 * rh, 270, 360, c);
      gdImageArc(im, l + rw, t + rh, 2 * rw, 2 * rh, 180, 270, c);
      gdImageArc(im, l + rw, b - rh, 2 * rw, 2 * rh, 90, 180, c);
      gdImageArc(im, r - rw, b - rh, 2 * rw, 2 * rh, 0, 90, c);
      gdImageLine(im, l + rw, t, r - rw, t, c);
      gdImageLine(im, l + rw, b, r - rw, b, c);
      gdImageLine(im, l, t + rh, l, b - rh, c);
      gdImageLine(im, r, t + rh, r, b - rh, c);
    }
  benchmark::DoNotOptimize(gdImageGetPixel(im, 1, 1));
  gdImageDestroy(im);
}
BENCHMARK(BM_GD_RoundBoxes)->Unit(benchmark::kMillisecond);
#endif

}  // namespace
