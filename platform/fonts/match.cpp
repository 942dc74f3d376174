#include "platform/fonts/match.h"

#include <memory>
#include <string_view>

#include "platform/fonts/library.h"

namespace fonts {
namespace {

// Host face names that scripts commonly use, mapped to installed families
// with the same role.  Matched without regard to ASCII case.
struct Alias {
  std::string_view host_name;
  std::string_view families;  // comma-separated, best first
};
constexpr Alias kAliases[] = {
    {"MS Sans Serif", "Liberation Sans,DejaVu Sans"},
    {"Microsoft Sans Serif", "Liberation Sans,DejaVu Sans"},
    {"MS Shell Dlg", "Liberation Sans,DejaVu Sans"},
    {"MS Shell Dlg 2", "Liberation Sans,DejaVu Sans"},
    {"System", "Liberation Sans,DejaVu Sans"},
    {"Arial", "Liberation Sans,DejaVu Sans"},
    {"Tahoma", "DejaVu Sans,Liberation Sans"},
    {"Verdana", "DejaVu Sans,Liberation Sans"},
    {"Segoe UI", "Liberation Sans,DejaVu Sans"},
    {"MS Serif", "Liberation Serif,DejaVu Serif"},
    {"Times New Roman", "Liberation Serif,DejaVu Serif"},
    {"Georgia", "DejaVu Serif,Liberation Serif"},
    {"Courier", "Liberation Mono,DejaVu Sans Mono"},
    {"Courier New", "Liberation Mono,DejaVu Sans Mono"},
    {"Fixedsys", "DejaVu Sans Mono,Liberation Mono"},
    {"Terminal", "DejaVu Sans Mono,Liberation Mono"},
    {"Lucida Console", "DejaVu Sans Mono,Liberation Mono"},
    {"Consolas", "DejaVu Sans Mono,Liberation Mono"},
    {"ＭＳ Ｐゴシック", "IPAPGothic,IPAGothic"},
    {"MS PGothic", "IPAPGothic,IPAGothic"},
    {"ＭＳ ゴシック", "IPAGothic,IPAPGothic"},
    {"MS Gothic", "IPAGothic,IPAPGothic"},
    {"MS UI Gothic", "IPAPGothic,IPAGothic"},
    {"メイリオ", "IPAPGothic,IPAGothic"},
    {"Meiryo", "IPAPGothic,IPAGothic"},
    {"Meiryo UI", "IPAPGothic,IPAGothic"},
    {"游ゴシック", "IPAPGothic,IPAGothic"},
    {"Yu Gothic", "IPAPGothic,IPAGothic"},
    {"ＭＳ Ｐ明朝", "IPAPMincho,IPAMincho"},
    {"MS PMincho", "IPAPMincho,IPAMincho"},
    {"ＭＳ 明朝", "IPAMincho,IPAPMincho"},
    {"MS Mincho", "IPAMincho,IPAPMincho"},
};

bool EqualsIgnoreAsciiCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    char x = a[i], y = b[i];
    if (x >= 'A' && x <= 'Z') x = static_cast<char>(x - 'A' + 'a');
    if (y >= 'A' && y <= 'Z') y = static_cast<char>(y - 'A' + 'a');
    if (x != y) return false;
  }
  return true;
}

// The fontconfig language that a host character set asks for ("" for none).
const char* LanguageOfCharset(uint8_t charset) {
  switch (charset) {
    case 128:
      return "ja";  // Shift-JIS
    case 129:
      return "ko";  // Hangul
    case 130:
      return "ko";  // Johab
    case 134:
      return "zh-cn";  // GB2312
    case 136:
      return "zh-tw";  // Big5
    case 161:
      return "el";  // Greek
    case 162:
      return "tr";  // Turkish
    case 177:
      return "he";  // Hebrew
    case 178:
      return "ar";  // Arabic
    case 186:
      return "lt";  // Baltic
    case 204:
      return "ru";  // Russian
    case 222:
      return "th";  // Thai
    case 238:
      return "pl";  // Eastern Europe
    default:
      return "";
  }
}

struct PatternDeleter {
  void operator()(FcPattern* p) const { FcPatternDestroy(p); }
};
using PatternPtr = std::unique_ptr<FcPattern, PatternDeleter>;

PatternPtr MakePattern(const LogFont& font) {
  PatternPtr pattern(FcPatternCreate());
  if (!pattern) throw FontError("out of memory while matching a font");
  FcPattern* p = pattern.get();
  for (const std::string& family : FamiliesFor(font.face_name))
    FcPatternAddString(p, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(p, FC_WEIGHT, font.weight >= 600 ? FC_WEIGHT_BOLD : FC_WEIGHT_REGULAR);
  FcPatternAddInteger(p, FC_SLANT, font.italic ? FC_SLANT_ITALIC : FC_SLANT_ROMAN);
  FcPatternAddBool(p, FC_SCALABLE, FcTrue);
  if (font.pitch == kFixedPitch) FcPatternAddInteger(p, FC_SPACING, FC_MONO);
  const char* lang = LanguageOfCharset(font.charset);
  if (*lang) FcPatternAddString(p, FC_LANG, reinterpret_cast<const FcChar8*>(lang));
  FcConfigSubstitute(FontConfig(), p, FcMatchPattern);
  FcDefaultSubstitute(p);
  return pattern;
}

// The face a prepared match pattern names, and what has to be synthesised
// to give the weight and slant the logical font asks for.
std::optional<FaceFile> FaceFileOf(FcPattern* match, const LogFont& font) {
  FcChar8* file = nullptr;
  if (FcPatternGetString(match, FC_FILE, 0, &file) != FcResultMatch) return std::nullopt;
  FaceFile face;
  face.file = reinterpret_cast<const char*>(file);
  FcPatternGetInteger(match, FC_INDEX, 0, &face.index);
  FcChar8* family = nullptr;
  if (FcPatternGetString(match, FC_FAMILY, 0, &family) == FcResultMatch)
    face.family = reinterpret_cast<const char*>(family);
  // The configuration may already have marked the face for emboldening or
  // slanting (and then reports the weight or slant asked for).
  int weight = FC_WEIGHT_REGULAR, slant = FC_SLANT_ROMAN;
  FcBool embolden = FcFalse;
  FcMatrix* matrix = nullptr;
  FcPatternGetInteger(match, FC_WEIGHT, 0, &weight);
  FcPatternGetInteger(match, FC_SLANT, 0, &slant);
  FcPatternGetBool(match, FC_EMBOLDEN, 0, &embolden);
  const bool sheared = FcPatternGetMatrix(match, FC_MATRIX, 0, &matrix) == FcResultMatch && matrix->xy != 0;
  face.synthetic_bold = font.weight >= 600 && (embolden || weight < FC_WEIGHT_DEMIBOLD);
  face.synthetic_oblique = font.italic && (sheared || slant == FC_SLANT_ROMAN);
  return face;
}

}  // namespace

std::vector<std::string> FamiliesFor(const std::string& face_name) {
  std::string_view name = face_name;
  if (!name.empty() && name.front() == '@') name.remove_prefix(1);
  std::vector<std::string> families;
  if (!name.empty()) families.emplace_back(name);
  for (const Alias& alias : kAliases) {
    if (!EqualsIgnoreAsciiCase(alias.host_name, name)) continue;
    std::string_view rest = alias.families;
    while (!rest.empty()) {
      const size_t comma = rest.find(',');
      families.emplace_back(rest.substr(0, comma));
      rest = comma == std::string_view::npos ? std::string_view{} : rest.substr(comma + 1);
    }
    break;
  }
  return families;
}

std::optional<FaceFile> MatchFace(const LogFont& font) {
  std::lock_guard lock(ConfigLock());
  PatternPtr pattern = MakePattern(font);
  FcResult result = FcResultNoMatch;
  PatternPtr match(FcFontMatch(FontConfig(), pattern.get(), &result));
  return match ? FaceFileOf(match.get(), font) : std::nullopt;
}

struct FallbackFaces::Set {
  PatternPtr pattern;
  FcFontSet* fonts = nullptr;
  std::vector<std::optional<FaceFile>> prepared;  // per entry of `fonts`, once asked for
};

FallbackFaces::FallbackFaces(const LogFont& font) : font_(font), set_(new Set) {
  std::lock_guard lock(ConfigLock());
  set_->pattern = MakePattern(font);
  FcResult result = FcResultNoMatch;
  // Trimmed: faces that add no character to those before them are left out.
  set_->fonts = FcFontSort(FontConfig(), set_->pattern.get(), FcTrue, nullptr, &result);
  if (set_->fonts) set_->prepared.resize(static_cast<size_t>(set_->fonts->nfont));
}

FallbackFaces::~FallbackFaces() {
  std::lock_guard lock(ConfigLock());
  if (set_->fonts) FcFontSetDestroy(set_->fonts);
  delete set_;
}

std::optional<FaceFile> FallbackFaces::For(char32_t character) const {
  if (!set_->fonts) return std::nullopt;
  for (int i = 0; i < set_->fonts->nfont; ++i) {
    FcPattern* candidate = set_->fonts->fonts[i];
    FcCharSet* covered = nullptr;
    if (FcPatternGetCharSet(candidate, FC_CHARSET, 0, &covered) != FcResultMatch) continue;
    if (!FcCharSetHasChar(covered, character)) continue;
    std::optional<FaceFile>& face = set_->prepared[static_cast<size_t>(i)];
    if (!face) {
      std::lock_guard lock(ConfigLock());
      PatternPtr prepared(FcFontRenderPrepare(FontConfig(), set_->pattern.get(), candidate));
      if (prepared) face = FaceFileOf(prepared.get(), font_);
    }
    if (face) return face;
  }
  return std::nullopt;
}

}  // namespace fonts
