// Arcs, chords and pies of the drawing surface.
//
// Their points come from the first quarter of the ellipse, taken the way
// the host takes them: the quarter's points, relative to the middle of the
// pen's frame box, are matched against the start and end rays quarter by
// quarter, and the run between is laid out counter-clockwise over the four
// quarters, each a mirror image of the first.  The upper quarters lie one
// row above the lower ones' mirror images when the height is even (the
// middle is rounded down), and likewise the left ones for an even width.
#include <cmath>
#include <cstdlib>
#include <numbers>

#include "platform/raster/figure_paths.h"

namespace raster {

namespace figure {

namespace {

// The first quarter of the ellipse of a width x height box relative to the
// box's middle (width / 2, height / 2, rounded towards zero), from the end
// of the middle row up and to the left, y counted upwards: the integer walk
// of QuarterPoints without its tip completion.  An inverted box gives what
// the same walk gives (nothing when the width is not positive).
std::vector<P64> ExactQuarter(int64_t width, int64_t height) {
  std::vector<P64> out;
  const int64_t a = width - 1, b = height - 1;
  const int64_t asq = 8 * a * a, bsq = 8 * b * b;
  int64_t dx = 4 * b * b * (1 - a);
  int64_t dy = 4 * a * a * (1 + b % 2);
  int64_t err = dx + dy + a * a * (b % 2);
  int64_t x = a, y = height / 2;
  // Each step moves at least one way; the bound only guards odd boxes.
  const int64_t max_steps = 2 * (std::llabs(width) + std::llabs(height)) + 8;
  while (x >= width / 2 && static_cast<int64_t>(out.size()) < max_steps) {
    const int64_t e2 = 2 * err;
    out.push_back({x - width / 2, y - height / 2});
    if (e2 >= dx) {
      --x;
      err += dx += bsq;
    }
    if (e2 <= dy) {
      ++y;
      err += dy += asq;
    }
  }
  return out;
}

// A large quarter through computed points over the same extent.
std::vector<P64> ApproximateQuarter(int64_t width, int64_t height) {
  std::vector<P64> out;
  if (width <= 0 || height <= 0) return out;
  const double rx = static_cast<double>(width - 1 - width / 2),
               ry = static_cast<double>(height - 1 - height / 2);
  constexpr int kSteps = 2048;
  for (int i = 0; i <= kSteps; ++i) {
    const double th = std::numbers::pi / 2 * i / kSteps;
    const P64 p{std::llround(rx * std::cos(th)), std::llround(ry * std::sin(th))};
    if (out.empty() || !(out.back() == p)) out.push_back(p);
  }
  return out;
}

std::vector<P64> FirstQuarter(int64_t width, int64_t height) {
  if (std::llabs(width) > kExactCurveLimit || std::llabs(height) > kExactCurveLimit)
    return ApproximateQuarter(width, height);
  return ExactQuarter(width, height);
}

// The position, counting the quarter's points around the four quarters
// counter-clockwise from 0 degrees, at which the ray towards (x, y) (y
// upwards) meets the ellipse.  A ray between two points falls on the one
// past it; the quarters' comparisons differ at their ties as the host's do.
int64_t RayPosition(const std::vector<P64>& q, int64_t x, int64_t y) {
  const int64_t n = static_cast<int64_t>(q.size());
  auto first = [&](auto&& past) {
    int64_t i = 0;
    while (i < n && !past(q[static_cast<size_t>(i)])) ++i;
    return i;
  };
  using W = __int128;
  if (y >= 0) {
    if (x >= 0) return first([&](const P64& p) { return W{p.x} * y <= W{p.y} * x; });
    return 2 * n - first([&](const P64& p) { return W{p.x} * y < W{p.y} * -x; });
  }
  if (x >= 0) return 4 * n - first([&](const P64& p) { return W{p.x} * -y <= W{p.y} * x; });
  return 2 * n + first([&](const P64& p) { return W{p.x} * -y < W{p.y} * -x; });
}

}  // namespace

Path ArcPath(const Box64& box, int64_t xs, int64_t ys, int64_t xe, int64_t ye) {
  const int64_t w = box.Width(), h = box.Height();
  const std::vector<P64> q = FirstQuarter(w, h);
  const int64_t n = static_cast<int64_t>(q.size());
  const int64_t cx = box.l + w / 2, cy = box.t + h / 2;
  const int64_t start = RayPosition(q, xs - cx, cy - ys);
  int64_t end = RayPosition(q, xe - cx, cy - ye);
  if (end <= start) end += 4 * n;
  Path path;
  path.reserve(static_cast<size_t>(end - start));
  for (int64_t i = start; i < end; ++i) {
    const int64_t k = i % n;
    const P64& p = q[static_cast<size_t>(k)];
    const P64& m = q[static_cast<size_t>(n - 1 - k)];
    switch ((i / n) % 4) {
      case 0:
        path.push_back({box.l + w / 2 + p.x, box.b - 1 - h / 2 - p.y});
        break;
      case 1:
        path.push_back({box.r - 1 - w / 2 - m.x, box.b - 1 - h / 2 - m.y});
        break;
      case 2:
        path.push_back({box.r - 1 - w / 2 - p.x, box.t + h / 2 + p.y});
        break;
      default:
        path.push_back({box.l + w / 2 + m.x, box.t + h / 2 + m.y});
        break;
    }
  }
  return path;
}

namespace {

// The path without repeated neighbours; nothing when the raw path has fewer
// than two points (the host draws nothing then).
Path Drawn(const Path& raw) {
  Path path;
  if (raw.size() >= 2) Append(path, raw, 0, 0);
  return path;
}

// A chord or pie: brush first, then pen.  Without a pen the brush fills the
// polygon alone, which leaves the right and bottom edge pixels out.
void DrawClosedArc(Rasterizer& r, const Path& raw) {
  Path path = Drawn(raw);
  if (path.empty()) return;
  CloseUp(path);
  FillPath(r, path, false);
  StrokePath(r, path, true, false);
}

}  // namespace

}  // namespace figure

using namespace figure;

void Surface::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                  int32_t ye) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  StrokePath(r, Drawn(ArcPath(FrameBox(r, box), xs, ys, xe, ye)), false, false);
}

void Surface::Chord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                    int32_t ye) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  DrawClosedArc(r, ArcPath(FrameBox(r, box), xs, ys, xe, ye));
}

void Surface::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                  int32_t ye) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  const Box64 f = FrameBox(r, box);
  Path raw = ArcPath(f, xs, ys, xe, ye);
  raw.push_back({f.l + f.Width() / 2, f.t + f.Height() / 2});
  DrawClosedArc(r, raw);
}

}  // namespace raster
