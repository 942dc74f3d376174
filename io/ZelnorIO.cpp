#include "io/ZelnorIO.h"

#include <algorithm>
#include <atomic>
#include <exception>
#include <stdexcept>
#include <thread>

#include "io/codecs/jpeg_codec.h"
#include "io/codecs/png_codec.h"
#include "model/result_codes.h"
#include "platform/clipboard/clipboard.h"
#include "platform/system/files.h"

namespace zelnor {

namespace {

[[noreturn]] void InvalidPixelCoordinates() { throw std::runtime_error("Invalid pixel coordinates"); }

// The indices of a 1-, 4- or 8-bit picture, one byte per pixel.
std::vector<uint8_t> UnpackIndices(const raster::PixelStorage& p) {
  std::vector<uint8_t> out(static_cast<size_t>(p.width()) * static_cast<size_t>(p.height()));
  for (int y = 0; y < p.height(); ++y) {
    uint8_t* dst = out.data() + static_cast<size_t>(y) * p.width();
    if (p.bits() == 8) {
      std::copy_n(p.row(y), p.width(), dst);
    } else {
      for (int x = 0; x < p.width(); ++x) dst[x] = static_cast<uint8_t>(p.GetBits(x, y));
    }
  }
  return out;
}

codecs::GifFrame FrameFromPalettePicture(const raster::PixelStorage& p) {
  codecs::GifFrame f;
  f.table_bits = p.bits();
  f.image.width = p.width();
  f.image.height = p.height();
  f.image.pixels = UnpackIndices(p);
  f.image.palette = p.palette();
  f.image.palette.resize(size_t{1} << p.bits(), raster::Rgb(0, 0, 0));
  for (raster::ColorRef& c : f.image.palette) c &= 0xFFFFFF;
  return f;
}

// Pictures below this many pixels are not worth a second thread.
constexpr int64_t kPipelinePixels = 65536;

// Dithers on a worker thread while this thread LZW-encodes the rows it has
// finished: the same bytes as doing one after the other, in about half the
// time on two cores.
void DitherAndEncodeLzw(const gif::BgrImage& img, codecs::GifFrame& f) {
  f.image.pixels.assign(static_cast<size_t>(img.width) * static_cast<size_t>(img.height), 0);
  std::atomic<int> rows{0};
  std::exception_ptr failure;
  {
    std::jthread worker([&] {
      try {
        gif::DitherToPalette(img, f.image.palette, f.image.pixels.data(), &rows);
      } catch (...) {
        failure = std::current_exception();
        rows.store(img.height, std::memory_order_release);  // releases the encoder
        rows.notify_all();
      }
    });
    f.lzw_data = codecs::EncodeLzwImageData(f.image, f.table_bits, [&](int y) {
      for (int done = rows.load(std::memory_order_acquire); done <= y;
           done = rows.load(std::memory_order_acquire))
        rows.wait(done, std::memory_order_acquire);
    });
  }
  if (failure) std::rethrow_exception(failure);
}

codecs::GifFrame FrameFromColourPicture(const raster::PixelStorage& p, int compression_mode) {
  raster::PixelStorage converted;
  const raster::PixelStorage* bgr = &p;
  if (p.layout() != raster::PixelLayout{24}) {
    converted = raster::ConvertStorage(p, raster::PixelLayout{24}, {});
    bgr = &converted;
  }
  codecs::GifFrame f;
  f.table_bits = 8;
  const gif::BgrImage img{bgr->width(), bgr->height(), bgr->stride(), bgr->row(0)};
  if (compression_mode != 1 || int64_t{img.width} * img.height < kPipelinePixels) {
    f.image = gif::ReduceColors(img);
    return f;
  }
  f.image.width = img.width;
  f.image.height = img.height;
  f.image.palette = gif::OptimisedPalette(img);
  DitherAndEncodeLzw(img, f);
  return f;
}

codecs::GifFile SingleImageGif(const raster::Bitmap& canvas, bool transparent, int32_t TX1, int32_t TY1,
                               int compression_mode) {
  codecs::GifFile file;
  file.screen_width = canvas.Width();
  file.screen_height = canvas.Height();
  file.global_table = true;
  file.frames.push_back(MakeGifFrame(canvas.Storage(), transparent, TX1, TY1, compression_mode));
  return file;
}

}  // namespace

raster::PixelStorage DecodeImage(int imageType, std::span<const uint8_t> bytes) {
  switch (imageType) {
    case itJPEG:
      return codecs::DecodeJpeg(bytes);
    case itGIF:
      return codecs::DecodeGif(bytes);
    case itPNG:
      return codecs::DecodePng(bytes);
    case itBMP: {
      raster::Bitmap b;
      b.LoadFromBmp(bytes);
      return b.ReleaseStorage();
    }
    default:
      throw std::invalid_argument("Unsupported image type");
  }
}

codecs::GifFrame MakeGifFrame(const raster::PixelStorage& picture, bool transparent, int32_t TX1, int32_t TY1,
                              int compression_mode) {
  if (transparent && (TX1 < 0 || TY1 < 0 || TX1 >= picture.width() || TY1 >= picture.height()))
    InvalidPixelCoordinates();
  codecs::GifFrame f = picture.bits() <= 8 ? FrameFromPalettePicture(picture)
                                           : FrameFromColourPicture(picture, compression_mode);
  if (transparent) {
    f.control_block = true;
    f.transparent = true;
    f.transparent_index = f.image.pixels[static_cast<size_t>(TY1) * f.image.width + static_cast<size_t>(TX1)];
  }
  return f;
}

MemoryStream EncodeCanvasImage(int imageType, const raster::Bitmap& canvas, const CodecSettings& settings,
                               bool transparent, int32_t TX1, int32_t TY1) {
  if (canvas.Empty()) throw std::invalid_argument("Cannot encode an empty canvas");
  switch (imageType) {
    case itJPEG:
      return codecs::EncodeJpeg(canvas.Storage(), {settings.jpeg_quality, settings.jpeg_progressive});
    case itPNG:
      return codecs::EncodePng(canvas.Storage(), settings.png_compression_level);
    case itBMP:
      return canvas.SaveToBmp();
    case itGIF:
      return codecs::EncodeGif(SingleImageGif(canvas, transparent, TX1, TY1, settings.gif_compression_mode),
                               settings.gif_compression_mode);
    default:
      throw std::invalid_argument("Unsupported image type");
  }
}

int32_t SaveCanvasImage(SaveDestination dest, const std::string& name, const SettingsRecord& settings,
                        automation::VARIANT* ToVar, raster::Bitmap& canvas, bool transparent, int32_t TX1,
                        int32_t TY1) {
  const CodecSettings codec = settings.CodecCopy();
  if (canvas.Empty()) return rcEmptyCanvas;
  const ImageType type = dest == sdFile ? ImageTypeFromFileName(name) : ImageTypeFromName(name);
  if (type == itUnknown) return rcUnsupportedType;
  const MemoryStream bytes = EncodeCanvasImage(type, canvas, codec, transparent, TX1, TY1);
  if (dest == sdFile)
    sysplat::WriteWholeFile(name, bytes);
  else
    StoreByteArray(ToVar, bytes);
  return rcOK;
}

int32_t SaveAnimatedGIF(SaveDestination dest, const std::string& fileName, const SettingsRecord& settings,
                        int32_t lastIndex, std::span<const std::unique_ptr<raster::Bitmap>> canvases,
                        automation::VARIANT* ToVar, int32_t Loops, int32_t Delay, int32_t TY1, int32_t TX1,
                        bool transparent) {
  if (TX1 < 0 || TY1 < 0 || Delay < 0 || Loops < 0) return rcInvalidArgument;
  if (lastIndex < 1) return rcNoInput;
  const CodecSettings codec = settings.CodecCopy();
  codecs::GifFile file;
  file.global_table = false;
  file.loops = static_cast<uint16_t>(Loops);
  const auto last = std::min<size_t>(static_cast<size_t>(lastIndex) + 1, canvases.size());
  for (size_t i = 0; i < last; ++i) {
    const raster::Bitmap& canvas = *canvases[i];
    if (canvas.Empty()) continue;  // a canvas without a picture adds no frame
    codecs::GifFrame f = MakeGifFrame(canvas.Storage(), transparent, TX1, TY1, codec.gif_compression_mode);
    f.control_block = true;
    f.delay = static_cast<uint16_t>(Delay / 10);
    file.screen_width = std::max(file.screen_width, canvas.Width());
    file.screen_height = std::max(file.screen_height, canvas.Height());
    file.frames.push_back(std::move(f));
  }
  if (file.frames.empty()) return rcEmptyCanvas;
  const MemoryStream bytes = codecs::EncodeGif(file, codec.gif_compression_mode);
  if (dest == sdFile)
    sysplat::WriteWholeFile(fileName, bytes);
  else
    StoreByteArray(ToVar, bytes);
  return rcOK;
}

int32_t SaveCanvasToClipboard(const raster::Bitmap& canvas) {
  if (canvas.Empty()) return rcEmptyCanvas;
  clipboard::Clipboard board;
  board.Empty();
  board.SetBitmap(canvas.Storage());
  if (canvas.BitsPerPixel() <= 8) board.SetPalette(canvas.GetPalette());
  board.Close();
  return rcOK;
}

}  // namespace zelnor
