// The drawing surface of a bitmap: the pen, brush and font a script sets, the
// copy mode used when another image is drawn onto it, and the device context
// they are applied to.  Made by Bitmap::Canvas() on first use.
//
// Two layers of state live here.  The *pending* state (pen, brush, font) is
// what the properties read and write; it survives for the bitmap's life.  The
// *device context* holds what has been applied (the selected pen, brush and
// font), the background colour and mode, the text colour and the current
// position; it is made anew (nothing applied, defaults) whenever the bitmap
// gets new storage, a new format or a new image.  The figure primitives draw
// with the device context's selected objects, never with the pending state, so
// an operation sees exactly what its caller applied.
#pragma once
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "platform/fonts/fonts.h"
#include "platform/raster/colour.h"

namespace raster {

class Bitmap;
class PixelStorage;

enum PenStyle : int32_t { psSolid = 0, psDash, psDot, psDashDot, psDashDotDot, psClear, psInsideFrame };
enum BrushStyle : int32_t {
  bsSolid = 0,
  bsClear,
  bsHorizontal,
  bsVertical,
  bsFDiagonal,
  bsBDiagonal,
  bsCross,
  bsDiagCross
};

// Font style bits.
enum FontStyleBits : uint8_t { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
// Font pitch as the platform font request carries it.
enum FontPitch : uint8_t { fpDefault = 0, fpFixed = 1, fpVariable = 2 };
// Background modes of the device context.
enum BkModeValue : int32_t { bkTransparent = 1, bkOpaque = 2 };
// Flood-fill modes (the platform's values).
enum FloodFillMode : int32_t { ffBorder = 0, ffSurface = 1 };

// Raster-operation codes of the blits (the platform's named ROP3 values).
inline constexpr uint32_t kSrcCopy = 0x00CC0020;

// Pixels per inch of the (virtual) screen that font sizes are measured on.
inline constexpr int32_t kScreenPixelsPerInch = 96;
// Longest face name a font request carries, in bytes.
inline constexpr size_t kFaceNameMaxBytes = 31;

// The platform's MulDiv: a * b / c in 64 bits, rounded to nearest with halves
// away from zero; -1 when c is 0 (the platform's failure value).
int32_t MulDiv(int32_t a, int32_t b, int32_t c);

// Cuts UTF-8 text to at most `max_bytes` bytes without splitting a character.
std::string CutUtf8(std::string_view text, size_t max_bytes);

struct Point {
  int32_t x = 0;
  int32_t y = 0;
  bool operator==(const Point&) const = default;
};

// The pending font of a surface (what the font properties read and write).
struct FontState {
  ColorRef color = 0x80000008;  // the system colour of window text
  int32_t height = -11;         // -MulDiv(8, 96, 72): 8 points
  std::string face_name = "MS Sans Serif";
  uint8_t styles = 0;   // FontStyleBits
  uint8_t charset = 1;  // DEFAULT_CHARSET
  FontPitch pitch = fpDefault;
};

// The width and height of a text, as the device context measures it.
struct Size {
  int32_t cx = 0;
  int32_t cy = 0;
};

class Surface {
 public:
  explicit Surface(Bitmap& owner);
  ~Surface();
  Surface(const Surface&) = delete;
  Surface& operator=(const Surface&) = delete;

  // --- pending pen.  A put of a different value marks the pen not applied.
  ColorRef PenColor() const { return pen_color_; }
  PenStyle GetPenStyle() const { return pen_style_; }
  int32_t PenWidth() const { return pen_width_; }
  void SetPenColor(ColorRef c);
  void SetPenStyle(PenStyle s);
  void SetPenWidth(int32_t w);

  // --- pending brush.  Setting the style to bsClear also makes the colour
  // white; setting the colour while the style is bsClear makes it bsSolid.
  ColorRef BrushColor() const { return brush_color_; }
  BrushStyle GetBrushStyle() const { return brush_style_; }
  void SetBrushColor(ColorRef c);
  void SetBrushStyle(BrushStyle s);

  // --- pending font.  The face name is UTF-8, cut to 31 bytes at a character
  // boundary.
  const FontState& Font() const { return font_; }
  ColorRef FontColor() const { return font_.color; }
  int32_t FontHeight() const { return font_.height; }
  const std::string& FontName() const { return font_.face_name; }
  uint8_t FontStyles() const { return font_.styles; }
  uint8_t FontCharset() const { return font_.charset; }
  FontPitch GetFontPitch() const { return font_.pitch; }
  void SetFontColor(ColorRef c);
  void SetFontHeight(int32_t h);
  void SetFontName(std::string_view utf8);
  void SetFontStyles(uint8_t styles);
  void SetFontCharset(uint8_t charset);
  void SetFontPitch(FontPitch pitch);

  // --- applying the pending state to the device context.  Each applies only
  // when its part is not applied yet in the current context.
  bool PenApplied() const { return dc_.pen_applied; }
  bool BrushApplied() const { return dc_.brush_applied; }
  bool FontApplied() const { return dc_.font_applied; }
  void ApplyPen();
  // Selects the brush and sets the background: a solid brush gives its
  // resolved colour, opaque; any other the complement of it, transparent.
  void ApplyBrush();
  // Selects the font and sets the text colour to the resolved font colour.
  void ApplyFont();
  void ApplyPending();  // pen, brush and font

  // --- device-context state.
  ColorRef BkColor() const { return dc_.bk_color; }
  void SetBkColor(ColorRef c) { dc_.bk_color = c; }  // stored unchanged
  int32_t BkMode() const { return dc_.bk_mode; }
  // 1 (transparent) or 2 (opaque); any other value is refused: returns false
  // and the mode stays.
  bool SetBkMode(int32_t mode);
  ColorRef TextColor() const { return dc_.text_color; }
  // The font request as applied ("Default" already replaced by
  // "MS Sans Serif"); the text operations draw and measure with it.
  const fonts::LogFont& GetSelectedFont() const { return dc_.font; }
  Point CurrentPosition() const { return dc_.position; }
  void MoveTo(int32_t x, int32_t y) { dc_.position = {x, y}; }

  // Applies the pending brush and reports what a pattern blit needs.  The
  // brush colour comes resolved (system colours become RGB).
  struct PatternBrush {
    BrushStyle style;
    ColorRef color;
    ColorRef bk_color;
    bool bk_opaque;
  };
  PatternBrush ApplyBrushForPattern();

  // Copy mode: the raster operation used when another image is drawn here.
  uint32_t CopyMode() const { return copy_mode_; }
  void SetCopyMode(uint32_t rop) { copy_mode_ = rop; }

  // Paints all of `storage` (new storage of the owner) with the current
  // pending brush as the rectangle fill paints it (hatch gaps follow the
  // background rule of that brush); a clear brush paints nothing.
  void FillWithBrush(PixelStorage& storage);

  // Called by the bitmap when it gets new storage, a new format or a new
  // image: a new device context, nothing applied in it.
  void ResetContext();

  // --- primitives.  They draw with the selected pen and brush and the
  // device context's background; everything outside the bitmap is clipped.
  // Bounding rectangles cover x1..x2-1 and y1..y2-1 (corners in any order).
  void LineTo(int32_t x, int32_t y);  // end point excluded; moves the position
  void Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2);
  void RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t corner_w, int32_t corner_h);
  // Arc / chord / pie: counter-clockwise from the ray through (xs, ys) to
  // the ray through (xe, ye), both from the ellipse's centre.
  void Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe, int32_t ye);
  void Chord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe, int32_t ye);
  void Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe, int32_t ye);
  // Cubic Bézier curves: 1 + 3n points; other counts draw nothing.
  void PolyBezier(std::span<const Point> points);
  // Writes a colour (forms resolved as the device does); false outside.
  bool SetPixel(int32_t x, int32_t y, ColorRef c);
  // The pixel's explicit colour, kInvalidColor outside the bitmap.
  ColorRef GetPixel(int32_t x, int32_t y) const;
  // Fills with the selected brush; false when nothing qualifies.
  bool ExtFloodFill(int32_t x, int32_t y, ColorRef c, FloodFillMode mode);
  // Fills x1..x2-1, y1..y2-1 with one colour (text cell backgrounds).
  void FillSolidRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, ColorRef c);

  // --- text, in the selected font.  Both treat the text as one line of
  // UTF-8; control characters are not interpreted.
  // Draws the text with the reference point (the top-left corner of its
  // first character cell) at (x, y): with an opaque background mode every
  // character cell is first filled with the background colour; then the
  // glyphs and the font's underline and strike-out lines in the text colour.
  // Returns the text's advance (its width); an empty bitmap is not drawn on.
  int64_t TextOut(int32_t x, int32_t y, std::string_view text);
  // The width (the sum of the characters' advances, clamped to 32 bits) and
  // the cell height; an empty text is 0 wide.
  Size GetTextExtent(std::string_view text) const;

 private:
  friend class Rasterizer;

  // What a device context holds; default-constructed for a new context.
  struct SelectedPen {
    PenStyle style = psSolid;
    int32_t width = 1;
    ColorRef color = 0;  // resolved
  };
  struct SelectedBrush {
    BrushStyle style = bsSolid;
    ColorRef color = 0x00FFFFFF;  // resolved
  };
  struct DeviceContext {
    bool pen_applied = false;
    bool brush_applied = false;
    bool font_applied = false;
    SelectedPen pen;
    SelectedBrush brush;
    fonts::LogFont font;
    ColorRef bk_color = 0x00FFFFFF;
    int32_t bk_mode = bkOpaque;
    ColorRef text_color = 0;
    Point position;
  };

  Bitmap& owner_;
  ColorRef pen_color_ = 0;
  PenStyle pen_style_ = psSolid;
  int32_t pen_width_ = 1;
  ColorRef brush_color_ = 0x00FFFFFF;
  BrushStyle brush_style_ = bsSolid;
  FontState font_;
  uint32_t copy_mode_ = kSrcCopy;
  DeviceContext dc_;
};

}  // namespace raster
