#include "effects/pixel_kernels.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "effects/ZelnorEffects.h"

using namespace zelnor;

namespace {

constexpr int kSide = 4096;  // kSide * kSide = every 24-bit colour once

// Row y of the all-colours picture: colour c = y * 4096 + x as B, G, R.
std::vector<uint8_t> AllColoursRow(int y) {
  std::vector<uint8_t> row(3 * kSide);
  for (int x = 0; x < kSide; ++x) {
    const int c = y * kSide + x;
    row[3 * x] = static_cast<uint8_t>(c);
    row[3 * x + 1] = static_cast<uint8_t>(c >> 8);
    row[3 * x + 2] = static_cast<uint8_t>(c >> 16);
  }
  return row;
}

}  // namespace

// Every instruction-set form the processor has, on every colour, plain and
// tinted, gives the extended-precision grey level; the forms differ only in
// how many leading pixels they take.
TEST(GrayPixels, EveryVectorFormGivesTheReferenceLevels) {
  std::vector<uint8_t> level(size_t{kSide} * kSide);
  for (int c = 0; c < kSide * kSide; ++c)
    level[static_cast<size_t>(c)] =
        static_cast<uint8_t>(reference::GrayLevel(c & 0xFF, (c >> 8) & 0xFF, c >> 16));
  const int tints[2][3] = {{0, 0, 0}, {-100, 37, 200}};  // blue, green, red offsets
  const VectorForm forms[] = {VectorForm::kSsse3, VectorForm::kAvx2, VectorForm::kAvx512};
  for (VectorForm form : forms) {
    if (form > BestVectorForm()) continue;
    for (const auto& v : tints) {
      int wrong = 0;
      for (int y = 0; y < kSide; ++y) {
        std::vector<uint8_t> row = AllColoursRow(y);
        const int done = GrayPixels(row.data(), kSide, v[0], v[1], v[2], form);
        ASSERT_GE(done, kSide - 63);
        for (int x = 0; x < done; ++x)
          for (int ch = 0; ch < 3; ++ch)
            wrong += row[3 * x + ch] != std::clamp(level[static_cast<size_t>(y) * kSide + x] + v[ch], 0, 255);
      }
      EXPECT_EQ(wrong, 0) << "form " << static_cast<int>(form) << " tint " << v[0];
    }
  }
  // The halfway sums, evaluated without the library's rounding call.
  for (int c = 0; c < kSide * kSide; ++c) {
    const int b = c & 0xFF, g = (c >> 8) & 0xFF, r = c >> 16;
    if ((289 * b + 586 * g + 114 * r) % 1000 == 500) {
      ASSERT_EQ(GrayLevelAtHalf(b, g, r), level[static_cast<size_t>(c)]) << b << "," << g << "," << r;
    }
  }
}
