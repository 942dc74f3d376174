// The list of installed typefaces, read from fontconfig's cache alone: no
// font file is opened, so the first list in a process costs what reading
// the cache costs.
#include <map>
#include <memory>
#include <string_view>
#include <utility>

#include "platform/fonts/fonts.h"
#include "platform/fonts/library.h"

namespace fonts {
namespace {

struct FaceTraits {
  bool truetype = false;
  bool vertical = false;
};

// Scalable sfnt-based faces: TrueType outlines, and OpenType with TrueType
// or CFF outlines, as fontconfig's cache records the format.
bool IsTrueType(FcPattern* font) {
  FcChar8* format = nullptr;
  FcBool outline = FcFalse;
  if (FcPatternGetString(font, FC_FONTFORMAT, 0, &format) != FcResultMatch) return false;
  if (FcPatternGetBool(font, FC_OUTLINE, 0, &outline) == FcResultMatch && !outline) return false;
  const std::string_view f = reinterpret_cast<const char*>(format);
  return f == "TrueType" || f == "CFF";
}

// A typeface for vertical writing is one made for a language written
// vertically: Japanese, Korean or Chinese (any territory) among the
// languages the cache says it covers.
bool WritesVertically(FcPattern* font) {
  FcLangSet* langs = nullptr;
  if (FcPatternGetLangSet(font, FC_LANG, 0, &langs) != FcResultMatch) return false;
  for (const char* lang : {"ja", "ko", "zh"})
    if (FcLangSetHasLang(langs, reinterpret_cast<const FcChar8*>(lang)) != FcLangDifferentLang) return true;
  return false;
}

struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

std::unique_ptr<FcFontSet, FontSetDeleter> ListFonts() {
  std::lock_guard lock(ConfigLock());
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FONTFORMAT, FC_OUTLINE, FC_LANG, nullptr);
  std::unique_ptr<FcFontSet, FontSetDeleter> set(
      pattern && objects ? FcFontList(FontConfig(), pattern, objects) : nullptr);
  if (objects) FcObjectSetDestroy(objects);
  if (pattern) FcPatternDestroy(pattern);
  return set;
}

std::vector<FaceInfo> InstalledFaces() {
  const auto set = ListFonts();
  if (!set) return {};
  // A typeface is a family name; it is TrueType or vertical when any of its
  // faces is.  Names keep the order in which they first appear.
  std::vector<std::string> order;
  std::map<std::string, FaceTraits> families;
  for (int f = 0; f < set->nfont; ++f) {
    FcPattern* font = set->fonts[f];
    FaceTraits traits;
    traits.truetype = IsTrueType(font);
    traits.vertical = traits.truetype && WritesVertically(font);
    FcChar8* family = nullptr;
    for (int n = 0; FcPatternGetString(font, FC_FAMILY, n, &family) == FcResultMatch; ++n) {
      const std::string name = reinterpret_cast<const char*>(family);
      auto [it, added] = families.emplace(name, traits);
      if (added) order.push_back(name);
      it->second.truetype |= traits.truetype;
      it->second.vertical |= traits.vertical;
    }
  }
  std::vector<FaceInfo> faces;
  for (const std::string& name : order) {
    const FaceTraits& traits = families[name];
    faces.push_back({name, traits.truetype});
    if (traits.vertical) faces.push_back({"@" + name, traits.truetype});
  }
  return faces;
}

std::mutex& InjectedLock() {
  static std::mutex lock;
  return lock;
}

FaceEnumerator& Injected() {
  static auto* enumerator = new FaceEnumerator;
  return *enumerator;
}

}  // namespace

std::vector<FaceInfo> EnumerateFaces() {
  FaceEnumerator injected;
  {
    std::lock_guard lock(InjectedLock());
    injected = Injected();
  }
  return injected ? injected() : InstalledFaces();
}

int CompareFaceNames(const std::string& a, const std::string& b) {
  return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a.c_str()),
                            reinterpret_cast<const FcChar8*>(b.c_str()));
}

void SetFaceEnumerator(FaceEnumerator enumerator) {
  std::lock_guard lock(InjectedLock());
  Injected() = std::move(enumerator);
}

}  // namespace fonts
