#include "model/settings.h"

namespace zelnor {

void SettingsRecord::Reset() {
  gif_compression_mode = 0;
  jpeg_quality = 100;
  jpeg_progressive = false;
  png_compression_level = 7;
  font_bold = false;
  font_italic = false;
  font_strike_out = false;
  font_underline = false;
}

CodecSettings SettingsRecord::CodecCopy() const {
  return CodecSettings{gif_compression_mode.load(), jpeg_quality.load(), jpeg_progressive.load(),
                       png_compression_level.load()};
}

const std::shared_ptr<SettingsRecord>& ThreadSettings() {
  thread_local const std::shared_ptr<SettingsRecord> record = std::make_shared<SettingsRecord>();
  return record;
}

}  // namespace zelnor
