// File conversion: one image file, every image file of a folder, or every
// file a wildcard pattern selects is loaded, optionally resized, brightened
// or darkened, contrast-stretched, sharpened and blurred, and saved in the
// type and to the folder (or file name) the caller names.  Files are handled
// one at a time in one private work bitmap; the object's canvases are never
// touched.
//
// Paths follow platform/system/folders: '/' separates (a trailing '\' is
// accepted as one), relative paths start at the current folder, hidden
// names start with a full stop.  The files of a folder or pattern are taken
// in byte order of their names, so a run is reproducible; among sources
// that map to the same output name, the last in that order is written last.
#pragma once
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "model/settings.h"
#include "platform/raster/bitmap.h"

namespace zelnor {

// What happens to every picture: the member's arguments after the paths.
struct ConvertOptions {
  std::string file_type = "JPG";  // the extension of output files without a target name
  int32_t width = 0, height = 0;  // resized only when both are above 0
  int32_t gamma = 0;              // GammaBitmap mode, applied when above 0
  int32_t contrast = 0;           // ContrastBitmap amount, applied when above 0
  bool hiq = false;
  bool not_thumb_mode = false;
  bool sharp = false;
  bool dull = false;
  // Lets libjpeg decode a JPEG source at 1/2, 1/4 or 1/8 scale when the
  // resized picture is at least that much smaller: several times faster,
  // but the pixels differ from a full-scale decode.  The member never asks
  // for it.
  bool draft = false;
};

// The files a source path selects: the entries of `folder` (ending in '/')
// that match `pattern`; `multiple` unless exactly one file is meant.
struct SourceSelection {
  std::string folder;
  std::string pattern;
  bool multiple = false;
};

// Where output goes: `folder` (ending in '/') and, for a single source, an
// optional file name that replaces the entry's own.
struct TargetSelection {
  std::string folder;
  std::string name;
};

// Selects the source from FromFilePath.  Results: -5 a path ending in a
// separator that is no folder; -2 no matching regular file and no folder of
// that name (also for an empty path, or one holding a NUL byte); 0 selected.
int32_t SelectSource(const std::string& FromFilePath, SourceSelection& source);

// Selects the target from ToFilePath (empty: the current folder).  Results:
// -6 the folder named, or the folder part before a file name, does not
// exist (or the path holds a NUL byte); 0 selected.
int32_t SelectTarget(const std::string& ToFilePath, TargetSelection& target);

// The names the source selects, hidden ones left out, in byte order.
std::vector<std::string> SourceEntries(const SourceSelection& source);

// The output path of a source entry: the target name when there is one,
// else the entry's name with its extension replaced by "." + file_type.
std::string OutputPath(const TargetSelection& target, std::string_view entry, std::string_view file_type);

// What became of one source file.
enum ConvertOutcome : uint8_t {
  coWritten,    // the output file was written
  coNotImage,   // the name's extension names no image type
  coNotLoaded,  // loading gave a result code (the file vanished)
  coNotSaved,   // saving gave a result code (an output name of no known type)
};
struct FileConversion {
  ConvertOutcome outcome;
  int32_t code;        // the load or save result code; 0 when written
  std::string output;  // the output path (empty for coNotImage)
};

// Converts the file at `source_path` into `work`, which keeps the picture
// afterwards: recognised type, replace-mode load, stretch, gamma, contrast,
// sharpen, blur, then a save with `settings` to OutputPath.  Without a
// target name, a file_type that is no type word makes the save give -3.  A
// recognised file that the decoder cannot read, or an output that cannot be
// written, fails with the message; the output file is then left as it was,
// also when it is the source itself.
FileConversion ConvertImageFile(const std::string& source_path, const TargetSelection& target,
                                const ConvertOptions& options, const CodecSettings& settings,
                                raster::Bitmap& work);

// The ConvertFile member: the source and target checks in that order (-5,
// -2, then -6, then -7 for a target name with several sources), then every
// selected file with the codec settings as they stood at the start.
// Returns the number of files written.
int32_t ConvertFiles(const std::string& FromFilePath, const std::string& ToFilePath,
                     const ConvertOptions& options, const SettingsRecord& settings);

}  // namespace zelnor
