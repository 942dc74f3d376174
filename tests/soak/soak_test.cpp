// Thread soak: eight threads, each creating MyCanvas objects, drawing on
// them, filtering, resizing, saving in every type, loading back and
// releasing them, over and over for a bounded time.  Every round's output
// bytes must equal those of the same round run alone on one thread, and
// every thread must get its work done.  The ThreadSanitizer build
// (scripts/soak) runs it for several seconds; the ordinary suite for one.
// ZELNOR_SOAK_SECONDS sets the time.
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

#include "fuzz/fuzz_support.h"
#include "io/codecs/gif_codec.h"

using automation::VARIANT;

namespace {

using fuzz::I4;

constexpr int kThreads = 8;
constexpr int kVariants = 4;

uint64_t Fnv(uint64_t h, const std::vector<uint8_t>& bytes) {
  for (uint8_t b : bytes) h = (h ^ b) * 0x100000001B3ull;
  return h;
}

std::vector<uint8_t> Save(fuzz::Object& o, const char* type) {
  VARIANT target;
  automation::VariantInit(&target);
  VARIANT word = fuzz::Str(type);
  const int32_t code = o.Code("SaveToStream", {fuzz::Ref(&target), word});
  fuzz::Clear(word);
  std::vector<uint8_t> bytes = fuzz::BytesOf(target);
  fuzz::Clear(target);
  if (code != 0 || bytes.empty()) ADD_FAILURE() << "saving " << type << " gave " << code;
  return bytes;
}

void Draw(fuzz::Object& o, int v) {
  o.Code("NewCanvas", {I4(96 + 16 * v), I4(72)});
  o.Put("PenColor", I4(0x1020F0 * (v + 1) & 0xFFFFFF));
  o.Put("PenWidth", I4(1 + v));
  o.Put("BrushColor", I4(0x30A050 + v));
  o.Call("Box", {I4(4), I4(4), I4(60), I4(50), fuzz::Bool(true)});
  o.Call("Ellipse", {I4(20 + v), I4(10), I4(90), I4(70), fuzz::Bool(v & 1)});
  o.Call("Line", {I4(0), I4(71), I4(95), I4(0)});
  o.Put("BrushStyle", I4(2 + v));
  o.Call("Pie", {I4(30), I4(20), I4(80), I4(60), I4(0), I4(0), I4(80), I4(30), fuzz::Bool(true)});
  o.Put("FontSize", I4(10 + v));
  VARIANT text = fuzz::Str("Soak あ " + std::to_string(v));
  o.Call("StringWrite", {I4(8), I4(30), text});
  fuzz::Clear(text);
}

// One round of work on variant v; the digest of everything it produced.
uint64_t Round(int v) {
  fuzz::Object o;
  Draw(o, v);
  o.Code(v & 1 ? "Sharp" : "Dull", {});
  o.Code("Gamma", {I4(80 + 10 * v)});
  o.Code("CustomFilter", {I4(1), I4(2), I4(1), I4(0), I4(4), I4(0), I4(-1), I4(-2), I4(-1), I4(v), I4(3)});
  uint64_t h = 0xCBF29CE484222325ull;
  h = Fnv(h, Save(o, "BMP"));
  o.Code("Stretch", {I4(320), I4(240), fuzz::Bool(v & 1), fuzz::Bool(v & 2)});
  // The LZW path dithers on a second thread of its own; it is reached
  // directly so that the process-wide compression mode stays untouched.
  h = Fnv(h, zelnor::codecs::EncodeGifImage(o.Current().Storage(), 1, false, 0, 0));
  o.Code("Stretch", {I4(50 + v), I4(40), fuzz::Bool(!(v & 1)), fuzz::Bool(true)});
  o.Code("Gray", {});
  for (const char* type : {"PNG", "GIF", "JPEG"}) h = Fnv(h, Save(o, type));
  // Loaded back into a second canvas of the same object.
  std::vector<uint8_t> png = Save(o, "PNG");
  VARIANT array = fuzz::ByteArray(png);
  VARIANT word = fuzz::Str("PNG");
  o.Code("NewCanvas", {I4(1), I4(1), I4(1)});
  o.Put("CurrentCanvasIndex", I4(1));
  EXPECT_EQ(o.Code("LoadFromStream", {fuzz::Ref(&array), word}), 0);
  fuzz::Clear(array);
  fuzz::Clear(word);
  return Fnv(h, Save(o, "BMP"));
}

double SoakSeconds() {
  const char* s = std::getenv("ZELNOR_SOAK_SECONDS");
  return s && *s ? std::atof(s) : 1.0;
}

TEST(Soak, EightThreadsGiveTheBytesOfOne) {
  uint64_t expected[kVariants];
  for (int v = 0; v < kVariants; ++v) expected[v] = Round(v);
  for (int v = 1; v < kVariants; ++v) EXPECT_NE(expected[v], expected[0]) << "the variants draw alike";

  const auto until = std::chrono::steady_clock::now() + std::chrono::duration<double>(SoakSeconds());
  std::atomic<int> mismatches{0};
  std::vector<int> rounds(kThreads, 0);
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t)
    threads.emplace_back([&, t] {
      // At least two rounds each, however short the time.
      for (int i = 0; i < 2 || std::chrono::steady_clock::now() < until; ++i) {
        const int v = (t + i) % kVariants;
        if (Round(v) != expected[v]) ++mismatches;
        ++rounds[static_cast<size_t>(t)];
      }
    });
  for (std::thread& th : threads) th.join();
  int total = 0;
  for (int t = 0; t < kThreads; ++t) {
    EXPECT_GE(rounds[static_cast<size_t>(t)], 2) << "thread " << t;
    total += rounds[static_cast<size_t>(t)];
  }
  std::printf("soak: %d rounds on %d threads in %.1f s (", total, kThreads, SoakSeconds());
  for (int t = 0; t < kThreads; ++t) std::printf("%s%d", t ? " " : "", rounds[static_cast<size_t>(t)]);
  std::printf(")\n");
  EXPECT_EQ(mismatches.load(), 0) << "rounds whose output differed from the single-thread run";
}

}  // namespace
