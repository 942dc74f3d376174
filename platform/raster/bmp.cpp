// Windows BMP files: the writer emits the classic layout (14-byte file header,
// 40-byte info header, bit masks or colour table, bottom-up rows); the reader
// accepts what users actually have and checks every size and offset against
// the data before it touches memory.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>

#include "platform/raster/bitmap.h"
#include "platform/raster/bmp_rows.h"
#include "platform/raster/errors.h"

namespace raster {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3, kBiAlphaBitfields = 6;
constexpr size_t kFileHeader = 14;
constexpr size_t kCoreHeader = 12;
constexpr size_t kInfoHeader = 40;
constexpr size_t kMaxHeader = 1024;  // the largest known header has 124 bytes

[[noreturn]] void Bad(const std::string& why) { throw RasterError("Invalid bitmap data: " + why); }

// The headers of a file reach past the bytes a reader was given (only a
// reader of the first bytes of a longer file meets it).
struct BeyondHead {};

// Bounds-checked little-endian access to the file's bytes: `b` holds the
// first bytes of a file of `file_size` bytes (the whole file, usually).
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> b) : b_(b), file_size_(b.size()) {}
  Reader(std::span<const uint8_t> b, uint64_t file_size) : b_(b), file_size_(file_size) {}
  uint32_t U16(size_t at) const {
    Need(at, 2);
    return static_cast<uint32_t>(b_[at] | (b_[at + 1] << 8));
  }
  uint32_t U32(size_t at) const {
    Need(at, 4);
    return static_cast<uint32_t>(b_[at] | (b_[at + 1] << 8) | (b_[at + 2] << 16)) |
           (static_cast<uint32_t>(b_[at + 3]) << 24);
  }
  // Bytes the reader is about to look at.
  void Need(size_t at, size_t n) const {
    NeedInFile(at, n);
    if (at > b_.size() || n > b_.size() - at) throw BeyondHead{};
  }
  // Bytes that must be in the file, read later by whoever fills the rows.
  void NeedInFile(size_t at, size_t n) const {
    if (at > file_size_ || n > file_size_ - at) Bad("the file is truncated");
  }
  bool Has(size_t at, size_t n) const { return at <= b_.size() && n <= b_.size() - at; }
  const uint8_t* At(size_t at) const { return b_.data() + at; }
  uint64_t size() const { return file_size_; }

 private:
  std::span<const uint8_t> b_;
  uint64_t file_size_;
};

struct Header {
  size_t header_size = 0;
  int64_t width = 0, height = 0;
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t colors_used = 0;
  uint32_t masks[3] = {0, 0, 0};
  size_t masks_after_header = 0;  // bytes of masks between header and colour table
  bool Core() const { return header_size == kCoreHeader; }
  bool Rle() const { return compression == kBiRle8 || compression == kBiRle4; }
  bool Bitfields() const { return compression == kBiBitfields || compression == kBiAlphaBitfields; }
};

// A field of an info header; fields beyond a short header read as 0.
uint32_t InfoField(const Reader& r, const Header& h, size_t offset, size_t bytes) {
  if (offset + bytes > h.header_size) return 0;
  return bytes == 2 ? r.U16(kFileHeader + offset) : r.U32(kFileHeader + offset);
}

void ReadMasks(const Reader& r, Header& h) {
  if (!h.Bitfields()) return;
  // V2 and later headers (52 bytes and up, except the 64-byte OS/2 2.x
  // header, which has none) hold the masks; shorter ones are followed by them.
  const bool in_header = h.header_size >= 52 && h.header_size != 64;
  size_t at = kFileHeader + (in_header ? kInfoHeader : h.header_size);
  if (!in_header) h.masks_after_header = h.compression == kBiAlphaBitfields ? 16 : 12;
  for (int i = 0; i < 3; ++i) h.masks[i] = r.U32(at + 4 * static_cast<size_t>(i));
}

void CheckHeader(const Header& h) {
  if (h.width <= 0 || h.height <= 0) Bad("the image has no pixels");
  if (!SelectFormatOps(PixelLayout{h.bits})) Bad("unsupported bit depth " + std::to_string(h.bits));
  const bool ok = h.compression == kBiRgb || (h.compression == kBiRle8 && h.bits == 8) ||
                  (h.compression == kBiRle4 && h.bits == 4) ||
                  (h.Bitfields() && (h.bits == 16 || h.bits == 32));
  if (!ok) Bad("unsupported compression " + std::to_string(h.compression));
  if (h.Rle() && h.top_down) Bad("run-length data must be stored bottom-up");
  for (uint32_t m : h.masks) {
    const uint32_t limit = h.bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
    if ((m & ~limit) != 0 || (m != 0 && std::popcount(m) + std::countr_zero(m) + std::countl_zero(m) != 32))
      Bad("invalid colour masks");
  }
  CheckBitmapSize(h.width, h.height, h.bits);
}

Header ReadHeader(const Reader& r) {
  Header h;
  h.header_size = r.U32(kFileHeader);
  if (h.header_size == kCoreHeader) {
    r.Need(kFileHeader, kCoreHeader);
    h.width = r.U16(18);
    h.height = r.U16(20);
    h.bits = static_cast<int>(r.U16(24));
  } else if (h.header_size >= 16 && h.header_size <= kMaxHeader) {
    r.Need(kFileHeader, h.header_size);
    h.width = static_cast<int32_t>(InfoField(r, h, 4, 4));
    const int32_t height = static_cast<int32_t>(InfoField(r, h, 8, 4));
    h.top_down = height < 0;
    h.height = height < 0 ? -static_cast<int64_t>(height) : height;
    h.bits = static_cast<int>(InfoField(r, h, 14, 2));
    h.compression = InfoField(r, h, 16, 4);
    h.colors_used = InfoField(r, h, 32, 4);
    ReadMasks(r, h);
  } else {
    Bad("unknown header size " + std::to_string(h.header_size));
  }
  CheckHeader(h);
  return h;
}

PixelLayout LayoutOf(const Header& h) {
  PixelLayout l{h.bits};
  const bool masks = h.Bitfields() && (h.masks[0] | h.masks[1] | h.masks[2]) != 0;
  if (masks) {
    l.red_mask = h.masks[0];
    l.green_mask = h.masks[1];
    l.blue_mask = h.masks[2];
  } else if (h.bits == 16) {
    l = kLayout555;  // the default 16-bit layout
  }
  return l;
}

// The colour table: clrUsed entries (all 2^bits when 0 or too many), cut
// short where the pixel data begins (`data_at`, SIZE_MAX when unknown).
Palette ReadPalette(const Reader& r, const Header& h, size_t at, size_t data_at) {
  Palette pal;
  if (h.bits > 8) return pal;
  const size_t entry = h.Core() ? 3 : 4;
  const size_t full = size_t{1} << h.bits;
  size_t count = (h.colors_used == 0 || h.colors_used > full) ? full : h.colors_used;
  if (data_at >= at) count = std::min(count, (data_at - at) / entry);
  if (count == 0) Bad("the colour table is missing");
  r.Need(at, count * entry);
  pal.reserve(count);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = r.At(at + i * entry);
    pal.push_back(Rgb(p[2], p[1], p[0]));
  }
  return pal;
}

// Uncompressed rows must all be there (the last one may lack its padding);
// checked before the storage is made, so a short file costs no memory.
void CheckRowData(const Reader& r, size_t at, const Header& h) {
  const int64_t stride = StrideOf(static_cast<int>(h.width), h.bits);
  const int64_t row_bytes = (h.width * h.bits + 7) / 8;
  r.NeedInFile(at, static_cast<size_t>(stride * (h.height - 1) + row_bytes));
}

// Uncompressed rows, bottom-up unless the height was negative. Only the
// pixel bytes are taken; the storage's row padding stays zero.
void ReadRows(const Reader& r, size_t at, const Header& h, PixelStorage& s) {
  CheckRowData(r, at, h);
  const int64_t stride = s.stride();
  const size_t row_bytes = static_cast<size_t>((h.width * h.bits + 7) / 8);
  for (int y = 0; y < s.height(); ++y) {
    const int64_t src_row = h.top_down ? y : s.height() - 1 - y;
    std::memcpy(s.row(y), r.At(at + static_cast<size_t>(stride * src_row)), row_bytes);
  }
}

// Run-length coded rows (RLE8 and RLE4), bottom-up. Pixels the stream skips
// keep index 0; runs past the right edge are clipped.
class RleDecoder {
 public:
  RleDecoder(const Reader& r, size_t at, bool four, PixelStorage& s) : r_(r), pos_(at), four_(four), s_(s) {}

  void Run() {
    while (y_ < s_.height()) {
      r_.Need(pos_, 2);
      const uint32_t n = *r_.At(pos_), v = *r_.At(pos_ + 1);
      pos_ += 2;
      if (n > 0) {
        for (uint32_t i = 0; i < n; ++i) Put(four_ ? ((i & 1) ? (v & 0xF) : (v >> 4)) : v);
      } else if (v == 0) {  // end of line
        x_ = 0;
        ++y_;
      } else if (v == 1) {  // end of bitmap
        return;
      } else if (v == 2) {  // move right and up
        r_.Need(pos_, 2);
        x_ = std::min<int64_t>(x_ + *r_.At(pos_), s_.width());
        y_ += *r_.At(pos_ + 1);
        pos_ += 2;
      } else {
        Absolute(v);
      }
    }
  }

 private:
  void Absolute(uint32_t count) {
    const size_t bytes = four_ ? (count + 1) / 2 : count;
    r_.Need(pos_, bytes);
    for (uint32_t i = 0; i < count; ++i) {
      const uint8_t b = *r_.At(pos_ + (four_ ? i / 2 : i));
      Put(four_ ? ((i & 1) ? (b & 0xFu) : (b >> 4)) : b);
    }
    pos_ += (bytes + 1) & ~size_t{1};  // runs are padded to 16 bits
  }
  void Put(uint32_t index) {
    if (x_ < s_.width()) s_.SetBits(static_cast<int>(x_), s_.height() - 1 - static_cast<int>(y_), index);
    x_ = std::min<int64_t>(x_ + 1, s_.width());
  }

  const Reader& r_;
  size_t pos_;
  bool four_;
  PixelStorage& s_;
  int64_t x_ = 0, y_ = 0;  // y counts rows from the bottom
};

// What precedes the pixel data: the header, the colour table and where the
// data starts (bfOffBits when that lies past the headers and inside the
// file, else right after the colour table).
struct Parsed {
  Header header;
  Palette palette;
  size_t data_at = 0;
};

Parsed Parse(const Reader& r) {
  if (r.size() < kFileHeader + 4) Bad("not a BMP file");
  r.Need(0, 2);
  if (*r.At(0) != 'B' || *r.At(1) != 'M') Bad("not a BMP file");
  Parsed p;
  p.header = ReadHeader(r);
  const Header& h = p.header;
  const size_t table_at = kFileHeader + h.header_size + h.masks_after_header;
  const uint32_t off = r.U32(10);
  const bool off_valid = off >= table_at && off < r.size();
  p.palette = ReadPalette(r, h, table_at, off_valid ? off : SIZE_MAX);
  const size_t entry = h.Core() ? 3 : 4;
  p.data_at = off_valid ? off : table_at + p.palette.size() * entry;
  return p;
}

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = static_cast<uint8_t>(x);
  v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (size_t i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// The 40-byte info header of a written file.
void PutInfoHeader(std::vector<uint8_t>& out, int w, int h, int bits, bool masks, size_t colors,
                   size_t data) {
  Put32(out, 14, kInfoHeader);
  Put32(out, 18, static_cast<uint32_t>(w));
  Put32(out, 22, static_cast<uint32_t>(h));
  Put16(out, 26, 1);
  Put16(out, 28, static_cast<uint32_t>(bits));
  Put32(out, 30, masks ? kBiBitfields : kBiRgb);
  Put32(out, 34, static_cast<uint32_t>(data));
  Put32(out, 38, 3780);  // 96 pixels per inch
  Put32(out, 42, 3780);
  Put32(out, 46, static_cast<uint32_t>(colors));
}

}  // namespace

std::vector<uint8_t> Bitmap::SaveToBmp() const {
  const PixelStorage& s = storage_;
  const FormatOps& ops = *SelectFormatOps(layout_);
  // 5-5-5 is the default 16-bit layout; every other masked layout (5-6-5 and
  // custom ones) carries its masks.
  const bool masks = ops.file_masks && (layout_.red_mask | layout_.green_mask | layout_.blue_mask) != 0;
  const size_t colors = ops.palette_entries;
  const size_t header = kFileHeader + kInfoHeader + (masks ? 12 : 0) + colors * 4;
  const int w = s.empty() ? 0 : s.width(), h = s.empty() ? 0 : s.height();
  const size_t stride = static_cast<size_t>(s.stride());
  const size_t data = stride * static_cast<size_t>(h);
  std::vector<uint8_t> out(header + data, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, static_cast<uint32_t>(header));
  PutInfoHeader(out, w, h, layout_.bits, masks, colors, data);
  size_t pos = kFileHeader + kInfoHeader;
  if (masks) {
    Put32(out, pos, layout_.red_mask);
    Put32(out, pos + 4, layout_.green_mask);
    Put32(out, pos + 8, layout_.blue_mask);
    pos += 12;
  }
  for (size_t i = 0; i < colors; ++i, pos += 4) {
    const ColorRef c = i < s.palette().size() ? s.palette()[i] : 0;
    out[pos] = static_cast<uint8_t>(BlueOf(c));
    out[pos + 1] = static_cast<uint8_t>(GreenOf(c));
    out[pos + 2] = static_cast<uint8_t>(RedOf(c));
  }
  for (int y = 0; y < h; ++y)
    std::memcpy(out.data() + header + stride * static_cast<size_t>(h - 1 - y), s.row(y), stride);
  return out;
}

void Bitmap::LoadFromBmp(std::span<const uint8_t> bytes) {
  Reader r(bytes);
  Parsed p = Parse(r);
  if (!p.header.Rle()) CheckRowData(r, p.data_at, p.header);
  PixelStorage s(static_cast<int>(p.header.width), static_cast<int>(p.header.height), LayoutOf(p.header),
                 std::move(p.palette));
  if (p.header.Rle())
    RleDecoder(r, p.data_at, p.header.compression == kBiRle4, s).Run();
  else
    ReadRows(r, p.data_at, p.header, s);
  TakeStorage(std::move(s));
}

std::optional<BmpRowPlan> PlanBmpRows(std::span<const uint8_t> head, uint64_t file_size) {
  const Reader r(head, file_size);
  std::optional<Parsed> p;
  try {
    p = Parse(r);
  } catch (const BeyondHead&) {
    return std::nullopt;
  }
  if (p->header.Rle()) return std::nullopt;
  CheckRowData(r, p->data_at, p->header);
  BmpRowPlan plan{PixelStorage(static_cast<int>(p->header.width), static_cast<int>(p->header.height),
                               LayoutOf(p->header), std::move(p->palette)),
                  static_cast<int64_t>(p->data_at),
                  static_cast<size_t>((p->header.width * p->header.bits + 7) / 8), p->header.top_down};
  return plan;
}

void ClearRowPadding(PixelStorage& s, size_t row_bytes) {
  const size_t padding = static_cast<size_t>(s.stride()) - row_bytes;
  if (padding == 0) return;
  for (int y = 0; y < s.height(); ++y) std::memset(s.row(y) + row_bytes, 0, padding);
}

}  // namespace raster
