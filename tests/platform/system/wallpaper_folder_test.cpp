// Where the wallpaper file and its record go, and folder creation.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "platform/system/wallpaper.h"

namespace sysplat {
namespace {

// Sets (or unsets, with nullopt) an environment variable for one test.
class ScopedVariable {
 public:
  ScopedVariable(const char* name, std::optional<std::string> value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value)
      setenv(name, value->c_str(), 1);
    else
      unsetenv(name);
  }
  ~ScopedVariable() {
    if (saved_)
      setenv(name_, saved_->c_str(), 1);
    else
      unsetenv(name_);
  }

 private:
  const char* name_;
  std::optional<std::string> saved_;
};

TEST(WallpaperFolder, FollowsTheXdgBaseFolders) {
  ScopedVariable home("HOME", "/home/tester");
  {
    ScopedVariable data("XDG_DATA_HOME", "/srv/data");
    ScopedVariable config("XDG_CONFIG_HOME", "/srv/config/");
    EXPECT_EQ(WallpaperFolder(), "/srv/data/zelnor2/");
    EXPECT_EQ(WallpaperRecordPath(), "/srv/config/zelnor2/wallpaper.ini");
  }
  // Unset, empty or relative values fall back to the defaults under HOME.
  for (const std::optional<std::string>& value :
       {std::optional<std::string>{}, std::optional<std::string>{""},
        std::optional<std::string>{"relative/data"}}) {
    ScopedVariable data("XDG_DATA_HOME", value);
    ScopedVariable config("XDG_CONFIG_HOME", value);
    EXPECT_EQ(WallpaperFolder(), "/home/tester/.local/share/zelnor2/");
    EXPECT_EQ(WallpaperRecordPath(), "/home/tester/.config/zelnor2/wallpaper.ini");
  }
}

class FolderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    char pattern[] = "/tmp/zelnor2-folders-XXXXXX";
    ASSERT_TRUE(mkdtemp(pattern));
    root_ = pattern;
  }
  void TearDown() override { std::filesystem::remove_all(root_); }
  std::string root_;
};

TEST_F(FolderTest, CreatesMissingParentsPrivately) {
  const std::string folder = root_ + "/a/b/zelnor2/";
  CreateFolders(folder);
  struct stat st;
  ASSERT_EQ(stat((root_ + "/a/b/zelnor2").c_str(), &st), 0);
  EXPECT_TRUE(S_ISDIR(st.st_mode));
  EXPECT_EQ(st.st_mode & 0777, 0700u);
  CreateFolders(folder);  // existing folders are fine
}

TEST_F(FolderTest, AFileInTheWayFailsNamingTheFolder) {
  std::ofstream(root_ + "/a") << "not a folder";
  try {
    CreateFolders(root_ + "/a/zelnor2/");
    FAIL() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find(root_ + "/a"), std::string::npos) << e.what();
  }
}

TEST_F(FolderTest, WithoutADisplayTheRequestFailsAndRecordsNothing) {
  ScopedVariable display("DISPLAY", std::nullopt);
  ScopedVariable config("XDG_CONFIG_HOME", root_ + "/config");
  // A valid 1 x 1 24-bit BMP file.
  const unsigned char bmp[] = {'B', 'M', 58, 0, 0, 0, 0, 0, 0,  0, 54, 0, 0, 0, 40,  0, 0, 0, 1, 0,
                               0,   0,   1,  0, 0, 0, 1, 0, 24, 0, 0,  0, 0, 0, 4,   0, 0, 0, 0, 0,
                               0,   0,   0,  0, 0, 0, 0, 0, 0,  0, 0,  0, 0, 0, 255, 0, 0, 0};
  const std::string path = root_ + "/w.bmp";
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bmp), sizeof bmp);
  EXPECT_FALSE(SetDesktopWallpaper(path, true));
  EXPECT_FALSE(std::filesystem::exists(WallpaperRecordPath()));
  EXPECT_FALSE(SetDesktopWallpaper(root_ + "/missing.bmp", true));
}

}  // namespace
}  // namespace sysplat
