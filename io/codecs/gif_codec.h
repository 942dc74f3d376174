// GIF files: the writer lays out the blocks itself and takes the image data
// from the run-length encoder (mode 0) or giflib's LZW compressor (mode 1);
// the reader is giflib's and yields the first frame.
#pragma once
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "io/gif/quantizer.h"
#include "platform/raster/pixel_storage.h"

namespace zelnor::codecs {

struct GifFrame {
  gif::IndexedImage image;     // palette of exactly 2^table_bits entries
  int table_bits = 8;          // 1..8
  bool control_block = false;  // write a Graphic Control Extension
  bool transparent = false;
  int transparent_index = 0;
  uint16_t delay = 0;  // hundredths of a second
  // LZW image data made ahead, alongside the colour reduction; empty: the
  // image data is encoded when the file is written.
  std::vector<uint8_t> lzw_data;
};

struct GifFile {
  int screen_width = 0;
  int screen_height = 0;
  // True: the first frame's table is written as the global colour table and
  // frames carry none; false: every frame carries a local table.
  bool global_table = true;
  std::optional<uint16_t> loops;  // looping application extension on the first frame
  std::vector<GifFrame> frames;
};

// Compression modes: 0 run-length image data, 1 LZW.
std::vector<uint8_t> EncodeGif(const GifFile& file, int compression_mode);

// The LZW image data (code size byte, sub-blocks, terminator) of one frame.
// `wait_for_row`, when given, is called before row y is read and returns once
// that row of the image's pixels is final (rows still being dithered).
std::vector<uint8_t> EncodeLzwImageData(const gif::IndexedImage& image, int table_bits,
                                        const std::function<void(int)>& wait_for_row = {});

// The first frame: the frame's own palette image when it covers the logical
// screen, else a picture of the screen's size with the frame drawn into it.
raster::PixelStorage DecodeGif(std::span<const uint8_t> bytes);

}  // namespace zelnor::codecs
