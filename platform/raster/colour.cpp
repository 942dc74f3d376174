#include "platform/raster/colour.h"

namespace raster {

const std::array<ColorRef, 20>& StaticColors() {
  static const std::array<ColorRef, 20> kColors = {
      Rgb(0, 0, 0),       Rgb(128, 0, 0),     Rgb(0, 128, 0),     Rgb(128, 128, 0),
      Rgb(0, 0, 128),     Rgb(128, 0, 128),   Rgb(0, 128, 128),   Rgb(192, 192, 192),
      Rgb(192, 220, 192), Rgb(166, 202, 240), Rgb(255, 251, 240), Rgb(160, 160, 164),
      Rgb(128, 128, 128), Rgb(255, 0, 0),     Rgb(0, 255, 0),     Rgb(255, 255, 0),
      Rgb(0, 0, 255),     Rgb(255, 0, 255),   Rgb(0, 255, 255),   Rgb(255, 255, 255)};
  return kColors;
}

const Palette& MonochromePalette() {
  static const Palette kPal = {Rgb(0, 0, 0), Rgb(255, 255, 255)};
  return kPal;
}

const Palette& VgaPalette() {
  // Colour values 0x00BBGGRR in the order of the standard 16-colour table.
  static const Palette kPal = {0x000000, 0x000080, 0x008000, 0x008080, 0x800000, 0x800080,
                               0x808000, 0x808080, 0xC0C0C0, 0x0000FF, 0x00FF00, 0x00FFFF,
                               0xFF0000, 0xFF00FF, 0xFFFF00, 0xFFFFFF};
  return kPal;
}

namespace {
Palette MakeHalftone() {
  Palette pal;
  pal.reserve(256);
  const auto& st = StaticColors();
  for (int i = 0; i < 10; ++i) pal.push_back(st[i]);
  for (int b = 0; b < 6; ++b)
    for (int g = 0; g < 6; ++g)
      for (int r = 0; r < 6; ++r) pal.push_back(Rgb(r * 51, g * 51, b * 51));
  // Twenty greys that fall between the cube's six grey levels: four in each
  // of the five intervals.
  for (int step = 0; step < 5; ++step)
    for (int k = 1; k <= 4; ++k) {
      int v = step * 51 + (k * 51 + 2) / 5;
      pal.push_back(Rgb(v, v, v));
    }
  for (int i = 10; i < 20; ++i) pal.push_back(st[i]);
  return pal;
}
}  // namespace

const Palette& HalftonePalette() {
  static const Palette kPal = MakeHalftone();
  return kPal;
}

int NearestPaletteIndex(const Palette& pal, ColorRef c) {
  int best = 0;
  int best_d = 1 << 30;
  const int r = RedOf(c), g = GreenOf(c), b = BlueOf(c);
  for (std::size_t i = 0; i < pal.size(); ++i) {
    int dr = RedOf(pal[i]) - r, dg = GreenOf(pal[i]) - g, db = BlueOf(pal[i]) - b;
    int d = dr * dr + dg * dg + db * db;
    if (d < best_d) {
      best_d = d;
      best = static_cast<int>(i);
      if (d == 0) break;
    }
  }
  return best;
}

}  // namespace raster
