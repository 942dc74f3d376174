// Figures of the drawing surface: rectangles, ellipses and rounded
// rectangles, and what every figure shares (the pen's frame rectangle, the
// brush fill and the pen stroke of a path).
//
// Every closed figure is built as one path of pixel points (the pixels a
// one-pixel pen lights, in counter-clockwise order).  The brush fills the
// polygon through those points with a half-open rule (a pixel counts when
// its position lies inside, left and top boundaries included), and the pen
// strokes the same path afterwards.  So the outline of a filled figure is
// the outline alone.  Ellipses and rounded rectangles whose rounding is two
// pixels or less across are drawn as rectangles, as the host draws them.
#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>
#include <vector>

#include "platform/cpu/cpu.h"
#include "platform/raster/figure_paths.h"

namespace raster {

namespace figure {

Box64 Normalise(int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  return {std::min(x1, x2), std::min(y1, y2), std::max(x1, x2), std::max(y1, y2)};
}

namespace {
bool InDeviceSpace(const Box64& b) {
  return b.l > -kDeviceSpaceLimit && b.t > -kDeviceSpaceLimit && b.r < kDeviceSpaceLimit &&
         b.b < kDeviceSpaceLimit;
}
}  // namespace

bool Drawable(const Rasterizer& r, const Box64& box) {
  return !r.Empty() && InDeviceSpace(box) && box.Width() > 0 && box.Height() > 0;
}

Box64 FrameBox(const Rasterizer& r, Box64 box) {
  const auto& pen = r.Pen();
  if (pen.style != psInsideFrame) return box;
  const int64_t w = pen.width;
  box.l += w / 2;
  box.t += w / 2;
  box.r -= (w - 1) / 2;
  box.b -= (w - 1) / 2;
  return box;
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

namespace {
// The rows a path spans, widened by `margin` on both sides.
std::pair<int64_t, int64_t> RowsOf(const Path& path, int64_t margin) {
  int64_t lo = path.front().y, hi = lo;
  for (const P64& p : path) lo = std::min(lo, p.y), hi = std::max(hi, p.y);
  return {lo - margin, hi + margin};
}
}  // namespace

namespace {
// Whether rows a..b (either order) widened by `margin` meet the
// collector's rows.
bool MeetsRows(const SpanCollector& sc, int64_t a, int64_t b, int64_t margin) {
  return std::max(a, b) + margin >= sc.FirstRow() && std::min(a, b) - margin < sc.Rows();
}

// The pixels of the path's segments (ends included) within the collector's
// rows: each segment is walked in the band's own coordinates, which lights
// the same pixels as walking it on the whole canvas.
void AddEdge(SpanCollector& sc, const Path& path, int width) {
  const int64_t top = sc.FirstRow();
  const int rows = static_cast<int>(sc.Rows() - top);
  for (size_t i = 0; i < path.size(); ++i) {
    const P64& a = path[i];
    const P64& b = path[(i + 1) % path.size()];
    if (!MeetsRows(sc, a.y, b.y, 0)) continue;
    sc.Add(a.y, a.x, a.x + 1);
    BresenhamLine(a.x, a.y - top, b.x, b.y - top, width, rows,
                  [&](int64_t x, int64_t y, int64_t) { sc.Add(y + top, x, x + 1); });
  }
}
}  // namespace

void FillPath(Rasterizer& r, const Path& path, bool with_edge) {
  if (r.Brush().style == bsClear || path.empty()) return;
  std::vector<std::pair<double, double>> pts;
  pts.reserve(path.size());
  for (const P64& p : path) pts.emplace_back(static_cast<double>(p.x), static_cast<double>(p.y));
  const auto [y_min, y_max] = RowsOf(path, 0);
  PolygonScan polygon(pts, 0.0, 0.0);
  PaintInBands(
      r.Width(), r.Height(), y_min, y_max,
      [&](SpanCollector& sc) {
        polygon.Scan(sc);
        if (with_edge) AddEdge(sc, path, r.Width());
      },
      [&](int y, int x0, int x1) { r.BrushSpan(y, x0, x1); });
}

void StrokePath(Rasterizer& r, const Path& path, bool closed, bool last_point) {
  const auto& pen = r.Pen();
  if (pen.style == psClear || path.empty()) return;
  const size_t n = path.size();
  const size_t segments = closed ? n : n - 1;
  if (pen.width <= 1 && (pen.style == psSolid || pen.style == psInsideFrame)) {
    // A solid pen lights the pixels of the dash-free walk, written by the
    // layout's line writer.
    for (size_t i = 0; i < segments; ++i) {
      const P64& a = path[i];
      const P64& b = path[(i + 1) % n];
      r.Storage().ops().solid_line(r.Storage(), a.x, a.y, b.x, b.y, r.PenBits());
    }
    if (!closed && last_point) r.Plot(path.back().x, path.back().y, r.PenBits());
    return;
  }
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
  const PenShape shape(pen.width);
  const uint32_t bits = r.PenBits();
  PaintInBands(
      r.Width(), r.Height(), y_min, y_max,
      [&](SpanCollector& sc) {
        for (size_t i = 0; i < segments; ++i) {
          const P64& a = path[i];
          const P64& b = path[(i + 1) % n];
          if (MeetsRows(sc, a.y, b.y, shape.Width())) AddWideSegment(sc, a.x, a.y, b.x, b.y, shape);
        }
        AddDisc(sc, path.back().x, path.back().y, shape);
      },
      [&](int y, int x0, int x1) { r.Span(y, x0, x1, bits); });
}

namespace {

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
  if (cw > kExactCurveLimit || ch > kExactCurveLimit) return RectanglePath(box);
  const auto q = Quarters(cw, ch);
  Path path;
  Append(path, q[0], box.r - cw, box.t);
  Append(path, q[1], box.l, box.t);
  Append(path, q[2], box.l, box.b - ch);
  Append(path, q[3], box.r - cw, box.b - ch);
  CloseUp(path);
  return path;
}

// Paints the brush over the pixels x0..x1-1 of rows y0..y1-1; nothing when
// the corners are the wrong way round.
void FillRect(Rasterizer& r, int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  if (r.Brush().style == bsClear || x0 >= x1) return;
  const int64_t first = std::max<int64_t>(y0, 0), last = std::min<int64_t>(y1, r.Height());
  for (int64_t y = first; y < last; ++y) r.BrushSpan(y, x0, x1);
}

// A rectangle as the host draws it: the outline on the pen's frame box
// (its right and bottom edges one pixel in), and the brush strictly inside
// it (a wide pen's outline covers the edge of the brush's rectangle).  Without a pen the brush covers the box
// one pixel short on the right and bottom.
void DrawRectangle(Rasterizer& r, const Box64& box) {
  const auto& pen = r.Pen();
  if (pen.style == psClear) return FillRect(r, box.l, box.t, box.r - 1, box.b - 1);
  const Box64 f = FrameBox(r, box);
  if (pen.width <= 1) {
    FillRect(r, f.l + 1, f.t + 1, f.r - 1, f.b - 1);
  } else {
    // The region between the corners of an inverted frame box counts too.
    const Box64 inner = Normalise(f.l, f.t, f.r - 1, f.b - 1);
    FillRect(r, inner.l, inner.t, inner.r, inner.b);
  }
  StrokePath(r, RectanglePath(f), true, false);
}

// An ellipse or rounded rectangle: brush first, then pen.  With a null pen
// the brush fills the whole figure, edge included.
template <class MakePath>
void DrawRounded(Rasterizer& r, const Box64& box, MakePath&& make_path) {
  if (r.Pen().style == psClear) return FillPath(r, make_path(box), true);
  const Path path = make_path(FrameBox(r, box));
  FillPath(r, path, false);
  StrokePath(r, path, true, false);
}

// Whether rounding of corner_w x corner_h (at most the frame box) leaves a
// true curve: two pixels or less across makes the figure a rectangle.
bool Rounds(const Rasterizer& r, const Box64& box, int64_t corner_w, int64_t corner_h) {
  const Box64 f = FrameBox(r, box);
  return std::min(f.Width(), std::abs(corner_w)) > 2 && std::min(f.Height(), std::abs(corner_h)) > 2;
}

}  // namespace

void DrawEllipse(Rasterizer& r, const Box64& box, bool fast) {
  if (!Rounds(r, box, box.Width(), box.Height())) return DrawRectangle(r, box);
  if (fast && EllipseSpans(r, box)) return;
  DrawRounded(r, box, EllipsePath);
}

}  // namespace figure

using namespace figure;

void Surface::Rectangle(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (Drawable(r, box)) DrawRectangle(r, box);
}

void Surface::Ellipse(int32_t x1, int32_t y1, int32_t x2, int32_t y2) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (Drawable(r, box)) DrawEllipse(r, box, cpu::FastPaths());
}

void Surface::RoundRect(int32_t x1, int32_t y1, int32_t x2, int32_t y2, int32_t corner_w, int32_t corner_h) {
  Rasterizer r(*this);
  const Box64 box = Normalise(x1, y1, x2, y2);
  if (!Drawable(r, box)) return;
  if (!Rounds(r, box, corner_w, corner_h)) return DrawRectangle(r, box);
  DrawRounded(r, box, [&](const Box64& b) { return RoundRectPath(b, corner_w, corner_h); });
}

}  // namespace raster
