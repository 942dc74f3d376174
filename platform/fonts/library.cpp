#include "platform/fonts/library.h"

namespace fonts {

namespace {

// A FreeType library per thread: FreeType's objects may be used from
// several threads only with the library's own creation and destruction of
// faces serialised, so each thread keeps its own library and faces.
class ThreadLibrary {
 public:
  ThreadLibrary() {
    if (FT_Init_FreeType(&library_) != 0) throw FontError("FreeType cannot be initialised");
  }
  ~ThreadLibrary() { FT_Done_FreeType(library_); }
  ThreadLibrary(const ThreadLibrary&) = delete;
  ThreadLibrary& operator=(const ThreadLibrary&) = delete;
  FT_Library Get() const { return library_; }

 private:
  FT_Library library_ = nullptr;
};

}  // namespace

std::mutex& ConfigLock() {
  static std::mutex lock;
  return lock;
}

FT_Library FreeType() {
  thread_local ThreadLibrary library;
  return library.Get();
}

FcConfig* FontConfig() {
  static const bool initialised = FcInit();
  // Asked anew each time: bringing the configuration up to date replaces it.
  FcConfig* config = initialised ? FcConfigGetCurrent() : nullptr;
  if (!config) throw FontError("fontconfig cannot be initialised");
  return config;
}

}  // namespace fonts
