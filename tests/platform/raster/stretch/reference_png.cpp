#include "reference_png.h"

#include <png.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace testing_support {

std::string ReferenceDir() { return "/work/shared/reference/raster"; }

bool LoadPng(const std::string& path, raster::Bitmap& out) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, path.c_str())) return false;
  image.format = PNG_FORMAT_BGR;
  std::vector<uint8_t> pixels(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return false;
  out.SetPixelFormat(raster::pf24bit);
  out.SetSize(static_cast<int>(image.width), static_cast<int>(image.height));
  const size_t row_bytes = static_cast<size_t>(image.width) * 3;
  for (int y = 0; y < out.Height(); ++y)
    std::copy_n(pixels.data() + row_bytes * static_cast<size_t>(y), row_bytes, out.ScanLine(y));
  return true;
}

void LoadSource(const std::string& name, raster::Bitmap& out) {
  std::ifstream in(ReferenceDir() + "/sources/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing reference source " + name);
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  out.LoadFromBmp(bytes);
}

double PercentEqual(const raster::Bitmap& expected, const raster::Bitmap& actual) {
  const int64_t total = int64_t{expected.Width()} * expected.Height();
  if (total == 0) return actual.Empty() ? 100.0 : 0.0;
  int64_t same = 0;
  for (int y = 0; y < std::min(expected.Height(), actual.Height()); ++y)
    for (int x = 0; x < std::min(expected.Width(), actual.Width()); ++x)
      same += expected.GetPixel(x, y) == actual.GetPixel(x, y);
  return 100.0 * static_cast<double>(same) / static_cast<double>(total);
}

}  // namespace testing_support
