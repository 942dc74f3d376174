// The image formats the component reads and writes, one row each: the type
// words (which are also the file extensions) that select a format, its
// decoder and its encoder.  Type identification, decoding and encoding all
// go through this table, so a new format is one row plus its codec under
// io/codecs/.
#pragma once
#include <array>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

#include "model/image_type.h"
#include "model/settings.h"
#include "platform/raster/bitmap.h"
#include "platform/system/files.h"

namespace zelnor {

// What a save hands an encoder besides the canvas: the private settings copy
// and the GIF transparency point (the other formats ignore the point).
struct EncodeOptions {
  CodecSettings settings;
  bool transparent = false;
  int32_t TX1 = 0;
  int32_t TY1 = 0;
};

struct ImageCodec {
  ImageType type;
  // Upper-case ASCII; an empty word selects nothing.
  std::array<std::string_view, 2> words;
  // A complete picture from a whole file; damaged data fails with a message.
  raster::PixelStorage (*decode)(std::span<const uint8_t> bytes);
  // The same picture read from an open file by the codec itself, where that
  // saves a copy of the file in memory; nullptr: the file is read whole and
  // goes to `decode`.
  raster::PixelStorage (*decode_file)(const sysplat::RegularFile& file);
  // A whole file from a non-empty canvas.
  std::vector<uint8_t> (*encode)(const raster::Bitmap& canvas, const EncodeOptions& options);
};

// Every row, in the order type words are matched.
std::span<const ImageCodec> ImageCodecs();

// The row of an image type; nullptr for itUnknown and values without a row.
const ImageCodec* CodecOf(int type);

}  // namespace zelnor
