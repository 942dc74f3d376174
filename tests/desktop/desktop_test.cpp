// The window layer against a real X server (a private Xvfb): window search,
// rectangles, screen copies at several depths, the root background, and the
// error handling around the host's own X connections.
#include "desktop/desktop.h"

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <optional>

#include "platform/system/windows.h"
#include "tests/desktop/x_server.h"

// Xlib last: its macros (None, Status) would clash with the test framework.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace sysplat {
namespace {

using desktop_test::DisplayVariable;
using desktop_test::TestWindow;
using desktop_test::XServer;
using Rgb = std::array<uint8_t, 3>;

Rgb At(const raster::PixelStorage& p, int x, int y) {
  const uint8_t* px = p.row(y) + 3 * x;
  return {px[2], px[1], px[0]};
}

class OnXvfb : public ::testing::TestWithParam<const char*> {
 protected:
  void SetUp() override {
    server_ = std::make_unique<XServer>(GetParam());
    if (!server_->running())
      GTEST_SKIP() << "Xvfb is not installed (Debian package xvfb); nothing to test against";
    display_.emplace(server_->display());
  }
  std::unique_ptr<XServer> server_;
  std::optional<DisplayVariable> display_;
};

class AnyDepth : public OnXvfb {};
class TrueColour : public OnXvfb {};

TEST_P(AnyDepth, ScreenCopiesShowPureColoursExactly) {
  TestWindow red({"--title", "Red", "--geometry", "20x10+4+6", "--colour", "ff0000"});
  TestWindow green({"--title", "Green", "--geometry", "10x10+30+20", "--colour", "00ff00"});
  TestWindow white({"--title", "White", "--geometry", "8x8+50+2", "--colour", "ffffff"});
  ASSERT_TRUE(red.ready() && green.ready() && white.ready());
  const auto session = DesktopSession::Open();
  ASSERT_TRUE(session);
  const std::optional<raster::PixelStorage> screen = session->CopyScreen({0, 0, 64, 48});
  ASSERT_TRUE(screen);
  EXPECT_TRUE(screen->device_dependent());
  EXPECT_EQ(At(*screen, 4, 6), (Rgb{255, 0, 0}));
  EXPECT_EQ(At(*screen, 23, 15), (Rgb{255, 0, 0}));
  EXPECT_EQ(At(*screen, 35, 25), (Rgb{0, 255, 0}));
  EXPECT_EQ(At(*screen, 53, 5), (Rgb{255, 255, 255}));
  EXPECT_EQ(session->GetLastError(), 0u);
}

TEST_P(AnyDepth, TheRootBackgroundShowsTheCentredPicture) {
  raster::PixelStorage picture(10, 6, raster::kLayout24, {});
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 10; ++x) {
      uint8_t* px = picture.row(y) + 3 * x;
      px[x < 5 ? 2 : 0] = 255;  // red left half, blue right half
    }
  const auto session = DesktopSession::Open();
  ASSERT_TRUE(session);
  ASSERT_TRUE(session->SetRootBackground(picture));
  const std::optional<raster::PixelStorage> screen = session->CopyScreen({0, 0, 64, 48});
  ASSERT_TRUE(screen);
  // Centred: columns 27..36, rows 21..26.
  EXPECT_EQ(At(*screen, 27, 21), (Rgb{255, 0, 0}));
  EXPECT_EQ(At(*screen, 32, 26), (Rgb{0, 0, 255}));
  const Rgb outside = At(*screen, 26, 21);
  const Rgb desktop{58, 110, 165};
  for (size_t i = 0; i < 3; ++i) EXPECT_NEAR(outside[i], desktop[i], 26) << "channel " << i;
  EXPECT_EQ(At(*screen, 0, 0), outside);
  EXPECT_EQ(At(*screen, 63, 47), outside);
}

INSTANTIATE_TEST_SUITE_P(Depths, AnyDepth, ::testing::Values("64x48x24", "64x48x16", "64x48x8"));
INSTANTIATE_TEST_SUITE_P(Depth24, TrueColour, ::testing::Values("64x48x24"));

TEST_P(TrueColour, TheTopmostOfTwoWindowsWithOneTitleIsFound) {
  TestWindow lower({"--title", "Twin", "--geometry", "10x10+0+0"});
  TestWindow upper({"--title", "twin", "--geometry", "10x10+20+0"});
  ASSERT_TRUE(lower.ready() && upper.ready());
  const auto session = DesktopSession::Open();
  ASSERT_TRUE(session);
  EXPECT_EQ(session->FindWindow("TWIN"), upper.id());
  EXPECT_EQ(session->FindWindow("Twins"), 0u);
}

TEST_P(TrueColour, TheOuterRectangleIncludesTheBorder) {
  TestWindow framed({"--title", "Bordered", "--geometry", "20x10+5+7", "--border", "3"});
  ASSERT_TRUE(framed.ready());
  const auto session = DesktopSession::Open();
  ASSERT_TRUE(session);
  EXPECT_EQ(session->GetWindowRect(framed.id()), (ScreenRect{5, 7, 31, 23}));
  EXPECT_EQ(session->GetWindowRect(session->DesktopWindow()), (ScreenRect{0, 0, 64, 48}));
}

TEST_P(TrueColour, PartsOutsideTheScreenAreBlack) {
  TestWindow white({"--title", "Corner", "--geometry", "10x10+0+0", "--colour", "ffffff"});
  ASSERT_TRUE(white.ready());
  const auto session = DesktopSession::Open();
  ASSERT_TRUE(session);
  const std::optional<raster::PixelStorage> copy = session->CopyScreen({-4, -3, 6, 7});
  ASSERT_TRUE(copy);
  EXPECT_EQ(At(*copy, 3, 3), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(*copy, 4, 2), (Rgb{0, 0, 0}));
  EXPECT_EQ(At(*copy, 4, 3), (Rgb{255, 255, 255}));
  const std::optional<raster::PixelStorage> away = session->CopyScreen({100, 100, 104, 102});
  ASSERT_TRUE(away);
  EXPECT_EQ(At(*away, 3, 1), (Rgb{0, 0, 0}));
}

TEST_P(TrueColour, AReplacedRootPixmapIsReleased) {
  raster::PixelStorage picture(4, 4, raster::kLayout24, {});
  const auto id_of_root_pixmap = [] {
    Display* d = XOpenDisplay(nullptr);
    Atom type;
    int format;
    unsigned long n, rest;
    unsigned char* data = nullptr;
    unsigned long id = 0;
    if (XGetWindowProperty(d, DefaultRootWindow(d), XInternAtom(d, "_XROOTPMAP_ID", False), 0, 1, False,
                           XA_PIXMAP, &type, &format, &n, &rest, &data) == Success &&
        n == 1)
      id = *reinterpret_cast<unsigned long*>(data);
    if (data) XFree(data);
    XCloseDisplay(d);
    return id;
  };
  ASSERT_TRUE(DesktopSession::Open()->SetRootBackground(picture));
  const unsigned long first = id_of_root_pixmap();
  ASSERT_NE(first, 0u);
  ASSERT_TRUE(DesktopSession::Open()->SetRootBackground(picture));
  const unsigned long second = id_of_root_pixmap();
  ASSERT_NE(second, 0u);
  // The first pixmap's retained resources were ended: it no longer exists.
  Display* d = XOpenDisplay(nullptr);
  static int errors;
  errors = 0;
  XSetErrorHandler([](Display*, XErrorEvent*) { return ++errors, 0; });
  Window root;
  int x, y;
  unsigned w, h, b, depth;
  XGetGeometry(d, first, &root, &x, &y, &w, &h, &b, &depth);
  XGetGeometry(d, second, &root, &x, &y, &w, &h, &b, &depth);
  XSync(d, False);
  XCloseDisplay(d);
  XSetErrorHandler(nullptr);
  EXPECT_EQ(errors, 1);
}

TEST_P(TrueColour, ALostConnectionIsRecordedAndTheProcessGoesOn) {
  auto session = DesktopSession::Open();
  ASSERT_TRUE(session);
  server_->Kill();
  EXPECT_FALSE(session->GetWindowRect(session->DesktopWindow()));
  EXPECT_EQ(session->GetLastError(), DesktopSession::kDisplayLost);
  EXPECT_FALSE(session->CopyScreen({0, 0, 4, 4}));
  EXPECT_EQ(session->FindWindow("anything"), 0u);
  session.reset();
  EXPECT_FALSE(DesktopSession::Open());
}

TEST_P(TrueColour, TheCaptureReplacesOrGrowsTheCanvas) {
  TestWindow red({"--title", "Red", "--geometry", "20x10+4+6", "--colour", "ff0000"});
  ASSERT_TRUE(red.ready());
  raster::Bitmap canvas;
  canvas.SetSize(8, 8);
  ASSERT_EQ(zelnor::CaptureWindowImage("red", false, 0, 0, 0, canvas), 0);
  EXPECT_EQ(canvas.Width(), 20);
  EXPECT_EQ(canvas.Height(), 10);
  EXPECT_TRUE(canvas.DeviceDependent());
  EXPECT_EQ(canvas.GetPixel(19, 9), raster::Rgb(255, 0, 0));
  raster::Bitmap grown;
  grown.SetSize(8, 12);
  ASSERT_EQ(zelnor::CaptureWindowImage("Red", true, 8, 4, 0, grown), 0);
  EXPECT_EQ(grown.Width(), 28);
  EXPECT_EQ(grown.Height(), 14);
  EXPECT_EQ(grown.GetPixel(2, 2), raster::Rgb(255, 255, 255));
  EXPECT_EQ(grown.GetPixel(27, 13), raster::Rgb(255, 0, 0));
  EXPECT_EQ(zelnor::CaptureWindowImage("Blue", true, 0, 0, 0, grown), -1);
  EXPECT_EQ(grown.Width(), 28);
}

int g_host_errors = 0;
int HostHandler(Display*, XErrorEvent*) { return ++g_host_errors, 0; }

TEST_P(TrueColour, TheHostsOwnConnectionsKeepTheirErrorHandler) {
  Display* host = XOpenDisplay(nullptr);
  ASSERT_TRUE(host);
  XSetErrorHandler(HostHandler);
  g_host_errors = 0;
  {
    const auto session = DesktopSession::Open();
    ASSERT_TRUE(session);
    XWindowAttributes a;
    XGetWindowAttributes(host, 0x7FFFFF, &a);  // no such window
    XSync(host, False);
    EXPECT_EQ(g_host_errors, 1);
    EXPECT_EQ(session->GetLastError(), 0u);  // not our error
    EXPECT_FALSE(session->GetWindowRect(0x7FFFFF));
    EXPECT_EQ(session->GetLastError(), static_cast<uint32_t>(BadWindow));
    EXPECT_EQ(g_host_errors, 1);  // ours stayed ours
  }
  EXPECT_EQ(XSetErrorHandler(nullptr), &HostHandler);
  XCloseDisplay(host);
}

}  // namespace
}  // namespace sysplat
