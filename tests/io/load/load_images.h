// Pictures and encoded images shared by the loading tests: made by the
// component's own encoders from a deterministic pattern.
#pragma once
#include <cstdint>
#include <vector>

#include "io/ZelnorCommons.h"
#include "io/ZelnorIO.h"
#include "io/codecs/gif_codec.h"
#include "io/codecs/jpeg_codec.h"
#include "io/codecs/png_codec.h"
#include "model/pixel_format.h"
#include "platform/automation/oleauto.h"
#include "platform/raster/bitmap.h"

namespace zelnor::testing_images {

// A 24-bit picture whose every pixel differs from its neighbours.
inline raster::PixelStorage Pattern(int w, int h, int seed = 0) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* px = p.row(y) + 3 * x;
      px[0] = static_cast<uint8_t>(x * 7 + seed);
      px[1] = static_cast<uint8_t>(y * 11 + x * 3);
      px[2] = static_cast<uint8_t>((x ^ y) * 5 + seed * 3);
    }
  return p;
}

// A smooth 24-bit picture that JPEG keeps close to its original.
inline raster::PixelStorage Gradient(int w, int h) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* px = p.row(y) + 3 * x;
      px[0] = static_cast<uint8_t>(x * 255 / w);
      px[1] = static_cast<uint8_t>(y * 255 / h);
      px[2] = 128;
    }
  return p;
}

// An 8-bit palette picture of w x h with `colours` palette entries.
inline raster::PixelStorage Indexed(int w, int h, int colours) {
  raster::Palette pal;
  for (int i = 0; i < 256; ++i) pal.push_back(raster::Rgb(i * 37 % 256, i * 91 % 256, i * 13 % 256));
  raster::PixelStorage p(w, h, raster::PixelLayout{8}, pal);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) p.row(y)[x] = static_cast<uint8_t>((x + 3 * y) % colours);
  return p;
}

inline std::vector<uint8_t> BmpOf(const raster::PixelStorage& p) {
  raster::Bitmap b;
  b.TakeStorage(p.Clone());
  return b.SaveToBmp();
}

inline codecs::GifFrame GifFrameOf(const raster::PixelStorage& indexed) {
  codecs::GifFrame f;
  f.image.width = indexed.width();
  f.image.height = indexed.height();
  f.image.palette = indexed.palette();
  for (int y = 0; y < indexed.height(); ++y)
    f.image.pixels.insert(f.image.pixels.end(), indexed.row(y), indexed.row(y) + indexed.width());
  return f;
}

inline std::vector<uint8_t> GifOf(const raster::PixelStorage& indexed, int mode = 1) {
  codecs::GifFile file;
  file.screen_width = indexed.width();
  file.screen_height = indexed.height();
  file.frames.push_back(GifFrameOf(indexed));
  return codecs::EncodeGif(file, mode);
}

// The encoded image of each type for one picture.
inline std::vector<uint8_t> Encode(ImageType type, const raster::PixelStorage& p) {
  switch (type) {
    case itJPEG:
      return codecs::EncodeJpeg(p, {90, false});
    case itPNG:
      return codecs::EncodePng(p, 6);
    case itGIF:
      return p.bits() == 8 ? GifOf(p) : GifOf(Indexed(p.width(), p.height(), 200));
    default:
      return BmpOf(p);
  }
}

// A script variable holding a byte array (or anything else), cleared at the end.
struct Var {
  automation::VARIANT v;
  Var() { automation::VariantInit(&v); }
  explicit Var(const std::vector<uint8_t>& bytes) : v(StreamToByteArray(bytes)) {}
  ~Var() { automation::VariantClear(&v); }
  Var(const Var&) = delete;
  Var& operator=(const Var&) = delete;
};

// Whether two bitmaps hold the same size, format, colour table and pixels.
inline bool SamePicture(const raster::Bitmap& a, const raster::Bitmap& b) {
  if (a.Width() != b.Width() || a.Height() != b.Height() ||
      zelnor::PixelFormatOf(a) != zelnor::PixelFormatOf(b) || a.BitsPerPixel() != b.BitsPerPixel() ||
      a.GetPalette() != b.GetPalette())
    return false;
  for (int y = 0; y < a.Height(); ++y)
    for (int x = 0; x < a.Width(); ++x)
      if (a.Storage().GetBits(x, y) != b.Storage().GetBits(x, y)) return false;
  return true;
}

}  // namespace zelnor::testing_images
