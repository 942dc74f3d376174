// Internal to the 2D engine: pixel, span and brush writers on a surface's
// bitmap, the span collector wide pens and fills are built from, and the
// figure helpers shared by lines.cpp, figures.cpp and floodfill.cpp.
#pragma once
#include <algorithm>
#include <cstdint>
#include <vector>

#include "platform/raster/pixel_storage.h"
#include "platform/raster/surface.h"
#include "platform/raster/syscolors.h"

namespace raster {

// Coordinates beyond this magnitude lie outside the device space of the
// engine (like the host's 28-bit device space): a figure that reaches them
// draws nothing.
inline constexpr int64_t kDeviceSpaceLimit = int64_t{1} << 27;

class Rasterizer {
 public:
  explicit Rasterizer(Surface& s);

  bool Empty() const { return st_.empty(); }
  int Width() const { return st_.width(); }
  int Height() const { return st_.height(); }
  const Surface::SelectedPen& Pen() const { return s_.dc_.pen; }
  const Surface::SelectedBrush& Brush() const { return s_.dc_.brush; }
  bool BkOpaque() const { return s_.dc_.bk_mode == bkOpaque; }
  uint32_t Bits(ColorRef c) const { return st_.ColorToBits(DeviceColor(c)); }
  uint32_t PenBits() const { return pen_bits_; }
  uint32_t BkBits() const { return bk_bits_; }
  PixelStorage& Storage() { return st_; }

  void Plot(int64_t x, int64_t y, uint32_t bits) {
    if (x >= 0 && y >= 0 && x < st_.width() && y < st_.height())
      st_.SetBits(static_cast<int>(x), static_cast<int>(y), bits);
  }
  // Pixels x0..x1-1 of row y in one stored value; clipped.
  void Span(int64_t y, int64_t x0, int64_t x1, uint32_t bits);
  // Pixels x0..x1-1 of row y with the selected brush (solid, hatched with
  // the background rule, or nothing for a clear brush); clipped.
  void BrushSpan(int64_t y, int64_t x0, int64_t x1);

 private:
  Surface& s_;
  PixelStorage& st_;
  uint32_t pen_bits_ = 0;
  uint32_t bk_bits_ = 0;
  uint32_t brush_bits_ = 0;
};

// Paints a span with one stored value into any storage (clipped).
void StorageSpan(PixelStorage& st, int64_t y, int64_t x0, int64_t x1, uint32_t bits);
// Paints a span with a hatch pattern: line pixels `fg`, gaps `bg` when
// `opaque`, untouched otherwise.
void HatchSpan(PixelStorage& st, BrushStyle style, int64_t y, int64_t x0, int64_t x1, uint32_t fg,
               uint32_t bg, bool opaque);

// Collects half-open pixel intervals per visible row and paints their union,
// so overlapping pieces of one wide outline or one filled region are
// painted exactly once.
class SpanCollector {
 public:
  // Collects rows y_min..y_max of a width x height bitmap (clipped to it).
  SpanCollector(int width, int height, int64_t y_min, int64_t y_max);
  // Empties the collector and makes it collect rows y_min..y_max instead,
  // keeping its memory.
  void Reset(int64_t y_min, int64_t y_max);
  void Add(int64_t y, int64_t x0, int64_t x1);  // pixels x0..x1-1, clipped
  // Calls paint(y, x0, x1) for every merged interval.
  template <class F>
  void ForEach(F&& paint) {
    for (int y = first_; y < Rows(); ++y) {
      const Row& r = rows_[static_cast<size_t>(y - first_)];
      if (r.more >= 0) {
        for (const auto& iv : Merged(r)) paint(y, iv.first, iv.second);
      } else if (r.x0 < r.x1) {
        paint(y, r.x0, r.x1);
      }
    }
  }
  // Rows FirstRow()..Rows()-1 are collected.
  int64_t FirstRow() const { return first_; }
  int64_t Rows() const { return first_ + static_cast<int64_t>(rows_.size()); }

 private:
  // Most rows hold one interval, kept in place: a canvas of 10^8 rows
  // costs 12 bytes a row and no allocation per row.  A row that gets a
  // second, separate interval moves its intervals to a list of its own.
  struct Row {
    int x0 = 0, x1 = 0;  // the one interval (empty when x0 >= x1)
    int more = -1;       // index into lists_, or -1
  };
  struct List {
    std::vector<std::pair<int, int>> spans;
    bool merged = false;
  };
  std::vector<std::pair<int, int>>& Merged(const Row& r);
  int width_, height_;
  int first_ = 0;
  std::vector<Row> rows_;
  std::vector<List> lists_;
};

// Rows painted per band by PaintInBands (at most): 64K rows of 12 bytes stay
// in the cache, whatever the figure's height.
inline constexpr int64_t kBandRows = int64_t{1} << 16;

// Collects and paints rows y_min..y_max of a width x height bitmap band by
// band, so a figure as tall as the canvas never holds a row record per
// canvas row: add(sc) adds what the figure has in the collector's rows
// (pieces outside them are clipped, so it may add everything, but the cost
// should follow the band), then paint(y, x0, x1) gets the band's merged
// intervals.  Every row's pieces land in one band, so the union painted is
// the one a single collector over all rows would paint.
template <class Add, class Paint>
void PaintInBands(int width, int height, int64_t y_min, int64_t y_max, Add&& add, Paint&& paint) {
  const int64_t lo = std::max<int64_t>(y_min, 0), hi = std::min<int64_t>(y_max, int64_t{height} - 1);
  if (lo > hi) return;
  // Bands begin at multiples of kBandRows, wherever the figure begins.
  SpanCollector sc(width, height, lo, lo);
  for (int64_t band = lo; band <= hi; band = (band / kBandRows + 1) * kBandRows) {
    sc.Reset(band, std::min(hi, (band / kBandRows + 1) * kBandRows - 1));
    add(sc);
    sc.ForEach(paint);
  }
}

// A closed polygon with double coordinates filled by the pixel-centre rule:
// pixel (x, y) is inside when the point (x + ox, y + oy) is (non-zero winding).
// Scan adds the polygon's pieces in the collector's rows; successive calls
// must cover rows further down (the bands of PaintInBands), as the edge
// table is walked once from the top.
class PolygonScan {
 public:
  PolygonScan(const std::vector<std::pair<double, double>>& pts, double ox, double oy);
  // The active list points into the edge table.
  PolygonScan(const PolygonScan&) = delete;
  PolygonScan& operator=(const PolygonScan&) = delete;
  void Scan(SpanCollector& sc);

 private:
  struct Edge {
    double y0, y1, x0, slope;
    int dir;
  };
  std::vector<Edge> edges_;  // by first row
  double ox_, oy_;
  int64_t y_first_ = 0, y_last_ = -1;
  int64_t next_row_ = 0;  // rows above it are done
  size_t next_edge_ = 0;  // edges before it have been met
  // The runs of row py from the active edges' crossings (non-zero winding).
  void Runs(double py);
  std::vector<const Edge*> active_;
  bool vertical_ = false;  // every active edge is vertical
  std::vector<std::pair<double, int>> xs_;
  std::vector<std::pair<int64_t, int64_t>> runs_;
};
void AddPolygon(SpanCollector& sc, const std::vector<std::pair<double, double>>& pts, double ox, double oy);
// Where a region polygon samples each pixel (offset from its position).
inline constexpr double kRegionSampleX = 0.0, kRegionSampleY = 0.0;

// The bottom-right quarter of the ellipse inscribed in a width x height box
// (box coordinates 0..width-1, 0..height-1), from the right-middle point
// down to the bottom-middle one: an integer midpoint walk whose error term
// tracks the ellipse through the centres of the box's corner pixels.
std::vector<std::pair<int64_t, int64_t>> QuarterPoints(int64_t width, int64_t height);
// The same walk without the tip completion: calls f(x, y) for every point,
// y rising and x falling, at least one point for a width of 2 or more.
// Returns the row the walk ended on (one past the last point's when its
// last step went down).
template <class F>
int64_t WalkQuarter(int64_t width, int64_t height, F&& f) {
  const int64_t a = width - 1, b = height - 1;
  const int64_t asq = 8 * a * a, bsq = 8 * b * b;
  int64_t dx = 4 * b * b * (1 - a);
  int64_t dy = 4 * a * a * (1 + (b % 2));
  int64_t err = dx + dy + a * a * (b % 2);
  int64_t x = a, y = height / 2;
  while (x >= width / 2) {
    const int64_t e2 = 2 * err;
    f(x, y);
    if (e2 >= dx) {
      --x;
      err += dx += bsq;
    }
    if (e2 <= dy) {
      ++y;
      err += dy += asq;
    }
  }
  return y;
}

// The round end and join of a wide pen: the filled ellipse of a width x
// width box whose top-left is width/2 up and left of the point.
class PenShape {
 public:
  explicit PenShape(int32_t width);
  int64_t Width() const { return width_; }
  int64_t Top() const { return top_; }
  // Columns [first, last] of row dy (relative to the point); first > last
  // when the row is empty.
  std::pair<int64_t, int64_t> Row(int64_t dy) const;

 private:
  static constexpr int64_t kExactShapeLimit = 4096;
  int64_t width_, top_;
  std::vector<std::pair<int64_t, int64_t>> rows_;
};
void AddDisc(SpanCollector& sc, int64_t cx, int64_t cy, const PenShape& shape);
// A wide pen's stroke from (x0, y0) to (x1, y1): the band of the pen's width
// with round ends.
void AddWideSegment(SpanCollector& sc, int64_t x0, int64_t y0, int64_t x1, int64_t y1, const PenShape& shape);

// A one-pixel line from (x0, y0) towards (x1, y1), end excluded.  Steps
// along the major axis (x when |dx| > |dy|, else y); the minor coordinate
// advances when the error term plus the octant's bias is positive.  The
// bias (1 in the octants drawn leftwards-and-up, down-left steep, up-right
// shallow ... see OctantBias) makes a line and its reverse light the same
// pixels the way the host does.  Only the visible steps are visited, so
// lines with far-away ends cost no more than their visible part.
struct LineWalk {
  int64_t x0, y0;
  int sx, sy;  // +1 / -1 per axis
  bool x_major;
  __int128 major, minor;  // |d| along each axis
  int bias;
  int64_t length;  // number of pixels (end excluded)
  // Minor-axis steps taken before pixel i.
  int64_t MinorSteps(int64_t i) const {
    return static_cast<int64_t>((2 * minor * i + major + bias - 1) / (2 * major));
  }
};
LineWalk MakeLineWalk(int64_t x0, int64_t y0, int64_t x1, int64_t y1);
// The range [first, last] of pixel indices inside width x height; empty
// when first > last.
std::pair<int64_t, int64_t> VisibleSteps(const LineWalk& w, int width, int height);

// Where the walk of a line's visible part starts: pixel indices first..last
// (none when first > last), the major and minor coordinates of pixel
// `first` and the error term there.  A line whose ends both lie inside
// starts at its first pixel without a search (its pixels lie between them).
struct LineStart {
  int64_t first, last;
  int64_t maj, min;
  __int128 err;
};
LineStart StartLine(const LineWalk& w, int width, int height);

// Lines shorter than this step with 64-bit error terms (the term stays
// within twice the major length).
inline constexpr __int128 kNarrowLineLimit = __int128{1} << 60;

// Steps a line from `s` and calls f(x, y, i) for pixels first..last.
template <class Int, class F>
void StepLine(const LineWalk& w, const LineStart& s, F&& f) {
  Int err = static_cast<Int>(s.err);
  int64_t maj = s.maj, min = s.min;
  const int smaj = w.x_major ? w.sx : w.sy, smin = w.x_major ? w.sy : w.sx;
  const Int add1 = static_cast<Int>(2 * w.minor - 2 * w.major), add2 = static_cast<Int>(2 * w.minor);
  const Int bias = w.bias;
  for (int64_t i = s.first; i <= s.last; ++i) {
    if (w.x_major)
      f(maj, min, i);
    else
      f(min, maj, i);
    if (err + bias > 0) {
      min += smin;
      err += add1;
    } else {
      err += add2;
    }
    maj += smaj;
  }
}

// Calls f(x, y, i) for every visible pixel i of the line.
template <class F>
void BresenhamLine(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int width, int height, F&& f) {
  const LineWalk w = MakeLineWalk(x0, y0, x1, y1);
  if (w.length <= 0) return;
  const LineStart s = StartLine(w, width, height);
  if (s.first > s.last) return;
  if (w.major < kNarrowLineLimit)
    StepLine<int64_t>(w, s, f);
  else
    StepLine<__int128>(w, s, f);
}

// A cosmetic pen walking along a path: counts pixels through its dash
// pattern and paints on-pixels in the pen colour, off-pixels in the
// background colour when the background is opaque.
class CosmeticPen {
 public:
  explicit CosmeticPen(Rasterizer& r);
  void Pixel(int64_t x, int64_t y);
  // Puts the pattern at pixel n of the path.
  void SetPosition(int64_t n) {
    if (period_) pos_ = static_cast<int>(n % period_);
  }

 private:
  Rasterizer& r_;
  const uint8_t* dashes_ = nullptr;
  int count_ = 0;
  int period_ = 0;
  int pos_ = 0;
};

}  // namespace raster
