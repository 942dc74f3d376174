// The list of installed typefaces, read through fontconfig, with what each
// face's file tells about outlines and vertical writing.
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H
#include FT_TRUETYPE_TAGS_H

#include <map>
#include <memory>
#include <utility>

#include "platform/fonts/fonts.h"
#include "platform/fonts/library.h"

namespace fonts {
namespace {

struct FaceTraits {
  bool truetype = false;
  bool vertical = false;
};

uint32_t ReadU16(const std::vector<uint8_t>& t, size_t at) {
  return at + 2 <= t.size() ? (uint32_t{t[at]} << 8) | t[at + 1] : 0;
}
uint32_t ReadU32(const std::vector<uint8_t>& t, size_t at) {
  return (ReadU16(t, at) << 16) | ReadU16(t, at + 2);
}

bool HasTable(FT_Face face, FT_ULong tag) {
  FT_ULong length = 0;
  return FT_Load_Sfnt_Table(face, tag, 0, nullptr, &length) == 0 && length > 0;
}

// True when the face's glyph substitutions have a vertical-forms feature.
bool HasVerticalFeature(FT_Face face) {
  FT_ULong length = 0;
  if (FT_Load_Sfnt_Table(face, TTAG_GSUB, 0, nullptr, &length) != 0 || length < 10) return false;
  std::vector<uint8_t> gsub(length);
  if (FT_Load_Sfnt_Table(face, TTAG_GSUB, 0, gsub.data(), &length) != 0) return false;
  const size_t features = ReadU16(gsub, 6);
  const uint32_t count = ReadU16(gsub, features);
  for (uint32_t i = 0; i < count; ++i) {
    const size_t record = features + 2 + size_t{i} * 6;
    if (record + 6 > gsub.size()) break;
    const uint32_t tag = ReadU32(gsub, record);
    if (tag == FT_MAKE_TAG('v', 'e', 'r', 't') || tag == FT_MAKE_TAG('v', 'r', 't', '2')) return true;
  }
  return false;
}

FaceTraits ReadTraits(const std::string& file, int index) {
  FT_Face face = nullptr;
  if (FT_New_Face(FreeType(), file.c_str(), index, &face) != 0) return {};
  FaceTraits traits;
  traits.truetype = FT_IS_SFNT(face) && FT_IS_SCALABLE(face);
  traits.vertical = traits.truetype && (HasTable(face, TTAG_vhea) || HasVerticalFeature(face));
  FT_Done_Face(face);
  return traits;
}

// Traits per face file, read once per process.
const FaceTraits& TraitsOf(const std::string& file, int index) {
  static auto* known = new std::map<std::pair<std::string, int>, FaceTraits>;
  auto key = std::make_pair(file, index);
  auto it = known->find(key);
  if (it == known->end()) it = known->emplace(key, ReadTraits(file, index)).first;
  return it->second;
}

struct FontSetDeleter {
  void operator()(FcFontSet* s) const { FcFontSetDestroy(s); }
};

std::vector<FaceInfo> InstalledFaces() {
  std::lock_guard lock(FontLock());
  FcPattern* pattern = FcPatternCreate();
  FcObjectSet* objects = FcObjectSetBuild(FC_FAMILY, FC_FILE, FC_INDEX, nullptr);
  std::unique_ptr<FcFontSet, FontSetDeleter> set(
      pattern && objects ? FcFontList(FontConfig(), pattern, objects) : nullptr);
  if (objects) FcObjectSetDestroy(objects);
  if (pattern) FcPatternDestroy(pattern);
  if (!set) return {};

  // A typeface is a family name; it is TrueType or vertical when any of its
  // files is.  Names keep the order in which they first appear.
  std::vector<std::string> order;
  std::map<std::string, FaceTraits> families;
  for (int f = 0; f < set->nfont; ++f) {
    FcChar8* file = nullptr;
    int index = 0;
    if (FcPatternGetString(set->fonts[f], FC_FILE, 0, &file) != FcResultMatch) continue;
    FcPatternGetInteger(set->fonts[f], FC_INDEX, 0, &index);
    const FaceTraits& traits = TraitsOf(reinterpret_cast<const char*>(file), index);
    FcChar8* family = nullptr;
    for (int n = 0; FcPatternGetString(set->fonts[f], FC_FAMILY, n, &family) == FcResultMatch; ++n) {
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

FaceEnumerator& Injected() {
  static auto* enumerator = new FaceEnumerator;
  return *enumerator;
}

}  // namespace

std::vector<FaceInfo> EnumerateFaces() {
  FaceEnumerator injected;
  {
    std::lock_guard lock(FontLock());
    injected = Injected();
  }
  return injected ? injected() : InstalledFaces();
}

int CompareFaceNames(const std::string& a, const std::string& b) {
  return FcStrCmpIgnoreCase(reinterpret_cast<const FcChar8*>(a.c_str()),
                            reinterpret_cast<const FcChar8*>(b.c_str()));
}

void SetFaceEnumerator(FaceEnumerator enumerator) {
  std::lock_guard lock(FontLock());
  Injected() = std::move(enumerator);
}

}  // namespace fonts
