// Makes a canvas, paints a colour gradient into it and writes it as a BMP.
#include <cstdio>
#include <fstream>

#include "canvas/main.h"

int main(int argc, char** argv) {
  const char* path = argc > 1 ? argv[1] : "hello.bmp";
  zelnor::TMyCanvas canvas;
  canvas.NewCanvas(320, 200, 0);
  raster::Bitmap& bmp = canvas.Current();
  for (int y = 0; y < bmp.Height(); ++y) {
    uint8_t* row = bmp.ScanLine(y);
    for (int x = 0; x < bmp.Width(); ++x) {
      row[3 * x] = static_cast<uint8_t>(y * 255 / bmp.Height());     // blue
      row[3 * x + 1] = static_cast<uint8_t>(128);                    // green
      row[3 * x + 2] = static_cast<uint8_t>(x * 255 / bmp.Width());  // red
    }
  }
  const auto bytes = bmp.SaveToBmp();
  std::ofstream(path, std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  std::printf("wrote %s (%d x %d, %zu bytes)\n", path, bmp.Width(), bmp.Height(), bytes.size());
  return 0;
}
