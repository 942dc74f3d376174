#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace registry {
namespace {
namespace fs = std::filesystem;

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelnor2-registry-" + std::to_string(getpid()));
    fs::remove_all(dir_);
    file_ = (dir_ / "sub" / "registry").string();  // the folder is made on first write
  }
  void TearDown() override {
    fs::permissions(dir_, fs::perms::owner_all, fs::perm_options::add, ec_);
    fs::remove_all(dir_, ec_);
  }
  // The names in a folder, for checking that nothing stray was left there.
  static std::vector<std::string> Names(const fs::path& folder) {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(folder))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }
  static unsigned Mode(const fs::path& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 ? st.st_mode & 07777 : 0;
  }
  fs::path dir_;
  std::string file_;
  std::error_code ec_;
};

// Runs body in n child processes at once and expects each to exit with 0.
template <class Body>
void InChildren(int n, Body body) {
  std::vector<pid_t> children;
  for (int i = 0; i < n; ++i) {
    pid_t pid = fork();
    if (pid == 0) {
      int rc = 1;
      try {
        rc = body(i);
      } catch (...) {
      }
      _exit(rc);
    }
    children.push_back(pid);
  }
  for (pid_t pid : children) {
    int status = 0;
    waitpid(pid, &status, 0);
    EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "child " << pid;
  }
}

TEST_F(StoreTest, ValuesPersistAndIgnoreCase) {
  {
    Store store(file_);
    store.SetValue("CLSID\\{A}\\InprocServer32", "", "/opt/with space/Zelnor2.so");
    store.SetValue("CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment");
    store.SetValue("Odd", "tab\tname", "line1\nline2\\end");
  }
  Store again(file_);
  EXPECT_EQ(again.GetValue("clsid\\{a}\\inprocserver32", ""), "/opt/with space/Zelnor2.so");
  EXPECT_EQ(again.GetValue("CLSID\\{A}\\InprocServer32", "threadingmodel"), "Apartment");
  EXPECT_EQ(again.GetValue("Odd", "tab\tname"), "line1\nline2\\end");
  EXPECT_TRUE(again.KeyExists("CLSID\\{A}"));  // parents are created
  EXPECT_FALSE(again.GetValue("CLSID\\{A}", "").has_value());
  EXPECT_EQ(again.SubKeys("CLSID"), std::vector<std::string>{"{A}"});
  EXPECT_EQ(Names(dir_ / "sub"),
            (std::vector<std::string>{"registry", "registry.lock"}));  // no temporary left
  EXPECT_THROW(again.SetValue("\\\\", "", "x"), std::invalid_argument);
}

TEST_F(StoreTest, DeleteKeyRefusesKeysWithSubkeys) {
  Store store(file_);
  store.SetValue("A\\B", "", "x");
  store.SetValue("A-B", "", "y");  // sorts between "a" and "a\b": not a subkey
  EXPECT_FALSE(store.DeleteKey("A"));
  EXPECT_TRUE(store.DeleteKey("A\\B"));
  EXPECT_TRUE(store.DeleteKey("a"));
  EXPECT_FALSE(store.DeleteKey("A"));  // already gone
  EXPECT_EQ(store.GetValue("A-B", ""), "y");
}

TEST_F(StoreTest, ForeignLinesAreSkipped) {
  fs::create_directories(dir_ / "sub");
  std::ofstream(file_) << "garbage line\nV\tKey\t\tvalue\nV\tshort\n";
  Store store(file_);
  EXPECT_EQ(store.GetValue("Key", ""), "value");
  store.SetValue("Other", "", "1");
  EXPECT_EQ(store.GetValue("Key", ""), "value");
}

TEST_F(StoreTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4, kEach = 25;
  InChildren(kWriters, [&](int w) {
    Store store(file_, w % 2 ? Sharing::kEveryone : Sharing::kOwner);
    for (int i = 0; i < kEach; ++i)
      store.SetValue("K" + std::to_string(w) + "\\" + std::to_string(i), "", "v");
    return 0;
  });
  Store store(file_);
  for (int w = 0; w < kWriters; ++w) EXPECT_EQ(store.SubKeys("K" + std::to_string(w)).size(), size_t{kEach});
}

// Readers take no lock: every rewrite must replace the whole file at once, so
// a reader never meets a torn or half-written store.
TEST_F(StoreTest, ReadersNeverSeeATornStore) {
  Store store(file_);
  store.SetValue("Stable", "", "here");
  InChildren(3, [&](int w) {
    if (w == 0) {
      for (int i = 0; i < 300; ++i)
        if (Store(file_).GetValue("Stable", "") != "here") return 1;
      return 0;
    }
    Store writer(file_);
    for (int i = 0; i < 40; ++i) {
      std::string key = "W" + std::to_string(w) + "\\" + std::to_string(i);
      writer.SetValue(key, "", std::string(200, 'x'));
      if (i % 2) writer.DeleteKey(key);
    }
    return 0;
  });
  EXPECT_EQ(store.SubKeys("W1").size(), 20u);
  EXPECT_EQ(Names(dir_ / "sub"), (std::vector<std::string>{"registry", "registry.lock"}));
}

TEST_F(StoreTest, UnwritableLocationNamesTheStore) {
  fs::create_directories(dir_);
  std::ofstream(dir_ / "plain");
  Store store((dir_ / "plain" / "registry").string());
  try {
    store.SetValue("K", "", "v");
    ADD_FAILURE() << "a store below a plain file was written";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find((dir_ / "plain" / "registry").string()), std::string::npos)
        << e.what();
  }
  EXPECT_FALSE(store.KeyExists("K"));  // below a file there is no store: it reads as empty
}

// A store that exists but cannot be read is an error naming it, never an
// empty tree: treating it as empty would let the next write replace it.
TEST_F(StoreTest, UnreadableStoreNamesTheFileAndIsNeverReplaced) {
  fs::create_directories(file_);  // a folder where the store should be
  Store store(file_);
  EXPECT_THROW(store.GetValue("K", ""), StoreError);
  try {
    store.SetValue("K", "", "v");
    ADD_FAILURE() << "a folder was taken for a store";
  } catch (const StoreError& e) {
    EXPECT_EQ(std::string(e.what()), "cannot read the registration store " + file_ + ": not a file");
  }
  EXPECT_THROW(store.DeleteKey("K"), StoreError);
  EXPECT_TRUE(fs::is_directory(file_));

  const std::string fifo = (dir_ / "fifo").string();
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  EXPECT_THROW(Store(fifo).GetValue("K", ""), StoreError);  // and the open does not block

  const std::string huge = (dir_ / "huge").string();
  std::ofstream(huge).close();
  fs::resize_file(huge, (size_t{16} << 20) + 1);
  EXPECT_THROW(Store(huge).KeyExists("K"), StoreError);
}

TEST_F(StoreTest, StoreWithoutReadPermissionKeepsItsEntries) {
  if (geteuid() == 0) GTEST_SKIP() << "root reads every file";
  Store store(file_);
  store.SetValue("Kept", "", "1");
  fs::permissions(file_, fs::perms::none);
  try {
    store.SetValue("New", "", "2");
    ADD_FAILURE() << "an unreadable store was written";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find(file_ + ": Permission denied"), std::string::npos) << e.what();
  }
  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write);
  EXPECT_EQ(store.GetValue("Kept", ""), "1");
}

TEST_F(StoreTest, MissingStoreLeavesNoFolderOrLockFile) {
  Store store(file_);
  EXPECT_FALSE(store.GetValue("K", "").has_value());
  EXPECT_FALSE(store.KeyExists("K"));
  EXPECT_TRUE(store.SubKeys("").empty());
  EXPECT_FALSE(store.DeleteKey("K"));
  EXPECT_FALSE(MergedStores({file_, file_ + "2"}).GetValue("K", "").has_value());
  EXPECT_FALSE(fs::exists(dir_));
}

// The machine-wide store is read by every user (a web server's service
// account among them), whatever root's umask was when it was made, and a
// rewrite never changes who may read it.
TEST_F(StoreTest, SharedStoreIsReadableByEveryoneAndKeepsItsMode) {
  mode_t old_mask = umask(077);
  Store shared(file_, Sharing::kEveryone);
  shared.SetValue("K", "", "1");
  Store own((dir_ / "own" / "registry").string());
  own.SetValue("K", "", "1");
  umask(old_mask);
  EXPECT_EQ(Mode(dir_), 0755u);
  EXPECT_EQ(Mode(dir_ / "sub"), 0755u);
  EXPECT_EQ(Mode(file_), 0644u);
  EXPECT_EQ(Mode(file_ + ".lock"), 0644u);
  EXPECT_EQ(Mode(dir_ / "own" / "registry"), 0600u);  // a user's store follows the umask

  fs::permissions(file_, fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read);
  umask(077);
  shared.SetValue("K", "", "2");
  umask(old_mask);
  EXPECT_EQ(Mode(file_), 0640u);
  EXPECT_EQ(shared.GetValue("K", ""), "2");
}

TEST_F(StoreTest, MergedLookupReadsTheUserStoreFirst) {
  const std::string user = (dir_ / "user").string(), machine = (dir_ / "machine").string();
  Store(machine).SetValue("A", "", "machine");
  Store(machine).SetValue("B", "", "machine");
  Store(user).SetValue("a", "", "user");
  MergedStores stores({user, machine});
  std::optional<Found> a = stores.GetValue("A", ""), b = stores.GetValue("B", "");
  ASSERT_TRUE(a && b);
  EXPECT_EQ(a->data, "user");
  EXPECT_EQ(a->file, user);
  EXPECT_EQ(b->data, "machine");
  EXPECT_EQ(b->file, machine);
  EXPECT_FALSE(stores.GetValue("C", "").has_value());
  EXPECT_EQ(stores.Describe(), user + ", then " + machine);

  // An unreadable user store stops the lookup: its entry might override.
  fs::remove(user);
  fs::create_directories(user);
  try {
    stores.GetValue("B", "");
    ADD_FAILURE() << "the unreadable user store was passed over";
  } catch (const StoreError& e) {
    EXPECT_NE(std::string(e.what()).find(user), std::string::npos) << e.what();
  }
}

// Sets or clears environment variables for one test and restores them after.
class Environment {
 public:
  ~Environment() {
    for (const auto& [name, value] : saved_)
      value ? setenv(name.c_str(), value->c_str(), 1) : unsetenv(name.c_str());
  }
  void Set(const std::string& name, const char* value) {
    if (!saved_.count(name)) {
      const char* old = std::getenv(name.c_str());
      saved_[name] = old ? std::optional<std::string>(old) : std::nullopt;
    }
    value ? setenv(name.c_str(), value, 1) : unsetenv(name.c_str());
  }

 private:
  std::map<std::string, std::optional<std::string>> saved_;
};

TEST(StoreLocations, OverrideThenUserThenMachine) {
  Environment env;
  const std::string root = ::testing::TempDir();  // any absolute folder: nothing is written
  env.Set("ZELNOR2_REGISTRY", (root + "zelnor2-explicit").c_str());
  EXPECT_EQ(LookupFiles(), std::vector<std::string>{root + "zelnor2-explicit"});
  EXPECT_EQ(RegistrationStore().File(), root + "zelnor2-explicit");

  env.Set("ZELNOR2_REGISTRY", nullptr);
  env.Set("XDG_CONFIG_HOME", (root + "xdg").c_str());
  EXPECT_EQ(UserFile(), root + "xdg/zelnor2/registry");
  EXPECT_EQ(LookupFiles(), (std::vector<std::string>{root + "xdg/zelnor2/registry", MachineFile()}));
  EXPECT_EQ(RegistrationStore().File(), geteuid() == 0 ? MachineFile() : UserFile());
  EXPECT_EQ(MachineFile()[0], '/');

  env.Set("XDG_CONFIG_HOME", "relative/xdg");  // invalid by the XDG rules: ignored
  env.Set("HOME", (root + "home").c_str());
  EXPECT_EQ(UserFile(), root + "home/.config/zelnor2/registry");

  env.Set("XDG_CONFIG_HOME", nullptr);
  env.Set("HOME", nullptr);  // as for a service started without one: the user database's home
  std::string file = UserFile();
  EXPECT_TRUE(file.empty() || (file[0] == '/' && file.ends_with("/.config/zelnor2/registry"))) << file;
}

}  // namespace
}  // namespace registry
