#include "platform/fonts/utf8.h"

#include <cstdint>

namespace fonts {
namespace {

constexpr char32_t kReplacement = 0xFFFD;

// Length of the sequence a lead byte starts (0 for a byte that cannot lead),
// and the smallest code point that length may encode.
int SequenceLength(uint8_t lead, char32_t* minimum) {
  if (lead < 0x80) return *minimum = 0, 1;
  if (lead >= 0xC2 && lead <= 0xDF) return *minimum = 0x80, 2;
  if (lead >= 0xE0 && lead <= 0xEF) return *minimum = 0x800, 3;
  if (lead >= 0xF0 && lead <= 0xF4) return *minimum = 0x10000, 4;
  return 0;
}

}  // namespace

std::u32string DecodeUtf8(std::string_view text) {
  std::u32string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const uint8_t lead = static_cast<uint8_t>(text[i]);
    char32_t minimum = 0;
    const int length = SequenceLength(lead, &minimum);
    if (length == 1) {
      out.push_back(lead);
      ++i;
      continue;
    }
    char32_t cp = length == 2 ? lead & 0x1F : length == 3 ? lead & 0x0F : lead & 0x07;
    int taken = 1;
    while (length > 1 && taken < length && i + taken < text.size()) {
      const uint8_t b = static_cast<uint8_t>(text[i + taken]);
      if ((b & 0xC0) != 0x80) break;
      cp = (cp << 6) | (b & 0x3F);
      ++taken;
    }
    const bool ok =
        length > 1 && taken == length && cp >= minimum && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    out.push_back(ok ? cp : kReplacement);
    i += ok ? static_cast<size_t>(length) : static_cast<size_t>(taken);
  }
  return out;
}

}  // namespace fonts
