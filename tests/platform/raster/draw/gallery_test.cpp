// Golden gallery: every figure, filled and outlined, with every pen style and
// the brush styles in turn, on 1-, 8- and 16-bit canvases, compared pixel for
// pixel with pictures under tests/data/draw_gallery/.  A mismatch writes the
// actual picture next to the expected one (NAME.actual.bmp).  Set
// ZELNOR_UPDATE_GOLDEN=1 to rewrite the expected pictures after checking them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <vector>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/surface.h"

using namespace raster;
namespace fs = std::filesystem;

namespace {

constexpr int kCell = 22, kFigures = 7, kPenStyles = 7;

void DrawFigure(Surface& s, int figure, int x, int y) {
  const int r = x + kCell - 3, b = y + kCell - 3;
  switch (figure) {
    case 0:
      s.MoveTo(x + 2, y + 2), s.LineTo(r, b - 4);
      break;
    case 1:
      s.Rectangle(x + 2, y + 2, r, b);
      break;
    case 2:
      s.Ellipse(x + 2, y + 2, r, b);
      break;
    case 3:
      s.RoundRect(x + 2, y + 2, r, b, 8, 6);
      break;
    case 4:
      s.Arc(x + 2, y + 2, r, b, r, y, x, b);
      break;
    case 5:
      s.Chord(x + 2, y + 2, r, b, r, y, x, b);
      break;
    default:
      s.Pie(x + 2, y + 2, r, b, r, y + 4, x + 4, y);
      break;
  }
}

void Render(int format, Bitmap& bmp) {
  zelnor::SetPixelFormat(bmp, format);
  bmp.SetSize(kCell * kFigures * 2, kCell * kPenStyles);
  Surface& s = bmp.Canvas();
  for (int row = 0; row < kPenStyles; ++row)
    for (int col = 0; col < kFigures * 2; ++col) {
      const bool fill = col % 2 == 1;
      s.SetPenStyle(static_cast<PenStyle>(row));
      s.SetPenWidth(row == psInsideFrame || (col / 2) % 3 == 2 ? 3 : 1);
      s.SetPenColor(Rgb(40 * row, 0, 200));
      s.SetBrushColor(Rgb(255, 40 * col % 256, 0));
      s.SetBrushStyle(fill ? static_cast<BrushStyle>((row + col / 2) % 8) : bsClear);
      s.ApplyPen();
      s.ApplyBrush();
      DrawFigure(s, col / 2, col * kCell, row * kCell);
    }
}

std::vector<uint8_t> Rgb24(const Bitmap& b) {
  std::vector<uint8_t> out;
  for (int y = 0; y < b.Height(); ++y)
    for (int x = 0; x < b.Width(); ++x) {
      const ColorRef c = b.GetPixel(x, y);
      out.insert(out.end(), {static_cast<uint8_t>(BlueOf(c)), static_cast<uint8_t>(GreenOf(c)),
                             static_cast<uint8_t>(RedOf(c))});
    }
  return out;
}

// A 24-bit top-down BMP of w x h pixels (rows padded to 4 bytes).
void WriteBmp(const fs::path& p, int w, int h, const std::vector<uint8_t>& bgr) {
  const int stride = (w * 3 + 3) & ~3;
  std::vector<uint8_t> f(54 + static_cast<size_t>(stride) * h, 0);
  auto put32 = [&](size_t at, uint32_t v) {
    for (int i = 0; i < 4; ++i) f[at + i] = static_cast<uint8_t>(v >> (8 * i));
  };
  f[0] = 'B', f[1] = 'M';
  put32(2, static_cast<uint32_t>(f.size()));
  put32(10, 54);
  put32(14, 40);
  put32(18, static_cast<uint32_t>(w));
  put32(22, static_cast<uint32_t>(-h));
  f[26] = 1, f[28] = 24;
  for (int y = 0; y < h; ++y)
    std::copy_n(bgr.begin() + static_cast<ptrdiff_t>(y) * w * 3, w * 3,
                f.begin() + 54 + static_cast<ptrdiff_t>(y) * stride);
  std::ofstream(p, std::ios::binary)
      .write(reinterpret_cast<const char*>(f.data()), static_cast<std::streamsize>(f.size()));
}

// Reads back what WriteBmp wrote; empty when missing.
std::vector<uint8_t> ReadBmp(const fs::path& p, int w, int h) {
  std::ifstream in(p, std::ios::binary);
  std::vector<uint8_t> f{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
  const int stride = (w * 3 + 3) & ~3;
  if (f.size() != 54 + static_cast<size_t>(stride) * h) return {};
  std::vector<uint8_t> out;
  for (int y = 0; y < h; ++y) {
    const auto row = f.begin() + 54 + static_cast<ptrdiff_t>(y) * stride;
    out.insert(out.end(), row, row + w * 3);
  }
  return out;
}

class Gallery : public ::testing::TestWithParam<int> {};

}  // namespace

TEST_P(Gallery, MatchesGoldenPicture) {
  const int format = GetParam();
  Bitmap bmp;
  Render(format, bmp);
  const auto actual = Rgb24(bmp);
  const fs::path dir = fs::path(ZELNOR_SOURCE_DIR) / "tests/data/draw_gallery";
  const fs::path expected = dir / ("gallery_" + std::to_string(format) + ".bmp");
  if (std::getenv("ZELNOR_UPDATE_GOLDEN")) {
    fs::create_directories(dir);
    WriteBmp(expected, bmp.Width(), bmp.Height(), actual);
  }
  const auto want = ReadBmp(expected, bmp.Width(), bmp.Height());
  ASSERT_FALSE(want.empty()) << "missing golden picture " << expected;
  size_t differing = 0;
  for (size_t i = 0; i < want.size(); i += 3)
    differing +=
        !std::equal(want.begin() + static_cast<ptrdiff_t>(i), want.begin() + static_cast<ptrdiff_t>(i) + 3,
                    actual.begin() + static_cast<ptrdiff_t>(i));
  if (differing)
    WriteBmp(dir / ("gallery_" + std::to_string(format) + ".actual.bmp"), bmp.Width(), bmp.Height(), actual);
  EXPECT_EQ(differing, 0u) << "pixels differ from " << expected;
}

INSTANTIATE_TEST_SUITE_P(Formats, Gallery,
                         ::testing::Values(zelnor::pf1bit, zelnor::pf8bit, zelnor::pf16bit));
