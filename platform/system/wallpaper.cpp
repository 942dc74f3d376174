#include "platform/system/wallpaper.h"

#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

#include "platform/raster/bitmap.h"
#include "platform/raster/syscolors.h"
#include "platform/system/files.h"
#include "platform/system/windows.h"

namespace sysplat {

namespace {

constexpr int64_t kMaxWallpaperFileBytes = 2 * raster::kMaxBitmapBytes;

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && home[0] == '/') return home;
  struct passwd entry, *found = nullptr;
  char buffer[4096];
  if (getpwuid_r(getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found && found->pw_dir &&
      found->pw_dir[0] == '/')
    return found->pw_dir;
  throw std::runtime_error("No home folder for the desktop wallpaper");
}

// An XDG base folder: the variable when it holds an absolute path, else the
// default under the home folder (relative values are ignored, as the XDG
// rules say).
std::string XdgFolder(const char* variable, const char* under_home) {
  if (const char* value = std::getenv(variable); value && value[0] == '/') return value;
  return HomeFolder() + "/" + under_home;
}

std::string WithSlash(std::string folder) {
  if (folder.empty() || folder.back() != '/') folder += '/';
  return folder;
}

std::string RecordText(const std::string& path) {
  const raster::ColorRef desktop = raster::GetSysColor(1);
  char colour[8];
  std::snprintf(colour, sizeof colour, "#%02x%02x%02x", desktop & 0xFF, (desktop >> 8) & 0xFF,
                (desktop >> 16) & 0xFF);
  return "# The desktop wallpaper chosen through Zelnor2.\n[Wallpaper]\nFile=" + path +
         "\nPlacement=centred\nBackground=" + colour + "\n";
}

std::optional<raster::PixelStorage> ReadPicture(const std::string& path) {
  std::optional<std::vector<uint8_t>> bytes = ReadRegularFile(path, kMaxWallpaperFileBytes);
  if (!bytes) return std::nullopt;
  raster::Bitmap bitmap;
  try {
    bitmap.LoadFromBmp(*bytes);
  } catch (const std::exception&) {
    return std::nullopt;  // not a picture the desktop can show
  }
  return raster::ConvertStorage(bitmap.Storage(), raster::kLayout24, {});
}

}  // namespace

std::string WallpaperFolder() { return WithSlash(XdgFolder("XDG_DATA_HOME", ".local/share")) + "zelnor2/"; }

std::string WallpaperRecordPath() {
  return WithSlash(XdgFolder("XDG_CONFIG_HOME", ".config")) + "zelnor2/wallpaper.ini";
}

void CreateFolders(const std::string& folder) {
  for (size_t end = folder.find('/', 1);; end = folder.find('/', end + 1)) {
    const std::string part = folder.substr(0, end);
    struct stat st;
    if (!part.empty() && mkdir(part.c_str(), 0700) != 0 && errno != EEXIST)
      throw std::runtime_error("Cannot create folder \"" + part + "\": " + std::strerror(errno));
    if (!part.empty() && (stat(part.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)))
      throw std::runtime_error("Cannot create folder \"" + part + "\": not a folder");
    if (end == std::string::npos) return;
  }
}

bool SetDesktopWallpaper(const std::string& path, bool record) {
  const std::optional<raster::PixelStorage> picture = ReadPicture(path);
  if (!picture) return false;
  {
    const std::unique_ptr<DesktopSession> session = DesktopSession::Open();
    if (!session || !session->SetRootBackground(*picture)) return false;
  }  // the display is released before the record is written
  if (record) {
    const std::string record_path = WallpaperRecordPath();
    CreateFolders(record_path.substr(0, record_path.find_last_of('/')));
    const std::string text = RecordText(path);
    WriteWholeFile(record_path, {reinterpret_cast<const uint8_t*>(text.data()), text.size()});
  }
  return true;
}

}  // namespace sysplat
