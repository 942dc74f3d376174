// Title comparison of the window search.
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

#include "platform/system/windows.h"

namespace sysplat {

namespace {

// Strict UTF-8 decoding: overlong forms, surrogates and values above U+10FFFF
// are refused.
std::optional<std::vector<char32_t>> DecodeUtf8(std::string_view text) {
  std::vector<char32_t> out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const auto lead = static_cast<uint8_t>(text[i]);
    const int extra = lead < 0x80         ? 0
                      : (lead >> 5) == 6  ? 1
                      : (lead >> 4) == 14 ? 2
                      : (lead >> 3) == 30 ? 3
                                          : -1;
    if (extra < 0 || i + static_cast<size_t>(extra) >= text.size()) return std::nullopt;
    char32_t c = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int k = 1; k <= extra; ++k) {
      const auto next = static_cast<uint8_t>(text[i + static_cast<size_t>(k)]);
      if ((next & 0xC0) != 0x80) return std::nullopt;
      c = (c << 6) | (next & 0x3F);
    }
    constexpr char32_t kSmallest[] = {0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[extra] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return std::nullopt;
    out.push_back(c);
    i += static_cast<size_t>(extra) + 1;
  }
  return out;
}

// Latin Extended-A pairs capital and small letters; the capital is even in
// these runs and odd in the others.
bool InEvenCapitalRun(char32_t c) {
  return (c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177);
}
bool InOddCapitalRun(char32_t c) { return (c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E); }

char32_t FoldGreekAndCyrillic(char32_t c) {
  if (c == 0x0386) return 0x03AC;
  if (c >= 0x0388 && c <= 0x038A) return c + 37;
  if (c == 0x038C) return 0x03CC;
  if (c == 0x038E || c == 0x038F) return c + 63;
  if ((c >= 0x0391 && c <= 0x03A1) || (c >= 0x03A3 && c <= 0x03AB)) return c + 32;
  if (c == 0x03C2) return 0x03C3;  // final sigma
  if (c >= 0x0400 && c <= 0x040F) return c + 80;
  if (c >= 0x0410 && c <= 0x042F) return c + 32;
  return c;
}

char32_t FoldCase(char32_t c) {
  if (c >= 'A' && c <= 'Z') return c + 32;
  if (c < 0x80) return c;
  if (c >= 0xC0 && c <= 0xDE && c != 0xD7) return c + 32;
  if (InEvenCapitalRun(c)) return c | 1;
  if (InOddCapitalRun(c)) return (c & 1) ? c + 1 : c;
  if (c == 0x0178) return 0x00FF;
  if (c == 0x017F) return 's';
  if (c >= 0xFF21 && c <= 0xFF3A) return c + 32;  // full-width Latin capitals
  return FoldGreekAndCyrillic(c);
}

}  // namespace

bool TitlesMatch(std::string_view a, std::string_view b) {
  const std::optional<std::vector<char32_t>> da = DecodeUtf8(a), db = DecodeUtf8(b);
  if (!da || !db) return a == b;
  if (da->size() != db->size()) return false;
  for (size_t i = 0; i < da->size(); ++i)
    if (FoldCase((*da)[i]) != FoldCase((*db)[i])) return false;
  return true;
}

}  // namespace sysplat
