#include "reference_png.h"

#include <png.h>

#include <algorithm>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <vector>

namespace testing_support {

namespace {
// The shared reference pictures sit beside the source tree.
const std::string kDir = std::string(ZELNOR_SOURCE_DIR) + "/../shared/reference/raster";
}  // namespace

bool ReferenceAvailable() { return std::ifstream(kDir + "/cases.txt").good(); }

std::string ReferenceFolder() { return kDir; }

void LoadSource(const std::string& name, raster::Bitmap& out) {
  std::ifstream in(kDir + "/sources/" + name, std::ios::binary);
  if (!in) throw std::runtime_error("missing reference source " + name);
  out.LoadFromBmp(
      std::vector<uint8_t>((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>()));
}

double PercentLikeReference(const std::string& name, const raster::Bitmap& actual) {
  png_image image{};
  image.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&image, (kDir + "/expected/" + name + ".png").c_str()))
    throw std::runtime_error("missing reference picture " + name);
  image.format = PNG_FORMAT_BGR;
  std::vector<uint8_t> bgr(PNG_IMAGE_SIZE(image));
  if (!png_image_finish_read(&image, nullptr, bgr.data(), 0, nullptr))
    throw std::runtime_error(image.message);
  const int w = static_cast<int>(image.width), h = static_cast<int>(image.height);
  int64_t same = 0;
  for (int y = 0; y < std::min(h, actual.Height()); ++y)
    for (int x = 0; x < std::min(w, actual.Width()); ++x) {
      const uint8_t* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
      same += actual.GetPixel(x, y) == raster::Rgb(p[2], p[1], p[0]);
    }
  return 100.0 * static_cast<double>(same) / (static_cast<double>(w) * h);
}

}  // namespace testing_support
