// The Stretch member of the canvas object.
#include <gtest/gtest.h>

#include "canvas/main.h"
#include "model/result_codes.h"

namespace {

TEST(StretchMember, RefusesSizesOfZeroOrBelowBeforeAnyChange) {
  zelnor::TMyCanvas c;
  c.NewCanvas(30, 20, 0);
  c.SetPixelFormat(3);
  for (auto [w, h] : {std::pair{0, 10}, {10, 0}, {-5, 10}})
    EXPECT_EQ(c.Stretch(w, h, true, true), zelnor::rcInvalidArgument);
  EXPECT_EQ(c.GetWidth(), 30);
  EXPECT_EQ(c.GetPixelFormat(), 3);
}

TEST(StretchMember, PixelFormatAfterEachPath) {
  zelnor::TMyCanvas c;
  c.NewCanvas(5, 4, 0);
  c.Current().SetPixel(2, 1, 0x0000FF);
  c.SetPixelFormat(2);
  EXPECT_EQ(c.Stretch(5, 4, true, true), zelnor::rcOK);  // own size: only the format changes
  EXPECT_EQ(c.GetPixelFormat(), 6);
  EXPECT_EQ(c.Current().GetPixel(2, 1), 0x0000FFu);
  EXPECT_EQ(c.Stretch(20, 20, false, false), zelnor::rcOK);
  EXPECT_EQ(c.GetPixelFormat(), 0);
  EXPECT_EQ(c.Stretch(50, 30, true, true), zelnor::rcOK);
  EXPECT_EQ(c.GetPixelFormat(), 6);
  EXPECT_EQ(c.Stretch(10, 10, false, true), zelnor::rcOK);
  EXPECT_EQ(c.GetPixelFormat(), 0);
  EXPECT_EQ(c.Stretch(10, 10, true, false), zelnor::rcOK);
  EXPECT_EQ(c.GetPixelFormat(), 0);
}

}  // namespace
