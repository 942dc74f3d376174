// Loading from bytes through the member path: LoadFromStream for every type
// word (the one the bytes' signature suggests, or another), in replace and
// compose mode with a copy mode and a position, and PutCanvas with the
// bytes as a BMP.  The input is the file itself; its last six bytes also
// choose the call, so mutations of either reach the decoders.
//
// Checks: every call gives a result code or the standard failure report; a
// load that does not succeed leaves the canvas exactly as it was (size,
// format, colour table, every byte); a replace that succeeds leaves a
// picture with pixels; a compose never shrinks the canvas; the object
// answers the next call.
#include <cstring>

#include "fuzz/fuzz_support.h"

using automation::VARIANT;

namespace {

using fuzz::I4;

constexpr size_t kMaxInput = 1 << 16;

const char* SniffedType(std::span<const uint8_t> b) {
  if (b.size() >= 2 && b[0] == 'B' && b[1] == 'M') return "BMP";
  if (b.size() >= 2 && b[0] == 0x89 && b[1] == 'P') return "PNG";
  if (b.size() >= 3 && std::memcmp(b.data(), "GIF", 3) == 0) return "GIF";
  return "JPEG";
}

const char* OtherType(uint8_t pick) {
  static const char* kWords[] = {"jpg", "Jpeg", "gif", "png", "bmp", "BMP ", "tif", "jfif", "", "jpe"};
  return kWords[pick % std::size(kWords)];
}

int32_t Position(uint8_t v) {
  static const int32_t kFar[] = {-1, -100, 255, 256, 4096, 65535, INT32_MAX, INT32_MIN, 1 << 20, -(1 << 20)};
  return v < 224 ? static_cast<int32_t>(v % 48) - 8 : kFar[v % std::size(kFar)];
}

// A small canvas in one of the pixel formats, with a few coloured pixels.
void ShapeCanvas(fuzz::Object& o, uint8_t size_pick, uint8_t height_pick) {
  o.Code("NewCanvas", {I4(size_pick % 12), I4(height_pick % 12)});
  const int format = size_pick / 12 % 8;  // 0: leave 24 bits
  if (format != 0) o.Put("PixelFormat", I4(format));
  raster::Bitmap& b = o.Current();
  for (int i = 0; i < b.Width() && i < b.Height(); ++i) b.SetPixel(i, i, 0x10305F * (height_pick + i));
}

// A value that is not a byte array, as a script might pass one.
VARIANT NotAByteArray(uint8_t pick, std::span<const uint8_t> file) {
  switch (pick % 3) {
    case 0:
      return fuzz::Str(
          std::string(file.begin(), file.begin() + static_cast<long>(std::min<size_t>(file.size(), 64))));
    case 1:
      return I4(static_cast<int32_t>(file.size()));
    default: {
      VARIANT v;
      automation::VariantInit(&v);
      return v;
    }
  }
}

void CheckLoad(fuzz::Object& o, const fuzz::Outcome& out, const fuzz::Picture& before, bool compose,
               bool put_canvas) {
  const fuzz::Picture after = fuzz::Snapshot(o.Current());
  if (!out.Ok() || out.Code() != 0) {
    FUZZ_CHECK(after == before, "a failed load changed the canvas from " + fuzz::Describe(before) + " to " +
                                    fuzz::Describe(after) + " (" + out.description + ")");
    return;
  }
  if (!compose && !put_canvas)
    FUZZ_CHECK(after.width > 0 && after.height > 0, "a successful load left no picture");
  if (compose || put_canvas)
    FUZZ_CHECK(after.width >= before.width && after.height >= before.height, "a compose shrank the canvas");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EnterSandbox();
  if (size < 6 || size > kMaxInput) return 0;
  const uint8_t* opt = data + size - 6;
  const std::span<const uint8_t> file(data, size);
  fuzz::Object o;
  ShapeCanvas(o, opt[4], opt[5]);
  const fuzz::Picture before = fuzz::Snapshot(o.Current());
  const bool compose = opt[1] & 1;
  const int32_t cpmode = (opt[1] >> 1) % 17, x = Position(opt[2]), y = Position(opt[3]);
  const int mode = opt[0] % 8;
  VARIANT bytes = mode == 7 ? NotAByteArray(opt[1], file) : fuzz::ByteArray(file);
  fuzz::Outcome out;
  if (mode == 6) {
    out = o.Call("PutCanvas", {fuzz::Ref(&bytes), I4(x), I4(y), I4(cpmode)});
  } else {
    VARIANT type = fuzz::Str(mode == 5 ? OtherType(opt[1]) : SniffedType(file));
    out = o.Call("LoadFromStream", {fuzz::Ref(&bytes), type, fuzz::Bool(compose), I4(x), I4(y), I4(cpmode)});
    fuzz::Clear(type);
    if (mode == 7) FUZZ_CHECK(out.Code() == -2, "a value that is no byte array was loaded");
  }
  FUZZ_CHECK(out.reported || out.result.vt == automation::VT_I4, "no result code");
  CheckLoad(o, out, before, compose, mode == 6);
  fuzz::Clear(bytes);
  o.CheckUsable();
  // The canvas, whatever it now holds, saves.
  if (!o.Current().Empty()) {
    VARIANT saved;
    automation::VariantInit(&saved);
    VARIANT type = fuzz::Str("BMP");
    FUZZ_CHECK(o.Code("SaveToStream", {fuzz::Ref(&saved), type}) == 0, "the loaded canvas does not save");
    fuzz::Clear(type);
    fuzz::Clear(saved);
  }
  return 0;
}
