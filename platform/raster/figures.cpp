// Figures of the drawing surface: rectangles, ellipses, rounded rectangles,
// arcs, chords, pies and Bézier curves.
//
// Every closed figure is built as one path of pixel points (the pixels a
// one-pixel pen lights, in counter-clockwise order).  The brush fills the
// polygon through those points with a half-open rule (a pixel counts when
// its position lies inside, left and top boundaries included), and the pen
// strokes the same path afterwards.  So the outline of a filled figure is
// the outline alone, and with a null pen the fill stops one pixel short on
// the right and bottom, as the host draws it.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/raster/rasterizer.h"

namespace raster {

namespace {

struct P64 {
  int64_t x, y;
  bool operator==(const P64&) const = default;
};
using Path = std::vector<P64>;

// A bounding rectangle with its corners put in order; covers l..r-1, t..b-1.
struct Box64 {
  int64_t l, t, r, b;
  int64_t Width() const { return r - l; }
  int64_t Height() const { return b - t; }
};

Box64 Normalise(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

bool InDeviceSpace(const Box64& b) {
  return b.l > -kDeviceSpaceLimit && b.t > -kDeviceSpaceLimit && b.r < kDeviceSpaceLimit &&
         b.b < kDeviceSpaceLimit;
}

// Larger curves are traced as polygons of computed points instead of pixel
// by pixel (their shape no longer depends on single pixels, and the cost
// stays bounded).
constexpr int64_t kExactCurveLimit = int64_t{1} << 15;

Path QuarterPath(int64_t width, int64_t height) {
  Path out;
  for (const auto& [x, y] : QuarterPoints(width, height)) out.push_back({x, y});
  return out;
}

// The four quarters of an ellipse in a width x height box, each in
// counter-clockwise order: top-right, top-left, bottom-left, bottom-right.
std::array<Path, 4> Quarters(int64_t width, int64_t height) {
  std::array<Path, 4> q;
  const Path br = QuarterPath(width, height);
  const int64_t a = width - 1, b = height - 1;
  for (const P64& p : br) q[0].push_back({p.x, b - p.y});
  for (auto it = br.rbegin(); it != br.rend(); ++it) q[1].push_back({a - it->x, b - it->y});
  for (const P64& p : br) q[2].push_back({a - p.x, p.y});
  for (auto it = br.rbegin(); it != br.rend(); ++it) q[3].push_back({it->x, it->y});
  return q;
}

void Append(Path& path, const Path& part, int64_t ox, int64_t oy) {
  for (const P64& p : part) {
    const P64 q{p.x + ox, p.y + oy};
    if (path.empty() || !(path.back() == q)) path.push_back(q);
  }
}

void CloseUp(Path& path) {
  while (path.size() > 1 && path.back() == path.front()) path.pop_back();
}

// A large ellipse traced through computed points, counter-clockwise from
// the right-middle point.
Path ApproximateEllipse(const Box64& box) {
  Path path;
  const double cx = (box.l + box.r - 1) / 2.0, cy = (box.t + box.b - 1) / 2.0;
  const double rx = (box.Width() - 1) / 2.0, ry = (box.Height() - 1) / 2.0;
  constexpr int kSteps = 4096;
  for (int i = 0; i < kSteps; ++i) {
    const double th = 2 * std::numbers::pi * i / kSteps;
    const P64 p{std::llround(cx + rx * std::cos(th)), std::llround(cy - ry * std::sin(th))};
    if (path.empty() || !(path.back() == p)) path.push_back(p);
  }
  CloseUp(path);
  return path;
}

Path EllipsePath(const Box64& box) {
  if (box.Width() > kExactCurveLimit || box.Height() > kExactCurveLimit) return ApproximateEllipse(box);
  Path path;
  for (const Path& q : Quarters(box.Width(), box.Height())) Append(path, q, box.l, box.t);
  CloseUp(path);
  return path;
}

Path RectanglePath(const Box64& box) {
  Path path;
  Append(path, {{box.r - 1, box.t}, {box.l, box.t}, {box.l, box.b - 1}, {box.r - 1, box.b - 1}}, 0, 0);
  CloseUp(path);
  return path;
}

Path RoundRectPath(const Box64& box, int64_t cw, int64_t ch) {
  cw = std::min(std::abs(cw), box.Width());
  ch = std::min(std::abs(ch), box.Height());
  if (cw <= 1 || ch <= 1 || cw > kExactCurveLimit || ch > kExactCurveLimit) return RectanglePath(box);
  const auto q = Quarters(cw, ch);
  Path path;
  Append(path, q[0], box.r - cw, box.t);
  Append(path, q[1], box.l, box.t);
  Append(path, q[2], box.l, box.b - ch);
  Append(path, q[3], box.r - cw, box.b - ch);
  CloseUp(path);
  return path;
}

// Fills the polygon through the path's points with the brush; `with_edge`
// also fills the pixels of the path itself.
void FillPath(Rasterizer& r, const Path& path, bool with_edge) {
  if (r.Brush().style == bsClear || path.empty()) return;
  std::vector<std::pair<double, double>> pts;
  pts.reserve(path.size());
  for (const P64& p : path) pts.emplace_back(static_cast<double>(p.x), static_cast<double>(p.y));
  SpanCollector sc(r.Width(), r.Height());
  AddPolygon(sc, pts, 0.0, 0.0);
  if (with_edge) {
    for (size_t i = 0; i < path.size(); ++i) {
      const P64& a = path[i];
      const P64& b = path[(i + 1) % path.size()];
      sc.Add(a.y, a.x, a.x + 1);
      BresenhamLine(a.x, a.y, b.x, b.y, r.Width(), r.Height(),
                    [&](int64_t x, int64_t y, int64_t) { sc.Add(y, x, x + 1); });
    }
  }
  sc.ForEach([&](int y, int x0, int x1) { r.BrushSpan(y, x0, x1); });
}

bool Adjacent(const P64& a, const P64& b) { return std::abs(a.x - b.x) <= 1 && std::abs(a.y - b.y) <= 1; }

// Strokes a path with the selected pen: one-pixel pens light the pixels of
// each segment (end excluded, so a closed path lights each corner once) with
// the dash pattern running on along the path; wide pens paint the union of
// round-ended bands.  An open path also lights its last point.
void StrokePath(Rasterizer& r, const Path& path, bool closed) {
  const auto& pen = r.Pen();
  if (pen.style == psClear || path.empty()) return;
  const size_t n = path.size();
  const size_t segments = closed ? n : n - 1;
  if (pen.width <= 1) {
    CosmeticPen cp(r);
    int64_t base = 0;
    for (size_t i = 0; i < segments; ++i) {
      const P64& a = path[i];
      const P64& b = path[(i + 1) % n];
      BresenhamLine(a.x, a.y, b.x, b.y, r.Width(), r.Height(), [&](int64_t x, int64_t y, int64_t k) {
        cp.SetPosition(base + k);
        cp.Pixel(x, y);
      });
      base += std::max(std::abs(b.x - a.x), std::abs(b.y - a.y));
    }
    if (!closed) {
      cp.SetPosition(base);
      cp.Pixel(path.back().x, path.back().y);
    }
    return;
  }
  SpanCollector sc(r.Width(), r.Height());
  const PenShape shape(pen.width);
  for (size_t i = 0; i < segments; ++i) {
    const P64& a = path[i];
    const P64& b = path[(i + 1) % n];
    if (Adjacent(a, b))
      AddDisc(sc, a.x, a.y, shape);
    else
      AddWideSegment(sc, a.x, a.y, b.x, b.y, shape);
  }
  AddDisc(sc, path.back().x, path.back().y, shape);
  const uint32_t bits = r.PenBits();
  sc.ForEach([&](int y, int x0, int x1) { r.Span(y, x0, x1, bits); });
}

// An inside-frame pen wider than one pixel keeps the outline inside the
// bounding rectangle by drawing on a rectangle shrunk by half the pen width,
// unless the rectangle is smaller than the pen.
Box64 FrameBox(const Rasterizer& r, Box64 box) {
  const auto& pen = r.Pen();
  if (pen.style != psInsideFrame || pen.width <= 1) return box;
  const int64_t w = pen.width;
  if (box.Width() < w || box.Height() < w) return box;
  box.l += w / 2;
  box.t += w / 2;
  box.r -= (w - 1) / 2;
  box.b -= (w - 1) / 2;
  return box;
}

// Draws a closed figure, brush first, then pen.  With a null pen the brush
// fills the whole figure, edge included; a rectangle then covers one pixel
// less on the right and bottom (`null_pen_shrink`), as the host fills it.
template <class MakePath>
void DrawClosed(Rasterizer& r, Box64 box, MakePath&& make_path, bool null_pen_shrink = false) {
  if (r.Pen().style == psClear) {
    box.r -= null_pen_shrink ? 1 : 0;
    box.b -= null_pen_shrink ? 1 : 0;
    if (box.Width() <= 0 || box.Height() <= 0) return;
    FillPath(r, make_path(box), true);
    return;
  }
  const Path path = make_path(FrameBox(r, box));
  FillPath(r, path, false);
  StrokePath(r, path, true);
}

bool Drawable(const Rasterizer& r, const Box64& box) {
  return !r.Empty() && InDeviceSpace(box) && box.Width() > 0 && box.Height() > 0 &&
         !(box.Width() == 1 && box.Height() == 1);
}

// ---------------------------------------------------------------- arcs

// Angle of a point around a centre, counter-clockwise on the screen (y
// grows downwards), in [0, 2 pi); a point at the centre counts as 0.
double AngleOf(double dx, double dy) {
  if (dx == 0 && dy == 0) return 0;
  double a = std::atan2(-dy, dx);
  if (a < 0) a += 2 * std::numbers::pi;
  return a;
}

// The part of an ellipse path from the ray through (xs, ys) counter-
// clockwise to the ray through (xe, ye); the whole ellipse, starting at the
// start ray, when the two rays coincide.
Path ArcPath(const Box64& box, int64_t xs, int64_t ys, int64_t xe, int64_t ye) {
  const Path full = EllipsePath(box);
  const double cx = (box.l + box.r) / 2.0, cy = (box.t + box.b) / 2.0;
  const double a0 = AngleOf(static_cast<double>(xs) - cx, static_cast<double>(ys) - cy);
  const double a1 = AngleOf(static_cast<double>(xe) - cx, static_cast<double>(ye) - cy);
  double span = a1 - a0;
  if (span <= 0) span += 2 * std::numbers::pi;
  std::vector<double> rel(full.size());
  size_t first = 0;
  for (size_t i = 0; i < full.size(); ++i) {
    double a = AngleOf(full[i].x + 0.5 - cx, full[i].y + 0.5 - cy) - a0;
    if (a < 0) a += 2 * std::numbers::pi;
    rel[i] = a;
    if (a < rel[first]) first = i;
  }
  Path arc;
  for (size_t k = 0; k < full.size(); ++k) {
    const size_t i = (first + k) % full.size();
    if (rel[i] <= span) arc.push_back(full[i]);
  }
  return arc;
}

}  // namespace

void Surface::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  DrawClosed(r, box, RectanglePath, true);
}

void Surface::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  DrawClosed(r, box, EllipsePath);
}

void Surface::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t corner_w, int32_t corner_h) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  DrawClosed(r, box, [&](const Box64& b) { return RoundRectPath(b, corner_w, corner_h); });
}

void Surface::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe, int32_t ye) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  StrokePath(r, ArcPath(box, xs, ys, xe, ye), false);
}

void Surface::Chord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                    int32_t ye) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  DrawClosed(r, box, [&](const Box64& b) { return ArcPath(b, xs, ys, xe, ye); });
}

void Surface::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe, int32_t ye) {
  Rasterizer r(*this);
  const Box64 box0 = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box0)) return;
  DrawClosed(r, box0, [&](const Box64& box) {
    Path path = ArcPath(box, xs, ys, xe, ye);
    const P64 centre{(box.l + box.r) / 2, (box.t + box.b) / 2};
    if (path.empty() || !(path.back() == centre)) path.push_back(centre);
    return path;
  });
}

// ---------------------------------------------------------------- Bézier

namespace {
// Flattens one cubic Bézier segment into pixel points by uniform steps fine
// enough that consecutive points are at most about a pixel apart.
void FlattenCubic(const P64 c[4], Path& out) {
  const double len = std::hypot(c[1].x - c[0].x, c[1].y - c[0].y) + std::hypot(c[2].x - c[1].x, c[2].y - c[1].y) +
                     std::hypot(c[3].x - c[2].x, c[3].y - c[2].y);
  const int steps = static_cast<int>(std::clamp(len / 2.0, 1.0, 4096.0));
  for (int i = 0; i <= steps; ++i) {
    const double t = static_cast<double>(i) / steps, u = 1 - t;
    const double x = u * u * u * c[0].x + 3 * u * u * t * c[1].x + 3 * u * t * t * c[2].x + t * t * t * c[3].x;
    const double y = u * u * u * c[0].y + 3 * u * u * t * c[1].y + 3 * u * t * t * c[2].y + t * t * t * c[3].y;
    const P64 p{std::llround(x), std::llround(y)};
    if (out.empty() || !(out.back() == p)) out.push_back(p);
  }
}
}  // namespace

void Surface::PolyBezier(std::span<const Point> points) {
  Rasterizer r(*this);
  if (r.Empty() || points.size() < 4 || (points.size() - 1) % 3 != 0) return;
  for (const Point& p : points)
    if (p.x <= -kDeviceSpaceLimit || p.x >= kDeviceSpaceLimit || p.y <= -kDeviceSpaceLimit ||
        p.y >= kDeviceSpaceLimit)
      return;
  Path path;
  for (size_t i = 0; i + 3 < points.size(); i += 3) {
    const P64 c[4] = {{points[i].x, points[i].y},
                      {points[i + 1].x, points[i + 1].y},
                      {points[i + 2].x, points[i + 2].y},
                      {points[i + 3].x, points[i + 3].y}};
    FlattenCubic(c, path);
  }
  StrokePath(r, path, false);
}

}  // namespace raster
