// The font list: its filters, order and duplicates on chosen typeface sets,
// and the array the FontList member hands back.
#include <gtest/gtest.h>

#include "canvas/main.h"
#include "draw/text.h"
#include "platform/automation/oleauto.h"
#include "platform/fonts/fonts.h"

namespace zelnor {
namespace {

using Names = std::vector<std::string>;

class InjectedFaces : public ::testing::Test {
 protected:
  void Use(std::vector<fonts::FaceInfo> faces) {
    fonts::SetFaceEnumerator([faces] { return faces; });
  }
  void TearDown() override { fonts::SetFaceEnumerator(nullptr); }
};

const std::vector<fonts::FaceInfo> kMixed = {{"beta", true},  {"Alpha", true},   {"@Alpha", true},
                                             {"alpha", true}, {"Raster", false}, {"@Bitmap", false}};

TEST_F(InjectedFaces, FlagCombinationsSortedOrInEnumerationOrder) {
  Use(kMixed);
  EXPECT_EQ(FontNames(true, true, true), (Names{"@Alpha", "Alpha", "beta"}));
  EXPECT_EQ(FontNames(true, true, false), (Names{"Alpha", "beta"}));
  EXPECT_EQ(FontNames(true, false, true), (Names{"@Alpha", "@Bitmap", "Alpha", "beta", "Raster"}));
  EXPECT_EQ(FontNames(true, false, false), (Names{"Alpha", "beta", "Raster"}));
  // Unsorted: the enumeration order, names differing only in case included.
  EXPECT_EQ(FontNames(false, true, true), (Names{"beta", "Alpha", "@Alpha", "alpha"}));
  EXPECT_EQ(FontNames(false, false, false), (Names{"beta", "Alpha", "alpha", "Raster"}));
}

// Reads the member's result as names; checks the array's shape on the way.
Names ResultNames(const automation::VARIANT& v) {
  using namespace automation;
  EXPECT_EQ(v.vt, VT_ARRAY | VT_VARIANT);
  if (v.vt != (VT_ARRAY | VT_VARIANT)) return {};
  LONG lower = -1, upper = -1;
  EXPECT_EQ(SafeArrayGetDim(v.parray), 1u);
  EXPECT_EQ(SafeArrayGetLBound(v.parray, 1, &lower), S_OK);
  EXPECT_EQ(SafeArrayGetUBound(v.parray, 1, &upper), S_OK);
  EXPECT_EQ(lower, 0);
  Names names;
  for (LONG i = 0; i <= upper; ++i) {
    VARIANT element;
    VariantInit(&element);
    EXPECT_EQ(SafeArrayGetElement(v.parray, &i, &element), S_OK);
    EXPECT_EQ(element.vt, VT_BSTR);
    names.push_back(Utf8FromBstr(element.bstrVal));
    VariantClear(&element);
  }
  return names;
}

TEST_F(InjectedFaces, MemberReturnsAnArrayOfStringsOrEmpty) {
  TMyCanvas canvas;
  automation::VARIANT result;
  Use(kMixed);
  canvas.FontList(true, true, true, &result);
  EXPECT_EQ(ResultNames(result), (Names{"@Alpha", "Alpha", "beta"}));
  automation::VariantClear(&result);

  Use({{"Raster", false}, {"Small Fonts", false}});  // a machine without TrueType fonts
  canvas.FontList(true, true, true, &result);
  EXPECT_EQ(result.vt, automation::VT_EMPTY);
  canvas.FontList(true, false, true, &result);
  EXPECT_EQ(ResultNames(result), (Names{"Raster", "Small Fonts"}));
  automation::VariantClear(&result);

  Use({});
  canvas.FontList(false, false, true, &result);
  EXPECT_EQ(result.vt, automation::VT_EMPTY);
}

TEST(InstalledFonts, DefaultListIsSortedTrueTypeWithVerticalVariants) {
  TMyCanvas canvas;
  automation::VARIANT result;
  canvas.FontList(true, true, true, &result);
  const Names names = ResultNames(result);
  automation::VariantClear(&result);
  ASSERT_GT(names.size(), 3u);
  for (size_t i = 1; i < names.size(); ++i) EXPECT_LT(fonts::CompareFaceNames(names[i - 1], names[i]), 0);
  EXPECT_NE(std::find(names.begin(), names.end(), "DejaVu Sans"), names.end());
  EXPECT_NE(std::find(names.begin(), names.end(), "@IPAGothic"), names.end());

  canvas.FontList(true, true, false, &result);
  for (const std::string& name : ResultNames(result)) EXPECT_NE(name.front(), '@') << name;
  automation::VariantClear(&result);
}

}  // namespace
}  // namespace zelnor
