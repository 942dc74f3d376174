// Where hatch patterns fall: every 8 columns from the left edge and every 8
// rows from the top row, whatever the canvas height, for figure fills, flood
// fills and pattern blits; the pattern blits that combine the pattern with
// the source first shift the rows by twice the drawn rectangle's top.
#include <gtest/gtest.h>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/blit.h"
#include "platform/raster/hatch.h"
#include "platform/raster/surface.h"

using namespace raster;

namespace {

constexpr ColorRef kWhite = 0xFFFFFF, kRed = 0x0000FF;
constexpr int kWidth = 21;

// A new white 24-bit canvas with a red hatched brush and no pen.
void Prepare(Bitmap& b, int height, BrushStyle style) {
  zelnor::SetPixelFormat(b, zelnor::pf24bit);
  b.SetSize(kWidth, height);
  Surface& s = b.Canvas();
  s.SetBrushColor(kRed);
  s.SetBrushStyle(style);
  s.SetPenStyle(psClear);
  s.ApplyPen();
  s.ApplyBrush();
}

// The hatch-line pixels of the canvas, as text rows ('#' red, '.' white).
std::string Lines(const Bitmap& b, int y0, int y1) {
  std::string out;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < b.Width(); ++x) out += b.GetPixel(x, y) == kRed ? '#' : '.';
    out += '\n';
  }
  return out;
}

// The same rows of an ideal pattern whose row 0 lies on `origin`.
std::string Expected(BrushStyle style, int y0, int y1, int origin = 0) {
  std::string out;
  for (int y = y0; y < y1; ++y) {
    for (int x = 0; x < kWidth; ++x) out += HatchBit(style, x, HatchRow(y, origin)) ? '#' : '.';
    out += '\n';
  }
  return out;
}

class HatchPhase : public ::testing::TestWithParam<int> {
 protected:
  int Height() const { return GetParam(); }
};

}  // namespace

// The horizontal hatch lies on rows 3, 11, 19, ... and the backward diagonal
// starts in column 7 on the top row, at every height modulo 8.
TEST_P(HatchPhase, PatternStartsAtTheTopLeftCorner) {
  Bitmap b;
  Prepare(b, Height(), bsHorizontal);
  b.Canvas().Rectangle(0, 0, kWidth + 1, Height() + 1);
  for (int y = 0; y < Height(); ++y) EXPECT_EQ(b.GetPixel(5, y) == kRed, y % 8 == 3) << "row " << y;
  Prepare(b, Height(), bsBDiagonal);
  b.Canvas().Rectangle(0, 0, kWidth + 1, Height() + 1);
  EXPECT_EQ(Lines(b, 0, 1), ".......#.......#.....\n");
}

TEST_P(HatchPhase, FiguresFloodFillsAndPatternBlitsShareThePhase) {
  for (const BrushStyle style : {bsHorizontal, bsFDiagonal, bsDiagCross}) {
    const std::string want = Expected(style, 0, Height());
    Bitmap figure, flood, blit, src;
    Prepare(figure, Height(), style);
    figure.Canvas().Ellipse(-40, -40, kWidth + 40, Height() + 40);
    EXPECT_EQ(Lines(figure, 0, Height()), want) << "ellipse, style " << style;
    Prepare(flood, Height(), style);
    ASSERT_TRUE(flood.Canvas().ExtFloodFill(3, Height() - 1, kWhite, ffSurface));
    EXPECT_EQ(Lines(flood, 0, Height()), want) << "flood fill, style " << style;
    // A blit placed at an odd position keeps the canvas's phase.
    Prepare(blit, Height(), style);
    zelnor::SetPixelFormat(src, zelnor::pf24bit);
    src.SetSize(kWidth, Height());
    BitBlt(blit, 0, 3, src, kPatCopy);
    EXPECT_EQ(Lines(blit, 3, Height()), Expected(style, 3, Height())) << "blit, style " << style;
  }
}

// P & S over a white source shows the pattern itself: its rows start on
// row 2 * top (the top clipped to the canvas), its columns at the left edge.
TEST_P(HatchPhase, PatternOnSourceBlitsShiftTheRowsByTwiceTheTop) {
  for (const int top : {-2, 0, 3, 5}) {
    Bitmap b, src;
    Prepare(b, Height(), bsDiagCross);
    zelnor::SetPixelFormat(src, zelnor::pf24bit);
    src.SetSize(kWidth, Height());
    src.Canvas().SetBrushColor(kWhite);
    src.Canvas().ApplyBrush();
    src.Canvas().Rectangle(-1, -1, kWidth + 1, Height() + 1);
    BitBlt(b, 0, top, src, kMergeCopy);
    const int first = std::max(top, 0), end = std::min(top + Height(), Height());
    EXPECT_EQ(Lines(b, first, end), Expected(bsDiagCross, first, end, 2 * first)) << "top " << top;
  }
}

INSTANTIATE_TEST_SUITE_P(EveryHeightModulo8, HatchPhase, ::testing::Range(40, 48));
