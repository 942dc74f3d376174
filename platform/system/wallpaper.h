// The desktop wallpaper: the folder that holds the component's wallpaper
// file, and the request that makes a BMP file the wallpaper.
//
// The folder stands for the host's system folder: `zelnor2/` under the
// user's XDG data folder ($XDG_DATA_HOME, else ~/.local/share).  A recorded
// choice goes to `zelnor2/wallpaper.ini` under the XDG config folder
// ($XDG_CONFIG_HOME, else ~/.config), where a login script can find it.
#pragma once
#include <string>

namespace sysplat {

// The wallpaper folder, ending in '/'; not created here.  Fails with
// std::runtime_error when there is no home folder to put it in.
std::string WallpaperFolder();
// Creates the folder and any missing parents (new ones private to the user,
// 0700); an existing folder is fine.  Fails with std::runtime_error naming
// the folder and the reason.
void CreateFolders(const std::string& folder);

// The file the recorded choice goes to.
std::string WallpaperRecordPath();

// Makes the BMP file `path` the desktop wallpaper, centred on the desktop
// colour.  With `record`, the choice is also written to the record file
// (replacing the previous one).  False when there is no display, the file is
// no readable BMP, or the display refused; the record is written only after
// success, and a record that cannot be written fails with std::runtime_error.
bool SetDesktopWallpaper(const std::string& path, bool record);

}  // namespace sysplat
