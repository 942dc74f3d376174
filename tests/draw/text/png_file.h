// Reading and writing 8-bit RGB PNG files for the golden pictures.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

namespace texttest {

struct RgbImage {
  int width = 0;
  int height = 0;
  std::vector<uint8_t> rgb;  // rows top to bottom, R, G, B per pixel
};

// False when the file is missing or not a PNG; any PNG is read as 8-bit RGB.
bool ReadPng(const std::string& path, RgbImage* image);
void WritePng(const std::string& path, const RgbImage& image);

}  // namespace texttest
