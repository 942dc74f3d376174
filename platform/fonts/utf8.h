// Decoding UTF-8 text into code points.
#pragma once
#include <string>
#include <string_view>

namespace fonts {

// Every malformed or overlong sequence, surrogate or value past U+10FFFF
// becomes one U+FFFD, and decoding goes on with the next byte.
std::u32string DecodeUtf8(std::string_view text);

}  // namespace fonts
