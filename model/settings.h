// The process-wide settings record: codec settings and the four font style
// flags, shared by every MyCanvas object of the process.  Every object
// construction writes the defaults again.  Fields are atomics so that objects
// on different threads never race; the last write wins, as before.
#pragma once
#include <atomic>
#include <cstdint>

namespace zelnor {

struct CodecSettings {
  int32_t gif_compression_mode = 0;
  int32_t jpeg_quality = 100;
  bool jpeg_progressive = false;
  int32_t png_compression_level = 7;
};

struct SettingsRecord {
  std::atomic<int32_t> gif_compression_mode{0};
  std::atomic<int32_t> jpeg_quality{100};
  std::atomic<bool> jpeg_progressive{false};
  std::atomic<int32_t> png_compression_level{7};
  std::atomic<bool> font_bold{false};
  std::atomic<bool> font_italic{false};
  std::atomic<bool> font_strike_out{false};
  std::atomic<bool> font_underline{false};

  // Writes the construction values into every field.
  void Reset();
  // The private copy a save takes at its start.
  CodecSettings CodecCopy() const;
};

SettingsRecord& ProcessSettings();

}  // namespace zelnor
