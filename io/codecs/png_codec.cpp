// libpng reports fatal errors by longjmp to the jump buffer of the png
// struct.  Each phase that calls the library is a small function with its
// own setjmp and no C++ objects of its own; every buffer it needs is made by
// the caller beforehand, so a jump skips no destructor.
#include "io/codecs/png_codec.h"

#include <png.h>

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <string>

#include "platform/raster/bitmap.h"

namespace zelnor::codecs {

namespace {

struct PngState {
  png_structp png = nullptr;
  png_infop info = nullptr;
  std::string error;
  std::vector<uint8_t>* sink = nullptr;  // writing
  std::span<const uint8_t> source;       // reading
  size_t pos = 0;
};

void OnError(png_structp png, png_const_charp message) {
  auto* s = static_cast<PngState*>(png_get_error_ptr(png));
  try {
    s->error = message ? message : "unknown error";
  } catch (...) {
  }
  png_longjmp(png, 1);
}
void OnWarning(png_structp, png_const_charp) {}

void WriteBytes(png_structp png, png_bytep data, size_t length) {
  auto* s = static_cast<PngState*>(png_get_io_ptr(png));
  bool ok = true;
  try {
    s->sink->insert(s->sink->end(), data, data + length);
  } catch (...) {
    ok = false;
  }
  if (!ok) png_error(png, "out of memory");
}
void FlushBytes(png_structp) {}

void ReadBytes(png_structp png, png_bytep data, size_t length) {
  auto* s = static_cast<PngState*>(png_get_io_ptr(png));
  if (length > s->source.size() - s->pos) png_error(png, "the data ends before the image is complete");
  std::copy_n(s->source.data() + s->pos, length, data);
  s->pos += length;
}

// libpng refuses pictures over 1,000,000 pixels a side by default, reading
// and writing.  Any picture the bitmap size limit lets through is written
// and read back; the decoder checks a file's size against that limit itself.
void LiftSizeLimits(png_structp png) { png_set_user_limits(png, PNG_UINT_31_MAX, PNG_UINT_31_MAX); }

// ------------------------------------------------------------------ writing

struct WriteJob {
  const raster::PixelStorage* picture = nullptr;  // 1, 4, 8 or 24 bits
  int level = 7;
  std::vector<png_color> palette;
  std::vector<png_byte> alpha;  // tRNS of a palette picture
  bool has_trans_color = false;
  png_color_16 trans_color{};
};

bool WritePng(PngState& s, WriteJob& job) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  const raster::PixelStorage& p = *job.picture;
  const bool indexed = p.bits() <= 8;
  png_set_write_fn(s.png, &s, WriteBytes, FlushBytes);
  LiftSizeLimits(s.png);
  png_set_IHDR(s.png, s.info, static_cast<png_uint_32>(p.width()), static_cast<png_uint_32>(p.height()),
               indexed ? p.bits() : 8, indexed ? PNG_COLOR_TYPE_PALETTE : PNG_COLOR_TYPE_RGB,
               PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  if (indexed) png_set_PLTE(s.png, s.info, job.palette.data(), static_cast<int>(job.palette.size()));
  if (!job.alpha.empty())
    png_set_tRNS(s.png, s.info, job.alpha.data(), static_cast<int>(job.alpha.size()), nullptr);
  if (job.has_trans_color) png_set_tRNS(s.png, s.info, nullptr, 0, &job.trans_color);
  png_set_filter(s.png, PNG_FILTER_TYPE_BASE, PNG_FILTER_SUB);
  png_set_compression_level(s.png, job.level);
  png_set_compression_buffer_size(s.png, 65535);  // each IDAT chunk holds at most this much
  png_write_info(s.png, s.info);
  if (!indexed) png_set_bgr(s.png);
  // Row by row: a table of row addresses would cost 8 bytes a row, as much
  // as the picture itself for a 1-pixel-wide canvas.
  for (int y = 0; y < p.height(); ++y) png_write_row(s.png, p.row(y));
  png_write_end(s.png, nullptr);
  return true;
}

void PrepareTransparency(const raster::PixelStorage& p, WriteJob& job) {
  if (!p.transparent_color) return;
  const raster::ColorRef t = *p.transparent_color & 0xFFFFFF;
  if (p.bits() <= 8) {
    int last = -1;
    for (size_t i = 0; i < p.palette().size() && i < job.palette.size(); ++i)
      if ((p.palette()[i] & 0xFFFFFF) == t) last = static_cast<int>(i);
    if (last < 0) return;  // the colour is not in the palette: nothing to mark
    job.alpha.assign(static_cast<size_t>(last) + 1, 255);
    for (int i = 0; i <= last; ++i)
      if ((p.palette()[static_cast<size_t>(i)] & 0xFFFFFF) == t) job.alpha[static_cast<size_t>(i)] = 0;
  } else {
    job.has_trans_color = true;
    job.trans_color.red = static_cast<png_uint_16>(raster::RedOf(t));
    job.trans_color.green = static_cast<png_uint_16>(raster::GreenOf(t));
    job.trans_color.blue = static_cast<png_uint_16>(raster::BlueOf(t));
  }
}

// ------------------------------------------------------------------ reading

struct ReadInfo {
  int width = 0, height = 0, depth = 0, color_type = 0, passes = 1;
  raster::Palette palette;
  std::optional<raster::ColorRef> transparent;
};

int GreyLevel(int v, int depth) { return depth >= 8 ? v : v * 255 / ((1 << depth) - 1); }
int Scale16(int v) { return (v * 255 + 32895) >> 16; }

raster::Palette GreyPalette(int depth) {
  raster::Palette pal;
  const int n = 1 << std::min(depth, 8);
  for (int i = 0; i < n; ++i) {
    const int v = GreyLevel(i, std::min(depth, 8));
    pal.push_back(raster::Rgb(v, v, v));
  }
  return pal;
}

void ReadTransparency(PngState& s, ReadInfo& r) {
  if (!png_get_valid(s.png, s.info, PNG_INFO_tRNS)) return;
  png_bytep alpha = nullptr;
  int count = 0;
  png_color_16p color = nullptr;
  png_get_tRNS(s.png, s.info, &alpha, &count, &color);
  if (r.color_type == PNG_COLOR_TYPE_PALETTE) {
    for (int i = 0; i < count && i < static_cast<int>(r.palette.size()); ++i)
      if (alpha[i] == 0) {
        r.transparent = r.palette[static_cast<size_t>(i)];
        return;
      }
  } else if (color && r.color_type == PNG_COLOR_TYPE_GRAY) {
    const int v =
        r.depth == 16 ? Scale16(color->gray) : GreyLevel(color->gray & ((1 << r.depth) - 1), r.depth);
    r.transparent = raster::Rgb(v, v, v);
  } else if (color && r.color_type == PNG_COLOR_TYPE_RGB) {
    auto ch = [&](int v) { return r.depth == 16 ? Scale16(v) : (v & 0xFF); };
    r.transparent = raster::Rgb(ch(color->red), ch(color->green), ch(color->blue));
  }
}

bool ReadHeader(PngState& s, ReadInfo& r) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  png_set_read_fn(s.png, &s, ReadBytes);
  LiftSizeLimits(s.png);
  png_read_info(s.png, s.info);
  r.width = static_cast<int>(png_get_image_width(s.png, s.info));
  r.height = static_cast<int>(png_get_image_height(s.png, s.info));
  r.depth = png_get_bit_depth(s.png, s.info);
  r.color_type = png_get_color_type(s.png, s.info);
  if (r.color_type == PNG_COLOR_TYPE_PALETTE) {
    png_colorp pal = nullptr;
    int n = 0;
    if (!png_get_PLTE(s.png, s.info, &pal, &n)) png_error(s.png, "palette image without a palette");
    for (int i = 0; i < n; ++i) r.palette.push_back(raster::Rgb(pal[i].red, pal[i].green, pal[i].blue));
  }
  ReadTransparency(s, r);
  return true;
}

// Asks for one byte per sample in B, G, R order (or one index or grey
// level), without alpha; libpng sizes its row buffers here, so this runs
// only after the picture's size has passed the bitmap size limit.
bool SetUpRows(PngState& s, ReadInfo& r) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  if (r.depth == 16) png_set_scale_16(s.png);
  if (r.depth < 8) png_set_packing(s.png);
  if (r.color_type & PNG_COLOR_MASK_ALPHA) png_set_strip_alpha(s.png);
  if (r.color_type & PNG_COLOR_MASK_COLOR) png_set_bgr(s.png);
  r.passes = png_set_interlace_handling(s.png);
  png_read_update_info(s.png, s.info);
  if (png_get_rowbytes(s.png, s.info) !=
      static_cast<size_t>(r.width) *
          ((r.color_type & PNG_COLOR_MASK_COLOR) && r.color_type != PNG_COLOR_TYPE_PALETTE ? 3 : 1))
    png_error(s.png, "unexpected row layout");
  return true;
}

// Reads every pass into rows `stride` bytes apart from `first` (an interlaced file is
// combined pass by pass into the same rows).
bool ReadRows(PngState& s, uint8_t* first, size_t stride, int height, int passes) {
  if (setjmp(png_jmpbuf(s.png))) return false;
  for (int pass = 0; pass < passes; ++pass)
    for (int y = 0; y < height; ++y) png_read_row(s.png, first + stride * static_cast<size_t>(y), nullptr);
  return true;
}

// Bits per pixel of the picture a file becomes.
int StoredBits(const ReadInfo& r) {
  if ((r.color_type & PNG_COLOR_MASK_COLOR) && r.color_type != PNG_COLOR_TYPE_PALETTE) return 24;
  if (r.color_type != PNG_COLOR_TYPE_PALETTE && r.depth == 16) return 8;
  return r.depth == 1 ? 1 : (r.depth <= 4 ? 4 : 8);
}

struct PngHolder {
  PngState s;
  bool reading;
  explicit PngHolder(bool read) : reading(read) {
    s.png = read ? png_create_read_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning)
                 : png_create_write_struct(PNG_LIBPNG_VER_STRING, &s, OnError, OnWarning);
    if (!s.png) throw std::bad_alloc();
    s.info = png_create_info_struct(s.png);
    if (!s.info) {
      Destroy();
      throw std::bad_alloc();
    }
  }
  ~PngHolder() { Destroy(); }
  void Destroy() {
    if (reading)
      png_destroy_read_struct(&s.png, s.info ? &s.info : nullptr, nullptr);
    else
      png_destroy_write_struct(&s.png, s.info ? &s.info : nullptr);
  }
};

}  // namespace

std::vector<uint8_t> EncodePng(const raster::PixelStorage& picture, int level) {
  if (picture.empty()) throw std::invalid_argument("Cannot encode an empty picture");
  raster::PixelStorage converted;
  const raster::PixelStorage* p = &picture;
  if (picture.bits() > 8 && picture.layout() != raster::PixelLayout{24}) {
    converted = raster::ConvertStorage(picture, raster::PixelLayout{24}, {});
    converted.transparent_color = picture.transparent_color;
    p = &converted;
  }
  WriteJob job;
  job.picture = p;
  job.level = std::clamp(level, 0, 9);
  if (p->bits() <= 8) {
    job.palette.resize(size_t{1} << p->bits(), png_color{0, 0, 0});
    for (size_t i = 0; i < p->palette().size() && i < job.palette.size(); ++i) {
      const raster::ColorRef c = p->palette()[i];
      job.palette[i] =
          png_color{static_cast<png_byte>(raster::RedOf(c)), static_cast<png_byte>(raster::GreenOf(c)),
                    static_cast<png_byte>(raster::BlueOf(c))};
    }
  }
  PrepareTransparency(*p, job);
  std::vector<uint8_t> out;
  PngHolder h(false);
  h.s.sink = &out;
  if (!WritePng(h.s, job)) throw std::runtime_error("PNG encoding failed: " + h.s.error);
  return out;
}

raster::PixelStorage DecodePng(std::span<const uint8_t> bytes) {
  PngHolder h(true);
  h.s.source = bytes;
  ReadInfo r;
  if (!ReadHeader(h.s, r)) throw std::runtime_error("Invalid PNG data: " + h.s.error);
  const int bits = StoredBits(r);
  raster::Palette palette = bits == 24
                                ? raster::Palette{}
                                : (r.color_type == PNG_COLOR_TYPE_PALETTE ? r.palette : GreyPalette(r.depth));
  raster::CheckBitmapSize(r.width, r.height, std::max(bits, 8));
  if (!SetUpRows(h.s, r)) throw std::runtime_error("Invalid PNG data: " + h.s.error);
  raster::PixelStorage out(r.width, r.height, raster::PixelLayout{bits}, std::move(palette));
  out.transparent_color = r.transparent;
  // One byte per sample is read; 1- and 4-bit pictures are packed afterwards.
  std::vector<uint8_t> unpacked(bits < 8 ? static_cast<size_t>(r.width) * static_cast<size_t>(r.height) : 0);
  uint8_t* first = bits < 8 ? unpacked.data() : out.row(0);
  const size_t stride = bits < 8 ? static_cast<size_t>(r.width) : static_cast<size_t>(out.stride());
  if (!ReadRows(h.s, first, stride, r.height, r.passes))
    throw std::runtime_error("Invalid PNG data: " + h.s.error);
  if (bits < 8) {
    for (int y = 0; y < r.height; ++y)
      for (int x = 0; x < r.width; ++x) out.SetBits(x, y, unpacked[static_cast<size_t>(y) * r.width + x]);
  }
  return out;
}

}  // namespace zelnor::codecs
