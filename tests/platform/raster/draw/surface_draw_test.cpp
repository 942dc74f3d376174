// The raster engine's figures, pens, brushes and fills on real bitmaps.
#include <gtest/gtest.h>

#include <chrono>
#include <random>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/hatch.h"
#include "platform/raster/rasterizer.h"
#include "platform/raster/surface.h"

using namespace raster;

namespace {
constexpr ColorRef kWhite = 0xFFFFFF, kRed = 0x0000FF, kBlue = 0xFF0000, kGreen = 0x00FF00;

// A white 24-bit canvas of w x h with its surface ready to draw.
struct Canvas {
  Bitmap bmp;
  Surface* s;
  Canvas(int w, int h, int format = zelnor::pf24bit) {
    zelnor::SetPixelFormat(bmp, format);
    bmp.SetSize(w, h);
    s = &bmp.Canvas();
  }
  void Apply() {
    s->ApplyPen();
    s->ApplyBrush();
  }
  int Count(ColorRef c) const {
    int n = 0;
    for (int y = 0; y < bmp.Height(); ++y)
      for (int x = 0; x < bmp.Width(); ++x) n += bmp.GetPixel(x, y) == c;
    return n;
  }
};
}  // namespace

TEST(SurfaceLines, EndPointExcludedAndReverseLightsSamePixels) {
  Canvas c(20, 20);
  c.Apply();
  c.s->MoveTo(0, 0);
  c.s->LineTo(10, 0);
  for (int x = 0; x < 10; ++x) EXPECT_EQ(c.bmp.GetPixel(x, 0), 0u) << x;
  EXPECT_EQ(c.bmp.GetPixel(10, 0), kWhite);
  EXPECT_EQ(c.s->CurrentPosition(), (Point{10, 0}));
  // Every slope drawn both ways lights the same pixels apart from the ends.
  for (int dx = -7; dx <= 7; ++dx)
    for (int dy = -7; dy <= 7; ++dy) {
      Canvas a(20, 20), b(20, 20);
      a.Apply();
      b.Apply();
      a.s->MoveTo(10, 10);
      a.s->LineTo(10 + dx, 10 + dy);
      b.s->MoveTo(10 + dx, 10 + dy);
      b.s->LineTo(10, 10);
      a.bmp.SetPixel(10, 10, kWhite);
      b.bmp.SetPixel(10 + dx, 10 + dy, kWhite);
      for (int y = 0; y < 20; ++y)
        for (int x = 0; x < 20; ++x)
          ASSERT_EQ(a.bmp.GetPixel(x, y), b.bmp.GetPixel(x, y)) << dx << "," << dy << " at " << x << "," << y;
    }
}

TEST(SurfaceLines, ClippedWalkMatchesUnclippedWalk) {
  // A line whose ends lie far outside lights the same visible pixels as
  // walking it in full.
  const LineWalk w = MakeLineWalk(-1000, -477, 1000, 523);
  std::vector<std::pair<int64_t, int64_t>> full, clipped;
  BresenhamLine(-1000, -477, 1000, 523, 1 << 20, 1 << 20, [](int64_t, int64_t, int64_t) {});
  int64_t x = w.x0, y = w.y0;
  for (int64_t i = 0; i < w.length; ++i, x += w.sx) {
    y = w.y0 + w.sy * w.MinorSteps(i);
    if (x >= 0 && x < 64 && y >= 0 && y < 48) full.emplace_back(x, y);
  }
  BresenhamLine(-1000, -477, 1000, 523, 64, 48,
                [&](int64_t px, int64_t py, int64_t) { clipped.emplace_back(px, py); });
  EXPECT_FALSE(clipped.empty());
  EXPECT_EQ(full, clipped);
}

TEST(SurfaceLines, DashGapsOpaqueOrTransparent) {
  for (const bool opaque : {true, false}) {
    Canvas c(40, 3);
    c.s->SetPenStyle(psDash);
    c.s->SetBrushColor(kGreen);  // a solid brush sets an opaque background of its colour
    c.Apply();
    if (!opaque) c.s->SetBkMode(bkTransparent);
    c.s->MoveTo(0, 1);
    c.s->LineTo(40, 1);
    for (int x = 0; x < 18; ++x) EXPECT_EQ(c.bmp.GetPixel(x, 1), 0u);
    for (int x = 18; x < 24; ++x) EXPECT_EQ(c.bmp.GetPixel(x, 1), opaque ? kGreen : kWhite) << x;
    EXPECT_EQ(c.bmp.GetPixel(24, 1), 0u);
  }
}

TEST(SurfaceLines, WideStyledPenDrawsSolid) {
  Canvas c(40, 9);
  c.s->SetPenStyle(psDot);
  c.s->SetPenWidth(3);
  c.Apply();
  c.s->MoveTo(2, 4);
  c.s->LineTo(37, 4);
  for (int x = 2; x <= 37; ++x) EXPECT_EQ(c.bmp.GetPixel(x, 4), 0u) << x;
}

TEST(SurfaceFigures, RectangleEdgesAndDegenerateSizes) {
  Canvas c(64, 64);
  c.s->SetBrushColor(kRed);
  c.Apply();
  c.s->Rectangle(50, 40, 10, 10);  // reversed corners
  EXPECT_EQ(c.bmp.GetPixel(10, 10), 0u);
  EXPECT_EQ(c.bmp.GetPixel(49, 39), 0u);
  EXPECT_EQ(c.bmp.GetPixel(50, 39), kWhite);
  EXPECT_EQ(c.bmp.GetPixel(20, 20), kRed);
  Canvas d(16, 16);
  d.Apply();
  d.s->Rectangle(5, 5, 6, 6);
  d.s->Ellipse(8, 8, 9, 9);
  d.s->Rectangle(1, 1, 1, 9);
  EXPECT_EQ(d.Count(kWhite), 256) << "1 x 1 and zero-size figures draw nothing";
  d.s->Rectangle(2, 2, 4, 4);
  EXPECT_EQ(d.Count(0), 4);
}

TEST(SurfaceFigures, NullPenFillsOnePixelShort) {
  Canvas c(64, 64);
  c.s->SetPenStyle(psClear);
  c.s->SetBrushColor(kRed);
  c.Apply();
  c.s->Rectangle(10, 10, 50, 40);
  EXPECT_EQ(c.bmp.GetPixel(10, 10), kRed);
  EXPECT_EQ(c.bmp.GetPixel(48, 38), kRed);
  EXPECT_EQ(c.bmp.GetPixel(49, 39), kWhite);
  EXPECT_EQ(c.Count(kRed), 39 * 29);
}

TEST(SurfaceFigures, CircleBoundsAndOutlineSameWithFill) {
  Canvas a(100, 100), b(100, 100);
  a.s->SetBrushStyle(bsClear);
  a.Apply();
  a.s->Ellipse(40, 40, 60, 60);
  int minx = 99, maxx = 0, miny = 99, maxy = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x)
      if (a.bmp.GetPixel(x, y) == 0) {
        minx = std::min(minx, x), maxx = std::max(maxx, x);
        miny = std::min(miny, y), maxy = std::max(maxy, y);
      }
  EXPECT_EQ(minx, 40);
  EXPECT_EQ(maxx, 59);
  EXPECT_EQ(miny, 40);
  EXPECT_EQ(maxy, 59);
  // The filled figure's outline covers exactly the outline alone.
  b.s->SetBrushColor(kRed);
  b.Apply();
  b.s->Ellipse(40, 40, 60, 60);
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 100; ++x) EXPECT_EQ(a.bmp.GetPixel(x, y) == 0, b.bmp.GetPixel(x, y) == 0);
  EXPECT_EQ(b.bmp.GetPixel(50, 50), kRed);
}

TEST(SurfaceFigures, ArcStartEqualsEndDrawsFullEllipse) {
  Canvas a(64, 64), b(64, 64);
  a.s->SetBrushStyle(bsClear);
  b.s->SetBrushStyle(bsClear);
  a.Apply();
  b.Apply();
  a.s->Arc(4, 4, 60, 40, 60, 20, 60, 20);
  b.s->Ellipse(4, 4, 60, 40);
  // The open curve leaves out its closing point, as every arc does.
  EXPECT_EQ(a.Count(0), b.Count(0) - 1);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (a.bmp.GetPixel(x, y) == 0) {
        ASSERT_EQ(b.bmp.GetPixel(x, y), 0u) << x << "," << y;
      }
  // A quarter arc lies in its quadrant only (counter-clockwise from east to north).
  Canvas q(64, 64);
  q.Apply();
  q.s->Arc(4, 4, 60, 60, 60, 32, 32, 0);
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x)
      if (q.bmp.GetPixel(x, y) == 0) {
        EXPECT_TRUE(x >= 31 && y <= 32) << x << "," << y;
      }
}

TEST(SurfaceBrush, HatchGapsUntouchedWhenTransparent) {
  Canvas c(32, 32);
  c.bmp.SetPixel(0, 0, kBlue);
  c.s->SetBrushColor(kRed);
  c.s->SetBrushStyle(bsCross);
  c.Apply();
  EXPECT_EQ(c.s->BkMode(), bkTransparent);
  c.s->SetPenStyle(psClear);
  c.s->ApplyPen();
  c.s->Rectangle(0, 0, 33, 33);
  int red = 0, white = 0;
  for (int y = 0; y < 32; ++y)
    for (int x = 0; x < 32; ++x) {
      const ColorRef p = c.bmp.GetPixel(x, y);
      EXPECT_EQ(p == kRed, HatchBit(bsCross, x, y)) << x << "," << y;
      red += p == kRed;
      white += p == kWhite;
    }
  EXPECT_EQ(red, 4 * 4 * 15);
  EXPECT_EQ(c.bmp.GetPixel(0, 0), kBlue) << "gap pixel kept";
  // Opaque: the gaps take the background colour.
  c.s->SetBkColor(kGreen);
  c.s->SetBkMode(bkOpaque);
  c.s->Rectangle(0, 0, 33, 33);
  EXPECT_EQ(c.Count(kGreen), 32 * 32 - red);
}

TEST(SurfaceBrush, ResizeFillPaintsHatchLinesOnly) {
  Bitmap b;
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.Canvas().SetBrushColor(kRed);
  b.Canvas().SetBrushStyle(bsVertical);
  b.SetSize(16, 4);
  for (int x = 0; x < 16; ++x) EXPECT_EQ(b.GetPixel(x, 2), HatchBit(bsVertical, x, 2) ? kRed : 0u) << x;
}

TEST(SurfacePixels, SetGetAndOutside) {
  Canvas c(8, 8, zelnor::pf16bit);
  EXPECT_TRUE(c.s->SetPixel(3, 3, Rgb(0x12, 0x34, 0x56)));
  EXPECT_EQ(c.s->GetPixel(3, 3), Rgb(0x10, 0x34, 0x52)) << "5-6-5 keeps the top bits";
  EXPECT_FALSE(c.s->SetPixel(8, 0, 0));
  EXPECT_EQ(c.s->GetPixel(-1, 0), kInvalidColor);
  EXPECT_EQ(c.s->GetPixel(8, 0), kInvalidColor);
  // Palette-index colours go through the 20 static colours; past them entry 0.
  c.s->SetPixel(1, 1, 0x0100000D);
  EXPECT_EQ(c.s->GetPixel(1, 1), Rgb(255, 0, 0));
  c.s->SetPixel(1, 1, 0x01000099);
  EXPECT_EQ(c.s->GetPixel(1, 1), 0u);
}

TEST(SurfaceFloodFill, SurfaceAndBorderModes) {
  Canvas c(64, 64);
  c.s->SetBrushStyle(bsClear);
  c.Apply();
  c.s->Rectangle(10, 10, 50, 40);
  c.s->SetBrushColor(kRed);
  c.s->ApplyBrush();
  EXPECT_TRUE(c.s->ExtFloodFill(20, 20, kWhite, ffSurface));
  EXPECT_EQ(c.Count(kRed), 38 * 28);
  EXPECT_FALSE(c.s->ExtFloodFill(20, 20, kWhite, ffSurface)) << "start pixel no longer qualifies";
  EXPECT_FALSE(c.s->ExtFloodFill(0, 0, kWhite, ffBorder)) << "start pixel is the border colour";
  c.s->SetBrushColor(kBlue);
  c.s->ApplyBrush();
  EXPECT_TRUE(c.s->ExtFloodFill(0, 0, 0, ffBorder));  // everything up to the black outline
  EXPECT_EQ(c.Count(kBlue), 64 * 64 - 40 * 30);
  EXPECT_EQ(c.bmp.GetPixel(20, 20), kRed);
  // A brush whose colour qualifies itself still ends.
  c.s->SetBrushColor(kRed);
  c.s->ApplyBrush();
  EXPECT_TRUE(c.s->ExtFloodFill(20, 20, kRed, ffSurface));
}

TEST(SurfaceFloodFill, HugeCanvasNeedsNoRecursion) {
  Canvas c(10000, 10000, zelnor::pf1bit);
  c.s->SetBrushColor(0);
  c.Apply();
  // A comb of walls makes a long winding region.
  for (int x = 10; x < 10000; x += 20) {
    c.s->MoveTo(x, (x / 20) % 2 ? 0 : 5);
    c.s->LineTo(x, (x / 20) % 2 ? 9995 : 10000);
  }
  EXPECT_TRUE(c.s->ExtFloodFill(0, 0, kWhite, ffSurface));
  EXPECT_EQ(c.bmp.GetPixel(9999, 9999), 0u);
}

TEST(SurfaceRobustness, RandomExtremeFiguresNeitherCrashNorHang) {
  std::mt19937 rng(1234);
  const int32_t extremes[] = {INT32_MIN, INT32_MIN + 1, -(1 << 27), -100000,  -1, 0, 1, 63,
                              64,        100000,        1 << 27,    INT32_MAX};
  auto coord = [&]() -> int32_t {
    if (rng() % 3 == 0) return extremes[rng() % std::size(extremes)];
    return static_cast<int32_t>(rng() % 200) - 70;
  };
  const auto start = std::chrono::steady_clock::now();
  for (const int format : {zelnor::pf1bit, zelnor::pf8bit, zelnor::pf16bit, zelnor::pf24bit}) {
    Canvas c(64, 48, format);
    for (int i = 0; i < 1500; ++i) {
      c.s->SetPenStyle(static_cast<PenStyle>(rng() % 7));
      const int32_t widths[] = {static_cast<int32_t>(rng() % 12), static_cast<int32_t>(rng() % 3000),
                                INT32_MAX};
      c.s->SetPenWidth(widths[rng() % 10 == 0 ? 1 + rng() % 2 : 0]);
      c.s->SetBrushStyle(static_cast<BrushStyle>(rng() % 8));
      c.s->SetBrushColor(rng() & 0x01FFFFFF);
      c.Apply();
      const int32_t v[8] = {coord(), coord(), coord(), coord(), coord(), coord(), coord(), coord()};
      switch (rng() % 8) {
        case 0:
          c.s->MoveTo(v[0], v[1]), c.s->LineTo(v[2], v[3]);
          break;
        case 1:
          c.s->Rectangle(v[0], v[1], v[2], v[3]);
          break;
        case 2:
          c.s->Ellipse(v[0], v[1], v[2], v[3]);
          break;
        case 3:
          c.s->RoundRect(v[0], v[1], v[2], v[3], v[4], v[5]);
          break;
        case 4:
          c.s->Arc(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
          break;
        case 5:
          c.s->Pie(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
          break;
        case 6:
          c.s->Chord(v[0], v[1], v[2], v[3], v[4], v[5], v[6], v[7]);
          break;
        default: {
          const Point p[4] = {{v[0], v[1]}, {v[2], v[3]}, {v[4], v[5]}, {v[6], v[7]}};
          c.s->PolyBezier(p);
        }
      }
    }
  }
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(120));
}
