// Saving in every type and mode, then loading the bytes back: SaveToStream
// (every type word, transparency points inside and outside), and
// SaveAniGIFToStream over several canvases of different sizes and formats,
// with random codec settings, on canvases whose pixels the input gives.
//
// Checks: a save gives a result code or the standard failure report (for a
// transparency point outside the picture, "Invalid pixel coordinates"), and
// on success a byte array of the type asked for that loads back; BMP and
// PNG give back exactly the colours saved, and so does GIF for a canvas
// with a colour table; every type gives back the size saved (an animation
// its logical screen, the largest width and height).
#include <algorithm>
#include <cstring>

#include "fuzz/fuzz_support.h"

using automation::VARIANT;

namespace {

using fuzz::I4;

constexpr size_t kMaxInput = 16384;
constexpr int kMaxSide = 24;

const char* TypeWord(uint8_t pick) {
  static const char* kWords[] = {"BMP", "PNG", "GIF", "JPEG", "jpg", "Gif", "bmp", "tif", ""};
  return kWords[pick % std::size(kWords)];
}

char Kind(const std::string& word) {
  std::string w = word;
  for (char& ch : w) ch = static_cast<char>(ch >= 'a' && ch <= 'z' ? ch - 32 : ch);
  if (w == "BMP") return 'B';
  if (w == "PNG") return 'P';
  if (w == "GIF") return 'G';
  if (w == "JPEG" || w == "JPG") return 'J';
  return '?';
}

void MakeCanvas(fuzz::Object& o, fuzz::Input& in, int add) {
  o.Code("NewCanvas", {I4(in.Range(0, kMaxSide)), I4(in.Range(0, kMaxSide)), I4(add)});
  if (add) o.Put("CurrentCanvasIndex", I4(add));
  const int format = in.Range(0, 7);
  if (format) o.Put("PixelFormat", I4(format));
  fuzz::FillFromInput(o.Current(), in);
}

void Settings(fuzz::Object& o, fuzz::Input& in) {
  o.Put("GIFCompressionMode", I4(in.Range(-1, 2)));
  o.Put("JPEGCompressionQuality", I4(in.Byte() < 200 ? in.Range(1, 100) : in.Extreme()));
  o.Put("JPEGProgressiveEncoding", fuzz::Bool(in.Bool()));
  o.Put("PNGCompressionLevel", I4(in.Range(-2, 11)));
}

std::vector<raster::ColorRef> Colours(const raster::Bitmap& b) {
  std::vector<raster::ColorRef> c;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) c.push_back(b.GetPixel(x, y) & 0xFFFFFF);
  return c;
}

bool HasSignature(char kind, const std::vector<uint8_t>& b) {
  switch (kind) {
    case 'B':
      return b.size() > 2 && b[0] == 'B' && b[1] == 'M';
    case 'P':
      return b.size() > 8 && b[0] == 0x89 && b[1] == 'P';
    case 'G':
      return b.size() > 6 && std::memcmp(b.data(), "GIF8", 4) == 0;
    default:
      return b.size() > 2 && b[0] == 0xFF && b[1] == 0xD8;
  }
}

// Loads saved bytes into a fresh object and compares what came back.
void LoadBack(const std::vector<uint8_t>& bytes, char kind, int width, int height,
              const std::vector<raster::ColorRef>* exact) {
  FUZZ_CHECK(HasSignature(kind, bytes), std::string("saved bytes without the signature of ") + kind);
  fuzz::Object back;
  VARIANT array = fuzz::ByteArray(bytes);
  const char* word = kind == 'B' ? "BMP" : kind == 'P' ? "PNG" : kind == 'G' ? "GIF" : "JPEG";
  VARIANT type = fuzz::Str(word);
  const fuzz::Outcome out = back.Call("LoadFromStream", {fuzz::Ref(&array), type});
  fuzz::Clear(type);
  fuzz::Clear(array);
  FUZZ_CHECK(out.Ok() && out.Code() == 0,
             std::string("saved ") + word + " does not load: " + out.description);
  FUZZ_CHECK(back.Current().Width() == width && back.Current().Height() == height,
             std::string(word) + " came back " + std::to_string(back.Current().Width()) + " x " +
                 std::to_string(back.Current().Height()) + ", saved " + std::to_string(width) + " x " +
                 std::to_string(height));
  if (exact) FUZZ_CHECK(Colours(back.Current()) == *exact, std::string(word) + " changed colours");
}

void CheckFailure(const fuzz::Outcome& out, bool transparent, int32_t tx, int32_t ty, int w, int h) {
  FUZZ_CHECK(out.reported, "no result");
  // The one expected failure of a save in memory.
  const bool outside = transparent && (tx >= w || ty >= h);
  FUZZ_CHECK(outside && out.description == "Invalid pixel coordinates",
             "unexpected save failure: " + out.description);
}

void SaveOne(fuzz::Object& o, fuzz::Input& in) {
  const std::string word = TypeWord(in.Byte());
  const bool transparent = in.Bool();
  const int32_t tx = in.Coordinate(), ty = in.Coordinate();
  VARIANT target = fuzz::I4(7);  // replaced by the saved bytes
  VARIANT type = fuzz::Str(word);
  const fuzz::Outcome out =
      o.Call("SaveToStream", {fuzz::Ref(&target), type, fuzz::Bool(transparent), I4(tx), I4(ty)});
  fuzz::Clear(type);
  const raster::Bitmap& b = o.Current();
  const char kind = Kind(word);
  if (!out.Ok()) {
    CheckFailure(out, transparent && kind == 'G', tx, ty, b.Width(), b.Height());
    FUZZ_CHECK(target.vt == automation::VT_I4, "a failed save changed its target");
  } else {
    const int32_t code = out.Code();
    const int32_t expected = tx < 0 || ty < 0 ? -1 : b.Empty() ? -4 : kind == '?' ? -3 : 0;
    FUZZ_CHECK(code == expected,
               "SaveToStream gave " + std::to_string(code) + ", expected " + std::to_string(expected));
    if (code == 0) {
      const std::vector<raster::ColorRef> colours = Colours(b);
      const bool lossless = kind == 'B' || kind == 'P' || (kind == 'G' && b.BitsPerPixel() <= 8);
      LoadBack(fuzz::BytesOf(target), kind, b.Width(), b.Height(), lossless ? &colours : nullptr);
    }
  }
  fuzz::Clear(target);
}

void SaveAnimation(fuzz::Object& o, fuzz::Input& in) {
  const int32_t delay = in.Byte() < 200 ? in.Range(0, 3000) : in.Extreme();
  const int32_t loops = in.Byte() < 200 ? in.Range(0, 5) : in.Extreme();
  const bool transparent = in.Bool();
  const int32_t tx = in.Coordinate(), ty = in.Coordinate();
  VARIANT target;
  automation::VariantInit(&target);
  const fuzz::Outcome out = o.Call("SaveAniGIFToStream", {fuzz::Ref(&target), I4(delay), I4(loops),
                                                          fuzz::Bool(transparent), I4(tx), I4(ty)});
  int min_w = INT32_MAX, min_h = INT32_MAX, max_w = 0, max_h = 0;
  bool any_empty = false;
  // An empty canvas gives no frame: the screen fits the others.
  for (const auto& c : o.Native().Canvases()) {
    any_empty |= c->Empty();
    if (c->Empty()) continue;
    min_w = std::min(min_w, c->Width());
    min_h = std::min(min_h, c->Height());
    max_w = std::max(max_w, c->Width());
    max_h = std::max(max_h, c->Height());
  }
  const size_t count = o.Native().Canvases().size();
  if (!out.Ok()) {
    // A point outside a frame is the expected failure; an empty frame may
    // be refused the same way (a report with its own message).
    FUZZ_CHECK(out.reported, "no result");
    FUZZ_CHECK((transparent && (tx >= min_w || ty >= min_h)) || any_empty,
               "unexpected animation failure: " + out.description);
  } else {
    const int32_t code = out.Code();
    // Two canvases at least, and one of them with pixels.
    const int32_t expected = tx < 0 || ty < 0 || delay < 0 || loops < 0 ? -1
                             : count < 2                                ? -2
                             : max_w == 0                               ? -4
                                                                        : 0;
    FUZZ_CHECK(code == expected, "SaveAniGIFToStream gave " + std::to_string(code));
    if (code == 0) LoadBack(fuzz::BytesOf(target), 'G', max_w, max_h, nullptr);
  }
  fuzz::Clear(target);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EnterSandbox();
  if (size > kMaxInput) return 0;
  fuzz::Input in(data, size);
  fuzz::Object o;
  Settings(o, in);
  const int extra = in.Range(0, 3);
  MakeCanvas(o, in, 0);
  for (int i = 1; i <= extra; ++i) MakeCanvas(o, in, i);
  o.Put("CurrentCanvasIndex", I4(in.Range(0, extra)));
  if (in.Byte() < 64)
    SaveAnimation(o, in);
  else
    SaveOne(o, in);
  o.CheckUsable();
  return 0;
}
