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

// Bézier curves are split until both control points lie within this many
// pixels of the chord.
constexpr double kBezierFlatness = 1.0;

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

// The rows a path spans, widened by `margin` on both sides.
std::pair<int64_t, int64_t> RowsOf(const Path& path, int64_t margin) {
  int64_t lo = path.front().y, hi = lo;
  for (const P64& p : path) lo = std::min(lo, p.y), hi = std::max(hi, p.y);
  return {lo - margin, hi + margin};
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
  const auto [y_min, y_max] = RowsOf(path, 0);
  SpanCollector sc(r.Width(), r.Height(), y_min, y_max);
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

// Strokes a path with the selected pen: one-pixel pens light the pixels of
// each segment (end excluded, so a closed path lights each corner once) with
// the dash pattern running on along the path; wide pens paint the union of
// round-ended bands.  An open path also lights its last point.
void StrokePath(Rasterizer& r, const Path& path, bool closed, bool last_point = true) {
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
    if (!closed && last_point) {
      cp.SetPosition(base);
      cp.Pixel(path.back().x, path.back().y);
    }
    return;
  }
  const auto [y_min, y_max] = RowsOf(path, pen.width);
  SpanCollector sc(r.Width(), r.Height(), y_min, y_max);
  const PenShape shape(pen.width);
  for (size_t i = 0; i < segments; ++i) {
    const P64& a = path[i];
    const P64& b = path[(i + 1) % n];
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

// Arcs select a run of the ellipse's points by direction from the centre.
// Each point carries the direction it stands for: its quarter's offset from
// the box's middle (left and up of centre for the mirrored quarters, y up),
// so mirrored points on the same row or column share a direction and the
// choice is symmetric.  Directions are compared exactly in integers.
struct Dir {
  int64_t x, y;
  bool full_turn = false;  // the closing point of the last quarter: 360 degrees
};

bool UpperHalf(const Dir& d) { return d.y > 0 || (d.y == 0 && d.x >= 0); }

// True when direction p lies at or counter-clockwise past ray r (both
// measured from 0 degrees, p in [0, 360]).
bool AtOrPast(const Dir& p, const Dir& r) {
  if (p.full_turn) return true;
  const bool pu = UpperHalf(p), ru = UpperHalf(r);
  if (pu != ru) return ru;  // ray in the upper half, point in the lower one
  const __int128 cross = static_cast<__int128>(r.x) * p.y - static_cast<__int128>(r.y) * p.x;
  // A point in exactly the ray's direction counts as reached, except for
  // rays pointing below the centre, where it is not yet reached: that is
  // how the host resolves such ties.
  return r.y < 0 ? cross > 0 : cross >= 0;
}

struct ArcPoint {
  P64 p;
  Dir d;
};

std::vector<ArcPoint> EllipseArcPoints(const Box64& box) {
  std::vector<ArcPoint> out;
  const int64_t w = box.Width(), h = box.Height();
  if (w > kExactCurveLimit || h > kExactCurveLimit) {
    const int64_t cx = box.l + w / 2, cy = box.t + h / 2;
    for (const P64& p : ApproximateEllipse(box)) out.push_back({p, {p.x - cx, cy - p.y}});
    return out;
  }
  const Path q = QuarterPath(w, h);
  const int64_t a = w - 1, b = h - 1;
  for (const P64& p : q) out.push_back({{box.l + p.x, box.t + b - p.y}, {p.x - w / 2, p.y - h / 2}});
  for (auto it = q.rbegin(); it != q.rend(); ++it)
    out.push_back({{box.l + a - it->x, box.t + b - it->y}, {-(it->x - w / 2), it->y - h / 2}});
  for (const P64& p : q) out.push_back({{box.l + a - p.x, box.t + p.y}, {-(p.x - w / 2), -(p.y - h / 2)}});
  for (auto it = q.rbegin(); it != q.rend(); ++it)
    out.push_back({{box.l + it->x, box.t + it->y}, {it->x - w / 2, -(it->y - h / 2)}});
  if (!out.empty() && out.back().d.y == 0) out.back().d.full_turn = true;
  return out;
}

// The ray from the box's centre through (x, y), y up; the centre itself
// counts as 0 degrees.
Dir RayOf(const Box64& box, int64_t x, int64_t y) {
  const Dir d{x - (box.l + box.Width() / 2), (box.t + box.Height() / 2) - y};
  return (d.x == 0 && d.y == 0) ? Dir{1, 0} : d;
}

// The points of the ellipse from the first at or past the start ray,
// counter-clockwise, up to but not including the first at or past the end
// ray; the whole ellipse when both rays pick the same point.
Path ArcPath(const Box64& box, int64_t xs, int64_t ys, int64_t xe, int64_t ye) {
  const std::vector<ArcPoint> pts = EllipseArcPoints(box);
  const size_t n = pts.size();
  if (n == 0) return {};
  auto first_at = [&](const Dir& ray) {
    size_t i = 0;
    while (i < n && !AtOrPast(pts[i].d, ray)) ++i;
    return i % n;
  };
  const size_t start = first_at(RayOf(box, xs, ys));
  size_t end = first_at(RayOf(box, xe, ye));
  if (end <= start) end += n;
  Path arc;
  for (size_t i = start; i < end; ++i) arc.push_back(pts[i % n].p);
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

void Surface::Arc(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                  int32_t ye) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  StrokePath(r, ArcPath(box, xs, ys, xe, ye), false, /*last_point=*/false);
}

void Surface::Chord(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                    int32_t ye) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  DrawClosed(r, box, [&](const Box64& b) { return ArcPath(b, xs, ys, xe, ye); });
}

void Surface::Pie(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t xs, int32_t ys, int32_t xe,
                  int32_t ye) {
  Rasterizer r(*this);
  const Box64 box0 = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box0)) return;
  DrawClosed(r, box0, [&](const Box64& box) {
    Path path = ArcPath(box, xs, ys, xe, ye);
    const P64 centre{box.l + box.Width() / 2, box.t + box.Height() / 2};
    if (path.empty() || !(path.back() == centre)) path.push_back(centre);
    return path;
  });
}

// ---------------------------------------------------------------- Bézier

namespace {
// Flattens one cubic Bézier segment by halving it (de Casteljau) until its
// control points lie within a flatness tolerance of the chord, then takes
// the chord ends rounded to pixels.
struct DPoint {
  double x, y;
};

double ChordDistance(const DPoint& p, const DPoint& a, const DPoint& b) {
  const double dx = b.x - a.x, dy = b.y - a.y, len = std::hypot(dx, dy);
  if (len == 0) return std::hypot(p.x - a.x, p.y - a.y);
  return std::abs((p.x - a.x) * dy - (p.y - a.y) * dx) / len;
}

void Subdivide(const DPoint c[4], int depth, Path& out) {
  const bool flat = ChordDistance(c[1], c[0], c[3]) <= kBezierFlatness &&
                    ChordDistance(c[2], c[0], c[3]) <= kBezierFlatness;
  if (flat || depth >= 16) {
    const P64 p{std::llround(c[3].x), std::llround(c[3].y)};
    if (out.empty() || !(out.back() == p)) out.push_back(p);
    return;
  }
  auto mid = [](const DPoint& a, const DPoint& b) { return DPoint{(a.x + b.x) / 2, (a.y + b.y) / 2}; };
  const DPoint ab = mid(c[0], c[1]), bc = mid(c[1], c[2]), cd = mid(c[2], c[3]);
  const DPoint abc = mid(ab, bc), bcd = mid(bc, cd), m = mid(abc, bcd);
  const DPoint left[4] = {c[0], ab, abc, m}, right[4] = {m, bcd, cd, c[3]};
  Subdivide(left, depth + 1, out);
  Subdivide(right, depth + 1, out);
}

void FlattenCubic(const P64 c[4], Path& out) {
  const DPoint d[4] = {{static_cast<double>(c[0].x), static_cast<double>(c[0].y)},
                       {static_cast<double>(c[1].x), static_cast<double>(c[1].y)},
                       {static_cast<double>(c[2].x), static_cast<double>(c[2].y)},
                       {static_cast<double>(c[3].x), static_cast<double>(c[3].y)}};
  if (out.empty() || !(out.back() == c[0])) out.push_back(c[0]);
  Subdivide(d, 0, out);
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
  StrokePath(r, path, false, /*last_point=*/false);
}

}  // namespace raster
