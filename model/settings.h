// The settings record: codec settings and the four font style flags.  Each
// thread has its own record; every MyCanvas object is bound to the record of
// the thread that constructed it, and every construction writes the defaults
// into that record again.  So all objects made on one thread share one record
// (a put on one is seen by the others, a new object resets them all), while
// objects made on different threads never see each other's settings.
//
// An object may be called from a thread other than its creator (one call at a
// time per object), so two threads can reach one record at once: the fields
// are atomics, and the last write wins.
#pragma once
#include <atomic>
#include <cstdint>
#include <memory>

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

// The calling thread's record, made on first use.  Objects share its
// ownership, so it outlives a thread that ends while objects bound to it live.
const std::shared_ptr<SettingsRecord>& ThreadSettings();

}  // namespace zelnor
