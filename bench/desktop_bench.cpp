// Screen capture: the whole CaptureWindow routine on the display named by
// DISPLAY (connection, window choice, copy, canvas), the screen copy alone,
// and the row conversion of 32-bit screen pixels, fast and reference.
// bench/desktop_compare.py runs this on a 1920 x 1080 Xvfb beside
// ImageMagick's import.
#include <benchmark/benchmark.h>

#include <cstdlib>
#include <vector>

#include "desktop/desktop.h"
#include "platform/system/screen_pixels.h"
#include "platform/system/windows.h"

namespace {

bool HaveDisplay(benchmark::State& state) {
  if (std::getenv("DISPLAY")) return true;
  state.SkipWithError("DISPLAY is not set: run bench/desktop_compare.py");
  return false;
}

void BM_CaptureWholeScreen(benchmark::State& state) {
  if (!HaveDisplay(state)) return;
  raster::Bitmap canvas;
  for (auto _ : state) {
    if (zelnor::CaptureWindowImage("", false, 0, 0, 0, canvas) != 0) state.SkipWithError("capture refused");
    benchmark::DoNotOptimize(canvas.ScanLine(0));
  }
  state.counters["pixels"] = canvas.Width() * canvas.Height();
}
BENCHMARK(BM_CaptureWholeScreen)->Unit(benchmark::kMillisecond);

void BM_CopyScreenOnOpenSession(benchmark::State& state) {
  if (!HaveDisplay(state)) return;
  const auto session = sysplat::DesktopSession::Open();
  const auto rect = session ? session->GetWindowRect(session->DesktopWindow()) : std::nullopt;
  if (!rect) return state.SkipWithError("no display");
  for (auto _ : state) benchmark::DoNotOptimize(session->CopyScreen(*rect));
}
BENCHMARK(BM_CopyScreenOnOpenSession)->Unit(benchmark::kMillisecond);

template <bool kFast>
void BM_ScreenRowsToBgr(benchmark::State& state) {
  sysplat::ScreenPixelFormat format;
  format.red_mask = 0xFF0000;
  format.green_mask = 0xFF00;
  format.blue_mask = 0xFF;
  std::vector<uint8_t> screen(1920 * 4, 0x5A), bgr(1920 * 3);
  for (auto _ : state)
    for (int row = 0; row < 1080; ++row) {
      if (kFast)
        sysplat::ScreenRowToBgr(format, screen.data(), 1920, bgr.data());
      else
        sysplat::ScreenRowToBgrReference(format, screen.data(), 1920, bgr.data());
      benchmark::DoNotOptimize(bgr.data());
    }
}
BENCHMARK(BM_ScreenRowsToBgr<true>)->Name("BM_ScreenRowsToBgr/fast/1920x1080")->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ScreenRowsToBgr<false>)
    ->Name("BM_ScreenRowsToBgr/reference/1920x1080")
    ->Unit(benchmark::kMillisecond);

}  // namespace
