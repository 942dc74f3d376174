// libjpeg reports fatal errors through error_exit, which must not return.
// Here it formats the message and longjmps back into the small function that
// made the library call; those functions hold no C++ objects of their own, so
// the jump skips no destructor.  Buffers are made before each phase and owned
// by the caller.
#include "io/codecs/jpeg_codec.h"

#include <jerror.h>
#include <jpeglib.h>
#include <stdio.h>  // libjpeg's header needs FILE

#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <string>

#include "platform/raster/bitmap.h"

namespace zelnor::codecs {

namespace {

struct ErrorTrap {
  jpeg_error_mgr mgr;
  jmp_buf jump;
  char message[JMSG_LENGTH_MAX] = {};
  bool truncated = false;
};

void ErrorExit(j_common_ptr cinfo) {
  auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
  (*cinfo->err->format_message)(cinfo, trap->message);
  longjmp(trap->jump, 1);
}

// Warnings are ignored, except that data ending early counts as damage and
// stops the decoder at once: a short file whose header claims a huge picture
// must not be decoded to its end on made-up data.
void EmitMessage(j_common_ptr cinfo, int level) {
  auto* trap = reinterpret_cast<ErrorTrap*>(cinfo->err);
  if (level < 0 && cinfo->err->msg_code == JWRN_JPEG_EOF) {
    trap->truncated = true;
    ErrorExit(cinfo);
  }
}

void InstallTrap(ErrorTrap& trap, jpeg_error_mgr*& slot) {
  slot = jpeg_std_error(&trap.mgr);
  trap.mgr.error_exit = ErrorExit;
  trap.mgr.emit_message = EmitMessage;
}

// Bounds the library's working memory (coefficient buffers of progressive
// files) to what the bitmap size limit allows.
constexpr long kWorkMemory = static_cast<long>(2 * raster::kMaxBitmapBytes);

// ------------------------------------------------------------------ encoding

struct Compressor {
  jpeg_compress_struct cinfo{};
  ErrorTrap trap;
  unsigned char* buffer = nullptr;
  unsigned long size = 0;
  ~Compressor() {
    jpeg_destroy_compress(&cinfo);
    std::free(buffer);
  }
};

bool Compress(Compressor& c, const raster::PixelStorage& bgr, const JpegOptions& o, JSAMPLE* rgb_row) {
  if (setjmp(c.trap.jump)) return false;
  InstallTrap(c.trap, c.cinfo.err);
  jpeg_create_compress(&c.cinfo);
  c.cinfo.mem->max_memory_to_use = kWorkMemory;
  jpeg_mem_dest(&c.cinfo, &c.buffer, &c.size);
  c.cinfo.image_width = static_cast<JDIMENSION>(bgr.width());
  c.cinfo.image_height = static_cast<JDIMENSION>(bgr.height());
  c.cinfo.input_components = 3;
  c.cinfo.in_color_space = JCS_RGB;
  jpeg_set_defaults(&c.cinfo);
  c.cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&c.cinfo, o.quality, TRUE);
  if (o.progressive) jpeg_simple_progression(&c.cinfo);
  jpeg_start_compress(&c.cinfo, TRUE);
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    const uint8_t* src = bgr.row(static_cast<int>(c.cinfo.next_scanline));
    for (int x = 0; x < bgr.width(); ++x) {
      rgb_row[3 * x] = src[3 * x + 2];
      rgb_row[3 * x + 1] = src[3 * x + 1];
      rgb_row[3 * x + 2] = src[3 * x];
    }
    jpeg_write_scanlines(&c.cinfo, &rgb_row, 1);
  }
  jpeg_finish_compress(&c.cinfo);
  return true;
}

// ------------------------------------------------------------------ decoding

struct Decompressor {
  jpeg_decompress_struct cinfo{};
  ErrorTrap trap;
  ~Decompressor() { jpeg_destroy_decompress(&cinfo); }
};

bool ReadHeader(Decompressor& d, std::span<const uint8_t> bytes) {
  if (setjmp(d.trap.jump)) return false;
  InstallTrap(d.trap, d.cinfo.err);
  jpeg_create_decompress(&d.cinfo);
  d.cinfo.mem->max_memory_to_use = kWorkMemory;
  jpeg_mem_src(&d.cinfo, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&d.cinfo, TRUE);
  switch (d.cinfo.jpeg_color_space) {
    case JCS_GRAYSCALE:
      d.cinfo.out_color_space = JCS_GRAYSCALE;
      break;
    case JCS_CMYK:
    case JCS_YCCK:
      d.cinfo.out_color_space = JCS_CMYK;
      break;
    default:
      d.cinfo.out_color_space = JCS_EXT_BGR;
      break;
  }
  return true;
}

bool SetScale(Decompressor& d, int denominator) {
  if (setjmp(d.trap.jump)) return false;
  d.cinfo.scale_num = 1;
  d.cinfo.scale_denom = static_cast<unsigned>(denominator);
  jpeg_calc_output_dimensions(&d.cinfo);
  return true;
}

int ValidDenominator(int d) { return d == 2 || d == 4 || d == 8 ? d : 1; }

// CMYK (Adobe files store the inks inverted) to blue, green, red.
void CmykRowToBgr(const JSAMPLE* cmyk, uint8_t* bgr, int width, bool inverted) {
  for (int x = 0; x < width; ++x) {
    int c = cmyk[4 * x], m = cmyk[4 * x + 1], y = cmyk[4 * x + 2], k = cmyk[4 * x + 3];
    if (!inverted) {
      c = 255 - c;
      m = 255 - m;
      y = 255 - y;
      k = 255 - k;
    }
    bgr[3 * x] = static_cast<uint8_t>((y * k + 127) / 255);
    bgr[3 * x + 1] = static_cast<uint8_t>((m * k + 127) / 255);
    bgr[3 * x + 2] = static_cast<uint8_t>((c * k + 127) / 255);
  }
}

bool ReadPixels(Decompressor& d, raster::PixelStorage& out, JSAMPLE* cmyk_row) {
  if (setjmp(d.trap.jump)) return false;
  jpeg_start_decompress(&d.cinfo);
  const bool cmyk = d.cinfo.out_color_space == JCS_CMYK;
  while (d.cinfo.output_scanline < d.cinfo.output_height) {
    const int y = static_cast<int>(d.cinfo.output_scanline);
    JSAMPROW row = cmyk ? cmyk_row : out.row(y);
    jpeg_read_scanlines(&d.cinfo, &row, 1);
    if (cmyk) CmykRowToBgr(cmyk_row, out.row(y), out.width(), d.cinfo.saw_Adobe_marker);
  }
  jpeg_finish_decompress(&d.cinfo);
  return true;
}

raster::Palette GreyPalette() {
  raster::Palette pal;
  for (int i = 0; i < 256; ++i) pal.push_back(raster::Rgb(i, i, i));
  return pal;
}

[[noreturn]] void BadJpeg(const char* why) {
  throw std::runtime_error(std::string("Invalid JPEG data: ") + why);
}

}  // namespace

std::vector<uint8_t> EncodeJpeg(const raster::PixelStorage& picture, const JpegOptions& options) {
  if (picture.empty()) throw std::invalid_argument("Cannot encode an empty picture");
  if (picture.width() > JPEG_MAX_DIMENSION || picture.height() > JPEG_MAX_DIMENSION)
    throw std::runtime_error("Image too large for JPEG (at most 65500 pixels a side)");
  raster::PixelStorage converted;
  const raster::PixelStorage* bgr = &picture;
  if (picture.bits() != 24 || picture.layout() != raster::PixelLayout{24}) {
    converted = raster::ConvertStorage(picture, raster::PixelLayout{24}, {});
    bgr = &converted;
  }
  std::vector<JSAMPLE> rgb_row(static_cast<size_t>(picture.width()) * 3);
  Compressor c;
  if (!Compress(c, *bgr, options, rgb_row.data()))
    throw std::runtime_error(std::string("JPEG encoding failed: ") + c.trap.message);
  return std::vector<uint8_t>(c.buffer, c.buffer + c.size);
}

raster::PixelStorage DecodeJpeg(std::span<const uint8_t> bytes) { return DecodeJpeg(bytes, nullptr); }

raster::PixelStorage DecodeJpeg(std::span<const uint8_t> bytes, const JpegScaleChooser& choose_scale) {
  Decompressor d;
  if (bytes.empty()) BadJpeg("no data");
  if (!ReadHeader(d, bytes)) BadJpeg(d.trap.message);
  const int denominator = choose_scale
                              ? ValidDenominator(choose_scale(static_cast<int>(d.cinfo.image_width),
                                                              static_cast<int>(d.cinfo.image_height)))
                              : 1;
  if (!SetScale(d, denominator)) BadJpeg(d.trap.message);
  const int w = static_cast<int>(d.cinfo.output_width), h = static_cast<int>(d.cinfo.output_height);
  const bool grey = d.cinfo.out_color_space == JCS_GRAYSCALE;
  raster::CheckBitmapSize(w, h, grey ? 8 : 24);
  raster::PixelStorage out(w, h, raster::PixelLayout{grey ? 8 : 24},
                           grey ? GreyPalette() : raster::Palette{});
  std::vector<JSAMPLE> cmyk_row(d.cinfo.out_color_space == JCS_CMYK ? static_cast<size_t>(w) * 4 : 0);
  if (!ReadPixels(d, out, cmyk_row.data())) BadJpeg(d.trap.message);
  if (d.trap.truncated) BadJpeg("the data ends before the image is complete");
  return out;
}

}  // namespace zelnor::codecs
