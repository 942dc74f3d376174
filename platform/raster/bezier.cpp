// Bézier curves of the drawing surface.
#include "platform/raster/bezier.h"

#include <cstdlib>

#include "platform/raster/figure_paths.h"

namespace raster {

namespace {

// Points carry four fractional bits while the curve is halved.
constexpr int kFractionBits = 4;
constexpr int64_t kOnePixel = int64_t{1} << kFractionBits;
constexpr int kMaxHalvings = 8;

struct Fixed {
  int64_t x, y;
};

// Nearest pixel, halves upwards (the shift floors negative values).
int64_t ToPixel(int64_t v) { return (v + kOnePixel / 2) >> kFractionBits; }

// The midpoint with the host's rounding: the sum plus one, halved towards
// zero, so negative halves round differently from positive ones.
Fixed Middle(const Fixed& a, const Fixed& b) { return {(a.x + b.x + 1) / 2, (a.y + b.y + 1) / 2}; }

// A control coordinate c lies within the chord's extent s..e along the
// major axis (the test is one-sided at s, as the host makes it).
bool WithinExtent(int64_t c, int64_t s, int64_t e) { return c < s ? c >= e : c <= e; }

// True when the curve c[0..3] may be drawn as its chord: both control points
// within the chord's extent along its major axis, and within one pixel of
// the chord across it, the chord's slope taken in whole 1/16 steps per pixel.
bool FlatEnough(const Fixed c[4]) {
  const int64_t dx = c[3].x - c[0].x, dy = c[3].y - c[0].y;
  const bool shallow = std::llabs(dy) <= std::llabs(dx);
  auto along = [shallow](const Fixed& p) { return shallow ? p.x : p.y; };
  auto across = [shallow](const Fixed& p) { return shallow ? p.y : p.x; };
  for (int k = 1; k <= 2; ++k)
    if (!WithinExtent(along(c[k]), along(c[0]), along(c[3]))) return false;
  const int64_t run = ToPixel(shallow ? dx : dy);
  if (run == 0) return true;
  const int64_t slope = (shallow ? dy : dx) / run;
  for (int k = 1; k <= 2; ++k) {
    const int64_t off = across(c[k]) - across(c[0]) - slope * ToPixel(along(c[k]) - along(c[0]));
    if (std::llabs(off) > kOnePixel) return false;
  }
  return true;
}

void Subdivide(const Fixed c[4], int halvings_left, std::vector<std::pair<int64_t, int64_t>>& out) {
  if (halvings_left == 0 || FlatEnough(c)) {
    out.emplace_back(ToPixel(c[3].x), ToPixel(c[3].y));
    return;
  }
  const Fixed inner = Middle(c[1], c[2]);
  const Fixed l1 = Middle(c[0], c[1]), r2 = Middle(c[2], c[3]);
  const Fixed l2 = Middle(l1, inner), r1 = Middle(inner, r2);
  const Fixed mid = Middle(l2, r1);
  const Fixed left[4] = {c[0], l1, l2, mid}, right[4] = {mid, r1, r2, c[3]};
  Subdivide(left, halvings_left - 1, out);
  Subdivide(right, halvings_left - 1, out);
}

}  // namespace

std::vector<std::pair<int64_t, int64_t>> FlattenBeziers(std::span<const Point> points) {
  std::vector<std::pair<int64_t, int64_t>> out;
  if (points.size() < 4 || (points.size() - 1) % 3 != 0) return out;
  out.emplace_back(points[0].x, points[0].y);
  for (size_t i = 0; i + 3 < points.size(); i += 3) {
    Fixed c[4];
    for (int k = 0; k < 4; ++k)
      c[k] = {int64_t{points[i + k].x} * kOnePixel, int64_t{points[i + k].y} * kOnePixel};
    Subdivide(c, kMaxHalvings, out);
  }
  return out;
}

// The curve is drawn as the open polyline through its points, its last
// point excluded like a line's end.
void Surface::PolyBezier(std::span<const Point> points) {
  Rasterizer r(*this);
  if (r.Empty()) return;
  for (const Point& p : points)
    if (p.x <= -kDeviceSpaceLimit || p.x >= kDeviceSpaceLimit || p.y <= -kDeviceSpaceLimit ||
        p.y >= kDeviceSpaceLimit)
      return;
  figure::Path path;
  for (const auto& [x, y] : FlattenBeziers(points)) figure::Append(path, {{x, y}}, 0, 0);
  figure::StrokePath(r, path, false, false);
}

}  // namespace raster
