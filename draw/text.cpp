#include "draw/text.h"

#include <algorithm>

#include "model/result_codes.h"
#include "platform/fonts/fonts.h"
#include "platform/raster/surface.h"

namespace zelnor {
namespace {

// Puts the brush back as it was, on every way out of a routine.
class BrushKeeper {
 public:
  explicit BrushKeeper(raster::Surface& s) : s_(s), color_(s.BrushColor()), style_(s.GetBrushStyle()) {}
  ~BrushKeeper() {
    // Colour first, then style: setting the colour may make a clear brush
    // solid, and the style put then restores the style exactly.
    s_.SetBrushColor(color_);
    s_.SetBrushStyle(style_);
  }
  BrushKeeper(const BrushKeeper&) = delete;
  BrushKeeper& operator=(const BrushKeeper&) = delete;

 private:
  raster::Surface& s_;
  raster::ColorRef color_;
  raster::BrushStyle style_;
};

// A text measured in the font applied to the canvas's device context.
raster::Size ExtentOf(const std::string& text, raster::Bitmap& canvas) {
  raster::Surface& s = canvas.Canvas();
  s.ApplyFont();
  return s.GetTextExtent(text);
}

}  // namespace

int32_t WriteString(int32_t X1, int32_t Y1, const std::string& VarStr, bool BackTrans,
                    raster::Bitmap& canvas) {
  raster::Surface& s = canvas.Canvas();
  s.SetFontCharset(1);
  BrushKeeper keep(s);
  s.SetBrushStyle(BackTrans ? raster::bsClear : raster::bsSolid);
  s.ApplyFont();
  s.ApplyBrush();
  const int64_t width = s.TextOut(X1, Y1, VarStr);
  // The position wraps like the 32-bit arithmetic of the device context.
  s.MoveTo(static_cast<int32_t>(static_cast<uint32_t>(X1) + static_cast<uint32_t>(width)), Y1);
  return rcOK;
}

int32_t StringWidthOf(const std::string& Value, raster::Bitmap& canvas) { return ExtentOf(Value, canvas).cx; }

int32_t StringHeightOf(const std::string& Value, raster::Bitmap& canvas) {
  return ExtentOf(Value, canvas).cy;
}

std::vector<std::string> FontNames(bool SortFlag, bool TTFOnlyFlag, bool VetFontFlag) {
  std::vector<std::string> names;
  for (fonts::FaceInfo& face : fonts::EnumerateFaces()) {
    if (TTFOnlyFlag && !face.truetype) continue;
    if (!VetFontFlag && !face.name.empty() && face.name.front() == '@') continue;
    if (!SortFlag) {
      names.push_back(std::move(face.name));
      continue;
    }
    auto at = std::lower_bound(
        names.begin(), names.end(), face.name,
        [](const std::string& a, const std::string& b) { return fonts::CompareFaceNames(a, b) < 0; });
    if (at == names.end() || fonts::CompareFaceNames(*at, face.name) != 0)
      names.insert(at, std::move(face.name));
  }
  return names;
}

}  // namespace zelnor
