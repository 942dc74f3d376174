// Process-wide font machinery shared by the units of this folder: one lock
// that serialises all font work, the FreeType library and the fontconfig
// configuration.
#pragma once
#include <ft2build.h>
#include FT_FREETYPE_H
#include <fontconfig/fontconfig.h>

#include <mutex>
#include <stdexcept>
#include <string>

namespace fonts {

class FontError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// The lock every public function of the folder holds while it works.
std::mutex& FontLock();

// The FreeType library (made on first use); call with FontLock() held.
FT_Library FreeType();

// The fontconfig configuration (loaded on first use); call with FontLock() held.
FcConfig* FontConfig();

}  // namespace fonts
