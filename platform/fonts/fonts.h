// Fonts of the 2D engine: logical fonts realised through fontconfig and
// FreeType with the host's logical-font rules, text extents, glyph coverage
// masks for text output, and the list of installed typefaces.
//
// Logical font rules:
// - height < 0: the character (em) height in pixels; height > 0: the cell
//   height (ascent + descent) in pixels; 0: a 16-pixel cell.  The realised em
//   is at most kMaxEmPixels.
// - Ascent and descent come from the face's own Windows metrics (OS/2
//   usWinAscent/usWinDescent, else the horizontal header), scaled to the em.
// - weight >= 600 asks for a bold face, italic for an italic or oblique face;
//   where the family has none, the regular face is emboldened (and its
//   advances widened by the stroke) or slanted.
// - Underline and strike-out lines use the face's post and OS/2 metrics.
// - The face name is looked up through fontconfig, with a small table of
//   common host face names mapped to installed families; a name nobody has
//   falls back through fontconfig's substitution.  A leading "@" asks for
//   vertical writing on the named face, drawn turned by 90 degrees along the
//   horizontal line: characters that stand upright in vertical text take
//   the face's vertical forms and are turned a quarter counter-clockwise
//   about the middle of the cell, advancing by their vertical advance
//   (reading the picture turned a quarter clockwise shows them upright in a
//   vertical line); other characters are drawn as without the "@".
// - Text is UTF-8.  Each character is one glyph with its own advance (no
//   kerning, no shaping).  A character the face lacks is drawn from another
//   installed face that has it; when no face has it, the face's missing-glyph
//   box is drawn.  Control characters (U+0000-U+001F, U+007F-U+009F) draw the
//   face's own glyph when it maps one, otherwise nothing and advance 0.
//
// All functions are safe to call from several threads, and text from
// several threads runs in parallel: each thread realises its fonts and
// caches their glyphs for itself; only fontconfig's configuration is shared,
// under a lock taken when a font is first realised on a thread.
#pragma once
#include <compare>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fonts {

// Pixels per inch of the screen for font sizes.
inline constexpr int kScreenDpi = 96;
// Largest em the fonts are realised at, in pixels.
inline constexpr int kMaxEmPixels = 8192;

enum Pitch : uint8_t { kDefaultPitch = 0, kFixedPitch = 1, kVariablePitch = 2 };

struct LogFont {
  int32_t height = 0;
  int32_t weight = 400;
  bool italic = false;
  bool underline = false;
  bool strike_out = false;
  uint8_t charset = 1;
  uint8_t pitch = kDefaultPitch;
  std::string face_name;
  auto operator<=>(const LogFont&) const = default;
};

// Metrics of a realised font, in pixels.  Line positions are rows measured
// from the top of the character cell.
struct FontMetrics {
  int ascent = 0;
  int descent = 0;
  int cell_height = 0;  // ascent + descent
  int em = 0;
  int underline_top = 0;
  int underline_thickness = 1;
  int strike_top = 0;
  int strike_thickness = 1;
};
FontMetrics GetFontMetrics(const LogFont& font);

// Width (the sum of the characters' advances) and height (the cell height)
// of a text; an empty text measures 0 x cell height.
struct TextExtent {
  int64_t cx = 0;
  int32_t cy = 0;
};
TextExtent MeasureText(const LogFont& font, std::string_view utf8);

// A rectangle [x0, x1) x [y0, y1).
struct Rect {
  int64_t x0 = 0, y0 = 0, x1 = 0, y1 = 0;
};

// One visible piece of a glyph: 8-bit coverage (0 = none, 255 = full) with
// its top-left corner relative to the text's reference point.
struct GlyphPiece {
  const uint8_t* coverage = nullptr;
  int width = 0;
  int height = 0;
  int64_t stride = 0;
  int64_t x = 0;
  int64_t y = 0;
};

// Lays out a text with its reference point (the top-left corner of the
// first character cell) at (0, 0) and hands every glyph piece inside `clip`
// (same coordinates) to `visit`.  Glyphs outside the clip are never rendered,
// so huge fonts cost only what is visible.  Returns the text width.
int64_t RenderText(const LogFont& font, std::string_view utf8, const Rect& clip,
                   const std::function<void(const GlyphPiece&)>& visit);

// Which installed face realises a logical font (for diagnostics and tests).
struct Realisation {
  std::string family;
  std::string file;
  bool synthetic_bold = false;
  bool synthetic_oblique = false;
};
Realisation DescribeRealisation(const LogFont& font);

// One typeface as the enumeration reports it.  `truetype` marks scalable
// sfnt-based faces (TrueType outlines, and OpenType with TrueType or CFF
// outlines).  TrueType typefaces for a language written vertically
// (Japanese, Korean, Chinese) are reported a second time as "@" + name.
// Everything comes from fontconfig's cache; no font file is opened.
struct FaceInfo {
  std::string name;
  bool truetype = false;
};
using FaceEnumerator = std::function<std::vector<FaceInfo>()>;

// The installed typefaces: every family name fontconfig knows (a face with
// several names, e.g. an English and a Japanese one, gives each), once each,
// in fontconfig's order, each "@" variant right after its name.
std::vector<FaceInfo> EnumerateFaces();
// Replaces what EnumerateFaces reports (an empty function restores the
// installed fonts); lets callers test the list's filters on chosen sets.
void SetFaceEnumerator(FaceEnumerator enumerator);

// Orders two face names without regard to case (Unicode case folding):
// negative, zero or positive.  Names that differ only in case compare equal.
int CompareFaceNames(const std::string& a, const std::string& b);

// Empties the cache of realised fonts (fonts installed since are then found).
void ClearFontCache();

}  // namespace fonts
