// Pixels of screen images (the rows an X server sends and takes in ZPixmap
// form) and B, G, R rows: any pixel size the server offers, either byte
// order, direct-colour bit masks or a colour map.  Pure functions on
// buffers, so every layout is tested without a server.
#pragma once
#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

namespace sysplat {

struct ScreenPixelFormat {
  int bits_per_pixel = 32;      // 1, 4, 8, 16, 24 or 32
  bool msb_first = false;       // byte order of a pixel (for 4 bits: the first pixel in the high nibble)
  bool bits_msb_first = false;  // bit order of 1-bit pixels
  // Direct colour (TrueColor and DirectColor visuals): the bits of each channel.
  uint32_t red_mask = 0, green_mask = 0, blue_mask = 0;
  // Colour-map visuals: the R, G, B bytes of each pixel value; empty for
  // direct colour.  Values past the end read as black.
  std::vector<std::array<uint8_t, 3>> colours;
};

// The stored value of pixel x of a row, and storing one.
uint32_t ReadScreenPixel(const ScreenPixelFormat& format, const uint8_t* row, int x);
void WriteScreenPixel(const ScreenPixelFormat& format, uint8_t* row, int x, uint32_t value);

// The R, G, B bytes a pixel value shows: each direct-colour channel widened
// to 8 bits by repeating its top bits (5 bits v give v << 3 | v >> 2).
std::array<uint8_t, 3> ScreenPixelColour(const ScreenPixelFormat& format, uint32_t value);

// `width` pixels of a screen row to B, G, R bytes, with fast paths for the
// usual 32-, 24-, 16- and 8-bit layouts.
void ScreenRowToBgr(const ScreenPixelFormat& format, const uint8_t* row, int width, uint8_t* bgr);
// The same, pixel by pixel through ReadScreenPixel and ScreenPixelColour: the
// reference that the fast paths are tested against.
void ScreenRowToBgrReference(const ScreenPixelFormat& format, const uint8_t* row, int width, uint8_t* bgr);

// B, G, R rows to screen pixels: direct colour keeps the top bits of each
// channel; a colour map gets its nearest entry (least squared distance, the
// lowest value on a tie) among `usable` pixel values (all entries when
// empty: a colour map's unallocated cells hold no colour worth choosing).
class ScreenPixelWriter {
 public:
  explicit ScreenPixelWriter(const ScreenPixelFormat& format, std::vector<uint32_t> usable = {});
  uint32_t PixelOf(uint8_t r, uint8_t g, uint8_t b);
  void WriteRow(const uint8_t* bgr, int width, uint8_t* row);

 private:
  uint32_t NearestColour(uint32_t rgb) const;
  const ScreenPixelFormat& format_;
  std::vector<uint32_t> usable_;
  std::unordered_map<uint32_t, uint32_t> nearest_;
};

}  // namespace sysplat
