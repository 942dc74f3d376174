// The fast path against the host's pictures of Stretch on a 40 x 30 canvas
// holding the reference bars picture, with a red brush.
#include <gtest/gtest.h>

#include "platform/raster/surface.h"
#include "reference_png.h"
#include "stretchf/stretchf.h"

namespace {

TEST(StretchBitmap, FastPathMatchesTheReferencePictures) {
  if (!testing_support::ReferenceAvailable())
    GTEST_SKIP() << "no reference pictures at " << testing_support::ReferenceFolder();
  struct Case {
    const char* name;
    int nw, nh;
    bool exact;
  };
  for (const Case& c : {Case{"str_thumb_100x100", 100, 100, false}, Case{"str_exact_100x100", 100, 100, true},
                        Case{"str_thumb_160x40", 160, 40, false}, Case{"str_thumb_30x90", 30, 90, false},
                        Case{"str_exact_20x20", 20, 20, true}}) {
    raster::Bitmap canvas;
    testing_support::LoadSource("src_bars.bmp", canvas);
    canvas.Canvas().SetBrushColor(0x0000FF);
    zelnor::StretchBitmap(c.nw, c.nh, false, canvas, c.exact);
    EXPECT_DOUBLE_EQ(testing_support::PercentLikeReference(c.name, canvas), 100.0) << c.name;
  }
}

}  // namespace
