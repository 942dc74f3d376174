// The resampler's fixed-point arithmetic: weights, the passes' bytes, and a
// comparison with the straightforward formulas on random pictures.
#include <gtest/gtest.h>

#include <chrono>
#include <thread>

#include "images.h"
#include "model/pixel_format.h"
#include "platform/cpu/cpu.h"
#include "stretchf/passes.h"
#include "stretchf/stretchf.h"

namespace {

using namespace stretch_test;

Image Resampled(const Image& im, int w, int h, zelnor::ProgressCallback progress = nullptr) {
  raster::Bitmap b;
  ToBitmap(im, b);
  zelnor::ResampleBitmap(b, w, h, progress);
  return FromBitmap(b);
}

// Resizes grey values as a row along x and as a column along y.
std::vector<int> BothAxes(const std::vector<int>& values, int n) {
  const std::vector<int> along_x = BlueValues(Resampled(Grey(values), n, 1));
  EXPECT_EQ(along_x, BlueValues(Resampled(Grey(values, true), 1, n))) << "the axes disagree";
  return along_x;
}

TEST(LagrangeWeights, QuarterPositionsGiveTheTabulatedWeights) {
  using W = std::array<int32_t, 4>;
  EXPECT_EQ(zelnor::LagrangeWeights(1.0L, 1048576.0L), (W{0, 1048576, 0, 0}));
  EXPECT_EQ(zelnor::LagrangeWeights(1.25L, 1048576.0L), (W{-57343, 860160, 286720, -40959}));
  EXPECT_EQ(zelnor::LagrangeWeights(1.5L, 1048576.0L), (W{-65535, 589824, 589824, -65535}));
  EXPECT_EQ(zelnor::LagrangeWeights(1.75L, 1048576.0L), (W{-40959, 286720, 860160, -57343}));
}

TEST(ResampleBitmap, EnlargesByCubicInterpolationAndReducesByAreaAveraging) {
  EXPECT_EQ(BothAxes({0, 255}, 3), (std::vector<int>{0, 128, 255}));
  EXPECT_EQ(BothAxes({0, 255}, 4), (std::vector<int>{0, 82, 173, 255}));
  EXPECT_EQ(BothAxes({0, 255, 0}, 5), (std::vector<int>{0, 143, 255, 143, 0}));
  EXPECT_EQ(BothAxes({10, 20, 30, 40}, 2), (std::vector<int>{15, 35}));
  EXPECT_EQ(zelnor::passes::MakeAreaPlan(3, 2).scale, 2796203u);
  EXPECT_EQ(BothAxes({0, 255, 255}, 2), (std::vector<int>{85, 255}));
  EXPECT_EQ(BothAxes({255, 255, 255}, 1), (std::vector<int>{255}));
}

TEST(ResampleBitmap, EnlargingKeepsTheFirstAndLastColumns) {
  std::mt19937 rng(7);
  const Image src = RandomImage(17, 5, rng);
  const Image out = Resampled(src, 61, 5);
  for (int y = 0; y < 5; ++y)
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(out.at(0, y, c), src.at(0, y, c));
      EXPECT_EQ(out.at(60, y, c), src.at(16, y, c));
    }
}

// One destination pixel covering far more than 64 source pixels would
// overflow 32-bit sums; white must stay white, also where the rounded scale
// overshoots (41734 source pixels into one).
TEST(ResampleBitmap, VeryStrongReductionsStayExact) {
  const auto white = [](int, int, int) { return 255; };
  EXPECT_EQ(Resampled(MakeImage(12000, 2, white), 100, 2), MakeImage(100, 2, white));
  EXPECT_EQ(Resampled(MakeImage(41734, 1, white), 1, 1), MakeImage(1, 1, white));
  EXPECT_EQ(Resampled(MakeImage(1, 41734, white), 1, 1), MakeImage(1, 1, white));
  std::mt19937 rng(3);
  const Image panorama = RandomImage(12000, 3, rng);
  EXPECT_EQ(Resampled(panorama, 100, 2), ReferenceResample(panorama, 100, 2));
}

// Past 2^23 source pixels into one the rounded scale is 0; those pixels get
// the plain average instead of black.  Up to the limit (scale 1) the bytes
// stay those of the scaled product, however coarse.
TEST(ResampleBitmap, ReductionsBeyondTheScalesRangeGiveTheAverage) {
  constexpr int kLimit = 1 << 23;
  const auto colour = [](int, int, int c) { return 60 + 70 * c; };
  const Image average = MakeImage(1, 1, colour);
  EXPECT_EQ(Resampled(MakeImage(kLimit + 1, 1, colour), 1, 1), average);
  EXPECT_EQ(Resampled(MakeImage(1, kLimit + 1, colour), 1, 1), average);
  const Image at_limit = MakeImage(kLimit, 1, colour);
  EXPECT_EQ(Resampled(at_limit, 1, 1), ReferenceResample(at_limit, 1, 1));
  // Two destination pixels of a little over 2^23 each, a boundary pixel
  // weighted between them.
  const Image halves = MakeImage(2 * kLimit + 3, 1, [](int x, int, int) { return x <= kLimit ? 10 : 250; });
  EXPECT_EQ(BlueValues(Resampled(halves, 2, 1)), (std::vector<int>{10, 250}));
}

// Both with and without the vector loops (where the processor has them).
class ResampleFormulas : public ::testing::TestWithParam<bool> {
 protected:
  void SetUp() override { cpu::AllowVectors(GetParam()); }
  void TearDown() override { cpu::AllowVectors(true); }
};

TEST_P(ResampleFormulas, MatchOnRandomPictures) {
  std::mt19937 rng(20240607);
  std::uniform_int_distribution<int> size(1, 40);
  for (int round = 0; round < 300; ++round) {
    const int w = size(rng), h = size(rng), nw = size(rng), nh = size(rng);
    const Image src = RandomImage(w, h, rng);
    ASSERT_EQ(Resampled(src, nw, nh), ReferenceResample(src, nw, nh))
        << w << "x" << h << " -> " << nw << "x" << nh;
  }
}

// Large enough to be split between threads; every pairing of enlarging and
// reducing the two axes, reductions long and short.
TEST_P(ResampleFormulas, MatchOnLargePictures) {
  std::mt19937 rng(11);
  const Image src = RandomImage(701, 433, rng);
  const int sizes[][2] = {{1500, 977}, {1500, 91}, {233, 977}, {23, 91}, {701, 1000}, {300, 433}};
  for (const auto& s : sizes)
    ASSERT_EQ(Resampled(src, s[0], s[1]), ReferenceResample(src, s[0], s[1])) << s[0] << "x" << s[1];
}

INSTANTIATE_TEST_SUITE_P(VectorLoops, ResampleFormulas, ::testing::Values(true, false),
                         [](const auto& info) { return info.param ? "Allowed" : "Off"; });

std::vector<int> reported;
void Record(int32_t percent) { reported.push_back(percent); }

TEST(ReportProgress, PassesOnAtMostOneReportPer50MillisecondsAndKeepsTheBytes) {
  reported.clear();
  zelnor::ReportProgress(0, Record);  // not passed on, restarts the interval
  zelnor::ReportProgress(10, Record);
  EXPECT_TRUE(reported.empty());
  std::this_thread::sleep_for(std::chrono::milliseconds(60));
  zelnor::ReportProgress(20, Record);
  zelnor::ReportProgress(30, Record);
  EXPECT_EQ(reported, std::vector<int>{20});
  // Observed passes run column by column and row by row: same bytes.
  std::mt19937 rng(5);
  const Image src = RandomImage(90, 70, rng);
  for (auto [w, h] : {std::pair{200, 150}, {31, 20}, {200, 20}, {31, 150}}) {
    ASSERT_EQ(Resampled(src, w, h, Record), ReferenceResample(src, w, h));
    for (int p : reported) EXPECT_TRUE(p > 0 && p <= 100) << p;
  }
}

TEST(ResampleBitmap, LeavesAnEmptyBitmapAloneAndConvertsOthers) {
  raster::Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf8bit);
  b.SetWidth(10);  // height 0: still empty
  zelnor::ResampleBitmap(b, 5, 5);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf8bit);
  EXPECT_EQ(b.Width(), 10);
  b.SetHeight(3);
  const Image before = FromBitmap(b);
  zelnor::ResampleBitmap(b, 10, 3);
  EXPECT_EQ(zelnor::PixelFormatOf(b), zelnor::pf24bit);
  EXPECT_EQ(FromBitmap(b), before);
}

}  // namespace
