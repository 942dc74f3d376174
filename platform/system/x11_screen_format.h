// The pixel format of the root window's images on an X display.
#pragma once
#include "platform/system/screen_pixels.h"
#include "platform/system/x11_connection.h"

namespace sysplat::x11 {

// How `image` (taken from or made for the root window) stores pixels, with
// the colours of the root's colour map for visuals that use one.  DirectColor
// is read through its masks, as if its colour map were the identity.
ScreenPixelFormat FormatOf(Connection& c, const XWindowAttributes& root, const XImage& image);

}  // namespace sysplat::x11
