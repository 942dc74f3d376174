#include "platform/fonts/realised_font.h"

#include FT_BITMAP_H
#include FT_OUTLINE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <cstring>

#include "platform/fonts/vertical.h"

namespace fonts {
namespace {

// Masks up to this many pixels are cached; bigger glyphs are rendered, for
// the visible part only, each time they are drawn.
constexpr int64_t kCachedGlyphPixels = 256 * 256;
// When a font's cached masks grow past this, they are dropped and rebuilt.
constexpr size_t kCacheBudgetBytes = size_t{32} << 20;
// Characters whose glyphs a font remembers before it starts afresh.
constexpr size_t kMaxGlyphEntries = 65536;
// Slant of a synthesised oblique face (x += 0.2126 * y), as 16.16.
constexpr FT_Fixed kObliqueShear = 0x0366A;

bool IsControl(char32_t cp) { return cp < 0x20 || (cp >= 0x7F && cp < 0xA0); }

int RoundToInt(double v) { return static_cast<int>(std::lround(v)); }

// The face's ascent and descent in font units, as the host's logical fonts
// use them: the OS/2 Windows metrics, else the horizontal header.
void DesignAscentDescent(FT_Face face, double* ascent, double* descent) {
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  if (os2 && os2->version != 0xFFFF && os2->usWinAscent + os2->usWinDescent > 0) {
    *ascent = os2->usWinAscent;
    *descent = os2->usWinDescent;
    return;
  }
  const auto* hhea = static_cast<const TT_HoriHeader*>(FT_Get_Sfnt_Table(face, FT_SFNT_HHEA));
  if (hhea && hhea->Ascender - hhea->Descender > 0) {
    *ascent = hhea->Ascender;
    *descent = -hhea->Descender;
    return;
  }
  *ascent = face->ascender;
  *descent = -face->descender;
  if (*ascent + *descent <= 0) *ascent = face->units_per_EM, *descent = 0;
}

}  // namespace

RealisedFont::RealisedFont(const LogFont& font) : font_(font), vertical_(font.face_name.starts_with('@')) {
  const std::optional<FaceFile> main = MatchFace(font_);
  if (!main) throw FontError("no installed font can realise \"" + font_.face_name + "\"");
  OpenSlot(*main);
  ComputeMetrics();
}

RealisedFont::~RealisedFont() {
  for (Slot& slot : slots_) FT_Done_Face(slot.face);
}

Realisation RealisedFont::Describe() const {
  const FaceFile& f = slots_.front().file;
  return {f.family, f.file, f.synthetic_bold, f.synthetic_oblique};
}

int RealisedFont::OpenSlot(const FaceFile& file) {
  for (size_t i = 0; i < slots_.size(); ++i)
    if (slots_[i].file.file == file.file && slots_[i].file.index == file.index) return static_cast<int>(i);
  Slot slot;
  slot.file = file;
  if (FT_New_Face(FreeType(), file.file.c_str(), file.index, &slot.face) != 0)
    throw FontError("the font file \"" + file.file + "\" cannot be opened");
  if (!FT_IS_SCALABLE(slot.face) || slot.face->units_per_EM == 0) {
    FT_Done_Face(slot.face);
    throw FontError("the font file \"" + file.file + "\" has no outlines");
  }
  if (!slots_.empty()) FT_Set_Pixel_Sizes(slot.face, 0, static_cast<FT_UInt>(metrics_.em));
  if (vertical_) slot.vertical_forms = ReadVerticalForms(slot.face);
  slots_.push_back(std::move(slot));
  return static_cast<int>(slots_.size()) - 1;
}

void RealisedFont::ComputeMetrics() {
  FT_Face face = slots_.front().face;
  double ascent = 0, descent = 0;
  DesignAscentDescent(face, &ascent, &descent);
  const double upem = face->units_per_EM;
  const int64_t requested = font_.height == 0 ? 16 : font_.height;
  FontMetrics& m = metrics_;
  if (requested > 0) {  // cell height
    const double cell = static_cast<double>(std::min<int64_t>(requested, int64_t{1} << 24));
    m.em = RoundToInt(cell * upem / (ascent + descent));
    m.ascent = RoundToInt(cell * ascent / (ascent + descent));
    m.descent = static_cast<int>(cell) - m.ascent;
  }
  if (requested < 0 || m.em > kMaxEmPixels) {  // character height
    m.em = static_cast<int>(std::min<int64_t>(requested < 0 ? -requested : kMaxEmPixels, kMaxEmPixels));
    m.ascent = RoundToInt(ascent * m.em / upem);
    m.descent = RoundToInt(descent * m.em / upem);
  }
  m.em = std::max(m.em, 1);
  m.cell_height = m.ascent + m.descent;
  if (FT_Set_Pixel_Sizes(face, 0, static_cast<FT_UInt>(m.em)) != 0)
    throw FontError("the font \"" + slots_.front().file.family + "\" cannot be scaled");

  const double scale = m.em / upem;
  const int under = std::max(1, RoundToInt(face->underline_thickness * scale));
  m.underline_thickness = std::min(under, std::max(1, m.cell_height));
  m.underline_top = RoundToInt(m.ascent - face->underline_position * scale - under / 2.0);
  m.underline_top = std::clamp(m.underline_top, 0, std::max(0, m.cell_height - m.underline_thickness));
  const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
  const bool has_strike = os2 && os2->version != 0xFFFF && os2->yStrikeoutSize > 0;
  m.strike_thickness =
      has_strike ? std::max(1, RoundToInt(os2->yStrikeoutSize * scale)) : m.underline_thickness;
  m.strike_top =
      m.ascent - (has_strike ? RoundToInt(os2->yStrikeoutPosition * scale) : RoundToInt(m.em * 0.3));
  m.strike_top = std::clamp(m.strike_top, 0, std::max(0, m.cell_height - m.strike_thickness));
  bold_pixels_ = std::max(1, m.em / 24);
}

RealisedFont::Glyph& RealisedFont::Lookup(char32_t cp) {
  if (cp < latin_.size() && latin_[cp]) return *latin_[cp];
  auto it = glyphs_.find(cp);
  if (it == glyphs_.end()) {
    if (glyphs_.size() >= kMaxGlyphEntries) {  // a text of countless distinct characters
      glyphs_.clear();
      latin_.fill(nullptr);
      cached_bytes_ = 0;
    }
    it = glyphs_.emplace(cp, MakeGlyph(cp)).first;
  }
  if (cp < latin_.size()) latin_[cp] = &it->second;
  return it->second;
}

RealisedFont::Glyph RealisedFont::MakeGlyph(char32_t cp) {
  Glyph glyph;
  uint32_t index = FT_Get_Char_Index(slots_.front().face, cp);
  int slot = 0;
  if (index == 0 && IsControl(cp)) return glyph;  // nothing to draw, no advance
  if (index == 0) {
    if (!fallback_) fallback_ = std::make_unique<FallbackFaces>(font_);
    if (const std::optional<FaceFile> file = fallback_->For(cp)) {
      const int s = OpenSlot(*file);
      if ((index = FT_Get_Char_Index(slots_[static_cast<size_t>(s)].face, cp)) != 0) slot = s;
    }
  }
  if (vertical_ && index != 0 && UprightInVerticalText(cp)) {
    glyph.turned = true;
    const auto& forms = slots_[static_cast<size_t>(slot)].vertical_forms;
    if (const auto it = forms.find(index); it != forms.end()) index = it->second;
  }
  PlaceGlyph(slot, index, glyph);
  return glyph;
}

// Moves the glyph's vertical origin (the top middle of its column) to the
// pen position and turns it a quarter counter-clockwise, (x, y) -> (-y, x):
// the column runs to the right, along the line, with its middle on the
// middle row of the character cell.
void RealisedFont::TurnUpright(FT_GlyphSlot g) const {
  const FT_Glyph_Metrics& m = g->metrics;
  FT_Outline_Translate(&g->outline, m.vertBearingX - m.horiBearingX, -(m.horiBearingY + m.vertBearingY));
  FT_Matrix turn{0, -0x10000, 0x10000, 0};
  FT_Outline_Transform(&g->outline, &turn);
  FT_Outline_Translate(&g->outline, 0, static_cast<FT_Pos>(metrics_.ascent) * 64 - metrics_.cell_height * 32);
}

FT_Outline* RealisedFont::LoadOutline(const Glyph& glyph) {
  const Slot& s = slots_[static_cast<size_t>(glyph.slot)];
  if (FT_Load_Glyph(s.face, glyph.index, FT_LOAD_NO_BITMAP | FT_LOAD_TARGET_NORMAL) != 0) return nullptr;
  FT_GlyphSlot g = s.face->glyph;
  if (g->format != FT_GLYPH_FORMAT_OUTLINE) return nullptr;
  if (glyph.turned) TurnUpright(g);
  if (s.file.synthetic_bold) FT_Outline_EmboldenXY(&g->outline, bold_pixels_ * 64, 0);
  if (s.file.synthetic_oblique) {
    FT_Matrix shear{0x10000, kObliqueShear, 0, 0x10000};
    FT_Outline_Transform(&g->outline, &shear);
  }
  return &g->outline;
}

void RealisedFont::PlaceGlyph(int slot, uint32_t index, Glyph& glyph) {
  glyph.slot = slot;
  glyph.index = index;
  FT_Outline* outline = LoadOutline(glyph);
  if (!outline) return;
  const Slot& s = slots_[static_cast<size_t>(slot)];
  const FT_Pos advance = glyph.turned ? s.face->glyph->metrics.vertAdvance : s.face->glyph->advance.x;
  glyph.advance = static_cast<int>((advance + 32) >> 6);
  if (s.file.synthetic_bold) glyph.advance += bold_pixels_;
  if (outline->n_points == 0) return;
  FT_BBox box;
  FT_Outline_Get_CBox(outline, &box);
  const FT_Pos x0 = box.xMin >> 6, x1 = (box.xMax + 63) >> 6;
  const FT_Pos y0 = box.yMin >> 6, y1 = (box.yMax + 63) >> 6;
  if (x1 <= x0 || y1 <= y0) return;
  glyph.left = static_cast<int>(x0);
  glyph.top = metrics_.ascent - static_cast<int>(y1);
  glyph.width = static_cast<int>(x1 - x0);
  glyph.height = static_cast<int>(y1 - y0);
  glyph.drawable = true;
}

// Renders the part [x0, x0 + w) x [y0, y0 + h) of a glyph's box into `out`
// (w x h bytes, zeroed here).
void RealisedFont::RenderPart(const Glyph& glyph, int x0, int y0, int w, int h, uint8_t* out) {
  std::memset(out, 0, static_cast<size_t>(w) * static_cast<size_t>(h));
  FT_Outline* outline = LoadOutline(glyph);
  if (!outline) return;
  // Bring the part's top-left corner to the bitmap's top-left corner.
  const FT_Pos box_top = metrics_.ascent - glyph.top;  // y1 of the box, y up
  FT_Outline_Translate(outline, -static_cast<FT_Pos>(glyph.left + x0) * 64,
                       (static_cast<FT_Pos>(y0) + h - box_top) * 64);
  FT_Bitmap bitmap;
  FT_Bitmap_Init(&bitmap);
  bitmap.rows = static_cast<unsigned>(h);
  bitmap.width = static_cast<unsigned>(w);
  bitmap.pitch = w;
  bitmap.buffer = out;
  bitmap.num_grays = 256;
  bitmap.pixel_mode = FT_PIXEL_MODE_GRAY;
  FT_Outline_Get_Bitmap(FreeType(), outline, &bitmap);
}

const std::vector<uint8_t>& RealisedFont::CachedMask(Glyph& glyph) {
  if (glyph.mask.empty()) {
    const size_t bytes = static_cast<size_t>(glyph.width) * static_cast<size_t>(glyph.height);
    if (cached_bytes_ + bytes > kCacheBudgetBytes) {
      for (auto& entry : glyphs_) std::vector<uint8_t>().swap(entry.second.mask);
      cached_bytes_ = 0;
    }
    glyph.mask.resize(bytes);
    RenderPart(glyph, 0, 0, glyph.width, glyph.height, glyph.mask.data());
    cached_bytes_ += bytes;
  }
  return glyph.mask;
}

int64_t RealisedFont::Width(std::u32string_view text) {
  int64_t width = 0;
  for (char32_t cp : text) width += Lookup(cp).advance;
  return width;
}

int64_t RealisedFont::Render(std::u32string_view text, const Rect& clip,
                             const std::function<void(const GlyphPiece&)>& visit) {
  int64_t pen = 0;
  for (char32_t cp : text) {
    Glyph& g = Lookup(cp);
    const int64_t gx = pen + g.left;
    pen += g.advance;
    if (!g.drawable) continue;
    const int64_t x0 = std::max(gx, clip.x0), x1 = std::min(gx + g.width, clip.x1);
    const int64_t y0 = std::max<int64_t>(g.top, clip.y0), y1 = std::min<int64_t>(g.top + g.height, clip.y1);
    if (x0 >= x1 || y0 >= y1) continue;
    const int px = static_cast<int>(x0 - gx), py = static_cast<int>(y0 - g.top);
    const int pw = static_cast<int>(x1 - x0), ph = static_cast<int>(y1 - y0);
    GlyphPiece piece{nullptr, pw, ph, 0, x0, y0};
    if (int64_t{g.width} * g.height <= kCachedGlyphPixels) {
      const std::vector<uint8_t>& mask = CachedMask(g);
      piece.coverage =
          mask.data() + static_cast<size_t>(py) * static_cast<size_t>(g.width) + static_cast<size_t>(px);
      piece.stride = g.width;
    } else {
      scratch_.resize(static_cast<size_t>(pw) * static_cast<size_t>(ph));
      RenderPart(g, px, py, pw, ph, scratch_.data());
      piece.coverage = scratch_.data();
      piece.stride = pw;
    }
    visit(piece);
  }
  return pen;
}

}  // namespace fonts
