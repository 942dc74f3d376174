#include "platform/fonts/library.h"

namespace fonts {

std::mutex& FontLock() {
  static std::mutex lock;
  return lock;
}

FT_Library FreeType() {
  static FT_Library library = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) throw FontError("FreeType cannot be initialised");
    return lib;
  }();
  return library;
}

FcConfig* FontConfig() {
  static const bool initialised = FcInit();
  // Asked anew each time: bringing the configuration up to date replaces it.
  FcConfig* config = initialised ? FcConfigGetCurrent() : nullptr;
  if (!config) throw FontError("fontconfig cannot be initialised");
  return config;
}

}  // namespace fonts
