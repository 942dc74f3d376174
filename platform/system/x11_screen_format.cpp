#include "platform/system/x11_screen_format.h"

#include <algorithm>

namespace sysplat::x11 {

namespace {
// Colour maps larger than this belong to visuals no server offers in
// practice; their pixels read through the first entries only.
constexpr int kMaxColourMapEntries = 4096;
}  // namespace

ScreenPixelFormat FormatOf(Connection& c, const XWindowAttributes& root, const XImage& image) {
  ScreenPixelFormat f;
  f.bits_per_pixel = image.bits_per_pixel;
  f.msb_first = image.byte_order == MSBFirst;
  f.bits_msb_first = image.bitmap_bit_order == MSBFirst;
  const Visual& visual = *root.visual;
  if (visual.c_class == TrueColor || visual.c_class == DirectColor) {
    f.red_mask = static_cast<uint32_t>(visual.red_mask);
    f.green_mask = static_cast<uint32_t>(visual.green_mask);
    f.blue_mask = static_cast<uint32_t>(visual.blue_mask);
    return f;
  }
  const int entries = std::min(visual.map_entries, kMaxColourMapEntries);
  std::vector<XColor> colours(static_cast<size_t>(std::max(entries, 0)));
  for (size_t i = 0; i < colours.size(); ++i) colours[i].pixel = i;
  if (!colours.empty() && !c.lost())
    c.x().QueryColors(c.display(), root.colormap, colours.data(), static_cast<int>(colours.size()));
  for (const XColor& colour : colours)
    f.colours.push_back({static_cast<uint8_t>(colour.red >> 8), static_cast<uint8_t>(colour.green >> 8),
                         static_cast<uint8_t>(colour.blue >> 8)});
  return f;
}

}  // namespace sysplat::x11
