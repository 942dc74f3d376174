// GIF files: frames made from pictures (their own palette, or the colour
// reduction), the writer that lays out the blocks itself and takes the image
// data from the run-length encoder (mode 0) or giflib's LZW compressor
// (mode 1), and giflib's reader, which yields the first frame.
#pragma once
#include <cstdint>
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
  // Image data made ahead in the file's compression mode (LZW alongside the
  // colour reduction, or a frame of an animation encoded on its own core);
  // empty: the image data is encoded when the file is written.
  std::vector<uint8_t> image_data;
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

// One GIF frame of a picture: its own palette and pixels for 1, 4 and 8 bits,
// otherwise the colour reduction.  With `transparent`, the index at (TX1, TY1)
// becomes the transparent index ("Invalid pixel coordinates" outside).  A
// large colour picture also gets its image data in the compression mode,
// encoded on this thread while another dithers it, row by row.
GifFrame MakeGifFrame(const raster::PixelStorage& picture, bool transparent, int32_t TX1, int32_t TY1,
                      int compression_mode = 0);

// A whole file of one frame at (0, 0), the logical screen the picture's size,
// its colour table global.  A Graphic Control Extension is written only for
// transparency (delay 0, disposal unspecified).  A large colour picture's
// file is written in one buffer as its rows are dithered on another thread:
// the same bytes as EncodeGif of MakeGifFrame.
std::vector<uint8_t> EncodeGifImage(const raster::PixelStorage& picture, int compression_mode,
                                    bool transparent, int32_t TX1, int32_t TY1);

// What an animation adds to its frames.
struct GifAnimation {
  uint16_t loops = 0;  // looping extension on the first frame; 0 repeats forever
  uint16_t delay = 0;  // hundredths of a second, every frame
  bool transparent = false;
  int32_t TX1 = 0;  // must lie inside every frame when transparent
  int32_t TY1 = 0;
};

// One frame per picture, in order, each at (0, 0) with its own colour table
// and a Graphic Control Extension; the logical screen takes the largest width
// and the largest height.  At least one picture.  Frames are reduced and
// encoded on every core (each has its own table, so they are independent)
// and written in order: the same bytes as one after the other.
std::vector<uint8_t> EncodeAnimatedGif(std::span<const raster::PixelStorage* const> pictures,
                                       const GifAnimation& animation, int compression_mode);

// The first frame: the frame's own palette image when it covers the logical
// screen, else a picture of the screen's size with the frame drawn into it.
raster::PixelStorage DecodeGif(std::span<const uint8_t> bytes);

}  // namespace zelnor::codecs
