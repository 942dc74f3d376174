// Internal to the 2D engine: the polyline the host draws for a run of cubic
// Bézier curves.
#pragma once
#include <cstdint>
#include <span>
#include <utility>
#include <vector>

#include "platform/raster/surface.h"

namespace raster {

// Flattens the curves of `points` (a start point, then three points per
// curve: two control points and the end, which starts the next curve) into
// pixel points.  Each curve is halved by de Casteljau's construction, with
// coordinates held to 1/16 pixel and every midpoint rounded, until both
// control points lie within one pixel of the chord, measured across its
// major axis, and inside the chord's extent along it, or until eight halvings.
// The chord ends are then rounded to pixels.  Empty when the count is not
// 3n + 1 (n >= 1).
std::vector<std::pair<int64_t, int64_t>> FlattenBeziers(std::span<const Point> points);

}  // namespace raster
