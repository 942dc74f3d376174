// The image types a script names by type word or file extension.
#pragma once
#include <cstdint>

namespace zelnor {

enum ImageType : uint8_t { itUnknown = 0, itJPEG = 1, itGIF = 2, itPNG = 3, itBMP = 4 };

}  // namespace zelnor
