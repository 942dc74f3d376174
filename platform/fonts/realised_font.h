// A logical font realised on installed faces: metrics, per-character glyphs
// (with fallback faces for characters the main face lacks) and a cache of
// rendered coverage masks.  It belongs to one thread (its faces come from
// that thread's FreeType library).
//
// A face name starting with "@" asks for vertical writing, drawn turned by
// 90 degrees as the host draws it along a horizontal line: characters that
// stand upright in a vertical line (ideographs, kana, ...) take the face's
// vertical forms and are turned a quarter counter-clockwise about the
// middle of the character cell, advancing by their vertical advance; the
// others stay as they are.
#pragma once
#include <array>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "platform/fonts/fonts.h"
#include "platform/fonts/library.h"
#include "platform/fonts/match.h"

namespace fonts {

class RealisedFont {
 public:
  explicit RealisedFont(const LogFont& font);  // throws FontError when no face fits
  ~RealisedFont();
  RealisedFont(const RealisedFont&) = delete;
  RealisedFont& operator=(const RealisedFont&) = delete;

  const FontMetrics& Metrics() const { return metrics_; }
  Realisation Describe() const;
  int64_t Width(std::u32string_view text);
  int64_t Render(std::u32string_view text, const Rect& clip,
                 const std::function<void(const GlyphPiece&)>& visit);

 private:
  struct Slot {
    FT_Face face = nullptr;
    FaceFile file;
    std::unordered_map<uint32_t, uint32_t> vertical_forms;  // read for "@" fonts only
  };
  struct Glyph {
    int slot = 0;
    uint32_t index = 0;
    bool drawable = false;
    bool turned = false;  // set upright in a vertical line, so turned with it
    int advance = 0;
    int left = 0, top = 0, width = 0, height = 0;  // box relative to pen x and cell top
    std::vector<uint8_t> mask;                     // cached coverage, width x height
  };

  int OpenSlot(const FaceFile& file);
  void ComputeMetrics();
  Glyph& Lookup(char32_t cp);
  Glyph MakeGlyph(char32_t cp);
  void PlaceGlyph(int slot, uint32_t index, Glyph& glyph);
  FT_Outline* LoadOutline(const Glyph& glyph);
  void TurnUpright(FT_GlyphSlot g) const;
  void RenderPart(const Glyph& glyph, int x0, int y0, int w, int h, uint8_t* out);
  const std::vector<uint8_t>& CachedMask(Glyph& glyph);

  LogFont font_;
  bool vertical_ = false;
  std::vector<Slot> slots_;
  std::unique_ptr<FallbackFaces> fallback_;  // made when a character first needs it
  FontMetrics metrics_;
  int bold_pixels_ = 0;
  std::unordered_map<char32_t, Glyph> glyphs_;
  std::array<Glyph*, 256> latin_{};
  size_t cached_bytes_ = 0;
  std::vector<uint8_t> scratch_;
};

}  // namespace fonts
