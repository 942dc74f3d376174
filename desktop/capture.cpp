#include <algorithm>
#include <string_view>

#include "desktop/desktop.h"
#include "io/ZelnorLoad.h"
#include "model/result_codes.h"
#include "platform/system/windows.h"

namespace zelnor {

namespace {

bool IsActiveWindowName(std::string_view name) {
  constexpr std::string_view kActive = "@ACTIVE";
  return name.size() == kActive.size() &&
         std::equal(name.begin(), name.end(), kActive.begin(),
                    [](char a, char b) { return (a >= 'a' && a <= 'z' ? a - 32 : a) == b; });
}

// The window the name chooses; a minimised window found by its title is
// restored first.  A window found by its title is otherwise left where it
// is in the stacking order, so that windows lying over it are captured too.
sysplat::WindowHandle ChooseWindow(sysplat::DesktopSession& session, const std::string& name) {
  if (name.empty()) return session.DesktopWindow();
  if (IsActiveWindowName(name)) return session.ForegroundWindow();
  const sysplat::WindowHandle window = session.FindWindow(name);
  if (window && session.IsIconic(window)) session.OpenIcon(window);
  return window;
}

}  // namespace

int32_t CaptureWindowImage(const std::string& WindowName, bool appendflag, int32_t X1, int32_t Y1,
                           int32_t Cpmode, raster::Bitmap& canvas) {
  std::unique_ptr<sysplat::DesktopSession> session = sysplat::DesktopSession::Open();
  if (!session) return rcInvalidArgument;  // no display: no window to find
  const sysplat::WindowHandle window = ChooseWindow(*session, WindowName);
  if (!window) return rcInvalidArgument;
  if (session->GetLastError() != 0) return rcNoInput;
  const std::optional<sysplat::ScreenRect> rect = session->GetWindowRect(window);
  if (!rect || session->GetLastError() != 0) return rcNoInput;
  std::optional<raster::PixelStorage> picture = session->CopyScreen(*rect);
  if (!picture || session->GetLastError() != 0) return rcNoInput;
  session.reset();  // the display is released before the canvas changes
  PlaceImage(std::move(*picture), appendflag, X1, Y1, Cpmode, canvas);
  return rcOK;
}

}  // namespace zelnor
