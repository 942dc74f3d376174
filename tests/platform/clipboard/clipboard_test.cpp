// The clipboard store: formats survive between openings and processes, one
// holder at a time, and a damaged store reads as an empty clipboard.
#include "platform/clipboard/clipboard.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace clipboard {
namespace {

namespace fs = std::filesystem;

class ClipboardTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelnor2-clip-" + std::to_string(getpid()));
    fs::create_directories(dir_);
    setenv("ZELNOR2_CLIPBOARD", (dir_ / "store").c_str(), 1);
  }
  void TearDown() override { fs::remove_all(dir_); }
  fs::path dir_;
};

TEST_F(ClipboardTest, FormatsPersistUntilEmptied) {
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  raster::PixelStorage pic(5, 3, raster::PixelLayout{4}, raster::VgaPalette());
  pic.SetBits(4, 2, 9);
  {
    Clipboard board;
    board.Empty();
    board.SetBitmap(pic);
    board.SetPalette(pic.palette());
    board.SetText("héllo");
  }
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_BITMAP));
  EXPECT_TRUE(IsClipboardFormatAvailable(CF_PALETTE));
  {
    Clipboard board;
    const auto back = board.GetBitmap();
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->bits(), 4);
    EXPECT_EQ(back->GetBits(4, 2), 9u);
    EXPECT_EQ(board.GetPalette(), raster::VgaPalette());
    EXPECT_EQ(board.GetText(), "héllo");
    board.Empty();
  }
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_TEXT));
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
}

TEST_F(ClipboardTest, OneHolderAtATimeAcrossProcesses) {
  int ready[2];
  ASSERT_EQ(pipe(ready), 0);
  const pid_t child = fork();
  ASSERT_GE(child, 0);
  if (child == 0) {
    {
      Clipboard board;
      board.SetText("from the child");
      char c = 1;
      if (write(ready[1], &c, 1) != 1) _exit(2);
      sleep(3);
    }
    _exit(0);
  }
  char c = 0;
  ASSERT_EQ(read(ready[0], &c, 1), 1);
  try {
    Clipboard busy;
    ADD_FAILURE() << "opened while another process holds the clipboard";
  } catch (const ClipboardError& e) {
    EXPECT_STREQ(e.what(), "Cannot open the clipboard");
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_EQ(WEXITSTATUS(status), 0);
  Clipboard board;
  EXPECT_EQ(board.GetText(), "from the child");
  close(ready[0]);
  close(ready[1]);
}

TEST_F(ClipboardTest, DamagedStoreReadsAsEmpty) {
  std::ofstream(dir_ / "store", std::ios::binary) << "ZCB1\x02\x00\x00\x00\xFF\xFF\xFF\xFF\xFF\xFF\xFF\x7F";
  EXPECT_FALSE(IsClipboardFormatAvailable(CF_BITMAP));
  Clipboard board;
  board.SetData(CF_BITMAP, {1, 2, 3});  // not a picture
  EXPECT_THROW(board.GetBitmap(), std::exception);
}

}  // namespace
}  // namespace clipboard
