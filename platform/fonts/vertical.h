// Vertical writing for "@" faces: which characters stand upright in a
// vertical line, and the face's own vertical forms of its glyphs.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H

#include <cstdint>
#include <unordered_map>
#include <vector>

namespace fonts {

// True for characters set upright in vertical text (ideographs, kana,
// Hangul, full-width forms, CJK symbols and punctuation and the like);
// others (Latin, digits of half width, ...) are set sideways, turned with
// the line.
bool UprightInVerticalText(char32_t cp);

// The glyph substitutions of the face's vertical-forms feature ('vert', or
// 'vrt2' when the face has no 'vert'): glyph index -> vertical form.  Empty
// for faces without one; damaged tables give what can be read safely.
std::unordered_map<uint32_t, uint32_t> ReadVerticalForms(FT_Face face);
// The same from the bytes of a GSUB table.
std::unordered_map<uint32_t, uint32_t> VerticalFormsOf(std::vector<uint8_t> gsub_table);

}  // namespace fonts
