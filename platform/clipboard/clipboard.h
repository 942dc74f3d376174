// The clipboard store: a substitute for the desktop clipboard with the same
// formats and the same open / empty / set / get / close rhythm.
//
// The store is one file per user, shared by every process of that user (the
// desktop-wide clipboard): $ZELNOR2_CLIPBOARD when set, else
// $XDG_RUNTIME_DIR/zelnor2-clipboard, else /tmp/zelnor2-<uid>/clipboard.
// Opening takes an exclusive flock on "<store>.lock", so only one holder has
// the clipboard open at a time; changes are written at close by replacing the
// file whole, so readers never see half a clipboard.
#pragma once
#include <cstdint>
#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "platform/raster/pixel_storage.h"

namespace clipboard {

using Format = uint32_t;
inline constexpr Format CF_TEXT = 1;
inline constexpr Format CF_BITMAP = 2;
inline constexpr Format CF_PALETTE = 9;

class ClipboardError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Where the store file lives (see above).
std::string StorePath();

// Whether the clipboard currently holds data in that format; needs no open.
bool IsClipboardFormatAvailable(Format format);

// An open clipboard.  Construction opens it (waiting up to about two seconds
// for another holder, then failing with "Cannot open the clipboard");
// destruction closes it, writing any change.
class Clipboard {
 public:
  Clipboard();
  ~Clipboard();
  Clipboard(const Clipboard&) = delete;
  Clipboard& operator=(const Clipboard&) = delete;

  // Removes every format.
  void Empty();
  bool IsFormatAvailable(Format format) const;
  // Raw data of a format; Set replaces what the format held.
  void SetData(Format format, std::vector<uint8_t> bytes);
  std::optional<std::vector<uint8_t>> GetData(Format format) const;

  // A picture in its own pixel format and palette (kept as a BMP image).
  void SetBitmap(const raster::PixelStorage& picture);
  std::optional<raster::PixelStorage> GetBitmap() const;
  void SetPalette(const raster::Palette& palette);
  std::optional<raster::Palette> GetPalette() const;
  void SetText(const std::string& text);
  std::optional<std::string> GetText() const;

  // Writes the changes and releases the clipboard; throws ClipboardError when
  // the store cannot be written (the clipboard is released all the same).
  void Close();

 private:
  int lock_fd_ = -1;
  bool dirty_ = false;
  std::map<Format, std::vector<uint8_t>> formats_;
};

}  // namespace clipboard
