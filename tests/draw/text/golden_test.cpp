// Golden pictures of text: sizes, styles, backgrounds, palette canvases and
// Japanese.  A picture that differs is written next to the build as
// golden_actual/text/NAME.png; ZELNOR_UPDATE_GOLDEN=1 rewrites the expected
// pictures in tests/data/text/.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <functional>

#include "draw/text.h"
#include "model/pixel_format.h"
#include "platform/raster/surface.h"
#include "tests/draw/text/png_file.h"

namespace zelnor {
namespace {

using raster::Rgb;

int32_t Points(int size) { return -raster::MulDiv(size, raster::kScreenPixelsPerInch, 72); }

texttest::RgbImage Snapshot(const raster::Bitmap& b) {
  texttest::RgbImage img{b.Width(), b.Height(), {}};
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const raster::ColorRef c = b.GetPixel(x, y);
      img.rgb.insert(img.rgb.end(),
                     {static_cast<uint8_t>(raster::RedOf(c)), static_cast<uint8_t>(raster::GreenOf(c)),
                      static_cast<uint8_t>(raster::BlueOf(c))});
    }
  return img;
}

// Pixels whose channels differ by more than a rendering-library update could
// explain; a shifted or missing glyph makes many.
int64_t DifferentPixels(const texttest::RgbImage& a, const texttest::RgbImage& b) {
  int64_t n = 0;
  for (size_t i = 0; i + 2 < a.rgb.size(); i += 3)
    for (size_t k = 0; k < 3; ++k)
      if (std::abs(int{a.rgb[i + k]} - int{b.rgb[i + k]}) > 32) {
        ++n;
        break;
      }
  return n;
}

void ExpectGolden(const std::string& name, int format, int w, int h,
                  const std::function<void(raster::Bitmap&)>& draw) {
  raster::Bitmap b;
  zelnor::SetPixelFormat(b, format);
  b.SetSize(w, h);
  draw(b);
  const texttest::RgbImage actual = Snapshot(b);
  const std::string expected_path = std::string(ZELNOR_SOURCE_DIR) + "/tests/data/text/" + name + ".png";
  const char* update = std::getenv("ZELNOR_UPDATE_GOLDEN");
  if (update && std::string(update) == "1") texttest::WritePng(expected_path, actual);
  texttest::RgbImage expected;
  ASSERT_TRUE(texttest::ReadPng(expected_path, &expected)) << expected_path;
  const bool same_size = expected.width == actual.width && expected.height == actual.height;
  const int64_t different = same_size ? DifferentPixels(expected, actual) : int64_t{w} * h;
  if (different > int64_t{w} * h / 500) {
    const std::filesystem::path dir = std::filesystem::path(ZELNOR_BINARY_DIR) / "golden_actual" / "text";
    std::filesystem::create_directories(dir);
    texttest::WritePng((dir / (name + ".png")).string(), actual);
    ADD_FAILURE() << name << ": " << different << " pixels differ; actual picture in " << dir.string();
  }
}

void Line(raster::Bitmap& b, int y, const std::string& text, bool back_trans = true, int x = 6) {
  WriteString(x, y, text, back_trans, b);
}

TEST(TextGolden, LatinSizes) {
  ExpectGolden("latin_sizes", zelnor::pf24bit, 360, 120, [](raster::Bitmap& b) {
    raster::Surface& s = b.Canvas();
    int y = 4;
    for (int size : {8, 12, 20, 32}) {
      s.SetFontHeight(Points(size));
      Line(b, y, "Zelnor2 draws text 0123 \xC3\x89g");
      y += StringHeightOf("A", b) + 2;
    }
  });
}

TEST(TextGolden, Styles) {
  ExpectGolden("styles", zelnor::pf24bit, 360, 130, [](raster::Bitmap& b) {
    raster::Surface& s = b.Canvas();
    s.SetFontHeight(Points(14));
    s.SetFontColor(Rgb(0, 0, 128));
    const std::pair<uint8_t, const char*> kStyles[] = {
        {raster::fsBold, "Bold text"},
        {raster::fsItalic, "Italic text"},
        {raster::fsUnderline, "Underlined text"},
        {raster::fsStrikeOut, "Struck-out text"},
        {raster::fsBold | raster::fsItalic, "Bold italic text"}};
    int y = 4;
    for (const auto& [styles, text] : kStyles) {
      s.SetFontStyles(styles);
      Line(b, y, text);
      y += 24;
    }
  });
}

TEST(TextGolden, Backgrounds) {
  ExpectGolden("backgrounds", zelnor::pf24bit, 360, 110, [](raster::Bitmap& b) {
    raster::Surface& s = b.Canvas();
    s.FillSolidRect(0, 0, 180, 110, Rgb(170, 230, 170));
    s.SetFontHeight(Points(12));
    s.SetFontColor(Rgb(200, 0, 0));
    Line(b, 4, "Transparent over two backgrounds", true, 100);
    s.SetBrushColor(Rgb(255, 240, 0));
    Line(b, 28, "Opaque cells in the brush colour", false, 100);
    s.SetBrushStyle(raster::bsClear);
    Line(b, 52, "Opaque with a clear brush: white", false, 100);
    s.SetBrushColor(Rgb(0, 200, 255));
    s.ApplyBrush();
    s.SetBkMode(raster::bkTransparent);
    Line(b, 76, "Transparent mode put, solid brush", false, 100);
  });
}

TEST(TextGolden, PaletteCanvas) {
  ExpectGolden("palette_8bit", zelnor::pf8bit, 360, 90, [](raster::Bitmap& b) {
    raster::Surface& s = b.Canvas();
    s.SetFontHeight(Points(12));
    s.SetFontColor(Rgb(255, 0, 0));
    Line(b, 4, "Plain red glyphs on an 8-bit canvas");
    s.SetFontColor(Rgb(0, 0, 255));
    s.SetBrushColor(Rgb(255, 255, 0));
    Line(b, 30, "Blue on opaque yellow cells", false);
    s.SetFontHeight(Points(20));
    s.SetFontStyles(raster::fsBold);
    s.SetFontColor(Rgb(0, 0, 0));
    Line(b, 54, "Bold 20 point");
  });
}

TEST(TextGolden, Japanese) {
  ExpectGolden("japanese", zelnor::pf24bit, 360, 120, [](raster::Bitmap& b) {
    raster::Surface& s = b.Canvas();
    s.SetFontName("\xEF\xBC\xAD\xEF\xBC\xB3 \xEF\xBC\xB0\xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
    s.SetFontHeight(Points(14));
    Line(b, 4,
         "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9\xE3\x83\x88 "
         "Zelnor2");
    s.SetFontHeight(Points(20));
    s.SetFontStyles(raster::fsBold);
    s.SetFontColor(Rgb(160, 0, 0));
    Line(b, 30, "\xE5\xA4\xAA\xE5\xAD\x97\xE3\x81\xAE\xE8\xA6\x8B\xE5\x87\xBA\xE3\x81\x97");
    s.SetFontStyles(0);
    s.SetFontColor(Rgb(0, 0, 0));
    s.SetFontName("MS Sans Serif");
    s.SetFontHeight(Points(12));
    s.SetBrushColor(Rgb(220, 220, 255));
    Line(b, 70, "Price: 1,000\xE5\x86\x86 (\xE7\xA8\x8E\xE8\xBE\xBC)", false);
  });
}

// "@" faces: the ideographs and kana lie turned a quarter counter-clockwise
// (turn the picture a quarter clockwise to read them down a column), the
// comma, brackets and long-vowel mark in their vertical forms, Latin text
// and digits as on a horizontal line.
TEST(TextGolden, VerticalJapanese) {
  ExpectGolden("japanese_vertical", zelnor::pf24bit, 480, 110, [](raster::Bitmap& b) {
    raster::Surface& s = b.Canvas();
    s.SetFontName("@\xEF\xBC\xAD\xEF\xBC\xB3 \xE3\x82\xB4\xE3\x82\xB7\xE3\x83\x83\xE3\x82\xAF");
    s.SetFontHeight(Points(20));
    // 縦書きのテキスト、「コーヒー」
    Line(b, 4,
         "\xE7\xB8\xA6\xE6\x9B\xB8\xE3\x81\x8D\xE3\x81\xAE\xE3\x83\x86\xE3\x82\xAD\xE3\x82\xB9"
         "\xE3\x83\x88\xE3\x80\x81\xE3\x80\x8C\xE3\x82\xB3\xE3\x83\xBC\xE3\x83\x92\xE3\x83\xBC"
         "\xE3\x80\x8D");
    s.SetFontHeight(Points(14));
    s.SetFontColor(Rgb(0, 0, 160));
    s.SetBrushColor(Rgb(255, 240, 200));
    // Zelnor2 で縦に 2026 年
    Line(b, 44, "Zelnor2 \xE3\x81\xA7\xE7\xB8\xA6\xE3\x81\xAB 2026 \xE5\xB9\xB4", false);
    s.SetFontName("@IPAPGothic");
    s.SetFontStyles(raster::fsBold);
    s.SetFontColor(Rgb(160, 0, 0));
    // 太字、日本語。
    Line(b, 76, "\xE5\xA4\xAA\xE5\xAD\x97\xE3\x80\x81\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E\xE3\x80\x82");
  });
}

TEST(TextGolden, FaceNames) {
  ExpectGolden("faces", zelnor::pf24bit, 360, 100, [](raster::Bitmap& b) {
    raster::Surface& s = b.Canvas();
    s.SetFontHeight(Points(12));
    int y = 4;
    for (const char* name : {"Times New Roman", "Courier New", "Arial", "No Such Face"}) {
      s.SetFontName(name);
      Line(b, y, std::string(name) + ": The quick brown fox");
      y += 24;
    }
  });
}

}  // namespace
}  // namespace zelnor
