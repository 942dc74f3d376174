#include "platform/system/wallpaper.h"

#include "desktop/desktop.h"
#include "io/ZelnorIO.h"
#include "io/ZelnorLoad.h"
#include "model/result_codes.h"
#include "model/settings.h"

namespace zelnor {

namespace {

constexpr const char* kWallpaperFileName = "Zelnor2WallPaper.BMP";

// Saves the picture as the wallpaper file, creating its folder first.
int32_t WriteWallpaperFile(const std::string& path, raster::Bitmap& picture) {
  if (picture.Empty()) return rcEmptyCanvas;
  sysplat::CreateFolders(sysplat::WallpaperFolder());
  // A BMP file: no codec setting plays a part, so the object's record is not needed.
  return SaveCanvasImage(sdFile, path, CodecSettings{}, nullptr, picture, false, 0, 0);
}

}  // namespace

int32_t SetWallPaperImage(const std::string& FileName, bool SaveRegs, raster::Bitmap& canvas) {
  const std::string path = sysplat::WallpaperFolder() + kWallpaperFileName;
  int32_t r;
  if (FileName.empty()) {
    r = WriteWallpaperFile(path, canvas);
  } else {
    raster::Bitmap picture;  // the canvas is not touched
    r = LoadImageFile(FileName, false, 0, 0, 0, picture);
    if (r == rcOK) r = WriteWallpaperFile(path, picture);
  }
  if (r != rcOK) return r;
  return sysplat::SetDesktopWallpaper(path, SaveRegs) ? rcOK : rcInvalidArgument;
}

}  // namespace zelnor
