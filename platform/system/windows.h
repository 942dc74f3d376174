// The window manager and screen of the desktop: finding top-level windows by
// title, the foreground and the desktop window, restoring a minimised window,
// a window's outer rectangle, and copying screen pixels.  On Linux this is
// the X display named by DISPLAY (a desktop session or a virtual one such as
// Xvfb), reached through libX11 loaded at run time: without that library,
// without DISPLAY or without a reachable server, no session opens and the
// component works as before.
#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string_view>

#include "platform/raster/pixel_storage.h"

namespace sysplat {

namespace x11 {
class Connection;
}

// A window of the display (its X window id); 0 is no window.
using WindowHandle = uint64_t;

// A rectangle in screen coordinates: columns left..right-1, rows top..bottom-1.
struct ScreenRect {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
  int64_t width() const { return int64_t{right} - left; }
  int64_t height() const { return int64_t{bottom} - top; }
  bool operator==(const ScreenRect&) const = default;
};

// One conversation with the display, made for one call of a member and
// closed when destroyed.  Sessions are opened one at a time in the process.
class DesktopSession {
 public:
  // Nothing when there is no X library or no display to talk to.
  static std::unique_ptr<DesktopSession> Open();
  ~DesktopSession();
  DesktopSession(const DesktopSession&) = delete;
  DesktopSession& operator=(const DesktopSession&) = delete;

  // The first top-level window, from the top of the stacking order down,
  // whose title (_NET_WM_NAME, else WM_NAME) equals `title` without regard to
  // letter case (TitlesMatch).  Unmapped and minimised windows count.
  WindowHandle FindWindow(std::string_view title);
  // The root window, which stands for the whole desktop.
  WindowHandle DesktopWindow();
  // The window manager's active window (_NET_ACTIVE_WINDOW); without a window
  // manager that announces one, the top-level window holding the input focus.
  // 0 when no window is active.
  WindowHandle ForegroundWindow();

  // True for a minimised window (WM_STATE iconic or _NET_WM_STATE_HIDDEN).
  bool IsIconic(WindowHandle window);
  // Restores a minimised window and brings it to the front, then waits (at
  // most two seconds) until it is shown.  False when it did not appear.
  bool OpenIcon(WindowHandle window);
  // Raises the window and asks for it to become active (the window manager
  // decides; without one, the focus moves to it when it is shown).
  bool SetForegroundWindow(WindowHandle window);

  // The outer rectangle in screen coordinates: the frame the window manager
  // adds and the window's border included.  Nothing when the window is gone.
  std::optional<ScreenRect> GetWindowRect(WindowHandle window);

  // The screen pixels of `rect` as a device-dependent 24-bit block, whatever
  // the screen's depth and visual; parts outside the screen are black.
  // Nothing when the server refused the copy; a rectangle above the bitmap
  // size limit fails with RasterError before anything is fetched.
  std::optional<raster::PixelStorage> CopyScreen(const ScreenRect& rect);

  // Makes the 24-bit picture the root window's background, centred on the
  // desktop colour, as a root pixmap announced by _XROOTPMAP_ID and
  // ESETROOT_PMAP_ID that outlives the session.  False when refused.
  bool SetRootBackground(const raster::PixelStorage& picture);

  // The latest refusal the display reported for this session's requests
  // about a chosen window or the screen: an X error code, kDisplayLost when
  // the connection broke, 0 when none.  Errors about windows that vanish
  // while FindWindow or ForegroundWindow walk the window tree do not count.
  uint32_t GetLastError();

  static constexpr uint32_t kDisplayLost = 0x10000;

 private:
  explicit DesktopSession(std::unique_ptr<x11::Connection> connection);
  bool WaitUntilShown(WindowHandle window);
  std::unique_ptr<x11::Connection> connection_;
};

// Window titles compare as UTF-8 texts without regard to the case of letters
// of the Latin (ASCII, Latin-1 and Latin Extended-A), Greek, Cyrillic and
// full-width Latin alphabets.  Texts that are not valid UTF-8 compare byte
// for byte.
bool TitlesMatch(std::string_view a, std::string_view b);

}  // namespace sysplat
