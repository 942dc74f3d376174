#include "platform/registry/registry.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>

namespace registry {
namespace {

class StoreTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::temp_directory_path() / ("zelnor2-registry-" + std::to_string(getpid()));
    std::filesystem::remove_all(dir_);
    file_ = (dir_ / "sub" / "registry").string();  // the folder is made on first write
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }
  std::filesystem::path dir_;
  std::string file_;
};

TEST_F(StoreTest, ValuesPersistAndIgnoreCase) {
  {
    Store store(file_);
    ASSERT_TRUE(store.SetValue("CLSID\\{A}\\InprocServer32", "", "/opt/with space/Zelnor2.so"));
    ASSERT_TRUE(store.SetValue("CLSID\\{A}\\InprocServer32", "ThreadingModel", "Apartment"));
    ASSERT_TRUE(store.SetValue("Odd", "tab\tname", "line1\nline2\\end"));
  }
  Store again(file_);
  EXPECT_EQ(again.GetValue("clsid\\{a}\\inprocserver32", ""), "/opt/with space/Zelnor2.so");
  EXPECT_EQ(again.GetValue("CLSID\\{A}\\InprocServer32", "threadingmodel"), "Apartment");
  EXPECT_EQ(again.GetValue("Odd", "tab\tname"), "line1\nline2\\end");
  EXPECT_TRUE(again.KeyExists("CLSID\\{A}"));  // parents are created
  EXPECT_FALSE(again.GetValue("CLSID\\{A}", "").has_value());
  EXPECT_EQ(again.SubKeys("CLSID"), std::vector<std::string>{"{A}"});
  EXPECT_FALSE(std::filesystem::exists(file_ + ".tmp." + std::to_string(getpid())));
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
  std::filesystem::create_directories(dir_ / "sub");
  std::ofstream(file_) << "garbage line\nV\tKey\t\tvalue\nV\tshort\n";
  Store store(file_);
  EXPECT_EQ(store.GetValue("Key", ""), "value");
  EXPECT_TRUE(store.SetValue("Other", "", "1"));
  EXPECT_EQ(store.GetValue("Key", ""), "value");
}

TEST_F(StoreTest, ConcurrentWritersLoseNothing) {
  constexpr int kWriters = 4, kEach = 25;
  for (int w = 0; w < kWriters; ++w) {
    if (fork() == 0) {
      Store store(file_);
      for (int i = 0; i < kEach; ++i) {
        char key[32];
        std::snprintf(key, sizeof key, "K%d\\%d", w, i);
        store.SetValue(key, "", "v");
      }
      _exit(0);
    }
  }
  for (int w = 0; w < kWriters; ++w) wait(nullptr);
  Store store(file_);
  for (int w = 0; w < kWriters; ++w) {
    char key[16];
    std::snprintf(key, sizeof key, "K%d", w);
    EXPECT_EQ(store.SubKeys(key).size(), size_t{kEach});
  }
}

TEST_F(StoreTest, UnwritableLocationReportsFailure) {
  std::filesystem::create_directories(dir_);
  std::ofstream(dir_ / "plain");
  Store store((dir_ / "plain" / "registry").string());
  EXPECT_FALSE(store.SetValue("K", "", "v"));
  EXPECT_FALSE(store.KeyExists("K"));
}

TEST(StoreDefault, EnvironmentOverridesTheLocation) {
  setenv("ZELNOR2_REGISTRY", "/tmp/zelnor2-explicit", 1);
  EXPECT_EQ(Store::DefaultFile(), "/tmp/zelnor2-explicit");
  unsetenv("ZELNOR2_REGISTRY");
  setenv("XDG_CONFIG_HOME", "/tmp/xdg", 1);
  EXPECT_EQ(Store::DefaultFile(), "/tmp/xdg/zelnor2/registry");
}

}  // namespace
}  // namespace registry
