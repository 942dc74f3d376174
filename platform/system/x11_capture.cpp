// Copying screen pixels: XGetImage of the root window, converted to B, G, R.
#include <algorithm>

#include "platform/system/windows.h"
#include "platform/system/x11_connection.h"
#include "platform/system/x11_screen_format.h"

namespace sysplat {

namespace {

// Rows are fetched in strips of about this many bytes.  Besides bounding the
// memory Xlib holds, strips this small reuse the allocator's memory from one
// strip to the next; whole-screen buffers would be mapped and faulted in
// afresh on every strip, which made a 1920 x 1080 capture five times slower.
constexpr int64_t kStripBytes = int64_t{512} << 10;

struct ImageDeleter {
  void operator()(XImage* image) const { XDestroyImage(image); }
};
using ImagePtr = std::unique_ptr<XImage, ImageDeleter>;

}  // namespace

std::optional<raster::PixelStorage> DesktopSession::CopyScreen(const ScreenRect& rect) {
  raster::CheckBitmapSize(rect.width(), rect.height(), 24);
  raster::PixelStorage target(static_cast<int>(rect.width()), static_cast<int>(rect.height()),
                              raster::kLayout24, {});
  target.set_device_dependent(true);
  x11::Connection& c = *connection_;
  XWindowAttributes root;
  if (c.lost() || !c.x().GetWindowAttributes(c.display(), c.root(), &root)) return std::nullopt;
  // The part of the rectangle on the screen; the rest stays black.
  const int x0 = std::max(rect.left, 0), y0 = std::max(rect.top, 0);
  const int x1 = std::min(rect.right, root.width), y1 = std::min(rect.bottom, root.height);
  if (x0 >= x1 || y0 >= y1) return target;
  const int w = x1 - x0;
  const int strip = static_cast<int>(std::clamp<int64_t>(kStripBytes / (int64_t{w} * 4), 1, y1 - y0));
  std::optional<ScreenPixelFormat> format;
  for (int y = y0; y < y1; y += strip) {
    const int h = std::min(strip, y1 - y);
    ImagePtr image(c.lost() ? nullptr
                            : c.x().GetImage(c.display(), c.root(), x0, y, static_cast<unsigned>(w),
                                             static_cast<unsigned>(h), AllPlanes, ZPixmap));
    if (!image) return std::nullopt;
    if (!format) format = x11::FormatOf(c, root, *image);
    for (int row = 0; row < h; ++row) {
      const auto* source =
          reinterpret_cast<const uint8_t*>(image->data) + int64_t{row} * image->bytes_per_line;
      ScreenRowToBgr(*format, source, w, target.row(y + row - rect.top) + int64_t{x0 - rect.left} * 3);
    }
  }
  return target;
}

}  // namespace sysplat
