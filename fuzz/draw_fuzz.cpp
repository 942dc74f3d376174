// The drawing members with extreme arguments (coordinates and radii up to
// ±2^31, zero and huge pen widths, every pen, brush, background and font
// state, colours in every form) on small canvases of every pixel format.
//
// Checks: drawing reports nothing or the standard failure report and never
// changes the canvas's size, pixel format or colour table; the object
// answers the next call; text measures are never negative; and each input
// stays fast (a figure far outside the canvas costs what its visible part
// costs, so a slow input is a finding).
#include "fuzz/fuzz_support.h"

using automation::VARIANT;

namespace {

using fuzz::I4;

constexpr size_t kMaxInput = 4096;
constexpr int kMaxCalls = 12;

int32_t Colour(fuzz::Input& in) {
  const uint8_t form = in.Byte();
  const uint32_t rgb = in.U32() & 0xFFFFFF;
  switch (form % 6) {
    case 0:
      return static_cast<int32_t>(rgb);
    case 1:
      return static_cast<int32_t>(0x01000000 | (rgb & 0xFF));  // palette index
    case 2:
      return static_cast<int32_t>(0x02000000 | rgb);  // palette-relative
    case 3:
      return static_cast<int32_t>(0x80000000u | (form % 40));  // system colour
    case 4:
      return in.Extreme();
    default:
      return static_cast<int32_t>(in.U32());
  }
}

std::string Text(fuzz::Input& in) {
  static const char* kTexts[] = {"",   "A",           "Wg", "あいう", "tab\tand\nline", "\xFF\xFE\xFD",
                                 "  ", "MMMMMMMMMMMM"};
  const uint8_t pick = in.Byte();
  return pick < 128 ? kTexts[pick % std::size(kTexts)] : in.Text(40);
}

void SetState(fuzz::Object& o, fuzz::Input& in) {
  static const char* kFonts[] = {"DejaVu Sans", "Liberation Serif",    "IPAGothic",  "MS Sans Serif",
                                 "Arial",       "no such font at all", "Courier New"};
  switch (in.Byte() % 14) {
    case 0:
      o.Put("PenColor", I4(Colour(in)));
      break;
    case 1:
      o.Put("PenStyle", I4(in.Range(-1, 8)));
      break;
    case 2:
      o.Put("PenWidth", I4(in.Byte() < 200 ? in.Range(-2, 12) : in.Extreme()));
      break;
    case 3:
      o.Put("BrushColor", I4(Colour(in)));
      break;
    case 4:
      o.Put("BrushStyle", I4(in.Range(-1, 9)));
      break;
    case 5:
      o.Put("BkColor", I4(Colour(in)));
      break;
    case 6:
      o.Put("BkMode", I4(in.Range(-1, 3)));
      break;
    case 7:
      o.Put("FontColor", I4(Colour(in)));
      break;
    case 8:
      o.Put("FontSize", I4(in.Byte() < 220 ? in.Range(-30, 60) : in.Extreme()));
      break;
    case 9:
      o.Put("FontName", fuzz::Str(kFonts[in.Byte() % std::size(kFonts)]));
      break;
    case 10:
      o.Put("FontBold", fuzz::Bool(in.Bool()));
      break;
    case 11:
      o.Put("FontItalic", fuzz::Bool(in.Bool()));
      break;
    case 12:
      o.Put("FontUnderLine", fuzz::Bool(in.Bool()));
      break;
    default:
      o.Put("FontStrikeOut", fuzz::Bool(in.Bool()));
      break;
  }
}

fuzz::Outcome Draw(fuzz::Object& o, fuzz::Input& in) {
  auto c = [&] { return I4(in.Coordinate()); };
  auto flag = [&] { return fuzz::Bool(in.Bool()); };
  switch (in.Byte() % 14) {
    case 0:
      return o.Call("Line", {c(), c(), c(), c()});
    case 1:
      return o.Call("Box", {c(), c(), c(), c(), flag()});
    case 2:
      return o.Call("RoundBox", {c(), c(), c(), c(), c(), c(), flag()});
    case 3:
      return o.Call("Ellipse", {c(), c(), c(), c(), flag()});
    case 4:
      return o.Call("Circle", {c(), c(), c(), flag()});
    case 5:
      return o.Call("Arc", {c(), c(), c(), c(), c(), c(), c(), c(), flag(), flag()});
    case 6:
      return o.Call("Pie", {c(), c(), c(), c(), c(), c(), c(), c(), flag()});
    case 7:
      return o.Call("BezierLine", {c(), c(), c(), c(), c(), c(), c(), c()});
    case 8:
      return o.Call("PixelSet", {c(), c(), I4(Colour(in))});
    case 9:
      return o.Call("PixelGet", {c(), c()});
    case 10:
      return o.Call("FloodFill", {c(), c(), I4(Colour(in)), flag()});
    case 11: {
      VARIANT text = fuzz::Str(Text(in));
      fuzz::Outcome out = o.Call("StringWrite", {c(), c(), text, flag()});
      fuzz::Clear(text);
      return out;
    }
    default: {
      VARIANT text = fuzz::Str(Text(in));
      fuzz::Outcome out = o.Call(in.Bool() ? "StringWidth" : "StringHeight", {text});
      fuzz::Clear(text);
      if (out.Ok()) FUZZ_CHECK(out.Code() >= 0, "a negative text measure");
      return out;
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  fuzz::EnterSandbox();
  if (size > kMaxInput) return 0;
  fuzz::Input in(data, size);
  fuzz::Object o;
  o.Code("NewCanvas", {I4(in.Range(0, 48)), I4(in.Range(0, 48))});
  const int format = in.Range(0, 7);  // 0 keeps 24 bits
  if (format) o.Put("PixelFormat", I4(format));
  fuzz::FillFromInput(o.Current(), in);
  for (int i = 0; i < kMaxCalls && !in.Empty(); ++i) {
    if (in.Byte() < 100) SetState(o, in);
    const raster::Bitmap& b = o.Current();
    const int w = b.Width(), h = b.Height();
    const raster::PixelLayout layout = b.Layout();
    const raster::Palette palette = b.GetPalette();
    Draw(o, in);
    FUZZ_CHECK(b.Width() == w && b.Height() == h, "drawing resized the canvas");
    FUZZ_CHECK(b.Layout() == layout && b.GetPalette() == palette, "drawing changed the pixel format");
  }
  o.CheckUsable();
  return 0;
}
