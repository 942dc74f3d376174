// Ellipses drawn row by row while their quarter is walked.
//
// The path of an exact ellipse is four mirror images of one quarter walk,
// every step to a neighbouring pixel, so what the brush fill and the
// one-pixel stroke of that path paint comes straight from the quarter: on
// each row the walk's points form one run [xmin, xmax] of the right side,
// mirrored for the left side, and the polygon fill through the path covers
// the pixels between the runs.  The walk ends on the middle column, so on
// its last row the two runs meet (the path runs straight across the tip
// there) and no brush shows.  Each row is
// painted as soon as the walk leaves it: pen runs and the brush between them
// through the layout's span writer, with no points stored.
#include <algorithm>

#include "platform/raster/figure_paths.h"

namespace raster::figure {

namespace {

// A pen the spans can draw: none at all, or a solid one-pixel pen (an
// inside-frame pen of one pixel keeps the box as it is).
bool SpanPen(const Rasterizer& r) {
  const auto& pen = r.Pen();
  return pen.style == psClear || (pen.width <= 1 && (pen.style == psSolid || pen.style == psInsideFrame));
}

bool MeetsCanvas(const Rasterizer& r, const Box64& box) {
  return box.r > 0 && box.b > 0 && box.l < r.Width() && box.t < r.Height();
}

class EllipseRows {
 public:
  EllipseRows(Rasterizer& r, const Box64& box)
      : r_(r),
        left_(box.l),
        top_(box.t),
        a_(box.Width() - 1),
        b_(box.Height() - 1),
        pen_(r.Pen().style != psClear),
        pen_bits_(r.PenBits()) {}

  // Row y of the quarter (box coordinates, below the middle) with its
  // points xmin..xmax, and the row as far above the middle.
  void Row(int64_t y, int64_t xmin, int64_t xmax) {
    Paint(top_ + y, xmin, xmax);
    if (b_ - y != y) Paint(top_ + b_ - y, xmin, xmax);
  }

 private:
  void Paint(int64_t row, int64_t xmin, int64_t xmax) {
    if (row < 0 || row >= r_.Height()) return;
    const int64_t outer_l = left_ + a_ - xmax, outer_r = left_ + xmax + 1;
    // Without a pen the brush covers the outline too.
    if (!pen_) return r_.BrushSpan(row, outer_l, outer_r);
    const int64_t inner_l = left_ + a_ - xmin + 1, inner_r = left_ + xmin;
    if (inner_l >= inner_r) return r_.Span(row, outer_l, outer_r, pen_bits_);
    r_.Span(row, outer_l, inner_l, pen_bits_);
    r_.BrushSpan(row, inner_l, inner_r);
    r_.Span(row, inner_r, outer_r, pen_bits_);
  }

  Rasterizer& r_;
  const int64_t left_, top_, a_, b_;
  const bool pen_;
  const uint32_t pen_bits_;
};

}  // namespace

bool EllipseSpans(Rasterizer& r, const Box64& box) {
  if (!SpanPen(r) || box.Width() > kExactCurveLimit || box.Height() > kExactCurveLimit) return false;
  // The path needs a true curve: two pixels or less across is a rectangle.
  if (box.Width() < 3 || box.Height() < 3) return false;
  if (!MeetsCanvas(r, box)) return true;
  EllipseRows rows(r, box);
  int64_t row = -1, xmin = 0, xmax = 0;
  WalkQuarter(box.Width(), box.Height(), [&](int64_t x, int64_t y) {
    if (y != row) {
      if (row >= 0) rows.Row(row, xmin, xmax);
      row = y, xmax = x;
    }
    xmin = x;
  });
  rows.Row(row, xmin, xmax);
  return true;
}

}  // namespace raster::figure
