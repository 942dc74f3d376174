// Flood fill of the drawing surface: an iterative scanline fill over
// 4-connected pixels.  A visited mask decides what belongs to the region, so
// a brush whose colour qualifies itself cannot make it loop, and painting a
// run as soon as it is found changes no answer: every later test reads only
// pixels not yet visited, which no painted run contains.  No recursion:
// memory is one bit per pixel plus the seed stack.
#include <vector>

#include "platform/raster/rasterizer.h"

namespace raster {

namespace {

class RegionFinder {
 public:
  RegionFinder(const PixelStorage& st, uint32_t bits, FloodFillMode mode)
      : st_(st),
        bits_(bits),
        mode_(mode),
        w_(st.width()),
        h_(st.height()),
        seen_(static_cast<size_t>(w_) * static_cast<size_t>(h_), false) {}

  // A pixel belongs to the region: in surface mode it has the colour, in
  // border mode it does not.
  bool Qualifies(int x, int y) const { return (st_.GetBits(x, y) == bits_) == (mode_ == ffSurface); }

  // Calls paint(y, x0, x1) for each run of the region (pixels x0..x1-1).
  template <class Paint>
  void Find(int x, int y, Paint&& paint) {
    std::vector<std::pair<int, int>> seeds{{x, y}};
    while (!seeds.empty()) {
      auto [sx, sy] = seeds.back();
      seeds.pop_back();
      if (Seen(sx, sy) || !Qualifies(sx, sy)) continue;
      int x0 = sx, x1 = sx + 1;
      while (x0 > 0 && !Seen(x0 - 1, sy) && Qualifies(x0 - 1, sy)) --x0;
      while (x1 < w_ && !Seen(x1, sy) && Qualifies(x1, sy)) ++x1;
      for (int i = x0; i < x1; ++i) seen_[Index(i, sy)] = true;
      if (sy > 0) PushRuns(x0, x1, sy - 1, seeds);
      if (sy + 1 < h_) PushRuns(x0, x1, sy + 1, seeds);
      paint(sy, x0, x1);
    }
  }

 private:
  size_t Index(int x, int y) const {
    return static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x);
  }
  bool Seen(int x, int y) const { return seen_[Index(x, y)]; }
  // One seed per qualifying run of row y within x0..x1-1.
  void PushRuns(int x0, int x1, int y, std::vector<std::pair<int, int>>& seeds) const {
    bool in_run = false;
    for (int x = x0; x < x1; ++x) {
      const bool ok = !Seen(x, y) && Qualifies(x, y);
      if (ok && !in_run) seeds.emplace_back(x, y);
      in_run = ok;
    }
  }

  const PixelStorage& st_;
  uint32_t bits_;
  FloodFillMode mode_;
  int w_, h_;
  std::vector<bool> seen_;
};

}  // namespace

bool Surface::ExtFloodFill(int32_t x, int32_t y, ColorRef c, FloodFillMode mode) {
  Rasterizer r(*this);
  if (r.Empty() || x < 0 || y < 0 || x >= r.Width() || y >= r.Height()) return false;
  RegionFinder finder(r.Storage(), r.Bits(c), mode);
  if (!finder.Qualifies(x, y)) return false;
  finder.Find(x, y, [&](int row, int x0, int x1) { r.BrushSpan(row, x0, x1); });
  return true;
}

}  // namespace raster
