// Stretch (fast and high quality, exact and thumbnail) and the effects and
// filters (Gray, Gamma, Contrast, Mask, Reversal, Dull, Sharp,
// CustomFilter) with random sizes and arguments, in runs, on canvases of
// every pixel format whose pixels the input gives.
//
// Checks: each call gives a result code or the standard failure report; a
// stretch to a positive size gives exactly that size (except the
// high-quality exact resize of an empty canvas, which leaves it empty); the
// effects and filters keep the size; Gray, Gamma and Contrast give -1, 0
// or a former pixel-format number; the object answers the next call.
#include "fuzz/fuzz_support.h"

using automation::VARIANT;

namespace {

using fuzz::I4;

constexpr size_t kMaxInput = 4096;
constexpr int kMaxCalls = 6;
constexpr int64_t kMaxPixels = 1 << 14;

int32_t Side(fuzz::Input& in) { return in.Byte() < 220 ? in.Range(-2, 48) : in.Extreme(); }

void Stretch(fuzz::Object& o, fuzz::Input& in) {
  const int32_t w = Side(in), h = Side(in);
  const bool hiq = in.Bool(), exact = in.Bool();
  const bool was_empty = o.Current().Empty();
  // Sizes beyond the cap are left to the ordinary tests: each input stays fast.
  if (int64_t{w} * h > kMaxPixels) return;
  const fuzz::Outcome out = o.Call("Stretch", {I4(w), I4(h), fuzz::Bool(hiq), fuzz::Bool(exact)});
  if (!out.Ok() || w <= 0 || h <= 0) return;
  if (hiq && exact && was_empty) {
    FUZZ_CHECK(o.Current().Empty(), "an empty canvas was resampled");
    return;
  }
  FUZZ_CHECK(o.Current().Width() == w && o.Current().Height() == h,
             "Stretch to " + std::to_string(w) + " x " + std::to_string(h) + " gave " +
                 std::to_string(o.Current().Width()) + " x " + std::to_string(o.Current().Height()));
}

const char* const kEffects[] = {"Gray",     "Gamma", "Contrast", "Mask",
                                "Reversal", "Dull",  "Sharp",    "CustomFilter"};

fuzz::Outcome Effect(fuzz::Object& o, fuzz::Input& in, int which, bool& normalises) {
  auto v = [&] { return I4(in.Extreme()); };
  normalises = true;
  switch (which) {
    case 0:
      return o.Call("Gray", {v(), v(), v()});
    case 1:
      return o.Call("Gamma", {v()});
    case 2:
      return o.Call("Contrast", {v()});
    case 3:
      normalises = false;
      return o.Call("Mask", {v(), fuzz::Bool(in.Bool())});
    case 4:
      normalises = false;
      return o.Call("Reversal", {});
    case 5:
      normalises = false;
      return o.Call("Dull", {});
    case 6:
      normalises = false;
      return o.Call("Sharp", {});
    default:
      normalises = false;
      return o.Call("CustomFilter", {v(), v(), v(), v(), v(), v(), v(), v(), v(), v(), v()});
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EnterSandbox();
  if (size > kMaxInput) return 0;
  fuzz::Input in(data, size);
  fuzz::Object o;
  o.Code("NewCanvas", {I4(in.Range(0, 40)), I4(in.Range(0, 40))});
  const int format = in.Range(0, 7);
  if (format) o.Put("PixelFormat", I4(format));
  if (in.Bool()) o.Put("BrushColor", I4(static_cast<int32_t>(in.U32())));
  fuzz::FillFromInput(o.Current(), in);
  for (int i = 0; i < kMaxCalls && !in.Empty(); ++i) {
    if (in.Byte() < 90) {
      Stretch(o, in);
      continue;
    }
    const int w = o.Current().Width(), h = o.Current().Height();
    bool normalises = false;
    const int which = in.Byte() % 8;
    const fuzz::Outcome out = Effect(o, in, which, normalises);
    if (!out.Ok()) continue;
    FUZZ_CHECK(o.Current().Width() == w && o.Current().Height() == h,
               std::string(kEffects[which]) + " resized " + std::to_string(w) + " x " + std::to_string(h) +
                   " to " + std::to_string(o.Current().Width()) + " x " +
                   std::to_string(o.Current().Height()));
    if (normalises && w > 0 && h > 0)
      FUZZ_CHECK(out.Code() >= -1 && out.Code() <= 8, "result " + std::to_string(out.Code()));
  }
  o.CheckUsable();
  return 0;
}
