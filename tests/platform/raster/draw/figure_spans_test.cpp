// The row-by-row ellipse and the row-walking solid line against the general
// figure code and the closed form of the line walk: many random figures on
// every layout, pen and brush, byte for byte.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <string>
#include <tuple>
#include <vector>

#include "platform/raster/bitmap.h"
#include "platform/raster/figure_paths.h"
#include "platform/raster/format_ops.h"
#include "platform/raster/rasterizer.h"
#include "platform/raster/surface.h"

using namespace raster;
using figure::Box64;

namespace {

struct Layout {
  const char* label;
  PixelLayout layout;
  Palette palette;  // empty: the layout's own
};

std::vector<Layout> Layouts() {
  return {{"1", PixelLayout{1}, {}},
          {"1_custom", PixelLayout{1}, Palette{0x204060, 0x80FF10}},
          {"4", PixelLayout{4}, {}},
          {"8", PixelLayout{8}, {}},
          {"555", kLayout555, {}},
          {"565", kLayout565, {}},
          {"16_444", PixelLayout{16, 0x0F00, 0x00F0, 0x000F}, {}},
          {"24", kLayout24, {}},
          {"32", kLayout32, {}},
          {"32_rgb_masks", PixelLayout{32, 0x0000FF, 0x00FF00, 0xFF0000}, {}}};
}

// Two bitmaps of one layout with the same random bytes.
struct Pair {
  Bitmap a, b;
  Pair(const Layout& l, int w, int h, std::mt19937& rng) {
    for (Bitmap* m : {&a, &b}) {
      m->SetSize(w, h);
      m->SetLayout(l.layout);
      if (!l.palette.empty()) m->SetPalette(l.palette);
    }
    for (int y = 0; y < h; ++y)
      for (int64_t i = 0; i < a.Stride(); ++i) a.ScanLine(y)[i] = static_cast<uint8_t>(rng());
    for (int y = 0; y < h; ++y) std::memcpy(b.ScanLine(y), a.ScanLine(y), static_cast<size_t>(a.Stride()));
  }
  bool Same() const {
    for (int y = 0; y < a.Height(); ++y)
      if (std::memcmp(a.ScanLine(y), b.ScanLine(y), static_cast<size_t>(a.Stride())) != 0) return false;
    return true;
  }
};

struct Tools {
  PenStyle pen;
  int32_t width;
  BrushStyle brush;
  bool opaque;
  ColorRef pen_color, brush_color, bk_color;
  std::string Label() const {
    return "pen " + std::to_string(pen) + " width " + std::to_string(width) + " brush " +
           std::to_string(brush) + (opaque ? " opaque" : " transparent");
  }
};

void Select(Surface& s, const Tools& t) {
  s.SetPenStyle(t.pen);
  s.SetPenWidth(t.width);
  s.SetPenColor(t.pen_color);
  s.SetBrushStyle(t.brush);
  s.SetBrushColor(t.brush_color);
  s.ApplyPen();
  s.ApplyBrush();
  s.SetBkColor(t.bk_color);
  s.SetBkMode(t.opaque ? bkOpaque : bkTransparent);
}

ColorRef Colour(std::mt19937& rng) { return static_cast<ColorRef>(rng() & 0xFFFFFF); }

Tools RandomTools(std::mt19937& rng) {
  static constexpr PenStyle kPens[] = {psSolid, psSolid, psInsideFrame, psClear, psDash, psDot};
  static constexpr BrushStyle kBrushes[] = {bsSolid,      bsSolid,     bsClear,
                                            bsHorizontal, bsFDiagonal, bsDiagCross};
  Tools t{};
  t.pen = kPens[rng() % std::size(kPens)];
  t.width = rng() % 6 == 0 ? 3 + static_cast<int32_t>(rng() % 4) : 1;
  t.brush = kBrushes[rng() % std::size(kBrushes)];
  t.opaque = rng() % 2 == 0;
  t.pen_color = Colour(rng), t.brush_color = Colour(rng), t.bk_color = Colour(rng);
  return t;
}

// Corners in one of several ranges: near the canvas, tiny, reversed, far
// outside, negative, or as large as exact curves go (and a little beyond).
Box64 RandomCorners(std::mt19937& rng, int w, int h, int64_t& x1, int64_t& y1, int64_t& x2, int64_t& y2) {
  auto in = [&](int64_t lo, int64_t hi) {
    return lo + static_cast<int64_t>(rng() % static_cast<uint64_t>(hi - lo + 1));
  };
  // Curves near the limit cost the path a lot of points: one box in 60.
  const unsigned pick = rng() % 60;
  switch (pick == 0 ? 3 : pick % 6 == 3 ? 5 : pick % 6) {
    case 0:  // tiny boxes, 0 to 4 pixels across either way
      x1 = in(-3, w + 2), y1 = in(-3, h + 2), x2 = x1 + in(-4, 4), y2 = y1 + in(-4, 4);
      break;
    case 1:  // partly outside on any side
      x1 = in(-60, w + 60), y1 = in(-60, h + 60), x2 = in(-60, w + 60), y2 = in(-60, h + 60);
      break;
    case 2:  // wholly outside, at negative or large coordinates
      x1 = in(-5000, -200), y1 = in(-100, h + 100), x2 = x1 + in(1, 180), y2 = y1 + in(1, 180);
      if (rng() % 2) std::swap(x1, y1), std::swap(x2, y2);
      break;
    case 3: {  // near the exact-curve limit, centred on or near the canvas
      const int64_t span_w = figure::kExactCurveLimit - in(0, 3) + (rng() % 4 == 0 ? 2 : 0);
      const int64_t span_h = rng() % 2 ? in(3, 400) : figure::kExactCurveLimit - in(0, 3);
      x1 = w / 2 - span_w / 2 + in(-span_w / 2, span_w / 2), y1 = h / 2 - span_h / 2 + in(-50, 50);
      x2 = x1 + span_w, y2 = y1 + span_h;
      if (rng() % 2) std::swap(x1, x2);
      break;
    }
    case 4:  // flat or narrow: 1 to 6 pixels one way, long the other
      x1 = in(-20, w + 20), y1 = in(-20, h + 20), x2 = x1 + in(1, 6), y2 = y1 + in(-90, 90);
      if (rng() % 2) std::swap(x1, y1), std::swap(x2, y2);
      break;
    default:  // ordinary figures inside
      x1 = in(0, w), y1 = in(0, h), x2 = in(0, w), y2 = in(0, h);
      break;
  }
  return figure::Normalise(x1, y1, x2, y2);
}

TEST(EllipseSpans, SameBytesAsThePathOnEveryLayoutPenAndBrush) {
  std::mt19937 rng(2026);
  int drawn_fast = 0;
  for (const Layout& l : Layouts()) {
    SCOPED_TRACE(l.label);
    Pair p(l, 67, 45, rng);
    for (int i = 0; i < 400; ++i) {
      const Tools t = RandomTools(rng);
      int64_t x1, y1, x2, y2;
      const Box64 box = RandomCorners(rng, 67, 45, x1, y1, x2, y2);
      Select(p.a.Canvas(), t);
      Select(p.b.Canvas(), t);
      Rasterizer ra(p.a.Canvas()), rb(p.b.Canvas());
      if (!figure::Drawable(ra, box)) continue;
      figure::DrawEllipse(ra, box, true);
      figure::DrawEllipse(rb, box, false);
      ASSERT_TRUE(p.Same()) << t.Label() << " corners " << x1 << "," << y1 << " " << x2 << "," << y2;
      drawn_fast += (t.pen == psClear || (t.width == 1 && (t.pen == psSolid || t.pen == psInsideFrame)));
    }
  }
  EXPECT_GT(drawn_fast, 1000);  // the span path really ran
}

// Every size from 3 x 3 to 40 x 40 at a few offsets, so each ending of the
// quarter walk (a tip reached or not, even and odd middles) is met.
TEST(EllipseSpans, EverySmallSizeMatchesThePath) {
  std::mt19937 rng(9);
  for (const Layout& l : {Layouts()[0], Layouts()[7]}) {
    Pair p(l, 50, 50, rng);
    for (const bool with_pen : {true, false})
      for (int64_t w = 3; w <= 40; ++w)
        for (int64_t h = 3; h <= 40; ++h) {
          const Tools t{with_pen ? psSolid : psClear, 1, bsSolid, true, Colour(rng), Colour(rng), 0};
          Select(p.a.Canvas(), t);
          Select(p.b.Canvas(), t);
          Rasterizer ra(p.a.Canvas()), rb(p.b.Canvas());
          const int64_t x = static_cast<int64_t>(rng() % 20) - 5, y = static_cast<int64_t>(rng() % 20) - 5;
          const Box64 box{x, y, x + w, y + h};
          ASSERT_TRUE(figure::EllipseSpans(ra, box));
          figure::DrawEllipse(rb, box, false);
          ASSERT_TRUE(p.Same()) << l.label << " " << w << " x " << h << " at " << x << "," << y;
        }
  }
}

TEST(EllipseSpans, LeavesOtherFiguresToThePath) {
  std::mt19937 rng(1);
  Pair p(Layouts()[7], 20, 20, rng);
  Surface& s = p.a.Canvas();
  const auto before = [&] { return p.Same(); };
  for (const Tools& t : {Tools{psDash, 1, bsSolid, true, 0, 0, 0}, Tools{psSolid, 2, bsSolid, true, 0, 0, 0},
                         Tools{psInsideFrame, 3, bsClear, true, 0, 0, 0}}) {
    Select(s, t);
    Rasterizer r(s);
    EXPECT_FALSE(figure::EllipseSpans(r, Box64{2, 2, 15, 15})) << t.Label();
  }
  Select(s, Tools{psSolid, 1, bsSolid, true, 0, 0, 0});
  Rasterizer r(s);
  EXPECT_FALSE(figure::EllipseSpans(r, Box64{2, 2, 4, 15}));
  EXPECT_FALSE(figure::EllipseSpans(r, Box64{0, 0, figure::kExactCurveLimit + 1, 15}));
  EXPECT_TRUE(before());  // a refusal draws nothing
}

// ------------------------------------------------------------------ lines

// The visible pixels of a line by the closed form of its walk: pixel i lies
// at major coordinate maj0 + smaj * i and minor coordinate min0 + smin *
// MinorSteps(i), visited once per major coordinate on the canvas.
std::vector<std::pair<int64_t, int64_t>> ClosedForm(int64_t x0, int64_t y0, int64_t x1, int64_t y1, int w,
                                                    int h) {
  const LineWalk lw = MakeLineWalk(x0, y0, x1, y1);
  std::vector<std::pair<int64_t, int64_t>> out;
  const int64_t maj0 = lw.x_major ? x0 : y0, min0 = lw.x_major ? y0 : x0;
  const int smaj = lw.x_major ? lw.sx : lw.sy, smin = lw.x_major ? lw.sy : lw.sx;
  const int64_t maj_size = lw.x_major ? w : h, min_size = lw.x_major ? h : w;
  std::vector<std::pair<int64_t, std::pair<int64_t, int64_t>>> by_index;
  for (int64_t m = 0; m < maj_size; ++m) {
    const int64_t i = (m - maj0) * smaj;
    if (i < 0 || i >= lw.length) continue;
    const int64_t n = min0 + smin * lw.MinorSteps(i);
    if (n < 0 || n >= min_size) continue;
    by_index.push_back({i, lw.x_major ? std::pair{m, n} : std::pair{n, m}});
  }
  std::sort(by_index.begin(), by_index.end());
  for (const auto& [i, px] : by_index) out.push_back(px);
  return out;
}

TEST(LineWalk, VisiblePixelsFollowTheClosedFormInsideOutsideAndFarAway) {
  std::mt19937_64 rng(77);
  constexpr int kW = 61, kH = 43;
  auto near = [&](int64_t margin) {
    return std::pair<int64_t, int64_t>{static_cast<int64_t>(rng() % (kW + 2 * margin)) - margin,
                                       static_cast<int64_t>(rng() % (kH + 2 * margin)) - margin};
  };
  auto far = [&](int bits) {
    return static_cast<int64_t>(rng() % (uint64_t{1} << bits)) - (int64_t{1} << (bits - 1));
  };
  for (int k = 0; k < 6000; ++k) {
    int64_t x0, y0, x1, y1;
    switch (k % 4) {
      case 0:  // both ends inside: the walk starts without a search
        std::tie(x0, y0) = near(0), std::tie(x1, y1) = near(0);
        break;
      case 1:
        std::tie(x0, y0) = near(40), std::tie(x1, y1) = near(40);
        break;
      case 2:  // one end far away
        std::tie(x0, y0) = near(0), x1 = far(29), y1 = far(29);
        break;
      default: {  // ends far beyond 64-bit error terms, the middle on the canvas
        const auto [px, py] = near(0);
        const int64_t dx = far(62), dy = far(62) / static_cast<int64_t>(1 + rng() % 8);
        x0 = px - dx, y0 = py - dy, x1 = px + dx, y1 = py + dy;
        if (k % 8 == 7) std::swap(x0, y0), std::swap(x1, y1);
        break;
      }
    }
    std::vector<std::pair<int64_t, int64_t>> walked;
    BresenhamLine(x0, y0, x1, y1, kW, kH, [&](int64_t x, int64_t y, int64_t) { walked.emplace_back(x, y); });
    ASSERT_EQ(walked, ClosedForm(x0, y0, x1, y1, kW, kH)) << x0 << "," << y0 << " - " << x1 << "," << y1;
  }
}

TEST(SolidLine, RowWalkMatchesTheReferenceTableOnEveryLayout) {
  std::mt19937 rng(31);
  for (const Layout& l : Layouts()) {
    Pair p(l, 53, 37, rng);
    PixelStorage& a = p.a.Storage();
    PixelStorage& b = p.b.Storage();
    const FormatOps& ref = ReferenceOf(a.ops());
    for (int k = 0; k < 1500; ++k) {
      const int64_t reach = k % 3 == 0 ? 60 : (k % 3 == 1 ? 3000 : int64_t{1} << 27);
      auto c = [&] { return static_cast<int64_t>(rng() % static_cast<uint32_t>(2 * reach + 53)) - reach; };
      const int64_t x0 = c(), y0 = c(), x1 = c(), y1 = c();
      const uint32_t bits = rng() & a.ops().pixel_mask;
      a.ops().solid_line(a, x0, y0, x1, y1, bits);
      ref.solid_line(b, x0, y0, x1, y1, bits);
      ASSERT_TRUE(p.Same()) << l.label << " " << x0 << "," << y0 << " - " << x1 << "," << y1;
    }
  }
}

// Shallow lines go as runs: every slope from flat to one in two, both
// directions, cut by the canvas's edges at either end or both.
TEST(SolidLine, ShallowRunsMatchTheReferenceTableWhereverTheyAreCut) {
  std::mt19937 rng(5);
  for (const Layout& l : {Layouts()[2], Layouts()[3], Layouts()[7], Layouts()[8]}) {
    Pair p(l, 41, 23, rng);
    PixelStorage& a = p.a.Storage();
    PixelStorage& b = p.b.Storage();
    const FormatOps& ref = ReferenceOf(a.ops());
    for (int64_t dx = 2; dx <= 120; dx += 3)
      for (int64_t dy = 0; 2 * dy <= dx; ++dy)
        for (int k = 0; k < 4; ++k) {
          const int64_t x0 = static_cast<int64_t>(rng() % 161) - 60,
                        y0 = static_cast<int64_t>(rng() % 43) - 10;
          const int64_t sx = k & 1 ? -1 : 1, sy = k & 2 ? -1 : 1;
          const uint32_t bits = rng() & a.ops().pixel_mask;
          a.ops().solid_line(a, x0, y0, x0 + sx * dx, y0 + sy * dy, bits);
          ref.solid_line(b, x0, y0, x0 + sx * dx, y0 + sy * dy, bits);
          ASSERT_TRUE(p.Same()) << l.label << " from " << x0 << "," << y0 << " by " << sx * dx << ","
                                << sy * dy;
        }
  }
}

}  // namespace
