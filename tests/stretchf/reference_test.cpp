// The fast path against the host's pictures of Stretch on a 40 x 30 canvas
// holding the reference bars picture, with a red brush.
#include <gtest/gtest.h>

#include "reference_png.h"
#include "platform/raster/surface.h"
#include "stretchf/stretchf.h"

namespace {

TEST(StretchBitmap, FastPathMatchesTheReferencePictures) {
  struct Case {
    const char* name;
    int nw, nh;
    bool exact;
  };
  const Case cases[] = {{"str_thumb_100x100", 100, 100, false},
                        {"str_exact_100x100", 100, 100, true},
                        {"str_thumb_160x40", 160, 40, false},
                        {"str_thumb_30x90", 30, 90, false},
                        {"str_exact_20x20", 20, 20, true}};
  for (const Case& c : cases) {
    raster::Bitmap canvas, expected;
    testing_support::LoadSource("src_bars.bmp", canvas);
    ASSERT_EQ(canvas.Width(), 40);
    ASSERT_EQ(canvas.Height(), 30);
    canvas.Canvas().SetBrushColor(0x0000FF);
    zelnor::StretchBitmap(c.nw, c.nh, false, canvas, c.exact);
    ASSERT_TRUE(testing_support::LoadPng(testing_support::ReferenceDir() + "/expected/" + c.name + ".png", expected));
    const double score = testing_support::PercentEqual(expected, canvas);
    RecordProperty(c.name, std::to_string(score));
    EXPECT_DOUBLE_EQ(score, 100.0) << c.name;
  }
}

}  // namespace
