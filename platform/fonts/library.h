// Process-wide font machinery shared by the units of this folder: the
// fontconfig configuration with the lock that guards it, and a FreeType
// library per thread.
//
// Realised fonts and their glyph caches belong to one thread each (see
// font_cache.cpp), so drawing text takes no lock at all; only the rare calls
// into fontconfig (matching a logical font, listing or sorting faces,
// bringing the configuration up to date) are serialised.
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

// The lock held around every fontconfig call that reads or replaces the
// configuration.
std::mutex& ConfigLock();

// The fontconfig configuration (loaded on first use); call with
// ConfigLock() held.
FcConfig* FontConfig();

// This thread's FreeType library, made on first use and freed when the
// thread ends.  Faces opened with it are used on this thread only.
FT_Library FreeType();

}  // namespace fonts
