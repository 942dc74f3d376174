// Drawing state of a surface: pending pen, brush and font, the device
// context they are applied to, and the "applied" bookkeeping.
#include "platform/raster/surface.h"

#include <cctype>
#include <cstdlib>

#include "platform/raster/bitmap.h"
#include "platform/raster/syscolors.h"

namespace raster {

int32_t MulDiv(int32_t a, int32_t b, int32_t c) {
  if (c == 0) return -1;
  int64_t num = static_cast<int64_t>(a) * b;
  int64_t den = c;
  if (den < 0) {
    num = -num;
    den = -den;
  }
  // Round half away from zero.
  const int64_t q = num >= 0 ? (num + den / 2) / den : -((-num + den / 2) / den);
  if (q > INT32_MAX || q < INT32_MIN) return -1;
  return static_cast<int32_t>(q);
}

std::string CutUtf8(std::string_view text, size_t max_bytes) {
  if (text.size() <= max_bytes) return std::string(text);
  size_t cut = max_bytes;
  // Step back over continuation bytes (10xxxxxx) so no character is split.
  while (cut > 0 && (static_cast<uint8_t>(text[cut]) & 0xC0) == 0x80) --cut;
  return std::string(text.substr(0, cut));
}

Surface::Surface(Bitmap& owner) : owner_(owner) {}
Surface::~Surface() = default;

void Surface::SetPenColor(ColorRef c) {
  if (c == pen_color_) return;
  pen_color_ = c;
  dc_.pen_applied = false;
}

void Surface::SetPenStyle(PenStyle s) {
  if (s == pen_style_) return;
  pen_style_ = s;
  dc_.pen_applied = false;
}

void Surface::SetPenWidth(int32_t w) {
  if (w == pen_width_) return;
  pen_width_ = w;
  dc_.pen_applied = false;
}

void Surface::SetBrushColor(ColorRef c) {
  const BrushStyle style = brush_style_ == bsClear ? bsSolid : brush_style_;
  if (c == brush_color_ && style == brush_style_) return;
  brush_color_ = c;
  brush_style_ = style;
  dc_.brush_applied = false;
}

void Surface::SetBrushStyle(BrushStyle s) {
  const ColorRef color = s == bsClear ? 0x00FFFFFF : brush_color_;
  if (s == brush_style_ && color == brush_color_) return;
  brush_style_ = s;
  brush_color_ = color;
  dc_.brush_applied = false;
}

void Surface::SetFontColor(ColorRef c) {
  if (c == font_.color) return;
  font_.color = c;
  dc_.font_applied = false;
}

void Surface::SetFontHeight(int32_t h) {
  if (h == font_.height) return;
  font_.height = h;
  dc_.font_applied = false;
}

void Surface::SetFontName(std::string_view utf8) {
  std::string name = CutUtf8(utf8, kFaceNameMaxBytes);
  if (name == font_.face_name) return;
  font_.face_name = std::move(name);
  dc_.font_applied = false;
}

void Surface::SetFontStyles(uint8_t styles) {
  styles &= fsBold | fsItalic | fsUnderline | fsStrikeOut;
  if (styles == font_.styles) return;
  font_.styles = styles;
  dc_.font_applied = false;
}

void Surface::SetFontCharset(uint8_t charset) {
  if (charset == font_.charset) return;
  font_.charset = charset;
  dc_.font_applied = false;
}

void Surface::SetFontPitch(FontPitch pitch) {
  if (pitch == font_.pitch) return;
  font_.pitch = pitch;
  dc_.font_applied = false;
}

void Surface::ApplyPen() {
  if (dc_.pen_applied) return;
  dc_.pen = {pen_style_, pen_width_, ResolveColor(pen_color_)};
  dc_.pen_applied = true;
}

void Surface::ApplyBrush() {
  if (dc_.brush_applied) return;
  const ColorRef c = ResolveColor(brush_color_);
  dc_.brush = {brush_style_, c};
  if (brush_style_ == bsSolid) {
    dc_.bk_color = c;
    dc_.bk_mode = bkOpaque;
  } else {
    dc_.bk_color = ~c;
    dc_.bk_mode = bkTransparent;
  }
  dc_.brush_applied = true;
}

namespace {
bool IsDefaultFaceName(const std::string& name) {
  static constexpr std::string_view kDefault = "default";
  if (name.size() != kDefault.size()) return false;
  for (size_t i = 0; i < name.size(); ++i)
    if (std::tolower(static_cast<unsigned char>(name[i])) != kDefault[i]) return false;
  return true;
}
}  // namespace

void Surface::ApplyFont() {
  if (dc_.font_applied) return;
  fonts::LogFont& f = dc_.font;
  f.height = font_.height;
  f.weight = (font_.styles & fsBold) ? 700 : 400;
  f.italic = (font_.styles & fsItalic) != 0;
  f.underline = (font_.styles & fsUnderline) != 0;
  f.strike_out = (font_.styles & fsStrikeOut) != 0;
  f.charset = font_.charset;
  f.pitch = font_.pitch;
  f.face_name = IsDefaultFaceName(font_.face_name) ? "MS Sans Serif" : font_.face_name;
  dc_.text_color = ResolveColor(font_.color);
  dc_.font_applied = true;
}

void Surface::ApplyPending() {
  ApplyPen();
  ApplyBrush();
  ApplyFont();
}

bool Surface::SetBkMode(int32_t mode) {
  if (mode != bkTransparent && mode != bkOpaque) return false;
  dc_.bk_mode = mode;
  return true;
}

Surface::PatternBrush Surface::ApplyBrushForPattern() {
  ApplyBrush();
  return {dc_.brush.style, dc_.brush.color, dc_.bk_color, dc_.bk_mode == bkOpaque};
}

void Surface::ResetContext() { dc_ = DeviceContext{}; }

}  // namespace raster
