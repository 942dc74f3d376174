// Paths and the directory search: full-path expansion against the current
// folder, wildcard matching, and which entries a search returns in which
// order.
#include "platform/system/folders.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace sysplat {
namespace {

namespace fs = std::filesystem;
using Names = std::vector<std::string>;

class FoldersTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelnor2-folders-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    old_cwd_ = fs::current_path();
    fs::current_path(dir_);
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(dir_);
  }
  void Touch(const std::string& name) { std::ofstream(dir_ / name) << "x"; }
  std::string Dir() const { return dir_.string() + "/"; }

  fs::path dir_, old_cwd_;
};

TEST_F(FoldersTest, ExpansionStartsAtTheCurrentFolderAndKeepsTheTrailingSeparator) {
  const std::string here = dir_.string();
  EXPECT_EQ(CurrentFolder(), here + "/");
  EXPECT_EQ(ExpandPath("a.jpg"), here + "/a.jpg");
  EXPECT_EQ(ExpandPath("./x//y/./z.png"), here + "/x/y/z.png");
  EXPECT_EQ(ExpandPath("."), here);
  EXPECT_EQ(ExpandPath("sub/"), here + "/sub/");
  EXPECT_EQ(ExpandPath("sub\\"), here + "/sub/");  // a folder as a script for another platform writes it
  EXPECT_EQ(ExpandPath("a\\b.jpg"), here + "/a\\b.jpg");  // inside a name, a backslash is a character
  EXPECT_EQ(ExpandPath("/tmp/../etc//"), "/tmp/../etc/");
  EXPECT_EQ(ExpandPath("/"), "/");
  EXPECT_EQ(ExpandPath("//"), "/");
  EXPECT_EQ(ExpandPath(""), "");
  EXPECT_EQ(FolderPart("/a/b/c.jpg"), "/a/b/");
  EXPECT_EQ(NamePart("/a/b/c.jpg"), "c.jpg");
  EXPECT_EQ(NamePart("/a/b/"), "");
  EXPECT_TRUE(EndsWithSeparator("x\\"));
  EXPECT_FALSE(EndsWithSeparator(""));
}

TEST(PatternTest, StarAndQuestionMarkAndNothingElse) {
  struct Case {
    const char* name;
    const char* pattern;
    bool match;
  };
  const Case cases[] = {
      {"a.jpg", "*", true},
      {"a.jpg", "*.jpg", true},
      {"a.jpg", "*.JPG", false},
      {"a.jpg", "?.jpg", true},
      {"ab.jpg", "?.jpg", false},
      {".jpg", "*.jpg", true},
      {"a.jpg", "a.jpg*", true},
      {"a.jpg", "a*g", true},
      {"a.jpg", "a*x", false},
      {"abcabd", "*abd", true},
      {"abcab", "*ab*ab", true},
      {"[a].jpg", "[a].jpg", true},
      {"a.jpg", "[a].jpg", false},
      {"", "*", true},
      {"", "?", false},
      {"a", "", false},
      {"x*y", "x*y", true},
      {"photo.jpeg", "*.jp?g", true},
  };
  for (const Case& c : cases)
    EXPECT_EQ(MatchesPattern(c.name, c.pattern), c.match) << c.name << " ~ " << c.pattern;
  // Many stars against a long near-miss: returns, and says no.
  EXPECT_FALSE(MatchesPattern(std::string(5000, 'a'), "*a*a*a*a*a*a*a*a*b"));
  EXPECT_TRUE(HasWildcards("a?"));
  EXPECT_FALSE(HasWildcards("a[1]"));
}

TEST_F(FoldersTest, SearchReturnsRegularFilesInByteOrder) {
  for (const char* name : {"b.jpg", "B.jpg", "a.jpg", "a.JPG", "c.png", ".hidden.jpg"}) Touch(name);
  fs::create_directory(dir_ / "folder.jpg");
  ASSERT_EQ(mkfifo((dir_ / "pipe.jpg").c_str(), 0600), 0);
  fs::create_symlink(dir_ / "c.png", dir_ / "link.jpg");
  fs::create_symlink(dir_ / "missing.png", dir_ / "dangling.jpg");
  fs::create_symlink(dir_ / "folder.jpg", dir_ / "folderlink.jpg");
  fs::create_symlink("/dev/null", dir_ / "device.jpg");
  EXPECT_EQ(FindFiles(Dir(), "*.jpg", false), (Names{"B.jpg", "a.jpg", "b.jpg", "link.jpg"}));
  EXPECT_EQ(FindFiles(Dir(), "*.jpg", true), (Names{".hidden.jpg", "B.jpg", "a.jpg", "b.jpg", "link.jpg"}));
  EXPECT_EQ(FindFiles(dir_.string(), "?.JPG", false), (Names{"a.JPG"}));  // folder without its '/'
  EXPECT_EQ(FindFiles(Dir(), "*", false), (Names{"B.jpg", "a.JPG", "a.jpg", "b.jpg", "c.png", "link.jpg"}));
}

TEST_F(FoldersTest, SearchForOneNameTestsJustThatName) {
  Touch("a.jpg");
  Touch(".a.jpg");
  fs::create_directory(dir_ / "folder.jpg");
  EXPECT_EQ(FindFiles(Dir(), "a.jpg", false), (Names{"a.jpg"}));
  EXPECT_EQ(FindFiles(Dir(), "A.jpg", false), Names{});
  EXPECT_EQ(FindFiles(Dir(), ".a.jpg", false), Names{});
  EXPECT_EQ(FindFiles(Dir(), ".a.jpg", true), (Names{".a.jpg"}));
  EXPECT_EQ(FindFiles(Dir(), "folder.jpg", true), Names{});
  EXPECT_EQ(FindFiles(Dir(), "", true), Names{});
}

TEST_F(FoldersTest, SocketsAndMissingFoldersGiveNothing) {
  const int fd = socket(AF_UNIX, SOCK_STREAM, 0);
  ASSERT_GE(fd, 0);
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::string socket_path = (dir_ / "s.png").string();
  ASSERT_LT(socket_path.size(), sizeof address.sun_path);
  socket_path.copy(address.sun_path, socket_path.size());
  ASSERT_EQ(bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address), 0);
  EXPECT_EQ(FindFiles(Dir(), "*", true), Names{});
  close(fd);
  EXPECT_EQ(FindFiles(Dir() + "missing/", "*", true), Names{});
  Touch("file");
  EXPECT_EQ(FindFiles(Dir() + "file/", "*", true), Names{});  // a file is no folder
  EXPECT_TRUE(IsFolder(Dir()));
  EXPECT_FALSE(IsFolder(Dir() + "file"));
  EXPECT_TRUE(IsRegularFile(Dir() + "file"));
  EXPECT_FALSE(IsRegularFile(Dir()));
}

}  // namespace
}  // namespace sysplat
