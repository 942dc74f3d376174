// The root window's background, set the way desktop background tools do: a
// pixmap of the screen's size, kept by the server after we disconnect, named
// by the _XROOTPMAP_ID and ESETROOT_PMAP_ID properties of the root window
// (which other programs read to draw pseudo-transparent backgrounds).
#include <X11/Xatom.h>

#include <algorithm>
#include <array>
#include <cstring>

#include "platform/raster/syscolors.h"
#include "platform/system/windows.h"
#include "platform/system/x11_connection.h"
#include "platform/system/x11_screen_format.h"

namespace sysplat {

namespace {

using x11::Connection;

constexpr int kDesktopColourIndex = 1;               // the system colour of the desktop background
constexpr int64_t kStripBytes = int64_t{512} << 10;  // rows per request, as for captures

// Screen row y of the picture centred on the desktop colour, as B, G, R.
void CentredRow(const raster::PixelStorage& picture, int screen_w, int screen_h, int y, uint8_t* bgr) {
  const raster::ColorRef desktop = raster::GetSysColor(kDesktopColourIndex);
  for (int x = 0; x < screen_w; ++x) {
    bgr[3 * x] = static_cast<uint8_t>(desktop >> 16);
    bgr[3 * x + 1] = static_cast<uint8_t>(desktop >> 8);
    bgr[3 * x + 2] = static_cast<uint8_t>(desktop);
  }
  const int left = (screen_w - picture.width()) / 2, top = (screen_h - picture.height()) / 2;
  const int py = y - top;
  if (py < 0 || py >= picture.height()) return;
  const int from = std::max(left, 0), to = std::min(left + picture.width(), screen_w);
  if (from < to)
    std::memcpy(bgr + int64_t{from} * 3, picture.row(py) + int64_t{from - left} * 3,
                static_cast<size_t>(to - from) * 3);
}

// On a colour-map screen: the cells the wallpaper may use, allocated (and
// kept with the pixmap) for the desktop colour and a 6 x 6 x 6 colour cube.
// Direct-colour screens need none.
std::vector<uint32_t> AllocateColours(Connection& c, const XWindowAttributes& root) {
  std::vector<uint32_t> cells;
  if (root.visual->c_class == TrueColor || root.visual->c_class == DirectColor) return cells;
  const raster::ColorRef desktop = raster::GetSysColor(kDesktopColourIndex);
  std::vector<std::array<int, 3>> wanted{{static_cast<int>(desktop & 0xFF),
                                          static_cast<int>((desktop >> 8) & 0xFF),
                                          static_cast<int>((desktop >> 16) & 0xFF)}};
  for (int r = 0; r < 6; ++r)
    for (int g = 0; g < 6; ++g)
      for (int b = 0; b < 6; ++b) wanted.push_back({r * 51, g * 51, b * 51});
  for (const auto& [r, g, b] : wanted) {
    XColor colour{};
    colour.red = static_cast<unsigned short>(r * 257);
    colour.green = static_cast<unsigned short>(g * 257);
    colour.blue = static_cast<unsigned short>(b * 257);
    if (!c.lost() && c.x().AllocColor(c.display(), root.colormap, &colour))
      cells.push_back(static_cast<uint32_t>(colour.pixel));
  }
  return cells;
}

// Draws the centred picture into the pixmap strip by strip.
bool PaintPixmap(Connection& c, const XWindowAttributes& root, Pixmap pixmap,
                 const raster::PixelStorage& picture) {
  const int w = root.width, h = root.height;
  const int strip = static_cast<int>(std::clamp<int64_t>(kStripBytes / (int64_t{w} * 4), 1, h));
  XImage* image = c.x().CreateImage(c.display(), root.visual, static_cast<unsigned>(root.depth), ZPixmap, 0,
                                    nullptr, static_cast<unsigned>(w), static_cast<unsigned>(strip), 32, 0);
  if (!image) return false;
  std::vector<char> data(static_cast<size_t>(image->bytes_per_line) * static_cast<size_t>(strip));
  image->data = data.data();
  std::vector<uint32_t> cells = AllocateColours(c, root);
  const ScreenPixelFormat format = x11::FormatOf(c, root, *image);
  ScreenPixelWriter writer(format, std::move(cells));
  std::vector<uint8_t> bgr(static_cast<size_t>(w) * 3);
  GC gc = c.x().CreateGC(c.display(), pixmap, 0, nullptr);
  for (int y = 0; y < h && !c.lost(); y += strip) {
    const int rows = std::min(strip, h - y);
    for (int r = 0; r < rows; ++r) {
      CentredRow(picture, w, h, y + r, bgr.data());
      writer.WriteRow(bgr.data(), w,
                      reinterpret_cast<uint8_t*>(image->data) + int64_t{r} * image->bytes_per_line);
    }
    c.x().PutImage(c.display(), pixmap, gc, image, 0, 0, 0, y, static_cast<unsigned>(w),
                   static_cast<unsigned>(rows));
  }
  image->data = nullptr;  // ours, not Xlib's to free
  XDestroyImage(image);
  if (!c.lost()) c.x().FreeGC(c.display(), gc);
  c.Sync();
  return c.last_error() == 0;
}

// Announces the pixmap and makes it the root background.  The pixmap of an
// earlier setter that kept its resources for this purpose (both properties
// naming it) is released by ending that setter's retained resources.
void InstallPixmap(Connection& c, Pixmap pixmap) {
  const Atom xroot = c.AtomOf("_XROOTPMAP_ID", true), esetroot = c.AtomOf("ESETROOT_PMAP_ID", true);
  c.x().GrabServer(c.display());
  const std::vector<unsigned long> old_x = c.ItemProperty(c.root(), xroot, XA_PIXMAP);
  const std::vector<unsigned long> old_e = c.ItemProperty(c.root(), esetroot, XA_PIXMAP);
  if (!old_x.empty() && !old_e.empty() && old_x[0] == old_e[0] && old_x[0] != None)
    c.IgnoringErrors([&] { c.x().KillClient(c.display(), old_x[0]); });
  const unsigned long id = pixmap;
  for (const Atom property : {xroot, esetroot})
    c.x().ChangeProperty(c.display(), c.root(), property, XA_PIXMAP, 32, PropModeReplace,
                         reinterpret_cast<const unsigned char*>(&id), 1);
  c.x().SetWindowBackgroundPixmap(c.display(), c.root(), pixmap);
  c.x().ClearWindow(c.display(), c.root());
  c.x().UngrabServer(c.display());
  c.Sync();
}

}  // namespace

bool DesktopSession::SetRootBackground(const raster::PixelStorage& picture) {
  Connection& c = *connection_;
  XWindowAttributes root;
  if (picture.bits() != 24 || c.lost() || !c.x().GetWindowAttributes(c.display(), c.root(), &root))
    return false;
  const Pixmap pixmap =
      c.x().CreatePixmap(c.display(), c.root(), static_cast<unsigned>(root.width),
                         static_cast<unsigned>(root.height), static_cast<unsigned>(root.depth));
  if (!PaintPixmap(c, root, pixmap, picture)) {
    if (!c.lost()) c.x().FreePixmap(c.display(), pixmap);
    return false;
  }
  InstallPixmap(c, pixmap);
  if (c.last_error() != 0) return false;
  // The pixmap and its colour cells (the only resources left on this
  // connection) outlive it.
  c.x().SetCloseDownMode(c.display(), RetainPermanent);
  c.Sync();
  return c.last_error() == 0;
}

}  // namespace sysplat
