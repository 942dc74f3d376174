// Loading from image byte arrays through the members, as a script does: a
// 4000 x 3000 JPEG and a 1024 x 768 PNG replacing the canvas, the PNG
// composed onto a canvas, and a region taken out and put back as BMP.
//
// The encoded files come from $ZELNOR_LOAD_BENCH_DIR (photo.jpg, photo.png;
// load_compare.py writes them with Pillow and times Pillow and vips on the
// same bytes) or, when that is unset, from the component's own encoders.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "bench/synthetic_photo.h"
#include "canvas/main.h"
#include "io/ZelnorCommons.h"
#include "io/codecs/jpeg_codec.h"
#include "io/codecs/png_codec.h"
#include "platform/automation/oleauto.h"

namespace {

using zelnor::MemoryStream;

raster::PixelStorage Photo(int w, int h) { return bench::Photo(w, h, 12345); }

MemoryStream FromDirOr(const char* name, MemoryStream (*make)()) {
  if (const char* dir = std::getenv("ZELNOR_LOAD_BENCH_DIR")) {
    std::ifstream in(std::string(dir) + "/" + name, std::ios::binary);
    if (in) return MemoryStream(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  return make();
}

const MemoryStream& Jpeg() {
  static const MemoryStream bytes = FromDirOr("photo.jpg", [] {
    return zelnor::codecs::EncodeJpeg(Photo(4000, 3000), {90, false});
  });
  return bytes;
}

const MemoryStream& Png() {
  static const MemoryStream bytes =
      FromDirOr("photo.png", [] { return zelnor::codecs::EncodePng(Photo(1024, 768), 6); });
  return bytes;
}

struct ByteArray {
  automation::VARIANT v;
  explicit ByteArray(const MemoryStream& bytes) : v(zelnor::StreamToByteArray(bytes)) {}
  ~ByteArray() { automation::VariantClear(&v); }
};

void Load(benchmark::State& state, const MemoryStream& bytes, const char* type, bool compose) {
  zelnor::TMyCanvas canvas;
  canvas.NewCanvas(1024, 768, 0);
  ByteArray value(bytes);
  for (auto _ : state) {
    if (canvas.LoadFromStream(&value.v, type, compose, 0, 0, 11) != 0) state.SkipWithError("load failed");
  }
  state.counters["MPix/s"] = benchmark::Counter(
      static_cast<double>(canvas.GetWidth()) * canvas.GetHeight() * state.iterations() / 1e6,
      benchmark::Counter::kIsRate);
  state.counters["bytes"] = static_cast<double>(bytes.size());
}

void BM_LoadJpeg4000x3000(benchmark::State& state) { Load(state, Jpeg(), "jpeg", false); }
void BM_LoadPng1024x768(benchmark::State& state) { Load(state, Png(), "png", false); }
void BM_ComposePng1024x768(benchmark::State& state) { Load(state, Png(), "png", true); }

void BM_GetThenPutCanvas1024x768(benchmark::State& state) {
  zelnor::TMyCanvas canvas;
  ByteArray photo(Png());
  canvas.LoadFromStream(&photo.v, "png", false, 0, 0, 0);
  ByteArray region(MemoryStream{});
  for (auto _ : state) {
    canvas.GetCanvas(&region.v, 0, 0, 1024, 768);
    canvas.PutCanvas(&region.v, 0, 0, 11);
  }
}

BENCHMARK(BM_LoadJpeg4000x3000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_LoadPng1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComposePng1024x768)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_GetThenPutCanvas1024x768)->Unit(benchmark::kMillisecond);

}  // namespace
