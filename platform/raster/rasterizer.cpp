#include "platform/raster/rasterizer.h"

#include <algorithm>
#include <cmath>

#include "platform/raster/bitmap.h"
#include "platform/raster/hatch.h"

namespace raster {

Rasterizer::Rasterizer(Surface& s) : s_(s), st_(s.owner_.Storage()) {
  if (st_.empty()) return;
  pen_bits_ = Bits(s.dc_.pen.color);
  bk_bits_ = Bits(s.dc_.bk_color);
  brush_bits_ = Bits(s.dc_.brush.color);
}

void StorageSpan(PixelStorage& st, int64_t y, int64_t x0, int64_t x1, uint32_t bits) {
  if (st.empty() || y < 0 || y >= st.height()) return;
  const int a = static_cast<int>(std::max<int64_t>(x0, 0));
  const int b = static_cast<int>(std::min<int64_t>(x1, st.width()));
  if (a >= b) return;
  st.ops().fill_span(st, static_cast<int>(y), a, b, bits);
}

void HatchSpan(PixelStorage& st, BrushStyle style, int64_t y, int64_t x0, int64_t x1, uint32_t fg,
               uint32_t bg, bool opaque) {
  if (st.empty() || y < 0 || y >= st.height()) return;
  const int a = static_cast<int>(std::max<int64_t>(x0, 0));
  const int b = static_cast<int>(std::min<int64_t>(x1, st.width()));
  const int yy = static_cast<int>(y);
  const int row = HatchRow(yy);
  for (int x = a; x < b; ++x) {
    if (HatchBit(style, x, row))
      st.SetBits(x, yy, fg);
    else if (opaque)
      st.SetBits(x, yy, bg);
  }
}

void Rasterizer::Span(int64_t y, int64_t x0, int64_t x1, uint32_t bits) { StorageSpan(st_, y, x0, x1, bits); }

void Rasterizer::BrushSpan(int64_t y, int64_t x0, int64_t x1) {
  const BrushStyle style = s_.dc_.brush.style;
  if (style == bsClear) return;
  if (style == bsSolid)
    StorageSpan(st_, y, x0, x1, brush_bits_);
  else
    HatchSpan(st_, style, y, x0, x1, brush_bits_, bk_bits_, BkOpaque());
}

// ---------------------------------------------------------------- spans

SpanCollector::SpanCollector(int width, int height, int64_t y_min, int64_t y_max)
    : width_(width), height_(height) {
  Reset(y_min, y_max);
}

void SpanCollector::Reset(int64_t y_min, int64_t y_max) {
  const int64_t lo = std::max<int64_t>(y_min, 0), hi = std::min<int64_t>(y_max, int64_t{height_} - 1);
  first_ = static_cast<int>(std::min<int64_t>(lo, height_));
  rows_.assign(hi >= lo ? static_cast<size_t>(hi - lo + 1) : 0, Row{});
  lists_.clear();
}

void SpanCollector::Add(int64_t y, int64_t x0, int64_t x1) {
  if (y < first_ || y >= Rows()) return;
  x0 = std::max<int64_t>(x0, 0);
  x1 = std::min<int64_t>(x1, width_);
  if (x0 >= x1) return;
  Row& row = rows_[static_cast<size_t>(y - first_)];
  const int a = static_cast<int>(x0), b = static_cast<int>(x1);
  if (row.more < 0) {
    if (row.x0 >= row.x1) {
      row.x0 = a, row.x1 = b;
      return;
    }
    // Overlapping or touching: the union, as merging would give.
    if (a <= row.x1 && row.x0 <= b) {
      row.x0 = std::min(row.x0, a), row.x1 = std::max(row.x1, b);
      return;
    }
    row.more = static_cast<int>(lists_.size());
    lists_.push_back({{{row.x0, row.x1}}, false});
  }
  List& list = lists_[static_cast<size_t>(row.more)];
  list.spans.emplace_back(a, b);
  list.merged = false;
  // Keep memory bounded when many pieces land on one row.
  if (list.spans.size() >= 64 && (list.spans.size() & (list.spans.size() - 1)) == 0) Merged(row);
}

std::vector<std::pair<int, int>>& SpanCollector::Merged(const Row& row) {
  List& list = lists_[static_cast<size_t>(row.more)];
  auto& r = list.spans;
  if (list.merged || r.size() < 2) return r;
  std::sort(r.begin(), r.end());
  size_t out = 0;
  for (size_t k = 1; k < r.size(); ++k) {
    if (r[k].first <= r[out].second)
      r[out].second = std::max(r[out].second, r[k].second);
    else
      r[++out] = r[k];
  }
  r.resize(out + 1);
  list.merged = true;
  return r;
}

PolygonScan::PolygonScan(const std::vector<std::pair<double, double>>& pts, double ox, double oy)
    : ox_(ox), oy_(oy) {
  if (pts.size() < 3) return;
  edges_.reserve(pts.size());
  for (size_t i = 0; i < pts.size(); ++i) {
    const auto& a = pts[i];
    const auto& b = pts[(i + 1) % pts.size()];
    if (a.second == b.second) continue;
    const bool down = a.second < b.second;
    const auto& lo = down ? a : b;
    const auto& hi = down ? b : a;
    edges_.push_back(
        {lo.second, hi.second, lo.first, (hi.first - lo.first) / (hi.second - lo.second), down ? 1 : -1});
  }
  if (edges_.empty()) return;
  std::sort(edges_.begin(), edges_.end(), [](const Edge& a, const Edge& b) { return a.y0 < b.y0; });
  double ymin = edges_.front().y0, ymax = ymin;
  for (const auto& e : edges_) ymax = std::max(ymax, e.y1);
  // Row y samples the line y + oy; edges cover [y0, y1).
  const double lim = static_cast<double>(kDeviceSpaceLimit) * 4;
  y_first_ = static_cast<int64_t>(std::clamp(std::ceil(ymin - oy), -lim, lim));
  y_last_ = static_cast<int64_t>(std::clamp(std::ceil(ymax - oy), -lim, lim)) - 1;
  next_row_ = y_first_;
}

namespace {
// Sorts the few crossings of a row; on a row already in order (the usual
// case from one row to the next) it only compares neighbours.
void SortCrossings(std::vector<std::pair<double, int>>& xs) {
  for (size_t i = 1; i < xs.size(); ++i) {
    const auto v = xs[i];
    size_t j = i;
    for (; j > 0 && v < xs[j - 1]; --j) xs[j] = xs[j - 1];
    xs[j] = v;
  }
}
}  // namespace

void PolygonScan::Runs(double py) {
  const double lim = static_cast<double>(kDeviceSpaceLimit) * 4;
  xs_.clear();
  for (const Edge* e : active_) xs_.emplace_back(e->x0 + (py - e->y0) * e->slope, e->dir);
  SortCrossings(xs_);
  runs_.clear();
  int wind = 0;
  for (size_t i = 0; i + 1 < xs_.size(); ++i) {
    wind += xs_[i].second;
    if (wind == 0) continue;
    // Pixels whose sample point x + ox lies in [xs[i], xs[i+1]).
    const double xa = std::ceil(xs_[i].first - ox_), xb = std::ceil(xs_[i + 1].first - ox_);
    runs_.emplace_back(static_cast<int64_t>(std::clamp(xa, -lim, lim)),
                       static_cast<int64_t>(std::clamp(xb, -lim, lim)));
  }
}

void PolygonScan::Scan(SpanCollector& sc) {
  const int64_t first = std::max({y_first_, sc.FirstRow(), next_row_});
  const int64_t last = std::min(y_last_, sc.Rows() - 1);
  // Edges leave the active list only at a row past the end of one of them.
  double next_exit = -HUGE_VAL;
  bool fresh = false;  // runs_ hold this row's runs
  for (int64_t y = first; y <= last; ++y) {
    const double py = static_cast<double>(y) + oy_;
    bool changed = false;
    while (next_edge_ < edges_.size() && edges_[next_edge_].y0 <= py) {
      active_.push_back(&edges_[next_edge_++]);
      changed = true;
    }
    if (changed || py >= next_exit) {
      std::erase_if(active_, [py](const Edge* e) { return e->y1 <= py; });
      next_exit = HUGE_VAL;
      vertical_ = true;
      for (const Edge* e : active_) {
        next_exit = std::min(next_exit, e->y1);
        vertical_ = vertical_ && e->slope == 0.0;
      }
      fresh = false;
    }
    // Vertical edges cross every row at their own x: their runs repeat.
    if (!fresh || !vertical_) Runs(py);
    fresh = true;
    for (const auto& [x0, x1] : runs_) sc.Add(y, x0, x1);
  }
  next_row_ = std::max(next_row_, last + 1);
}

void AddPolygon(SpanCollector& sc, const std::vector<std::pair<double, double>>& pts, double ox, double oy) {
  PolygonScan scan(pts, ox, oy);
  scan.Scan(sc);
}

std::vector<std::pair<int64_t, int64_t>> QuarterPoints(int64_t width, int64_t height) {
  std::vector<std::pair<int64_t, int64_t>> out;
  int64_t y = WalkQuarter(width, height, [&](int64_t x, int64_t py) { out.emplace_back(x, py); });
  const int64_t b = height - 1;
  // An ellipse one or two pixels wide leaves the walk before reaching its
  // tip: finish the tip straight down the last column.
  if (width <= 2 && !out.empty())
    for (const int64_t tx = out.back().first; y <= b; ++y) out.emplace_back(tx, y);
  return out;
}

PenShape::PenShape(int32_t width) : width_(std::max(width, 1)), top_(-(width_ / 2)) {
  if (width_ > kExactShapeLimit) return;
  // The ellipse of a width x width box, outline and inside: per row the
  // widest quarter point gives the row's right end, mirrored for the left.
  const int64_t a = width_ - 1, b = width_ - 1;
  rows_.assign(static_cast<size_t>(width_), {0, -1});
  for (const auto& [x, y] : QuarterPoints(width_, width_)) {
    for (const int64_t row : {y, b - y}) {
      auto& r = rows_[static_cast<size_t>(row)];
      r.second = std::max(r.second, x);
      r.first = a - r.second;
    }
  }
}

std::pair<int64_t, int64_t> PenShape::Row(int64_t dy) const {
  const int64_t row = dy - top_;
  if (row < 0 || row >= width_) return {0, -1};
  if (!rows_.empty()) {
    const auto& r = rows_[static_cast<size_t>(row)];
    return {r.first + top_, r.second + top_};
  }
  const double rad = (width_ - 1) / 2.0, yy = static_cast<double>(row) - rad;
  const double half = std::sqrt(std::max(0.0, rad * rad - yy * yy));
  return {static_cast<int64_t>(std::ceil(rad - half)) + top_,
          static_cast<int64_t>(std::floor(rad + half)) + top_};
}

void AddDisc(SpanCollector& sc, int64_t cx, int64_t cy, const PenShape& shape) {
  const int64_t top = cy + shape.Top();
  const int64_t first = std::max<int64_t>(top, sc.FirstRow()),
                last = std::min<int64_t>(top + shape.Width(), sc.Rows()) - 1;
  for (int64_t y = first; y <= last; ++y) {
    const auto [x0, x1] = shape.Row(y - cy);
    if (x0 <= x1) sc.Add(y, cx + x0, cx + x1 + 1);
  }
}

void AddWideSegment(SpanCollector& sc, int64_t x0, int64_t y0, int64_t x1, int64_t y1,
                    const PenShape& shape) {
  AddDisc(sc, x0, y0, shape);
  AddDisc(sc, x1, y1, shape);
  // The band does not depend on the direction: it is built downwards.
  if (y1 < y0) {
    std::swap(x0, x1);
    std::swap(y0, y1);
  }
  const int64_t w = shape.Width(), dx = x1 - x0, dy = y1 - y0;
  if (dx == 0 && dy == 0) return;
  if (dy == 0) {
    // A horizontal band: rows y - w/2 .. y - w/2 + w - 1.
    const int64_t first = std::max(y0 - w / 2, sc.FirstRow()), last = std::min(y0 - w / 2 + w, sc.Rows());
    for (int64_t y = first; y < last; ++y) sc.Add(y, std::min(x0, x1), std::max(x0, x1));
    return;
  }
  if (dx == 0) {
    const int64_t first = std::max<int64_t>(std::min(y0, y1), sc.FirstRow()),
                  last = std::min(std::max(y0, y1), sc.Rows());
    for (int64_t y = first; y < last; ++y) sc.Add(y, x0 - w / 2, x0 - w / 2 + w);
    return;
  }
  // A slanted band: the pen width split across the line into a narrow and a
  // wide half (the wide one takes the odd pixel), each rounded to whole
  // pixels, so the band's corners lie on pixel positions.
  const double len = std::hypot(static_cast<double>(dx), static_cast<double>(dy));
  const double wx = static_cast<double>(w) * static_cast<double>(std::abs(dy)) / len;
  const double wy = static_cast<double>(w) * static_cast<double>(std::abs(dx)) / len;
  int64_t nx = std::llround(wx / 2), ny = std::llround(wy / 2);
  int64_t vx = std::llround((wx + 1) / 2), vy = std::llround((wy + 1) / 2);
  if (dx < 0) ny = -ny, vy = -vy;
  if (dy < 0) nx = -nx, vx = -vx;
  auto d = [](int64_t v) { return static_cast<double>(v); };
  AddPolygon(sc,
             {{d(x0 - nx), d(y0 + ny)},
              {d(x0 + vx), d(y0 - vy)},
              {d(x1 + vx), d(y1 - vy)},
              {d(x1 - nx), d(y1 + ny)}},
             kRegionSampleX, kRegionSampleY);
}

// ---------------------------------------------------------------- lines

namespace {
// Octants numbered counter-clockwise from +x in the y-down device space,
// as the host numbers them; 3, 5, 6 and 8 take a bias of 1.
int OctantBias(int64_t dx, int64_t dy) {
  int octant;
  if (dy > 0)
    octant = dx > 0 ? (dx > dy ? 1 : 2) : (-dx > dy ? 4 : 3);
  else
    octant = dx < 0 ? (-dx > -dy ? 5 : 6) : (dx > -dy ? 8 : 7);
  return (octant == 3 || octant == 5 || octant == 6 || octant == 8) ? 1 : 0;
}

// First index in [lo, hi] for which pred holds (pred monotone false..true);
// hi + 1 when none.
template <class P>
int64_t FirstTrue(int64_t lo, int64_t hi, P&& pred) {
  int64_t a = lo, b = hi + 1;
  while (a < b) {
    const int64_t m = a + (b - a) / 2;
    if (pred(m))
      b = m;
    else
      a = m + 1;
  }
  return a;
}
}  // namespace

LineWalk MakeLineWalk(int64_t x0, int64_t y0, int64_t x1, int64_t y1) {
  LineWalk w{};
  w.x0 = x0;
  w.y0 = y0;
  const int64_t dx = x1 - x0, dy = y1 - y0;
  w.sx = dx < 0 ? -1 : 1;
  w.sy = dy < 0 ? -1 : 1;
  const int64_t adx = dx < 0 ? -dx : dx, ady = dy < 0 ? -dy : dy;
  w.x_major = adx > ady;
  w.major = w.x_major ? adx : ady;
  w.minor = w.x_major ? ady : adx;
  w.bias = OctantBias(dx, dy);
  w.length = static_cast<int64_t>(w.major);
  return w;
}

std::pair<int64_t, int64_t> VisibleSteps(const LineWalk& w, int width, int height) {
  const int64_t maj0 = w.x_major ? w.x0 : w.y0, min0 = w.x_major ? w.y0 : w.x0;
  const int smaj = w.x_major ? w.sx : w.sy, smin = w.x_major ? w.sy : w.sx;
  const int64_t maj_size = w.x_major ? width : height, min_size = w.x_major ? height : width;
  const int64_t n = w.length - 1;
  // Major axis: maj0 + smaj * i in [0, maj_size).
  int64_t lo = 0, hi = n;
  if (smaj > 0) {
    lo = std::max(lo, -maj0);
    hi = std::min(hi, maj_size - 1 - maj0);
  } else {
    lo = std::max(lo, maj0 - (maj_size - 1));
    hi = std::min(hi, maj0);
  }
  if (lo > hi) return {1, 0};
  // Minor axis: min0 + smin * k(i) in [0, min_size), k non-decreasing.
  auto minor_at = [&](int64_t i) { return min0 + smin * w.MinorSteps(i); };
  if (smin > 0) {
    lo = FirstTrue(lo, hi, [&](int64_t i) { return minor_at(i) >= 0; });
    hi = FirstTrue(lo, hi, [&](int64_t i) { return minor_at(i) >= min_size; }) - 1;
  } else {
    lo = FirstTrue(lo, hi, [&](int64_t i) { return minor_at(i) < min_size; });
    hi = FirstTrue(lo, hi, [&](int64_t i) { return minor_at(i) < 0; }) - 1;
  }
  return {lo, hi};
}

LineStart StartLine(const LineWalk& w, int width, int height) {
  const int64_t x1 = w.x0 + (w.x_major ? w.sx * w.length : w.sx * static_cast<int64_t>(w.minor));
  const int64_t y1 = w.y0 + (w.x_major ? w.sy * static_cast<int64_t>(w.minor) : w.sy * w.length);
  const auto inside = [&](int64_t x, int64_t y) { return x >= 0 && y >= 0 && x < width && y < height; };
  const int64_t maj0 = w.x_major ? w.x0 : w.y0, min0 = w.x_major ? w.y0 : w.x0;
  if (inside(w.x0, w.y0) && inside(x1, y1)) return {0, w.length - 1, maj0, min0, 2 * w.minor - w.major};
  const auto [first, last] = VisibleSteps(w, width, height);
  if (first > last) return {1, 0, 0, 0, 0};
  const int64_t k = w.MinorSteps(first);
  const int smaj = w.x_major ? w.sx : w.sy, smin = w.x_major ? w.sy : w.sx;
  return {first, last, maj0 + smaj * first, min0 + smin * k,
          2 * w.minor * (first + 1) - w.major - 2 * w.major * k};
}

// Dash patterns of cosmetic pens, in pixels: on, off, on, off ...
namespace {
constexpr uint8_t kDash[] = {18, 6};
constexpr uint8_t kDot[] = {3, 3};
constexpr uint8_t kDashDot[] = {9, 6, 3, 6};
constexpr uint8_t kDashDotDot[] = {9, 3, 3, 3, 3, 3};
}  // namespace

CosmeticPen::CosmeticPen(Rasterizer& r) : r_(r) {
  switch (r.Pen().style) {
    case psDash:
      dashes_ = kDash, count_ = 2;
      break;
    case psDot:
      dashes_ = kDot, count_ = 2;
      break;
    case psDashDot:
      dashes_ = kDashDot, count_ = 4;
      break;
    case psDashDotDot:
      dashes_ = kDashDotDot, count_ = 6;
      break;
    default:
      break;
  }
  for (int i = 0; i < count_; ++i) period_ += dashes_[i];
}

void CosmeticPen::Pixel(int64_t x, int64_t y) {
  if (!dashes_) {
    r_.Plot(x, y, r_.PenBits());
    return;
  }
  int p = pos_;
  int seg = 0;
  while (p >= dashes_[seg]) p -= dashes_[seg++];
  if (seg % 2 == 0)
    r_.Plot(x, y, r_.PenBits());
  else if (r_.BkOpaque())
    r_.Plot(x, y, r_.BkBits());
  pos_ = (pos_ + 1) % period_;
}

}  // namespace raster
