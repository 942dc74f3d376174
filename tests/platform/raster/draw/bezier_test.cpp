// The polyline drawn for Bézier curves: on random control points it starts
// and ends on the curve's ends and follows the curve closely, partly outside
// the canvas too, and the pen draws exactly that polyline.
#include "platform/raster/bezier.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/surface.h"

using namespace raster;

namespace {

using Flat = std::vector<std::pair<int64_t, int64_t>>;

struct D2 {
  double x, y;
};

D2 OnCurve(const Point* c, double t) {
  const double u = 1 - t, a = u * u * u, b = 3 * u * u * t, d = 3 * u * t * t, e = t * t * t;
  return {a * c[0].x + b * c[1].x + d * c[2].x + e * c[3].x,
          a * c[0].y + b * c[1].y + d * c[2].y + e * c[3].y};
}

double ToSegment(const D2& p, const D2& a, const D2& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len2 = dx * dx + dy * dy;
  const double t = len2 == 0 ? 0 : std::clamp(((p.x - a.x) * dx + (p.y - a.y) * dy) / len2, 0.0, 1.0);
  return std::hypot(p.x - a.x - t * dx, p.y - a.y - t * dy);
}

// The largest distance from a point of the curve to the polyline.
double Deviation(const Point* c, const Flat& line) {
  double worst = 0;
  for (int i = 0; i <= 2000; ++i) {
    const D2 p = OnCurve(c, i / 2000.0);
    double best = INFINITY;
    for (size_t k = 0; k + 1 < line.size(); ++k) {
      const D2 a{static_cast<double>(line[k].first), static_cast<double>(line[k].second)};
      const D2 b{static_cast<double>(line[k + 1].first), static_cast<double>(line[k + 1].second)};
      best = std::min(best, ToSegment(p, a, b));
    }
    worst = std::max(worst, best);
  }
  return worst;
}

}  // namespace

TEST(BezierFlattening, FollowsRandomCurvesFromEndToEnd) {
  std::mt19937 rng(22);
  auto coord = [&] { return static_cast<int32_t>(rng() % 700) - 250; };
  for (int i = 0; i < 300; ++i) {
    const Point c[4] = {{coord(), coord()}, {coord(), coord()}, {coord(), coord()}, {coord(), coord()}};
    const Flat line = FlattenBeziers(c);
    ASSERT_GE(line.size(), 2u);
    EXPECT_EQ(line.front(), (std::pair<int64_t, int64_t>{c[0].x, c[0].y}));
    EXPECT_EQ(line.back(), (std::pair<int64_t, int64_t>{c[3].x, c[3].y}));
    EXPECT_LE(line.size(), 257u) << "at most eight halvings";
    // Control points within a pixel of the chord, the chord's slope taken
    // in whole sixteenths and the ends rounded: the polyline may stray by
    // two pixels and a little more, never further.
    EXPECT_LT(Deviation(c, line), 2.5) << c[0].x << "," << c[0].y << " " << c[1].x << "," << c[1].y << " "
                                       << c[2].x << "," << c[2].y << " " << c[3].x << "," << c[3].y;
  }
}

TEST(BezierFlattening, RunsOfCurvesShareTheirEndsAndOtherCountsDrawNothing) {
  const Point run[7] = {{0, 0}, {10, 40}, {30, 40}, {40, 0}, {50, -40}, {70, -40}, {80, 0}};
  const Flat line = FlattenBeziers(run);
  const Flat first = FlattenBeziers(std::span(run, 4)), second = FlattenBeziers(std::span(run + 3, 4));
  Flat joined = first;
  joined.insert(joined.end(), second.begin() + 1, second.end());
  EXPECT_EQ(line, joined);
  EXPECT_TRUE(FlattenBeziers(std::span(run, 3)).empty());
  EXPECT_TRUE(FlattenBeziers(std::span(run, 5)).empty());
}

// Far-off control points (up to the edge of device space) neither overflow
// nor bend the visible part away from the curve.
TEST(BezierFlattening, HugeCurvesStayOnTheCurve) {
  const Point c[4] = {{-(1 << 26), 10}, {1 << 26, -(1 << 26)}, {-(1 << 26), 1 << 26}, {1 << 26, 20}};
  const Flat line = FlattenBeziers(c);
  EXPECT_EQ(line.back(), (std::pair<int64_t, int64_t>{1 << 26, 20}));
  for (const auto& [x, y] : line) EXPECT_TRUE(std::llabs(x) <= (1 << 26) && std::llabs(y) <= (1 << 26));
}

// The pen draws the open polyline without its last point, whichever part of
// the curve lies outside the canvas.
TEST(BezierDrawing, DrawsThePolylineClippedToTheCanvas) {
  std::mt19937 rng(5);
  auto coord = [&] { return static_cast<int32_t>(rng() % 160) - 50; };
  for (int i = 0; i < 60; ++i) {
    const Point c[4] = {{coord(), coord()}, {coord(), coord()}, {coord(), coord()}, {coord(), coord()}};
    Bitmap curve, lines;
    for (Bitmap* b : {&curve, &lines}) {
      zelnor::SetPixelFormat(*b, zelnor::pf24bit);
      b->SetSize(64, 48);
    }
    curve.Canvas().PolyBezier(c);
    const Flat line = FlattenBeziers(c);
    Surface& s = lines.Canvas();
    s.MoveTo(static_cast<int32_t>(line[0].first), static_cast<int32_t>(line[0].second));
    for (size_t k = 1; k < line.size(); ++k)
      s.LineTo(static_cast<int32_t>(line[k].first), static_cast<int32_t>(line[k].second));
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x)
        ASSERT_EQ(curve.GetPixel(x, y), lines.GetPixel(x, y)) << i << ": " << x << "," << y;
  }
}
