#include "tests/draw/text/png_file.h"

#include <png.h>

#include <cstdio>
#include <stdexcept>

namespace texttest {

bool ReadPng(const std::string& path, RgbImage* image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&png, path.c_str())) return false;
  png.format = PNG_FORMAT_RGB;
  image->width = static_cast<int>(png.width);
  image->height = static_cast<int>(png.height);
  image->rgb.resize(PNG_IMAGE_SIZE(png));
  if (!png_image_finish_read(&png, nullptr, image->rgb.data(), 0, nullptr)) {
    png_image_free(&png);
    return false;
  }
  return true;
}

void WritePng(const std::string& path, const RgbImage& image) {
  png_image png{};
  png.version = PNG_IMAGE_VERSION;
  png.width = static_cast<png_uint_32>(image.width);
  png.height = static_cast<png_uint_32>(image.height);
  png.format = PNG_FORMAT_RGB;
  if (!png_image_write_to_file(&png, path.c_str(), 0, image.rgb.data(), 0, nullptr))
    throw std::runtime_error("cannot write " + path);
}

}  // namespace texttest
