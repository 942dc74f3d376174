// libjpeg reports fatal errors through error_exit, which must not return.
// Here it formats the message and longjmps back into the small function that
// made the library call; those functions hold no C++ objects of their own, so
// the jump skips no destructor (the encoder's destination is trivially
// destructible).  Buffers are made before each phase and owned by the caller.
#include "io/codecs/jpeg_codec.h"

#include <jerror.h>
#include <jpeglib.h>
#include <stdio.h>  // libjpeg's header needs FILE

#include <algorithm>
#include <csetjmp>
#include <cstdlib>
#include <cstring>
#include <new>
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

// The encoded bytes go straight into the vector that is returned.  Its
// capacity is reserved once from the picture's size (untouched, so it costs
// address space, not memory) and it is extended a slice at a time as the
// library fills it: nothing is copied unless a file outgrows the estimate.
class VectorDestination {
 public:
  VectorDestination(j_compress_ptr cinfo, std::vector<uint8_t>& out, size_t estimate) : out_(out) {
    out_.clear();
    out_.reserve(estimate);
    mgr_.init_destination = [](j_compress_ptr) {};
    mgr_.empty_output_buffer = Empty;
    mgr_.term_destination = Term;
    cinfo->dest = &mgr_;
    cinfo->client_data = this;
    Extend();
  }

 private:
  static constexpr size_t kSlice = size_t{256} << 10;

  void Extend() {
    const size_t used = out_.size();
    out_.resize(used + kSlice);
    mgr_.next_output_byte = out_.data() + used;
    mgr_.free_in_buffer = kSlice;
  }
  // No exception may cross the library: running out of memory becomes its
  // own error, which jumps back to the caller.
  static boolean Empty(j_compress_ptr cinfo) {
    bool extended = true;
    try {
      static_cast<VectorDestination*>(cinfo->client_data)->Extend();
    } catch (const std::bad_alloc&) {
      extended = false;
    }
    if (!extended) ERREXIT(cinfo, JERR_OUT_OF_MEMORY);
    return TRUE;
  }
  static void Term(j_compress_ptr cinfo) {
    auto* self = static_cast<VectorDestination*>(cinfo->client_data);
    self->out_.resize(self->out_.size() - self->mgr_.free_in_buffer);
  }

  jpeg_destination_mgr mgr_{};
  std::vector<uint8_t>& out_;
};

// Room for the file of a picture: 4:2:0 sampling keeps 1.5 samples a pixel,
// and an entropy-coded sample rarely takes more than a byte.  Past 512 MiB
// the vector grows as it needs.
size_t EstimatedJpegSize(const raster::PixelStorage& p) {
  const size_t samples = static_cast<size_t>(p.width()) * static_cast<size_t>(p.height()) * 3 / 2;
  return std::min(samples + (size_t{64} << 10), size_t{512} << 20);
}

struct Compressor {
  jpeg_compress_struct cinfo{};
  ErrorTrap trap;
  ~Compressor() { jpeg_destroy_compress(&cinfo); }
};

// Rows go to the library as they are stored (blue, green, red: libjpeg-turbo's
// extended input colour space), a batch of row pointers per call.  The colour
// conversion is the same as for red, green, blue input, so are the bytes.
bool Compress(Compressor& c, const raster::PixelStorage& bgr, const JpegOptions& o,
              std::vector<uint8_t>& out) {
  if (setjmp(c.trap.jump)) return false;
  InstallTrap(c.trap, c.cinfo.err);
  jpeg_create_compress(&c.cinfo);
  c.cinfo.mem->max_memory_to_use = kWorkMemory;
  VectorDestination destination(&c.cinfo, out, EstimatedJpegSize(bgr));
  c.cinfo.image_width = static_cast<JDIMENSION>(bgr.width());
  c.cinfo.image_height = static_cast<JDIMENSION>(bgr.height());
  c.cinfo.input_components = 3;
  c.cinfo.in_color_space = JCS_EXT_BGR;
  jpeg_set_defaults(&c.cinfo);
  c.cinfo.dct_method = JDCT_FLOAT;
  jpeg_set_quality(&c.cinfo, o.quality, TRUE);
  if (o.progressive) jpeg_simple_progression(&c.cinfo);
  jpeg_start_compress(&c.cinfo, TRUE);
  constexpr JDIMENSION kBatch = 32;
  JSAMPROW rows[kBatch];
  while (c.cinfo.next_scanline < c.cinfo.image_height) {
    const JDIMENSION first = c.cinfo.next_scanline;
    const JDIMENSION count = std::min(kBatch, c.cinfo.image_height - first);
    for (JDIMENSION i = 0; i < count; ++i)
      rows[i] = const_cast<JSAMPROW>(bgr.row(static_cast<int>(first + i)));  // the library only reads
    jpeg_write_scanlines(&c.cinfo, rows, count);
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
  std::vector<uint8_t> out;
  Compressor c;
  if (!Compress(c, *bgr, options, out))
    throw std::runtime_error(std::string("JPEG encoding failed: ") + c.trap.message);
  return out;
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
