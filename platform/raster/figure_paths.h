// Internal to the 2D engine: what the figure files share.  A figure is a
// path of pixel points; the brush fills the polygon through them and the
// pen strokes them.
#pragma once
#include <cstdint>
#include <vector>

#include "platform/raster/rasterizer.h"

namespace raster::figure {

struct P64 {
  int64_t x, y;
  bool operator==(const P64&) const = default;
};
using Path = std::vector<P64>;

// A bounding rectangle; covers l..r-1, t..b-1 once its corners are in order.
// An inside-frame pen's rectangle may come out inverted (l > r or t > b).
struct Box64 {
  int64_t l, t, r, b;
  int64_t Width() const { return r - l; }
  int64_t Height() const { return b - t; }
};

// Larger curves are traced through computed points instead of pixel by
// pixel (their shape no longer depends on single pixels, and the cost
// stays bounded).
inline constexpr int64_t kExactCurveLimit = int64_t{1} << 15;

Box64 Normalise(int64_t x1, int64_t y1, int64_t x2, int64_t y2);
// The surface has pixels and the rectangle lies in device space with a
// width and a height.
bool Drawable(const Rasterizer& r, const Box64& box);
// The rectangle the pen draws on: an inside-frame pen moves it inwards by
// half its width on each side (rounded down on the left and top, up on the
// right and bottom), whatever the rectangle's size, as the host does; a
// rectangle narrower than the pen comes out inverted.
Box64 FrameBox(const Rasterizer& r, Box64 box);

// Appends `part` shifted by (ox, oy), skipping repeated points.
void Append(Path& path, const Path& part, int64_t ox, int64_t oy);
// Drops closing points that repeat the first one.
void CloseUp(Path& path);

// Fills the polygon through the path's points with the brush (a pixel counts
// when its position lies inside, left and top boundaries included);
// `with_edge` also fills the pixels of the path itself.
void FillPath(Rasterizer& r, const Path& path, bool with_edge);
// Strokes a path with the selected pen: one-pixel pens light the pixels of
// each segment (end excluded, so a closed path lights each corner once) with
// the dash pattern running on along the path; wide pens paint the union of
// round-ended bands.  An open path also lights its last point when
// `last_point` is set.
void StrokePath(Rasterizer& r, const Path& path, bool closed, bool last_point);

// Draws the ellipse of `box` (corners in order, drawable) with the selected
// pen and brush: a rectangle when it is two pixels or less across, else the
// brush inside and the pen on the path.  `fast` lets EllipseSpans draw the
// ellipses it covers; the bytes are the same either way.
void DrawEllipse(Rasterizer& r, const Box64& box, bool fast);
// An exact ellipse three pixels or more across with no pen or a solid
// one-pixel pen, painted row by row as the path's fill and stroke would
// paint it; false (nothing drawn) for any other.
bool EllipseSpans(Rasterizer& r, const Box64& box);

// The points of the elliptic arc of `box` (already the pen's frame box)
// from the ray through (xs, ys) counter-clockwise up to the ray through
// (xe, ye), the end's own point excluded; the whole ellipse when both rays
// meet it at the same point.  Neighbours may repeat.
Path ArcPath(const Box64& box, int64_t xs, int64_t ys, int64_t xe, int64_t ye);

}  // namespace raster::figure
