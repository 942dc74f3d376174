// Reading the reference pictures of the 2D engine for comparisons in tests.
#pragma once
#include <string>

#include "platform/raster/bitmap.h"

namespace testing_support {

// Directory of the reference pictures (cases, sources, expected).
std::string ReferenceDir();

// Loads a PNG as a 24-bit bitmap; false when the file cannot be read.
bool LoadPng(const std::string& path, raster::Bitmap& out);

// Loads reference source `name` (a BMP under sources/) as it stands.
void LoadSource(const std::string& name, raster::Bitmap& out);

// Percentage of pixels of `actual` equal to `expected` (explicit colours
// compared; a size difference counts every pixel outside the overlap).
double PercentEqual(const raster::Bitmap& expected, const raster::Bitmap& actual);

}  // namespace testing_support
