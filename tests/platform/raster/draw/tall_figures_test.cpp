// Figures on narrow, tall canvases, where fills and wide pens are painted in
// bands of rows: a figure cut by a band boundary must paint what it paints
// when it lies in one band, and the polygon scan must find the runs of the
// plain per-row crossing count.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "platform/raster/bitmap.h"
#include "platform/raster/rasterizer.h"
#include "platform/raster/surface.h"

using namespace raster;

namespace {

// A multiple of the hatch period, so hatched brushes keep their phase.
constexpr int kShift = static_cast<int>(kBandRows) - 1504;
constexpr int kShortHeight = 3000;

struct Figure {
  int kind;
  int32_t x1, y1, x2, y2, a, b, c, d;
  PenStyle pen;
  int32_t pen_width;
  BrushStyle brush;
  bool opaque;
  std::string Label() const {
    return "kind " + std::to_string(kind) + " box " + std::to_string(x1) + "," + std::to_string(y1) + " " +
           std::to_string(x2) + "," + std::to_string(y2) + " pen " + std::to_string(pen) + " width " +
           std::to_string(pen_width) + " brush " + std::to_string(brush);
  }
};

Figure RandomFigure(std::mt19937& rng, int w) {
  auto in = [&](int lo, int hi) { return lo + static_cast<int>(rng() % static_cast<unsigned>(hi - lo + 1)); };
  static constexpr PenStyle kPens[] = {psSolid, psSolid, psClear, psInsideFrame, psDash, psDot};
  static constexpr BrushStyle kBrushes[] = {bsSolid,      bsSolid,     bsClear,
                                            bsHorizontal, bsFDiagonal, bsDiagCross};
  Figure f{};
  f.kind = in(0, 6);
  // Across the band boundary (row 1504 of the short canvas), often beyond
  // the canvas sideways.
  f.x1 = in(-6, w + 3), f.x2 = in(-6, w + 6);
  f.y1 = in(-100, 1450), f.y2 = in(1560, kShortHeight + 100);
  if (rng() % 2) std::swap(f.y1, f.y2);
  f.a = in(-20, w + 20), f.b = in(-200, kShortHeight + 200), f.c = in(-20, w + 20), f.d = in(-200, 3200);
  f.pen = kPens[rng() % std::size(kPens)];
  f.pen_width = rng() % 3 == 0 ? in(2, 12) : 1;
  f.brush = kBrushes[rng() % std::size(kBrushes)];
  f.opaque = rng() % 2 == 0;
  return f;
}

void Draw(Surface& s, const Figure& f, int dy) {
  s.SetPenStyle(f.pen);
  s.SetPenWidth(f.pen_width);
  s.SetPenColor(0x3070B0);
  s.SetBrushStyle(f.brush);
  s.SetBrushColor(0xC02010);
  s.ApplyPen();
  s.ApplyBrush();
  s.SetBkColor(0x10E060);
  s.SetBkMode(f.opaque ? bkOpaque : bkTransparent);
  const int32_t y1 = f.y1 + dy, y2 = f.y2 + dy, b = f.b + dy, d = f.d + dy;
  switch (f.kind) {
    case 0:
      return s.Ellipse(f.x1, y1, f.x2, y2);
    case 1:
      return s.RoundRect(f.x1, y1, f.x2, y2, f.a, f.b / 10);
    case 2:
      return s.Chord(f.x1, y1, f.x2, y2, f.a, b, f.c, d);
    case 3:
      return s.Pie(f.x1, y1, f.x2, y2, f.a, b, f.c, d);
    case 4:
      return s.Arc(f.x1, y1, f.x2, y2, f.a, b, f.c, d);
    case 5:
      return s.Rectangle(f.x1, y1, f.x2, y2);
    default:
      s.MoveTo(f.x1, y1);
      return s.LineTo(f.c, d);
  }
}

void FillRandom(Bitmap& m, std::mt19937& rng) {
  for (int y = 0; y < m.Height(); ++y)
    for (int64_t i = 0; i < m.Stride(); ++i) m.ScanLine(y)[i] = static_cast<uint8_t>(rng());
}

}  // namespace

TEST(TallFigures, CutByABandTheyPaintWhatTheyPaintInOne) {
  std::mt19937 rng(77);
  const PixelLayout layouts[] = {PixelLayout{1}, PixelLayout{4}, PixelLayout{8},
                                 kLayout565,     kLayout24,      kLayout32};
  for (const int w : {1, 2, 3, 5, 7}) {
    for (const PixelLayout& layout : layouts) {
      Bitmap short_one, tall;
      short_one.SetSize(w, kShortHeight);
      tall.SetSize(w, kShift + kShortHeight);
      short_one.SetLayout(layout);
      tall.SetLayout(layout);
      for (int i = 0; i < 25 + 2 * 24; ++i) {
        FillRandom(short_one, rng);
        for (int y = 0; y < kShortHeight; ++y)
          std::memcpy(tall.ScanLine(kShift + y), short_one.ScanLine(y), static_cast<size_t>(tall.Stride()));
        Figure f = RandomFigure(rng, w);
        if (i >= 25) {
          // Edges of wide pens and null-pen fills just above or below the
          // boundary: their pen shape or edge pixels reach into the other band.
          const int k = i - 25, edge = 1504 - 12 + k / 2;
          f.kind = k % 4 == 0 ? 0 : k % 4 == 1 ? 1 : k % 4 == 2 ? 4 : 5;
          f.pen = k % 2 ? psClear : psSolid;
          f.pen_width = 9;
          f.x1 = -1, f.x2 = k % 3 == 1 ? w + 1 : w, f.y1 = k % 3 ? edge : edge - 900,
          f.y2 = k % 3 ? edge + 700 : edge;
        }
        Draw(short_one.Canvas(), f, 0);
        Draw(tall.Canvas(), f, kShift);
        for (int y = 0; y < kShortHeight; ++y)
          ASSERT_EQ(0, std::memcmp(tall.ScanLine(kShift + y), short_one.ScanLine(y),
                                   static_cast<size_t>(tall.Stride())))
              << "width " << w << " bits " << layout.bits << " " << f.Label() << " row " << y;
      }
    }
  }
}

namespace {

using Runs = std::vector<std::vector<std::pair<int, int>>>;

// The runs of every row by the plain rule: all edges crossing the row's
// sample line, sorted, non-zero winding between neighbours.
Runs PlainPolygon(const std::vector<std::pair<double, double>>& pts, int width, int height) {
  Runs rows(static_cast<size_t>(height));
  for (int y = 0; y < height; ++y) {
    std::vector<std::pair<double, int>> xs;
    for (size_t i = 0; i < pts.size(); ++i) {
      const auto& a = pts[i];
      const auto& b = pts[(i + 1) % pts.size()];
      if (a.second == b.second) continue;
      const auto& lo = a.second < b.second ? a : b;
      const auto& hi = a.second < b.second ? b : a;
      if (!(lo.second <= y && y < hi.second)) continue;
      const double slope = (hi.first - lo.first) / (hi.second - lo.second);
      xs.emplace_back(lo.first + (y - lo.second) * slope, a.second < b.second ? 1 : -1);
    }
    std::sort(xs.begin(), xs.end());
    int wind = 0;
    auto& row = rows[static_cast<size_t>(y)];
    for (size_t i = 0; i + 1 < xs.size(); ++i) {
      wind += xs[i].second;
      if (wind == 0) continue;
      const int x0 = std::clamp(static_cast<int>(std::ceil(xs[i].first)), 0, width);
      const int x1 = std::clamp(static_cast<int>(std::ceil(xs[i + 1].first)), 0, width);
      if (x0 >= x1) continue;
      if (!row.empty() && x0 <= row.back().second)
        row.back().second = std::max(row.back().second, x1);
      else
        row.emplace_back(x0, x1);
    }
  }
  return rows;
}

}  // namespace

// Random polygons (vertical runs, crossing edges, many edges meeting rows
// at once) scanned over bands of a tall collector against the plain rule.
TEST(TallFigures, PolygonScanFindsThePlainRuns) {
  std::mt19937 rng(5);
  const int height = static_cast<int>(kBandRows) + 4000;
  for (int trial = 0; trial < 40; ++trial) {
    const int width = 1 + trial % 9;
    std::vector<std::pair<double, double>> pts;
    const int n = 3 + static_cast<int>(rng() % 12);
    for (int i = 0; i < n; ++i) {
      // Vertical edges often: x repeats the previous point's.
      const double x = i > 0 && rng() % 3 == 0 ? pts.back().first : static_cast<double>(rng() % 14) - 3;
      pts.emplace_back(x, static_cast<double>(rng() % static_cast<unsigned>(height + 200)) - 100);
    }
    Runs got(static_cast<size_t>(height));
    PolygonScan scan(pts, 0.0, 0.0);
    PaintInBands(
        width, height, -50, height + 50, [&](SpanCollector& sc) { scan.Scan(sc); },
        [&](int y, int x0, int x1) { got[static_cast<size_t>(y)].emplace_back(x0, x1); });
    const Runs want = PlainPolygon(pts, width, height);
    for (int y = 0; y < height; ++y)
      ASSERT_EQ(got[static_cast<size_t>(y)], want[static_cast<size_t>(y)])
          << "trial " << trial << " row " << y;
  }
}
