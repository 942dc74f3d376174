#include "platform/raster/text_blit.h"

#include <algorithm>
#include <cstring>

#include "platform/raster/rasterizer.h"

namespace raster {
namespace {

// Visible part of a w x h block placed at (x, y).
struct Span {
  int x0, y0, x1, y1;  // in bitmap coordinates
  int mx, my;          // where the visible part starts in the block
};

bool Clip(const Bitmap& b, int64_t x, int64_t y, int64_t w, int64_t h, Span* s) {
  if (x >= b.Width() || y >= b.Height()) return false;  // also keeps x + w, y + h in range
  const int64_t x0 = std::max<int64_t>(x, 0), y0 = std::max<int64_t>(y, 0);
  const int64_t x1 = std::min<int64_t>(x + w, b.Width()), y1 = std::min<int64_t>(y + h, b.Height());
  if (x0 >= x1 || y0 >= y1) return false;
  *s = {static_cast<int>(x0), static_cast<int>(y0),     static_cast<int>(x1),
        static_cast<int>(y1), static_cast<int>(x0 - x), static_cast<int>(y0 - y)};
  return true;
}

// Byte offset of blue in a pixel and bytes per pixel, for the layouts whose
// pixels are plain B, G, R(, X) bytes; 0 bytes per pixel otherwise.
int ByteLayout(const PixelLayout& l) {
  if (l.bits == 24) return 3;
  const bool plain_masks = (l.red_mask == 0 && l.green_mask == 0 && l.blue_mask == 0) ||
                           (l.red_mask == 0xFF0000 && l.green_mask == 0xFF00 && l.blue_mask == 0xFF);
  return l.bits == 32 && plain_masks ? 4 : 0;
}

inline uint8_t Blend(uint8_t dst, int src, int a) {
  return static_cast<uint8_t>((dst * (255 - a) + src * a + 127) / 255);
}

void BlitBytes(Bitmap& b, const Span& s, const CoverageMask& m, ColorRef c, int bpp) {
  const int red = RedOf(c), green = GreenOf(c), blue = BlueOf(c);
  for (int y = s.y0; y < s.y1; ++y) {
    const uint8_t* cov = m.data + (s.my + y - s.y0) * m.stride + s.mx;
    uint8_t* p = b.ScanLine(y) + static_cast<ptrdiff_t>(s.x0) * bpp;
    for (int x = s.x0; x < s.x1; ++x, ++cov, p += bpp) {
      const int a = *cov;
      if (a == 0) continue;
      if (a == 255) {
        p[0] = static_cast<uint8_t>(blue), p[1] = static_cast<uint8_t>(green),
        p[2] = static_cast<uint8_t>(red);
        continue;
      }
      p[0] = Blend(p[0], blue, a), p[1] = Blend(p[1], green, a), p[2] = Blend(p[2], red, a);
    }
  }
}

void BlitGeneric(Bitmap& b, const Span& s, const CoverageMask& m, ColorRef c) {
  PixelStorage& st = b.Storage();
  const bool palette = st.bits() <= 8;
  const uint32_t full = st.ColorToBits(c);
  for (int y = s.y0; y < s.y1; ++y) {
    const uint8_t* cov = m.data + (s.my + y - s.y0) * m.stride + s.mx;
    for (int x = s.x0; x < s.x1; ++x, ++cov) {
      const int a = *cov;
      if (palette ? a < 128 : a == 0) continue;
      if (palette || a == 255) {
        st.SetBits(x, y, full);
        continue;
      }
      const ColorRef d = st.BitsToColor(st.GetBits(x, y));
      const ColorRef mixed = Rgb(Blend(static_cast<uint8_t>(RedOf(d)), RedOf(c), a),
                                 Blend(static_cast<uint8_t>(GreenOf(d)), GreenOf(c), a),
                                 Blend(static_cast<uint8_t>(BlueOf(d)), BlueOf(c), a));
      st.SetBits(x, y, st.ColorToBits(mixed));
    }
  }
}

}  // namespace

void BlitCoverage(Bitmap& bitmap, int64_t x, int64_t y, const CoverageMask& mask, ColorRef color) {
  Span s;
  if (bitmap.Empty() || !mask.data || !Clip(bitmap, x, y, mask.width, mask.height, &s)) return;
  const ColorRef rgb = DeviceColor(color);
  const int bpp = ByteLayout(bitmap.Layout());
  if (bpp) {
    BlitBytes(bitmap, s, mask, rgb, bpp);
  } else {
    BlitGeneric(bitmap, s, mask, rgb);
  }
}

}  // namespace raster
