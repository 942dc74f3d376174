// Windows BMP files: the writer emits the classic layout (14-byte file header,
// 40-byte info header, colour table, bottom-up rows); the reader accepts what
// users actually have and checks every size and offset against the data.
#include <algorithm>
#include <cstring>
#include <string>

#include "platform/raster/bitmap.h"
#include "platform/raster/errors.h"

namespace raster {

namespace {

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = static_cast<uint8_t>(x);
  v[at + 1] = static_cast<uint8_t>(x >> 8);
}
void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

[[noreturn]] void Bad(const std::string& why) { throw RasterError("Invalid bitmap data: " + why); }

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> b) : b_(b) {}
  uint32_t U16(size_t at) const {
    Need(at, 2);
    return static_cast<uint32_t>(b_[at] | (b_[at + 1] << 8));
  }
  uint32_t U32(size_t at) const {
    Need(at, 4);
    return static_cast<uint32_t>(b_[at] | (b_[at + 1] << 8) | (b_[at + 2] << 16)) | (static_cast<uint32_t>(b_[at + 3]) << 24);
  }
  int32_t S32(size_t at) const { return static_cast<int32_t>(U32(at)); }
  void Need(size_t at, size_t n) const {
    if (at > b_.size() || n > b_.size() - at) Bad("the file is truncated");
  }
  const uint8_t* At(size_t at) const { return b_.data() + at; }
  size_t size() const { return b_.size(); }

 private:
  std::span<const uint8_t> b_;
};

struct Header {
  int64_t width = 0, height = 0;
  bool top_down = false;
  int bits = 0;
  uint32_t compression = kBiRgb;
  uint32_t colors_used = 0;
  size_t header_size = 0;
  uint32_t masks[3] = {0, 0, 0};
  bool has_masks = false;
};

Header ReadHeader(const Reader& r) {
  Header h;
  h.header_size = r.U32(14);
  if (h.header_size == 12) {
    h.width = r.U16(18);
    h.height = r.U16(20);
    h.bits = static_cast<int>(r.U16(24));
  } else if (h.header_size >= 40 && h.header_size <= 1024) {
    r.Need(14, h.header_size);
    h.width = r.S32(18);
    int32_t height = r.S32(22);
    h.top_down = height < 0;
    h.height = height < 0 ? -static_cast<int64_t>(height) : height;
    h.bits = static_cast<int>(r.U16(28));
    h.compression = r.U32(30);
    h.colors_used = r.U32(46);
    if (h.header_size >= 52) {
      h.masks[0] = r.U32(54);
      h.masks[1] = r.U32(58);
      h.masks[2] = r.U32(62);
      h.has_masks = h.compression == kBiBitfields;
    } else if (h.compression == kBiBitfields) {
      h.masks[0] = r.U32(54);
      h.masks[1] = r.U32(58);
      h.masks[2] = r.U32(62);
      h.has_masks = true;
    }
  } else {
    Bad("unknown header size");
  }
  if (h.width <= 0 || h.height <= 0) Bad("the image has no pixels");
  switch (h.bits) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: Bad("unsupported bit depth");
  }
  bool ok = h.compression == kBiRgb || (h.compression == kBiRle8 && h.bits == 8 && !h.top_down) ||
            (h.compression == kBiRle4 && h.bits == 4 && !h.top_down) ||
            (h.compression == kBiBitfields && (h.bits == 16 || h.bits == 32));
  if (!ok) Bad("unsupported compression");
  CheckBitmapSize(h.width, h.height, h.bits);
  return h;
}

PixelLayout LayoutOf(const Header& h) {
  PixelLayout l{h.bits};
  if (h.bits == 16) {
    if (h.has_masks) {
      l.red_mask = h.masks[0];
      l.green_mask = h.masks[1];
      l.blue_mask = h.masks[2];
    } else {
      l = LayoutOfFormat(pf15bit);
    }
  } else if (h.bits == 32 && h.has_masks) {
    l.red_mask = h.masks[0];
    l.green_mask = h.masks[1];
    l.blue_mask = h.masks[2];
  }
  return l;
}

Palette ReadPalette(const Reader& r, const Header& h, size_t& pos) {
  Palette pal;
  if (h.bits > 8) return pal;
  size_t entry = h.header_size == 12 ? 3 : 4;
  size_t count = h.colors_used == 0 ? (size_t{1} << h.bits) : std::min<size_t>(h.colors_used, size_t{1} << h.bits);
  r.Need(pos, count * entry);
  for (size_t i = 0; i < count; ++i) {
    const uint8_t* p = r.At(pos + i * entry);
    pal.push_back(Rgb(p[2], p[1], p[0]));
  }
  pos += count * entry;
  return pal;
}

// Run-length encoded rows (RLE8 and RLE4), bottom-up; pixels the stream
// skips stay at index 0.
void DecodeRle(const Reader& r, size_t pos, const Header& h, PixelStorage& s) {
  const int w = s.width(), ht = s.height();
  int x = 0, y = 0;  // y counts from the bottom
  auto put = [&](uint32_t idx) {
    if (x < w && y < ht) s.SetBits(x, ht - 1 - y, idx);
    ++x;
  };
  const bool four = h.compression == kBiRle4;
  while (true) {
    if (pos + 2 > r.size()) break;  // a stream without its end mark ends here
    uint32_t n = *r.At(pos), v = *r.At(pos + 1);
    pos += 2;
    if (n > 0) {
      for (uint32_t i = 0; i < n; ++i) put(four ? ((i & 1) ? (v & 0xF) : (v >> 4)) : v);
    } else if (v == 0) {
      x = 0;
      ++y;
    } else if (v == 1) {
      return;
    } else if (v == 2) {
      r.Need(pos, 2);
      x += *r.At(pos);
      y += *r.At(pos + 1);
      pos += 2;
    } else {
      size_t bytes = four ? (v + 1) / 2 : v;
      r.Need(pos, bytes);
      for (uint32_t i = 0; i < v; ++i) {
        uint8_t b = *r.At(pos + (four ? i / 2 : i));
        put(four ? ((i & 1) ? (b & 0xF) : (b >> 4)) : b);
      }
      pos += (bytes + 1) & ~size_t{1};
    }
    if (y >= ht) return;
  }
}

}  // namespace

std::vector<uint8_t> Bitmap::SaveToBmp() const {
  const PixelStorage& s = storage_;
  const int bits = layout_.bits;
  const bool masks = bits == 16 && format_ != pf15bit ? true : (bits == 32 && format_ == pfCustom);
  size_t colors = bits <= 8 ? size_t{1} << bits : 0;
  const size_t header = 14 + 40 + (masks ? 12 : 0) + colors * 4;
  const int64_t stride = StrideOf(width_, bits);
  const size_t data = s.empty() ? 0 : static_cast<size_t>(stride * height_);
  std::vector<uint8_t> out(header + data, 0);
  out[0] = 'B';
  out[1] = 'M';
  Put32(out, 2, static_cast<uint32_t>(out.size()));
  Put32(out, 10, static_cast<uint32_t>(header));
  Put32(out, 14, 40);
  Put32(out, 18, static_cast<uint32_t>(s.empty() ? 0 : width_));
  Put32(out, 22, static_cast<uint32_t>(s.empty() ? 0 : height_));
  Put16(out, 26, 1);
  Put16(out, 28, static_cast<uint32_t>(bits));
  Put32(out, 30, masks ? kBiBitfields : kBiRgb);
  Put32(out, 34, static_cast<uint32_t>(data));
  Put32(out, 38, 3780);  // 96 pixels per inch
  Put32(out, 42, 3780);
  Put32(out, 46, static_cast<uint32_t>(colors));
  size_t pos = 54;
  if (masks) {
    Put32(out, pos, layout_.red_mask);
    Put32(out, pos + 4, layout_.green_mask);
    Put32(out, pos + 8, layout_.blue_mask);
    pos += 12;
  }
  for (size_t i = 0; i < colors; ++i, pos += 4) {
    ColorRef c = i < s.palette().size() ? s.palette()[i] : 0;
    out[pos] = static_cast<uint8_t>(BlueOf(c));
    out[pos + 1] = static_cast<uint8_t>(GreenOf(c));
    out[pos + 2] = static_cast<uint8_t>(RedOf(c));
  }
  for (int y = 0; y < height_ && !s.empty(); ++y)
    std::memcpy(out.data() + header + static_cast<size_t>(stride) * (height_ - 1 - y), s.row(y),
                static_cast<size_t>(stride));
  return out;
}

void Bitmap::LoadFromBmp(std::span<const uint8_t> bytes) {
  Reader r(bytes);
  if (r.size() < 18 || bytes[0] != 'B' || bytes[1] != 'M') Bad("not a BMP file");
  const Header h = ReadHeader(r);
  size_t pos = 14 + h.header_size;
  if (h.header_size == 40 && h.has_masks) pos += 12;
  Palette pal = ReadPalette(r, h, pos);
  const uint32_t off = r.U32(10);
  size_t data_at = off >= pos && off < r.size() ? off : pos;
  PixelStorage s(static_cast<int>(h.width), static_cast<int>(h.height), LayoutOf(h), std::move(pal));
  if (h.compression == kBiRle8 || h.compression == kBiRle4) {
    DecodeRle(r, data_at, h, s);
  } else {
    const int64_t stride = StrideOf(s.width(), h.bits);
    r.Need(data_at, static_cast<size_t>(stride * (h.height - 1) + (static_cast<int64_t>(s.width()) * h.bits + 7) / 8));
    for (int y = 0; y < s.height(); ++y) {
      int src_row = h.top_down ? y : s.height() - 1 - y;
      size_t avail = std::min<size_t>(static_cast<size_t>(stride), r.size() - data_at - static_cast<size_t>(stride * src_row));
      std::memcpy(s.row(y), r.At(data_at + static_cast<size_t>(stride * src_row)), avail);
    }
  }
  TakeStorage(std::move(s));
}

}  // namespace raster
