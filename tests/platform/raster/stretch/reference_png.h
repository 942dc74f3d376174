// The host's reference pictures of the 2D engine, for comparisons in tests.
#pragma once
#include <string>

#include "platform/raster/bitmap.h"

namespace testing_support {

// Whether the reference pictures are beside the source tree; tests that
// need them skip otherwise.
bool ReferenceAvailable();
std::string ReferenceFolder();

// Loads reference source `name` (a BMP under sources/) as it stands.
void LoadSource(const std::string& name, raster::Bitmap& out);

// Percentage of pixels of `actual` equal to the expected picture of case
// `name`; a size difference counts every pixel outside the overlap.
double PercentLikeReference(const std::string& name, const raster::Bitmap& actual);

}  // namespace testing_support
