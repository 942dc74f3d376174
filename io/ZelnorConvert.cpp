#include "io/ZelnorConvert.h"

#include <optional>

#include "effects/ZelnorEffects.h"
#include "io/ZelnorCommons.h"
#include "io/ZelnorIO.h"
#include "io/ZelnorLoad.h"
#include "io/codecs/jpeg_codec.h"
#include "model/result_codes.h"
#include "platform/system/folders.h"
#include "stretchf/stretchf.h"

namespace zelnor {

namespace {

// Every entry of a folder.
constexpr std::string_view kAllFiles = "*";

bool HasNul(const std::string& path) { return path.find('\0') != std::string::npos; }

bool Resizes(const ConvertOptions& o) { return o.width > 0 && o.height > 0; }

// The largest of 8, 4 and 2 by which both sides of a width x height picture
// can be divided and still cover the picture the resize makes (the fitted
// rectangle of a thumbnail, else the new size); 1 when none can.
int DraftDenominator(int width, int height, const ConvertOptions& o) {
  int need_w = o.width, need_h = o.height;
  if (!o.not_thumb_mode) {
    const FitRect fit = ThumbnailFit(width, height, o.width, o.height);
    need_w = fit.right - fit.left;
    need_h = fit.bottom - fit.top;
  }
  for (const int d : {8, 4, 2})
    if (int64_t{need_w} * d <= width && int64_t{need_h} * d <= height) return d;
  return 1;
}

// Step 2: the replace-mode load, or with `draft` a JPEG decoded at the
// smallest scale that still covers the resized picture.
int32_t LoadSource(const std::string& path, ImageType type, const ConvertOptions& o, raster::Bitmap& work) {
  if (!o.draft || type != itJPEG || !Resizes(o)) return LoadImageFile(path, false, 0, 0, 0, work);
  std::optional<MemoryStream> bytes = ReadImageFile(path);
  if (!bytes) return rcNoInput;
  work.TakeStorage(codecs::DecodeJpeg(*bytes, [&o](int w, int h) { return DraftDenominator(w, h, o); }));
  return rcOK;
}

// Steps 3 to 7; their results are not looked at.
void ApplyEffects(const ConvertOptions& o, raster::Bitmap& work) {
  if (Resizes(o)) StretchBitmap(o.width, o.height, o.hiq, work, o.not_thumb_mode);
  if (o.gamma > 0) GammaBitmap(o.gamma, work);
  if (o.contrast > 0) ContrastBitmap(o.contrast, work);
  if (o.sharp) SharpBitmap(work);
  if (o.dull) DullBitmap(work);
}

}  // namespace

int32_t SelectSource(const std::string& FromFilePath, SourceSelection& source) {
  // A name with a NUL byte names no file: the system would see only the
  // part before it, which is another path.
  if (HasNul(FromFilePath)) return rcNoInput;
  const std::string s = sysplat::ExpandPath(FromFilePath);
  if (s.empty()) return rcNoInput;
  if (sysplat::EndsWithSeparator(s)) {
    if (!sysplat::IsFolder(s)) return rcNoSourceFolder;
    source = {s, std::string(kAllFiles), true};
    return rcOK;
  }
  const std::string folder(sysplat::FolderPart(s));
  const std::string pattern(sysplat::NamePart(s));
  if (!sysplat::FindFiles(folder, pattern, true).empty()) {
    source = {folder, pattern, sysplat::HasWildcards(s)};
    return rcOK;
  }
  if (sysplat::IsFolder(s + '/')) {
    source = {s + '/', std::string(kAllFiles), true};
    return rcOK;
  }
  return rcNoInput;
}

int32_t SelectTarget(const std::string& ToFilePath, TargetSelection& target) {
  if (ToFilePath.empty()) {
    target = {sysplat::CurrentFolder(), {}};
    return rcOK;
  }
  if (HasNul(ToFilePath)) return rcNoTargetFolder;
  const std::string t = sysplat::ExpandPath(ToFilePath);
  if (sysplat::EndsWithSeparator(t)) {
    if (!sysplat::IsFolder(t)) return rcNoTargetFolder;
    target = {t, {}};
    return rcOK;
  }
  if (sysplat::IsFolder(t + '/')) {
    target = {t + '/', {}};
    return rcOK;
  }
  target = {std::string(sysplat::FolderPart(t)), std::string(sysplat::NamePart(t))};
  return sysplat::IsFolder(target.folder) ? rcOK : rcNoTargetFolder;
}

std::vector<std::string> SourceEntries(const SourceSelection& source) {
  return sysplat::FindFiles(source.folder, source.pattern, false);
}

std::string OutputPath(const TargetSelection& target, std::string_view entry, std::string_view file_type) {
  std::string path = target.folder;
  if (path.empty() || path.back() != '/') path += '/';
  if (!target.name.empty()) return path + target.name;
  path += entry.substr(0, entry.rfind('.'));
  path += '.';
  path += file_type;
  return path;
}

FileConversion ConvertImageFile(const std::string& source_path, const TargetSelection& target,
                                const ConvertOptions& options, const CodecSettings& settings,
                                raster::Bitmap& work) {
  const std::string_view entry = sysplat::NamePart(source_path);
  const ImageType type = ImageTypeFromFileName(entry);
  if (type == itUnknown) return {coNotImage, rcUnsupportedType, {}};
  std::string output = OutputPath(target, entry, options.file_type);
  if (const int32_t loaded = LoadSource(source_path, type, options, work); loaded != rcOK)
    return {coNotLoaded, loaded, std::move(output)};
  ApplyEffects(options, work);
  // The extension comes from file_type only when it is a type word: a word
  // such as "x.png" or one holding a separator never steers the output.
  if (target.name.empty() && ImageTypeFromName(options.file_type) == itUnknown)
    return {coNotSaved, rcUnsupportedType, std::move(output)};
  // The file is written to a temporary name and renamed over the output, so
  // a failure never destroys the old output, which may be the source itself.
  const int32_t saved = SaveCanvasImage(sdFile, output, settings, nullptr, work, false, 0, 0);
  if (saved != rcOK) return {coNotSaved, saved, std::move(output)};
  return {coWritten, rcOK, std::move(output)};
}

int32_t ConvertFiles(const std::string& FromFilePath, const std::string& ToFilePath,
                     const ConvertOptions& options, const SettingsRecord& settings) {
  const CodecSettings codec = settings.CodecCopy();
  SourceSelection source;
  if (const int32_t rc = SelectSource(FromFilePath, source); rc != rcOK) return rc;
  TargetSelection target;
  if (const int32_t rc = SelectTarget(ToFilePath, target); rc != rcOK) return rc;
  if (source.multiple && !target.name.empty()) return rcTargetNameNotAllowed;
  // The whole list is taken before the first file is written, so outputs
  // written into the source folder are never converted again.
  const std::vector<std::string> entries = SourceEntries(source);
  raster::Bitmap work;  // default drawing surface: thumbnail margins are white
  int32_t written = 0;
  for (const std::string& entry : entries)
    if (ConvertImageFile(source.folder + entry, target, options, codec, work).outcome == coWritten) ++written;
  return written;
}

}  // namespace zelnor
