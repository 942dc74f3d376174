// Title comparison of the window search.
#include <gtest/gtest.h>

#include "platform/system/windows.h"

namespace sysplat {
namespace {

TEST(WindowTitles, LettersMatchInEitherCase) {
  EXPECT_TRUE(TitlesMatch("Zelnor Red", "zELNOR rED"));
  EXPECT_TRUE(TitlesMatch("", ""));
  EXPECT_FALSE(TitlesMatch("Zelnor Red", "Zelnor Red "));
  EXPECT_FALSE(TitlesMatch("Zelnor", "Zelnos"));
  EXPECT_TRUE(TitlesMatch("Élan ÿ", "éLAN Ÿ"));
  EXPECT_FALSE(TitlesMatch("×", "÷"));  // signs, not letters
  EXPECT_TRUE(TitlesMatch("Łódź Ĳ", "łÓDŹ ĳ"));
  EXPECT_FALSE(TitlesMatch("İ", "i"));  // no simple one-letter pairing
  EXPECT_TRUE(TitlesMatch("ΑΘΉΝΑ ΟΔΟΣ", "αθήνα οδος"));
  EXPECT_TRUE(TitlesMatch("МОСКВА Ёж", "москва ёЖ"));
  EXPECT_TRUE(TitlesMatch("ＡＢＣ", "ａｂｃ"));
}

TEST(WindowTitles, OtherScriptsCompareExactly) {
  EXPECT_TRUE(TitlesMatch("窓テスト", "窓テスト"));
  EXPECT_FALSE(TitlesMatch("窓テスト", "窓てすと"));
}

TEST(WindowTitles, InvalidUtf8ComparesByteForByte) {
  EXPECT_TRUE(TitlesMatch("A\xff", "A\xff"));
  EXPECT_FALSE(TitlesMatch("A\xff", "a\xff"));
  EXPECT_FALSE(TitlesMatch("\xc1\x81", "A"));                 // an overlong 'A' is no 'A'
  EXPECT_FALSE(TitlesMatch("\xed\xa0\x80", "\xed\xa0\x81"));  // surrogates
  EXPECT_FALSE(TitlesMatch("\xe3\x81", "\xe3\x81\x82"));      // cut short
}

}  // namespace
}  // namespace sysplat
