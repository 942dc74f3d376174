// Finding installed face files for a logical font through fontconfig.
#pragma once
#include <optional>
#include <string>
#include <vector>

#include "platform/fonts/fonts.h"

namespace fonts {

struct FaceFile {
  std::string file;
  int index = 0;
  std::string family;
  bool synthetic_bold = false;     // bold asked for, the face is not bold
  bool synthetic_oblique = false;  // italic asked for, the face is upright
};

// The families tried for a face name, best first: the name itself (without a
// leading "@"), then the installed families a host face name maps to.
std::vector<std::string> FamiliesFor(const std::string& face_name);

// The best installed scalable face for the logical font (fontconfig's
// substitution supplies one for any name).
std::optional<FaceFile> MatchFace(const LogFont& font);

// The installed faces in fontconfig's order of preference for a logical
// font, each with the characters it covers: where a character missing from
// the main face is drawn from.  Used by one thread at a time; it takes the
// configuration lock where it calls fontconfig.
class FallbackFaces {
 public:
  explicit FallbackFaces(const LogFont& font);
  ~FallbackFaces();
  FallbackFaces(const FallbackFaces&) = delete;
  FallbackFaces& operator=(const FallbackFaces&) = delete;

  // The most preferred face that covers the character, if any does.
  std::optional<FaceFile> For(char32_t character) const;

 private:
  LogFont font_;
  struct Set;
  Set* set_ = nullptr;
};

}  // namespace fonts
