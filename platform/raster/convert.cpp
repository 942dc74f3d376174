// Pixel-format change. Every layout is read row by row into B, G, R bytes and
// written out again in the new layout; each side has a table-driven path per
// kind of layout, and ConvertStorageSlow keeps the per-pixel path that the
// fast one must match byte for byte.
#include <cstring>
#include <optional>
#include <vector>

#include "platform/raster/bitmap.h"

namespace raster {

Palette DefaultPaletteFor(int bits) {
  switch (bits) {
    case 1:
      return MonochromePalette();
    case 4:
      return VgaPalette();
    case 8:
      return HalftonePalette();
    default:
      return {};
  }
}

namespace {

// Pictures from this many pixels on are converted through lookup tables;
// below it, building a table would cost more than it saves.
constexpr int64_t kTableWorthIt = 4096;

bool HasMasks(const PixelLayout& l) { return (l.red_mask | l.green_mask | l.blue_mask) != 0; }

void PutBgr(uint8_t* out, ColorRef c) {
  out[0] = static_cast<uint8_t>(BlueOf(c));
  out[1] = static_cast<uint8_t>(GreenOf(c));
  out[2] = static_cast<uint8_t>(RedOf(c));
}

// The matcher for a colour table: the fixed tables keep theirs for the life
// of the process; other tables get one made for this conversion, unless the
// picture is so small that a full search per pixel is cheaper (nullptr).
const PaletteMatcher* MatcherFor(const Palette& pal, std::optional<PaletteMatcher>& own, int64_t pixels) {
  static const PaletteMatcher mono(MonochromePalette()), vga(VgaPalette()), halftone(HalftonePalette());
  if (pal == HalftonePalette()) return &halftone;
  if (pal == VgaPalette()) return &vga;
  if (pal == MonochromePalette()) return &mono;
  if (pixels < kTableWorthIt) return nullptr;
  return &own.emplace(pal);
}

// The inverse table of a colour table for 4- and 8-bit conversion: the entry
// of every 5-5-5 cell, chosen for the cell's centre.
std::vector<uint8_t> InverseTable(const PaletteMatcher& m) {
  std::vector<uint8_t> t(size_t{1} << 15);
  for (int i = 0; i < (1 << 15); ++i)
    t[static_cast<size_t>(i)] =
        static_cast<uint8_t>(m.Index(ConversionKey(8, (i >> 10) << 3, ((i >> 5) & 31) << 3, (i & 31) << 3)));
  return t;
}

// The fixed tables keep theirs for the life of the process; another table
// gets one when it has a matcher (a large picture), else none (nullptr).
const std::vector<uint8_t>* InverseTableFor(const Palette& pal, const PaletteMatcher* m,
                                            std::vector<uint8_t>& own) {
  static const std::vector<uint8_t> halftone = InverseTable(PaletteMatcher(HalftonePalette()));
  static const std::vector<uint8_t> vga = InverseTable(PaletteMatcher(VgaPalette()));
  if (pal == HalftonePalette()) return &halftone;
  if (pal == VgaPalette()) return &vga;
  if (!m) return nullptr;
  own = InverseTable(*m);
  return &own;
}

// Reads rows of one layout as B, G, R bytes.
class RowReader {
 public:
  explicit RowReader(const PixelStorage& s) : s_(s) {
    if (s.bits() <= 8) {
      kind_ = Kind::kIndexed;
      table_.assign(size_t{3} << s.bits(), 0);  // black past the end of the palette
      for (uint32_t i = 0; i < (1u << s.bits()); ++i) PutBgr(&table_[3 * i], s.BitsToColor(i));
    } else if (s.bits() == 16 && int64_t{s.width()} * s.height() >= kTableWorthIt) {
      kind_ = Kind::kWord;
      table_.resize(size_t{3} << 16);
      for (uint32_t i = 0; i < (1u << 16); ++i) PutBgr(&table_[3 * i], s.BitsToColor(i));
    } else if (s.bits() == 24) {
      kind_ = Kind::kBgr;
    } else if (s.bits() == 32 && !HasMasks(s.layout())) {
      kind_ = Kind::kBgrx;
    }
  }

  // Row y as B, G, R; points into the storage itself for 24-bit rows and into
  // `scratch` (width x 3 bytes) otherwise.
  const uint8_t* Row(int y, uint8_t* scratch) const {
    const uint8_t* p = s_.row(y);
    const int w = s_.width();
    switch (kind_) {
      case Kind::kBgr:
        return p;
      case Kind::kBgrx:
        for (int x = 0; x < w; ++x) std::memcpy(scratch + 3 * x, p + 4 * x, 3);
        break;
      case Kind::kIndexed:
        for (int x = 0; x < w; ++x) std::memcpy(scratch + 3 * x, &table_[3 * Index(p, x)], 3);
        break;
      case Kind::kWord:
        for (int x = 0; x < w; ++x)
          std::memcpy(scratch + 3 * x, &table_[3 * (p[2 * x] | (p[2 * x + 1] << 8))], 3);
        break;
      case Kind::kGeneric:
        for (int x = 0; x < w; ++x) PutBgr(scratch + 3 * x, s_.GetPixel(x, y));
        break;
    }
    return scratch;
  }

 private:
  enum class Kind { kBgr, kBgrx, kIndexed, kWord, kGeneric };
  uint32_t Index(const uint8_t* p, int x) const {
    switch (s_.bits()) {
      case 1:
        return (p[x >> 3] >> (7 - (x & 7))) & 1u;
      case 4:
        return (x & 1) ? (p[x >> 1] & 0x0Fu) : (p[x >> 1] >> 4);
      default:
        return p[x];
    }
  }

  const PixelStorage& s_;
  Kind kind_ = Kind::kGeneric;
  std::vector<uint8_t> table_;  // B, G, R of every stored value (indexed and 16-bit layouts)
};

// Writes B, G, R rows into one layout: nearest palette entry for 1/4/8 bits,
// dropped low bits for masked 16/32-bit layouts.
class RowWriter {
 public:
  explicit RowWriter(PixelStorage& d) : d_(d) {
    if (d.bits() <= 8) {
      matcher_ = MatcherFor(d.palette(), own_matcher_, int64_t{d.width()} * d.height());
      if (d.bits() > 1) cells_ = InverseTableFor(d.palette(), matcher_, own_cells_);
      kind_ = Kind::kIndexed;
    } else if (d.bits() == 24) {
      kind_ = Kind::kBgr;
    } else if (d.bits() == 32 && !HasMasks(d.layout())) {
      kind_ = Kind::kBgrx;
    } else {
      kind_ = Kind::kMasked;
      // Channels are packed independently, so each one's contribution can be
      // looked up and the three ORed together.
      for (int v = 0; v < 256; ++v) {
        red_[v] = d.ColorToBits(Rgb(v, 0, 0));
        green_[v] = d.ColorToBits(Rgb(0, v, 0));
        blue_[v] = d.ColorToBits(Rgb(0, 0, v));
      }
    }
  }

  void Put(int y, const uint8_t* in) {
    uint8_t* p = d_.row(y);
    const int w = d_.width();
    switch (kind_) {
      case Kind::kBgr:
        std::memcpy(p, in, static_cast<size_t>(w) * 3);
        break;
      case Kind::kBgrx:
        for (int x = 0; x < w; ++x) {
          std::memcpy(p + 4 * x, in + 3 * x, 3);
          p[4 * x + 3] = 0;
        }
        break;
      case Kind::kMasked:
        PutMasked(p, in, w);
        break;
      case Kind::kIndexed:
        PutIndexed(p, in, w);
        break;
    }
  }

 private:
  enum class Kind { kBgr, kBgrx, kMasked, kIndexed };

  void PutMasked(uint8_t* p, const uint8_t* in, int w) const {
    const int bytes = d_.bits() / 8;
    for (int x = 0; x < w; ++x) {
      const uint32_t v = blue_[in[3 * x]] | green_[in[3 * x + 1]] | red_[in[3 * x + 2]];
      for (int k = 0; k < bytes; ++k) p[bytes * x + k] = static_cast<uint8_t>(v >> (8 * k));
    }
  }

  void PutIndexed(uint8_t* p, const uint8_t* in, int w) {
    const int bits = d_.bits();
    const int per_byte = 8 / bits;
    uint32_t acc = 0;
    for (int x = 0; x < w; ++x) {
      acc = (acc << bits) | IndexOf(in + 3 * x);
      if (x % per_byte == per_byte - 1) {
        p[x / per_byte] = static_cast<uint8_t>(acc);
        acc = 0;
      }
    }
    if (const int rest = w % per_byte)
      p[w / per_byte] = static_cast<uint8_t>(acc << (bits * (per_byte - rest)));
  }

  // Neighbouring pixels often share a colour; the last answer is kept.
  uint32_t IndexOf(const uint8_t* bgr) {
    if (cells_) return (*cells_)[static_cast<size_t>((bgr[2] >> 3) << 10 | (bgr[1] >> 3) << 5 | bgr[0] >> 3)];
    const uint32_t key = bgr[0] | (bgr[1] << 8) | (bgr[2] << 16);
    if (key != last_key_) {
      last_key_ = key;
      const ColorRef centre = ConversionKey(d_.bits(), bgr[2], bgr[1], bgr[0]);
      last_index_ = matcher_ ? static_cast<uint32_t>(matcher_->Index(centre))
                             : static_cast<uint32_t>(NearestPaletteIndex(d_.palette(), centre));
    }
    return last_index_;
  }

  PixelStorage& d_;
  Kind kind_ = Kind::kBgr;
  const PaletteMatcher* matcher_ = nullptr;  // null: small picture, full search
  std::optional<PaletteMatcher> own_matcher_;
  const std::vector<uint8_t>* cells_ = nullptr;  // the inverse table, for 4 and 8 bits
  std::vector<uint8_t> own_cells_;
  uint32_t last_key_ = 0xFFFFFFFFu, last_index_ = 0;
  uint32_t red_[256] = {}, green_[256] = {}, blue_[256] = {};
};

// Same layout and colour table: the stored bytes carry over unchanged.
bool CopyIfSameLayout(const PixelStorage& src, PixelStorage& dst) {
  if (src.layout() != dst.layout() || (src.bits() <= 8 && src.palette() != dst.palette())) return false;
  for (int y = 0; y < src.height(); ++y)
    std::memcpy(dst.row(y), src.row(y), static_cast<size_t>(src.stride()));
  return true;
}

}  // namespace

PixelStorage ConvertStorage(const PixelStorage& src, const PixelLayout& layout, const Palette& palette) {
  PixelStorage dst(src.width(), src.height(), layout, palette);
  if (src.empty() || CopyIfSameLayout(src, dst)) return dst;
  RowReader reader(src);
  RowWriter writer(dst);
  std::vector<uint8_t> scratch(static_cast<size_t>(src.width()) * 3);
  for (int y = 0; y < src.height(); ++y) writer.Put(y, reader.Row(y, scratch.data()));
  return dst;
}

PixelStorage ConvertStorageSlow(const PixelStorage& src, const PixelLayout& layout, const Palette& palette) {
  PixelStorage dst(src.width(), src.height(), layout, palette);
  if (src.empty() || CopyIfSameLayout(src, dst)) return dst;
  for (int y = 0; y < src.height(); ++y)
    for (int x = 0; x < src.width(); ++x) {
      const ColorRef c = src.GetPixel(x, y);
      if (dst.bits() <= 8)
        dst.SetBits(x, y,
                    static_cast<uint32_t>(NearestPaletteIndex(
                        dst.palette(), ConversionKey(dst.bits(), RedOf(c), GreenOf(c), BlueOf(c)))));
      else
        dst.SetPixel(x, y, c);
    }
  return dst;
}

}  // namespace raster
