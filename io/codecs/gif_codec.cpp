#include "io/codecs/gif_codec.h"

#include <gif_lib.h>

#include <algorithm>
#include <atomic>
#include <cstring>
#include <exception>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <thread>

#include "io/gif/rle_encoder.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/parallel.h"

namespace zelnor::codecs {

namespace {

// ------------------------------------------------------------------ writing

void Put16(std::vector<uint8_t>& out, int v) {
  out.push_back(static_cast<uint8_t>(v & 0xFF));
  out.push_back(static_cast<uint8_t>((v >> 8) & 0xFF));
}

void PutColorTable(std::vector<uint8_t>& out, const raster::Palette& palette, int bits) {
  for (int i = 0; i < (1 << bits); ++i) {
    const raster::ColorRef c = i < static_cast<int>(palette.size()) ? palette[static_cast<size_t>(i)] : 0;
    out.push_back(static_cast<uint8_t>(raster::RedOf(c)));
    out.push_back(static_cast<uint8_t>(raster::GreenOf(c)));
    out.push_back(static_cast<uint8_t>(raster::BlueOf(c)));
  }
}

void PutLoopExtension(std::vector<uint8_t>& out, uint16_t loops) {
  static const uint8_t kHead[] = {0x21, 0xFF, 11,  'N', 'E', 'T', 'S', 'C',
                                  'A',  'P',  'E', '2', '.', '0', 3,   1};
  out.insert(out.end(), std::begin(kHead), std::end(kHead));
  Put16(out, loops);
  out.push_back(0);
}

void PutControlExtension(std::vector<uint8_t>& out, const GifFrame& f) {
  // Disposal method 0 (unspecified), no user input; bit 0 marks transparency.
  const uint8_t packed = f.transparent ? 0x01 : 0x00;
  out.insert(out.end(), {0x21, 0xF9, 4, packed});
  Put16(out, f.delay);
  out.push_back(static_cast<uint8_t>(f.transparent ? f.transparent_index : 0));
  out.push_back(0);
}

bool HasExtensions(const GifFile& file) {
  if (file.loops) return true;
  return std::any_of(file.frames.begin(), file.frames.end(),
                     [](const GifFrame& f) { return f.control_block; });
}

// A GIF records each side in 16 bits.
void CheckFrameSize(int width, int height) {
  if (width > 65535 || height > 65535)
    throw std::runtime_error("Image too large for GIF: " + std::to_string(width) + " x " +
                             std::to_string(height) + " pixels (at most 65535 x 65535)");
}

void CheckFrame(const GifFrame& f) {
  CheckFrameSize(f.image.width, f.image.height);
  if (f.table_bits < 1 || f.table_bits > 8)
    throw std::invalid_argument("GIF colour table must have 2 to 256 entries");
}

// ------------------------------------------------------------------ LZW through giflib

// giflib's output, with the offset at which its latest write began.
struct GifSink {
  std::vector<uint8_t> bytes;
  size_t last_write = 0;
};

int AppendToSink(GifFileType* gif, const GifByteType* data, int length) {
  auto* sink = static_cast<GifSink*>(gif->UserData);
  try {
    sink->last_write = sink->bytes.size();
    sink->bytes.insert(sink->bytes.end(), data, data + length);
  } catch (...) {
    return 0;  // giflib reports a write failure
  }
  return length;
}

struct GifWriterClose {
  void operator()(GifFileType* g) const {
    int error = 0;
    EGifCloseFile(g, &error);
  }
};
struct MapFree {
  void operator()(ColorMapObject* m) const { GifFreeMapObject(m); }
};

[[noreturn]] void GifWriteFailed(int error) {
  throw std::runtime_error(std::string("GIF encoding failed: ") +
                           (GifErrorString(error) ? GifErrorString(error) : "unknown error"));
}

// The LZW image data (code size byte, sub-blocks, terminator) of one frame,
// as giflib writes it after a screen and image descriptor it is given for
// the purpose.  `wait_for_row`, when given, is called before row y is read
// and returns once that row of the image's pixels is final (rows still being
// dithered).
std::vector<uint8_t> EncodeLzwImageData(const gif::IndexedImage& image, int table_bits,
                                        const std::function<void(int)>& wait_for_row = {}) {
  GifSink sink;
  int error = 0;
  std::unique_ptr<GifFileType, GifWriterClose> gif(EGifOpen(&sink, AppendToSink, &error));
  if (!gif) GifWriteFailed(error);
  const int bits = std::max(2, table_bits);
  std::unique_ptr<ColorMapObject, MapFree> map(GifMakeMapObject(1 << bits, nullptr));
  if (!map) throw std::bad_alloc();
  const int w = std::max(image.width, 1), h = std::max(image.height, 1);
  if (EGifPutScreenDesc(gif.get(), w, h, 8, 0, nullptr) == GIF_ERROR) GifWriteFailed(gif->Error);
  if (EGifPutImageDesc(gif.get(), 0, 0, image.width, image.height, false, map.get()) == GIF_ERROR)
    GifWriteFailed(gif->Error);
  // Starting the image, giflib's compressor writes the code size byte: the
  // image data begins with that write.
  const size_t start = sink.last_write;
  if (sink.bytes.size() != start + 1 || sink.bytes[start] != bits)
    throw std::runtime_error("GIF encoding failed: unexpected output layout");
  std::vector<GifPixelType> line(static_cast<size_t>(image.width));
  for (int y = 0; y < image.height; ++y) {
    if (wait_for_row) wait_for_row(y);
    // giflib masks the line in place, so it gets a copy.
    std::memcpy(line.data(), image.pixels.data() + static_cast<size_t>(y) * image.width, line.size());
    if (EGifPutLine(gif.get(), line.data(), image.width) == GIF_ERROR) GifWriteFailed(gif->Error);
  }
  // The last line flushed the end code and the block terminator; closing
  // adds only the file's trailer.
  std::vector<uint8_t> data(sink.bytes.begin() + static_cast<std::ptrdiff_t>(start), sink.bytes.end());
  GifFileType* raw = gif.release();
  if (EGifCloseFile(raw, &error) == GIF_ERROR) GifWriteFailed(error);
  return data;
}

void PutImageData(std::vector<uint8_t>& out, const GifFrame& f, int compression_mode) {
  if (!f.image_data.empty()) {
    out.insert(out.end(), f.image_data.begin(), f.image_data.end());
  } else if (compression_mode == 0) {
    gif::EncodeRunLengthImageData(f.image.pixels, 1 << f.table_bits, std::max(2, f.table_bits), out);
  } else {
    const std::vector<uint8_t> data = EncodeLzwImageData(f.image, f.table_bits);
    out.insert(out.end(), data.begin(), data.end());
  }
}

// ------------------------------------------------------------------ frames from pictures

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

GifFrame FrameFromPalettePicture(const raster::PixelStorage& p) {
  GifFrame f;
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

// Appends the frame's image data in the compression mode to `data`,
// following rows that are still being dithered.
void EncodeFollowing(const GifFrame& f, int compression_mode, const std::function<void(int)>& wait_for_row,
                     std::vector<uint8_t>& data) {
  if (compression_mode == 1) {
    const std::vector<uint8_t> lzw = EncodeLzwImageData(f.image, f.table_bits, wait_for_row);
    data.insert(data.end(), lzw.begin(), lzw.end());
    return;
  }
  gif::EncodeRunLengthImageData(f.image.pixels, f.image.width, 1 << f.table_bits, std::max(2, f.table_bits),
                                data, wait_for_row);
}

// Bytes the run-length data of a picture of `pixels` pixels takes at most
// while its codes stay at 9 bits (busy pictures; runs take less), with the
// encoder's own room: enough that the buffer is not moved.
size_t ImageDataRoom(size_t pixels) {
  const size_t codes = pixels * 9 / 8 + 64;
  return codes + codes / 255 + 512;
}

// What the two threads of a frame share.
struct Pipeline {
  std::atomic<int> buffers{0};  // 1: the worker has touched the frame's memory
  std::atomic<int> palette{0};  // 1: the palette is made; 2: given up
  std::atomic<int> rows{0};     // rows dithered
  std::exception_ptr failure;   // the worker's
};

// The worker: first touches the memory the frame needs (fresh memory costs
// a page fault per 4 KiB on first use, about as much as dithering it) while
// the calling thread builds the palette; then dithers once the palette is
// there.
void PipelineWorker(const gif::BgrImage& img, GifFrame& f, std::vector<uint8_t>& data, size_t data_room,
                    Pipeline& p) {
  try {
    f.image.pixels.assign(static_cast<size_t>(img.width) * static_cast<size_t>(img.height), 0);
    const size_t kept = data.size();
    data.reserve(kept + data_room);
    data.resize(kept + data_room);
    data.resize(kept);
  } catch (...) {
    p.failure = std::current_exception();
  }
  p.buffers.store(1, std::memory_order_release);
  p.buffers.notify_all();
  if (p.failure) return;
  p.palette.wait(0, std::memory_order_acquire);
  if (p.palette.load(std::memory_order_acquire) != 1) return;
  try {
    gif::DitherToPalette(img, f.image.palette, f.image.pixels.data(), &p.rows);
  } catch (...) {
    p.failure = std::current_exception();
    p.rows.store(img.height, std::memory_order_release);  // releases the encoder
    p.rows.notify_all();
  }
}

// Builds the palette here while a worker prepares the frame's memory, then
// appends the image data to `data` (after `put_head`, which has the palette)
// on this thread while the worker dithers: the same bytes as doing one after
// the other, in less time on two cores.
void ReduceAndEncode(const gif::BgrImage& img, GifFrame& f, int compression_mode, std::vector<uint8_t>& data,
                     const std::function<void(std::vector<uint8_t>&)>& put_head) {
  Pipeline p;
  {
    const size_t room = ImageDataRoom(static_cast<size_t>(img.width) * static_cast<size_t>(img.height));
    std::jthread worker([&] { PipelineWorker(img, f, data, room, p); });
    try {
      f.image.palette = gif::OptimisedPalette(img);
    } catch (...) {
      p.palette.store(2, std::memory_order_release);
      p.palette.notify_all();
      throw;
    }
    p.palette.store(1, std::memory_order_release);
    p.palette.notify_all();
    p.buffers.wait(0, std::memory_order_acquire);
    if (!p.failure) {
      if (put_head) put_head(data);
      const auto wait_for_row = [&](int y) {
        for (int done = p.rows.load(std::memory_order_acquire); done <= y;
             done = p.rows.load(std::memory_order_acquire))
          p.rows.wait(done, std::memory_order_acquire);
      };
      EncodeFollowing(f, compression_mode, wait_for_row, data);
    }
  }
  if (p.failure) std::rethrow_exception(p.failure);
}

// A colour picture as rows of blue, green and red, converted into `converted`
// when it has another layout.
gif::BgrImage BgrRows(const raster::PixelStorage& p, raster::PixelStorage& converted) {
  const raster::PixelStorage* bgr = &p;
  if (p.layout() != raster::PixelLayout{24}) {
    converted = raster::ConvertStorage(p, raster::PixelLayout{24}, {});
    bgr = &converted;
  }
  return gif::BgrImage{bgr->width(), bgr->height(), bgr->stride(), bgr->row(0)};
}

// Colour pictures this large are reduced and encoded on two threads.
bool Pipelined(const raster::PixelStorage& p) {
  return p.bits() > 8 && int64_t{p.width()} * p.height() >= kPipelinePixels;
}

// `pipeline` false: this thread is one of several already sharing the cores.
GifFrame FrameFromColourPicture(const raster::PixelStorage& p, int compression_mode, bool pipeline) {
  raster::PixelStorage converted;
  const gif::BgrImage img = BgrRows(p, converted);
  GifFrame f;
  f.table_bits = 8;
  if (!pipeline || !Pipelined(p)) {
    f.image = gif::ReduceColors(img);
    return f;
  }
  f.image.width = img.width;
  f.image.height = img.height;
  ReduceAndEncode(img, f, compression_mode, f.image_data, {});
  return f;
}

// ------------------------------------------------------------------ reading

struct MemorySource {
  std::span<const uint8_t> bytes;
  size_t pos = 0;
};

int ReadFromMemory(GifFileType* gif, GifByteType* buffer, int length) {
  auto* src = static_cast<MemorySource*>(gif->UserData);
  const size_t n = std::min<size_t>(static_cast<size_t>(std::max(length, 0)), src->bytes.size() - src->pos);
  if (n == 0) return 0;
  std::memcpy(buffer, src->bytes.data() + src->pos, n);
  src->pos += n;
  return static_cast<int>(n);
}

struct GifReaderClose {
  void operator()(GifFileType* g) const {
    int error = 0;
    DGifCloseFile(g, &error);
  }
};
using GifReader = std::unique_ptr<GifFileType, GifReaderClose>;

[[noreturn]] void BadGif(int error) {
  const char* text = GifErrorString(error);
  throw std::runtime_error(std::string("Invalid GIF data: ") + (text ? text : "unreadable file"));
}

void SkipExtension(GifFileType* gif) {
  int code = 0;
  GifByteType* block = nullptr;
  if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) BadGif(gif->Error);
  while (block != nullptr)
    if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) BadGif(gif->Error);
}

raster::Palette FramePalette(const GifFileType* gif) {
  const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
  raster::Palette pal;
  if (map == nullptr) {
    for (int i = 0; i < 256; ++i) pal.push_back(raster::Rgb(i, i, i));  // no table at all: greys
    return pal;
  }
  for (int i = 0; i < map->ColorCount; ++i)
    pal.push_back(raster::Rgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue));
  return pal;
}

// Reads the frame's rows (in interlace order when flagged) into `pixels`.
void ReadFrameRows(GifFileType* gif, int w, int h, std::vector<uint8_t>& pixels) {
  static const int kStart[] = {0, 4, 2, 1}, kStep[] = {8, 8, 4, 2};
  auto read_row = [&](int y) {
    if (DGifGetLine(gif, pixels.data() + static_cast<size_t>(y) * w, w) == GIF_ERROR) BadGif(gif->Error);
  };
  if (gif->Image.Interlace) {
    for (int pass = 0; pass < 4; ++pass)
      for (int y = kStart[pass]; y < h; y += kStep[pass]) read_row(y);
  } else {
    for (int y = 0; y < h; ++y) read_row(y);
  }
}

raster::PixelStorage FrameToStorage(const GifFileType* gif, const std::vector<uint8_t>& pixels) {
  const GifImageDesc& d = gif->Image;
  // A logical screen with a side of 0 reaches as far as the frame does on
  // that side, so the frame is never cut to an empty picture.
  const int screen_w = gif->SWidth > 0 ? gif->SWidth : d.Left + d.Width;
  const int screen_h = gif->SHeight > 0 ? gif->SHeight : d.Top + d.Height;
  const bool covers = d.Left == 0 && d.Top == 0 && d.Width >= screen_w && d.Height >= screen_h;
  const int out_w = covers ? d.Width : screen_w, out_h = covers ? d.Height : screen_h;
  raster::CheckBitmapSize(out_w, out_h, 8);
  raster::Palette palette = FramePalette(gif);
  const uint8_t background = gif->SBackGroundColor < static_cast<int>(palette.size())
                                 ? static_cast<uint8_t>(gif->SBackGroundColor)
                                 : 0;
  raster::PixelStorage out(out_w, out_h, raster::PixelLayout{8}, std::move(palette));
  for (int y = 0; y < out_h; ++y) {
    uint8_t* row = out.row(y);
    if (!covers) std::memset(row, background, static_cast<size_t>(out_w));
    const int fy = y - d.Top;
    if (fy < 0 || fy >= d.Height) continue;
    const int x0 = std::max(0, d.Left), x1 = std::min(out_w, d.Left + d.Width);
    if (x1 > x0)
      std::memcpy(row + x0, pixels.data() + static_cast<size_t>(fy) * d.Width + (x0 - d.Left),
                  static_cast<size_t>(x1 - x0));
  }
  return out;
}

}  // namespace

namespace {

// Signature, logical screen and the global colour table.
void PutFileHead(std::vector<uint8_t>& out, const GifFile& file) {
  const char* version = HasExtensions(file) ? "GIF89a" : "GIF87a";
  out.insert(out.end(), version, version + 6);
  Put16(out, file.screen_width);
  Put16(out, file.screen_height);
  const GifFrame& first = file.frames.front();
  if (file.global_table) {
    out.push_back(static_cast<uint8_t>(0x80 | ((first.table_bits - 1) << 4) | (first.table_bits - 1)));
  } else {
    out.push_back(0x70);  // no global table; 8 bits of colour resolution
  }
  out.push_back(0);  // background colour index
  out.push_back(0);  // no aspect ratio
  if (file.global_table) PutColorTable(out, first.image.palette, first.table_bits);
}

// Frame i up to its image data: the extensions, the image descriptor and
// the local colour table.
void PutFrameHead(std::vector<uint8_t>& out, const GifFile& file, size_t i) {
  const GifFrame& f = file.frames[i];
  if (i == 0 && file.loops) PutLoopExtension(out, *file.loops);
  if (f.control_block) PutControlExtension(out, f);
  out.push_back(0x2C);
  Put16(out, 0);
  Put16(out, 0);
  Put16(out, f.image.width);
  Put16(out, f.image.height);
  out.push_back(file.global_table ? 0x00 : static_cast<uint8_t>(0x80 | (f.table_bits - 1)));
  if (!file.global_table) PutColorTable(out, f.image.palette, f.table_bits);
}

// The file's size when every frame's image data is made, else a guess; the
// output is reserved once instead of growing through copies.
size_t ExpectedSize(const GifFile& file) {
  size_t bytes = 13 + 19 + 1;
  for (const GifFrame& f : file.frames) {
    const size_t pixels = static_cast<size_t>(f.image.width) * static_cast<size_t>(f.image.height);
    bytes += 8 + 10 + (size_t{3} << f.table_bits);
    bytes += f.image_data.empty() ? pixels + pixels / 8 + 64 : f.image_data.size();
  }
  return bytes;
}

}  // namespace

std::vector<uint8_t> EncodeGif(const GifFile& file, int compression_mode) {
  if (file.frames.empty()) throw std::invalid_argument("A GIF needs at least one frame");
  for (const GifFrame& f : file.frames) CheckFrame(f);
  std::vector<uint8_t> out;
  out.reserve(ExpectedSize(file));
  PutFileHead(out, file);
  for (size_t i = 0; i < file.frames.size(); ++i) {
    PutFrameHead(out, file, i);
    PutImageData(out, file.frames[i], compression_mode);
  }
  out.push_back(0x3B);
  return out;
}

namespace {

GifFrame MakeFrame(const raster::PixelStorage& picture, bool transparent, int32_t TX1, int32_t TY1,
                   int compression_mode, bool pipeline) {
  // Refused before the colour reduction, which would take seconds on a
  // picture of 10^8 pixels only to fail here later.
  CheckFrameSize(picture.width(), picture.height());
  if (transparent && (TX1 < 0 || TY1 < 0 || TX1 >= picture.width() || TY1 >= picture.height()))
    InvalidPixelCoordinates();
  GifFrame f = picture.bits() <= 8 ? FrameFromPalettePicture(picture)
                                   : FrameFromColourPicture(picture, compression_mode, pipeline);
  if (transparent) {
    f.control_block = true;
    f.transparent = true;
    f.transparent_index = f.image.pixels[static_cast<size_t>(TY1) * f.image.width + static_cast<size_t>(TX1)];
  }
  return f;
}

}  // namespace

GifFrame MakeGifFrame(const raster::PixelStorage& picture, bool transparent, int32_t TX1, int32_t TY1,
                      int compression_mode) {
  return MakeFrame(picture, transparent, TX1, TY1, compression_mode, true);
}

namespace {

// A large colour picture's file: the head is written once the palette is
// made, and the image data straight after it as the rows are dithered, into
// memory touched on the other core meanwhile.  The bytes are those of
// EncodeGif with the frame of MakeGifFrame.
std::vector<uint8_t> EncodeColourGifImage(const raster::PixelStorage& picture, int compression_mode,
                                          bool transparent, int32_t TX1, int32_t TY1) {
  CheckFrameSize(picture.width(), picture.height());
  if (transparent && (TX1 < 0 || TY1 < 0 || TX1 >= picture.width() || TY1 >= picture.height()))
    InvalidPixelCoordinates();
  raster::PixelStorage converted;
  const gif::BgrImage img = BgrRows(picture, converted);
  GifFile file;
  file.screen_width = picture.width();
  file.screen_height = picture.height();
  file.global_table = true;
  GifFrame& f = file.frames.emplace_back();
  f.image.width = img.width;
  f.image.height = img.height;
  f.control_block = f.transparent = transparent;
  std::vector<uint8_t> out;
  size_t control_at = 0;  // the control extension, whose index is known last
  ReduceAndEncode(img, f, compression_mode, out, [&](std::vector<uint8_t>& head) {
    PutFileHead(head, file);
    control_at = head.size();
    PutFrameHead(head, file, 0);
  });
  if (transparent) {
    f.transparent_index = f.image.pixels[static_cast<size_t>(TY1) * f.image.width + static_cast<size_t>(TX1)];
    out[control_at + 6] = static_cast<uint8_t>(f.transparent_index);  // 21 F9 04 flags delay(2) index 00
  }
  out.push_back(0x3B);
  return out;
}

}  // namespace

std::vector<uint8_t> EncodeGifImage(const raster::PixelStorage& picture, int compression_mode,
                                    bool transparent, int32_t TX1, int32_t TY1) {
  if (Pipelined(picture)) return EncodeColourGifImage(picture, compression_mode, transparent, TX1, TY1);
  GifFile file;
  file.screen_width = picture.width();
  file.screen_height = picture.height();
  file.global_table = true;
  file.frames.push_back(MakeGifFrame(picture, transparent, TX1, TY1, compression_mode));
  return EncodeGif(file, compression_mode);
}

namespace {

GifFrame AnimationFrame(const raster::PixelStorage& picture, const GifAnimation& animation,
                        int compression_mode, bool pipeline) {
  GifFrame f =
      MakeFrame(picture, animation.transparent, animation.TX1, animation.TY1, compression_mode, pipeline);
  f.control_block = true;
  f.delay = animation.delay;
  if (f.image_data.empty()) PutImageData(f.image_data, f, compression_mode);
  return f;
}

}  // namespace

std::vector<uint8_t> EncodeAnimatedGif(std::span<const raster::PixelStorage* const> pictures,
                                       const GifAnimation& animation, int compression_mode) {
  GifFile file;
  file.global_table = false;
  file.loops = animation.loops;
  for (const raster::PixelStorage* picture : pictures) CheckFrameSize(picture->width(), picture->height());
  int64_t cost = 0;
  for (const raster::PixelStorage* picture : pictures) {
    // The first frame whose point is outside fails, before any work.
    if (animation.transparent && (animation.TX1 < 0 || animation.TY1 < 0 ||
                                  animation.TX1 >= picture->width() || animation.TY1 >= picture->height()))
      InvalidPixelCoordinates();
    file.screen_width = std::max(file.screen_width, picture->width());
    file.screen_height = std::max(file.screen_height, picture->height());
    cost += int64_t{picture->width()} * picture->height() * 3;
  }
  file.frames.resize(pictures.size());
  auto make = [&](int begin, int end) {
    for (int i = begin; i < end; ++i)
      file.frames[static_cast<size_t>(i)] = AnimationFrame(*pictures[static_cast<size_t>(i)], animation,
                                                           compression_mode, pictures.size() == 1);
  };
  if (pictures.size() == 1) {
    make(0, 1);  // its own loops may use every core
  } else {
    raster::ParallelFor(static_cast<int>(pictures.size()), cost, [&](int begin, int end) {
      raster::SerialLoops serial;  // one frame per core already
      make(begin, end);
    });
  }
  return EncodeGif(file, compression_mode);
}

raster::PixelStorage DecodeGif(std::span<const uint8_t> bytes) {
  MemorySource src{bytes};
  int error = 0;
  GifReader gif(DGifOpen(&src, ReadFromMemory, &error));
  if (!gif) BadGif(error);
  raster::CheckBitmapSize(gif->SWidth, gif->SHeight, 8);
  while (true) {
    GifRecordType type = UNDEFINED_RECORD_TYPE;
    if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR) BadGif(gif->Error);
    if (type == EXTENSION_RECORD_TYPE) {
      SkipExtension(gif.get());
    } else if (type == IMAGE_DESC_RECORD_TYPE) {
      if (DGifGetImageDesc(gif.get()) == GIF_ERROR) BadGif(gif->Error);
      const int w = gif->Image.Width, h = gif->Image.Height;
      if (w <= 0 || h <= 0) throw std::runtime_error("Invalid GIF data: the image has no pixels");
      raster::CheckBitmapSize(w, h, 8);
      std::vector<uint8_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h));
      ReadFrameRows(gif.get(), w, h, pixels);
      return FrameToStorage(gif.get(), pixels);
    } else if (type == TERMINATE_RECORD_TYPE) {
      throw std::runtime_error("Invalid GIF data: the file holds no image");
    } else {
      BadGif(D_GIF_ERR_WRONG_RECORD);
    }
  }
}

}  // namespace zelnor::codecs
