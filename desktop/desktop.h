// Desktop integration: copying the screen picture of a window into a canvas,
// and making a picture the desktop wallpaper.  Both talk to the window layer
// of platform/system; without a display they find no window.
#pragma once
#include <cstdint>
#include <string>

#include "platform/raster/bitmap.h"

namespace zelnor {

// Copies the screen area of a window: `WindowName` empty names the desktop
// (the whole screen), "@ACTIVE" (ASCII letters in any case) the foreground
// window, anything else the top-level window of that title, restored first
// when minimised.  The copy covers the window's outer rectangle, frame
// included, with whatever lies over it; off-screen parts are black.
// `appendflag` false replaces the canvas by the copy (device-dependent);
// true draws it at (X1, Y1) with copy-mode number `Cpmode`, growing the
// canvas.  Results: -1 no such window (nothing changed, also without a
// display); -2 the display refused the capture: the chosen window vanished
// or could not be read, or the connection broke (nothing changed); 0 done.
int32_t CaptureWindowImage(const std::string& WindowName, bool appendflag, int32_t X1, int32_t Y1,
                           int32_t Cpmode, raster::Bitmap& canvas);

// Writes the canvas (`FileName` empty) or the image file `FileName` as the
// BMP file Zelnor2WallPaper.BMP in the wallpaper folder, then makes it the
// desktop wallpaper; `SaveRegs` also records the choice.  Results: -3
// unrecognised extension; -2 no such file; -4 empty canvas; -1 the desktop
// refused the wallpaper or there is no display (the file stays written);
// 0 done.  The canvas is never changed.
int32_t SetWallPaperImage(const std::string& FileName, bool SaveRegs, raster::Bitmap& canvas);

}  // namespace zelnor
