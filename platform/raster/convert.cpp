// Pixel-format change: every layout is read into B, G, R rows and written out
// again, with fast paths for the common pairs and a colour cache for the
// nearest-palette search.
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

#include "platform/raster/bitmap.h"

namespace raster {

Palette DefaultPaletteFor(int bits) {
  switch (bits) {
    case 1: return MonochromePalette();
    case 4: return VgaPalette();
    case 8: return HalftonePalette();
    default: return {};
  }
}

namespace {

// Remembers the nearest palette entry of every explicit colour met so far.
class NearestCache {
 public:
  explicit NearestCache(const Palette& pal) : pal_(pal) {}
  uint32_t Index(uint8_t b, uint8_t g, uint8_t r) {
    if (!cells_) cells_.reset(static_cast<uint16_t*>(std::calloc(size_t{1} << 24, sizeof(uint16_t))));
    uint32_t key = static_cast<uint32_t>(b) << 16 | static_cast<uint32_t>(g) << 8 | r;
    uint16_t& cell = cells_.get()[key];
    if (cell == 0) cell = static_cast<uint16_t>(NearestPaletteIndex(pal_, Rgb(r, g, b)) + 1);
    return cell - 1u;
  }

 private:
  struct Free {
    void operator()(uint16_t* p) const { std::free(p); }
  };
  const Palette& pal_;
  std::unique_ptr<uint16_t, Free> cells_;
};

// Reads row y of any layout as B, G, R bytes.
void ReadRowBgr(const PixelStorage& s, int y, uint8_t* out) {
  const int w = s.width();
  const uint8_t* p = s.row(y);
  if (s.bits() == 24) {
    std::memcpy(out, p, static_cast<size_t>(w) * 3);
    return;
  }
  if (s.bits() == 32 && s.format() != pfCustom) {
    for (int x = 0; x < w; ++x) {
      out[3 * x] = p[4 * x];
      out[3 * x + 1] = p[4 * x + 1];
      out[3 * x + 2] = p[4 * x + 2];
    }
    return;
  }
  for (int x = 0; x < w; ++x) {
    ColorRef c = s.GetPixel(x, y);
    out[3 * x] = static_cast<uint8_t>(BlueOf(c));
    out[3 * x + 1] = static_cast<uint8_t>(GreenOf(c));
    out[3 * x + 2] = static_cast<uint8_t>(RedOf(c));
  }
}

void WriteRowBgr(PixelStorage& d, int y, const uint8_t* in, NearestCache& cache) {
  const int w = d.width();
  uint8_t* p = d.row(y);
  switch (d.bits()) {
    case 24: std::memcpy(p, in, static_cast<size_t>(w) * 3); return;
    case 32:
      if (d.format() != pfCustom) {
        for (int x = 0; x < w; ++x) {
          p[4 * x] = in[3 * x];
          p[4 * x + 1] = in[3 * x + 1];
          p[4 * x + 2] = in[3 * x + 2];
          p[4 * x + 3] = 0;
        }
        return;
      }
      break;
    case 1:
    case 4:
    case 8:
      for (int x = 0; x < w; ++x) d.SetBits(x, y, cache.Index(in[3 * x], in[3 * x + 1], in[3 * x + 2]));
      return;
    default: break;
  }
  for (int x = 0; x < w; ++x) d.SetPixel(x, y, Rgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]));
}

}  // namespace

PixelStorage ConvertStorage(const PixelStorage& src, const PixelLayout& layout, const Palette& palette) {
  PixelStorage dst(src.width(), src.height(), layout, palette);
  if (src.empty()) return dst;
  if (src.layout() == layout && src.palette() == palette) {
    for (int y = 0; y < src.height(); ++y) std::memcpy(dst.row(y), src.row(y), static_cast<size_t>(src.stride()));
    return dst;
  }
  NearestCache cache(dst.palette());
  std::vector<uint8_t> line(static_cast<size_t>(src.width()) * 3);
  for (int y = 0; y < src.height(); ++y) {
    ReadRowBgr(src, y, line.data());
    WriteRowBgr(dst, y, line.data(), cache);
  }
  return dst;
}

}  // namespace raster
