// 1,000 writes of a 20-character text at 12 points on a 1024 x 768 canvas:
// our text output against GD's FreeType text and Pillow's text drawing, all
// with the same font file; the same writes from 1, 2 and 4 threads at once,
// each on its own canvas; and the first list of installed typefaces in the
// process (run first, so that it also pays for loading fontconfig's
// configuration, as a script's first FontList does).
#include <benchmark/benchmark.h>
#include <gd.h>

#include <cstdio>
#include <memory>
#include <string>

#include "draw/text.h"
#include "model/pixel_format.h"
#include "platform/fonts/fonts.h"
#include "platform/raster/surface.h"

namespace {

constexpr int kCalls = 1000;
constexpr const char* kText = "Zelnor2 bench text 1";
constexpr int32_t kHeight = -16;  // 12 points at 96 pixels per inch

void BM_FirstFontList(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(fonts::EnumerateFaces());
}
BENCHMARK(BM_FirstFontList)->Iterations(1)->Unit(benchmark::kMillisecond);

void BM_FontList(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(fonts::EnumerateFaces());
}
BENCHMARK(BM_FontList)->Unit(benchmark::kMillisecond);

int X(int i) { return (i * 37) % 900; }
int Y(int i) { return (i * 13) % 740; }

std::string FontFile() {
  fonts::LogFont f;
  f.face_name = "MS Sans Serif";
  f.height = kHeight;
  return fonts::DescribeRealisation(f).file;
}

void BM_StringWrite(benchmark::State& state) {
  raster::Bitmap canvas;
  zelnor::SetPixelFormat(canvas, zelnor::pf24bit);
  canvas.SetSize(1024, 768);
  canvas.Canvas().SetFontHeight(kHeight);
  for (auto _ : state)
    for (int i = 0; i < kCalls; ++i) zelnor::WriteString(X(i), Y(i), kText, true, canvas);
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_StringWrite)->Unit(benchmark::kMillisecond);

void BM_StringWriteOpaque(benchmark::State& state) {
  raster::Bitmap canvas;
  zelnor::SetPixelFormat(canvas, zelnor::pf24bit);
  canvas.SetSize(1024, 768);
  canvas.Canvas().SetFontHeight(kHeight);
  for (auto _ : state)
    for (int i = 0; i < kCalls; ++i) zelnor::WriteString(X(i), Y(i), kText, false, canvas);
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_StringWriteOpaque)->Unit(benchmark::kMillisecond);

// Each thread writes on a canvas of its own; real time, so that the rate
// shows what the threads achieve together.
void BM_StringWriteThreads(benchmark::State& state) {
  raster::Bitmap canvas;
  zelnor::SetPixelFormat(canvas, zelnor::pf24bit);
  canvas.SetSize(1024, 768);
  canvas.Canvas().SetFontHeight(kHeight);
  for (auto _ : state)
    for (int i = 0; i < kCalls; ++i) zelnor::WriteString(X(i), Y(i), kText, true, canvas);
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_StringWriteThreads)
    ->Threads(1)
    ->Threads(2)
    ->Threads(4)
    ->UseRealTime()
    ->Unit(benchmark::kMillisecond);

void BM_GdImageStringFT(benchmark::State& state) {
  const std::string font = FontFile();
  std::unique_ptr<gdImage, void (*)(gdImagePtr)> image(gdImageCreateTrueColor(1024, 768), gdImageDestroy);
  gdImageFilledRectangle(image.get(), 0, 0, 1023, 767, gdTrueColor(255, 255, 255));
  const int black = gdTrueColor(0, 0, 0);
  std::string text = kText;
  for (auto _ : state)
    for (int i = 0; i < kCalls; ++i) {
      int box[8];
      // GD places the baseline at y; 12 is the face's ascent at this size.
      if (char* err = gdImageStringFT(image.get(), box, black, const_cast<char*>(font.c_str()), 12.0, 0.0,
                                      X(i), Y(i) + 12, text.data())) {
        state.SkipWithError(err);
        return;
      }
    }
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_GdImageStringFT)->Unit(benchmark::kMillisecond);

// Runs bench/text_pillow.py, which times its own rounds of kCalls draws.
void BM_PillowImageDrawText(benchmark::State& state) {
  const std::string command = "/usr/bin/python3 " + std::string(ZELNOR_SOURCE_DIR) +
                              "/bench/text_pillow.py '" + FontFile() + "' " + std::to_string(kCalls) + " 3";
  for (auto _ : state) {
    std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
    double seconds = 0;
    if (!pipe || std::fscanf(pipe.get(), "%lf", &seconds) != 1) {
      state.SkipWithError("the Pillow script did not run");
      return;
    }
    state.SetIterationTime(seconds);
  }
  state.SetItemsProcessed(state.iterations() * kCalls);
}
BENCHMARK(BM_PillowImageDrawText)->UseManualTime()->Iterations(3)->Unit(benchmark::kMillisecond);

}  // namespace
