// File conversion: the source and target checks in their order, which files
// a folder or pattern selects, the steps applied to each picture, the codec
// settings, reduced JPEG decoding, and that a failure never destroys a file
// that was there before, the source included.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "effects/ZelnorEffects.h"
#include "io/ZelnorCommons.h"
#include "io/ZelnorConvert.h"
#include "io/ZelnorIO.h"
#include "io/codecs/jpeg_codec.h"
#include "model/result_codes.h"
#include "model/settings.h"
#include "platform/system/files.h"

namespace zelnor {
namespace {

namespace fs = std::filesystem;

raster::PixelStorage Solid(int w, int h, uint8_t b, uint8_t g, uint8_t r) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) {
      uint8_t* px = p.row(y) + 3 * x;
      px[0] = b;
      px[1] = g;
      px[2] = r;
    }
  return p;
}

// Soft light and shade, as in a photo.
raster::PixelStorage Smooth(int w, int h) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x)
      p.row(y)[x] = static_cast<uint8_t>(128 + 100 * std::sin(x / 120.0 + x % 3) * std::cos(y / 30.0));
  return p;
}

// Diagonal bands: enough detail for a resampler or a filter to show.
raster::PixelStorage Bands(int w, int h) {
  raster::PixelStorage p(w, h, raster::PixelLayout{24}, {});
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < 3 * w; ++x) p.row(y)[x] = static_cast<uint8_t>((x / 3 + 2 * y) * 5 + x % 3 * 60);
  return p;
}

std::vector<uint8_t> Encode(ImageType type, raster::PixelStorage picture) {
  raster::Bitmap b;
  b.TakeStorage(std::move(picture));
  return EncodeCanvasImage(type, b, CodecSettings{}, false, 0, 0);
}

std::vector<uint8_t> ReadBytes(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::vector<uint8_t>(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

raster::PixelStorage Decode(const fs::path& p) {
  return DecodeImage(ImageTypeFromFileName(p.string()), ReadBytes(p));
}

bool SamePixels(const raster::PixelStorage& a, const raster::PixelStorage& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (a.GetPixel(x, y) != b.GetPixel(x, y)) return false;
  return true;
}

class ConvertTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("zelnor2-convert-" + std::to_string(getpid()));
    fs::create_directories(dir_ / "src");
    fs::create_directories(dir_ / "out");
    fs::create_directories(dir_ / "cwd");
    old_cwd_ = fs::current_path();
    fs::current_path(dir_ / "cwd");
    settings_.Reset();
  }
  void TearDown() override {
    fs::current_path(old_cwd_);
    fs::remove_all(dir_);
  }
  fs::path Put(const std::string& name, const std::vector<uint8_t>& bytes) {
    const fs::path p = dir_ / name;
    sysplat::WriteWholeFile(p.string(), bytes);
    return p;
  }
  fs::path PutPicture(const std::string& name, raster::PixelStorage picture) {
    return Put(name, Encode(ImageTypeFromFileName(name), std::move(picture)));
  }
  int32_t Convert(const std::string& from, const std::string& to, const ConvertOptions& o = {}) {
    return ConvertFiles(from, to, o, settings_);
  }
  std::string P(const std::string& relative) const { return (dir_ / relative).string(); }
  std::vector<std::string> Listing(const std::string& sub) const {
    std::vector<std::string> names;
    for (const auto& e : fs::directory_iterator(dir_ / sub)) names.push_back(e.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  fs::path dir_, old_cwd_;
  SettingsRecord settings_;
};

using Names = std::vector<std::string>;

TEST_F(ConvertTest, FolderWithTheDefaultsWritesJpegsIntoTheCurrentFolder) {
  PutPicture("src/a.bmp", Solid(20, 10, 0, 0, 255));
  PutPicture("src/b.png", Solid(7, 9, 0, 255, 0));
  Put("src/notes.txt", {'h', 'i'});
  EXPECT_EQ(Convert(P("src"), ""), 2);
  EXPECT_EQ(Listing("cwd"), (Names{"a.JPG", "b.JPG"}));
  const raster::PixelStorage a = Decode(dir_ / "cwd/a.JPG");
  EXPECT_EQ(a.width(), 20);
  EXPECT_EQ(a.height(), 10);
  EXPECT_EQ(ReadBytes(dir_ / "cwd/b.JPG").at(0), 0xFF);
}

TEST_F(ConvertTest, SourceChecksComeFirstAndInTheirOrder) {
  PutPicture("src/a.bmp", Solid(2, 2, 1, 2, 3));
  EXPECT_EQ(Convert(P("missing/"), P("out")), rcNoSourceFolder);
  EXPECT_EQ(Convert(P("missing\\"), P("out")), rcNoSourceFolder);
  EXPECT_EQ(Convert(P("missing"), P("out")), rcNoInput);
  EXPECT_EQ(Convert(P("src/a.bmp/"), P("out")), rcNoSourceFolder);  // a file is no folder
  EXPECT_EQ(Convert(P("src/*.gif"), P("out")), rcNoInput);
  EXPECT_EQ(Convert("", P("out")), rcNoInput);
  // The part before a NUL byte would name another path: the folder itself.
  EXPECT_EQ(Convert(P("src") + std::string(1, '\0') + "x.bmp", P("out")), rcNoInput);
  EXPECT_EQ(Convert(P("src"), P("out") + std::string(1, '\0') + "x.png"), rcNoTargetFolder);
  // Source before target: a missing target is not even looked at.
  EXPECT_EQ(Convert(P("missing/"), P("nofolder/")), rcNoSourceFolder);
  EXPECT_EQ(Convert(P("src/*.gif"), P("nofolder/x.png")), rcNoInput);
  // Then the target, then the name rule.
  EXPECT_EQ(Convert(P("src"), P("nofolder/")), rcNoTargetFolder);
  EXPECT_EQ(Convert(P("src"), P("nofolder/x.png")), rcNoTargetFolder);
  EXPECT_EQ(Convert(P("src/a.bmp"), P("src/a.bmp/x.png")), rcNoTargetFolder);
  EXPECT_EQ(Convert(P("src"), P("out/x.png")), rcTargetNameNotAllowed);
  EXPECT_EQ(Convert(P("src/*.bmp"), P("out/x.png")), rcTargetNameNotAllowed);
  EXPECT_EQ(Convert(P("src/?.bmp"), P("out/x.png")), rcTargetNameNotAllowed);
  EXPECT_TRUE(Listing("out").empty());
}

TEST_F(ConvertTest, EveryFormOfSourceAndTargetPath) {
  PutPicture("src/a.bmp", Solid(4, 4, 9, 9, 9));
  PutPicture("src/b.gif", Solid(3, 3, 0, 0, 0));
  EXPECT_EQ(Convert(P("src/"), P("out/")), 2);
  EXPECT_EQ(Convert(P("src\\"), P("out\\")), 2);
  EXPECT_EQ(Convert("../src", "../out"), 2);  // relative to the current folder
  EXPECT_EQ(Listing("out"), (Names{"a.JPG", "b.JPG"}));
  fs::remove_all(dir_ / "out");
  fs::create_directory(dir_ / "out");
  // One file and a target name: the name's own extension decides the type.
  ConvertOptions gif;
  gif.file_type = "gif";
  EXPECT_EQ(Convert(P("src/a.bmp"), P("out/picture.png"), gif), 1);
  EXPECT_EQ(Listing("out"), (Names{"picture.png"}));
  EXPECT_EQ(ReadBytes(dir_ / "out/picture.png").at(1), 'P');
  // A pattern selects several files even when it matches one.
  EXPECT_EQ(Convert(P("src/a.*"), P("out"), gif), 1);
  EXPECT_TRUE(fs::exists(dir_ / "out/a.gif"));
}

TEST_F(ConvertTest, OnlyVisibleRegularFilesWithImageExtensionsAreConverted) {
  PutPicture("src/upper.JPG", Solid(5, 5, 1, 1, 1));
  PutPicture("src/.hidden.bmp", Solid(5, 5, 1, 1, 1));
  PutPicture("src/photo.jpeg", Solid(5, 5, 1, 1, 1));
  Put("src/noext", {'x'});
  Put("src/trailing.", {'x'});
  Put("src/photo.tif", {'x'});
  fs::create_directory(dir_ / "src/folder.png");
  ASSERT_EQ(mkfifo(P("src/pipe.gif").c_str(), 0600), 0);
  fs::create_symlink(dir_ / "src/photo.jpeg", dir_ / "src/linked.jpg");
  fs::create_symlink(dir_ / "src/gone.png", dir_ / "src/dangling.png");
  ConvertOptions png;
  png.file_type = "png";
  EXPECT_EQ(Convert(P("src"), P("out"), png), 3);
  EXPECT_EQ(Listing("out"), (Names{"linked.png", "photo.png", "upper.png"}));
  // Matching is case-sensitive; the extension test is not.
  EXPECT_EQ(Convert(P("src/*.jpg"), P("out"), png), 1);
  EXPECT_EQ(Convert(P("src/*.JP*"), P("out"), png), 1);
  // A hidden file named alone is found, then skipped like any hidden entry.
  EXPECT_EQ(Convert(P("src/.hidden.bmp"), P("out"), png), 0);
}

TEST_F(ConvertTest, ResizeOnlyWithBothSizesAndEffectsOnlyWhenAboveZero) {
  PutPicture("src/a.bmp", Bands(40, 30));
  ConvertOptions o;
  o.file_type = "bmp";
  o.width = 100;
  o.contrast = -20;
  o.gamma = -1;
  EXPECT_EQ(Convert(P("src/a.bmp"), P("out")), 1);
  ASSERT_EQ(Convert(P("src/a.bmp"), P("out/plain.bmp"), o), 1);
  EXPECT_TRUE(SamePixels(Decode(dir_ / "out/plain.bmp"), Bands(40, 30)));
  o.file_type = "tif";  // no type word: nothing is saved
  EXPECT_EQ(Convert(P("src"), P("out"), o), 0);
  o.file_type = "x.png";  // nor does a word that only ends like one
  EXPECT_EQ(Convert(P("src"), P("out"), o), 0);
  EXPECT_FALSE(fs::exists(dir_ / "out/a.tif"));
  EXPECT_FALSE(fs::exists(dir_ / "out/a.x.png"));
}

TEST_F(ConvertTest, ThumbnailMarginsAreWhiteAndTheStepsRunInOrder) {
  PutPicture("src/wide.bmp", Solid(200, 100, 0, 0, 0));
  ConvertOptions o;
  o.file_type = "bmp";
  o.width = o.height = 100;
  ASSERT_EQ(Convert(P("src/wide.bmp"), P("out")), 1);
  ASSERT_EQ(Convert(P("src/wide.bmp"), P("out"), o), 1);
  const raster::PixelStorage thumb = Decode(dir_ / "out/wide.bmp");
  ASSERT_EQ(thumb.width(), 100);
  ASSERT_EQ(thumb.height(), 100);
  EXPECT_EQ(thumb.GetPixel(50, 10), raster::Rgb(255, 255, 255));
  EXPECT_EQ(thumb.GetPixel(50, 50), raster::Rgb(0, 0, 0));
  EXPECT_EQ(thumb.GetPixel(50, 90), raster::Rgb(255, 255, 255));
  // Gamma, then contrast: 128 darkens to 75, which contrast 100 takes to
  // 22.5, rounded to 22 (the other order would give 75).
  PutPicture("src/grey.bmp", Solid(200, 100, 128, 128, 128));
  o.gamma = 2;
  o.contrast = 100;
  ASSERT_EQ(Convert(P("src/grey.bmp"), P("out"), o), 1);
  const raster::PixelStorage graded = Decode(dir_ / "out/grey.bmp");
  EXPECT_EQ(graded.GetPixel(50, 10), raster::Rgb(255, 255, 255));
  EXPECT_EQ(graded.GetPixel(50, 50), raster::Rgb(22, 22, 22));
}

TEST_F(ConvertTest, SharpenAndBlurMatchTheFilters) {
  PutPicture("src/a.bmp", Bands(30, 20));
  ConvertOptions o;
  o.file_type = "bmp";
  o.sharp = o.dull = true;
  ASSERT_EQ(Convert(P("src/a.bmp"), P("out"), o), 1);
  raster::Bitmap expected;
  expected.TakeStorage(Bands(30, 20));
  Convolve3x3({{-1, -1, -1, -1, 24, -1, -1, -1, -1}, 0, 16}, expected);
  Convolve3x3({{1, 1, 1, 1, 1, 1, 1, 1, 1}, 0, 9}, expected);
  EXPECT_TRUE(SamePixels(Decode(dir_ / "out/a.bmp"), expected.Storage()));
}

TEST_F(ConvertTest, CodecSettingsReachTheEncoder) {
  PutPicture("src/a.bmp", Bands(64, 64));
  settings_.jpeg_quality = 100;
  ASSERT_EQ(Convert(P("src/a.bmp"), P("out/fine.jpg")), 1);
  settings_.jpeg_quality = 5;
  ASSERT_EQ(Convert(P("src/a.bmp"), P("out/coarse.jpg")), 1);
  EXPECT_LT(fs::file_size(dir_ / "out/coarse.jpg") * 3, fs::file_size(dir_ / "out/fine.jpg"));
  settings_.png_compression_level = 0;
  ASSERT_EQ(Convert(P("src/a.bmp"), P("out/stored.png")), 1);
  EXPECT_GT(fs::file_size(dir_ / "out/stored.png"), 64u * 64 * 3);
}

TEST_F(ConvertTest, OutputsWrittenIntoTheSourceFolderAreNotConvertedAgain) {
  PutPicture("src/a.bmp", Solid(8, 8, 5, 5, 5));
  PutPicture("src/b.bmp", Solid(8, 8, 5, 5, 5));
  ConvertOptions png;
  png.file_type = "png";
  EXPECT_EQ(Convert(P("src"), P("src"), png), 2);
  EXPECT_EQ(Listing("src"), (Names{"a.bmp", "a.png", "b.bmp", "b.png"}));
}

TEST_F(ConvertTest, OfTwoSourcesWithOneOutputNameTheLastInNameOrderWins) {
  PutPicture("src/a.png", Solid(3, 3, 0, 0, 0));
  PutPicture("src/a.bmp", Solid(5, 5, 0, 0, 0));
  PutPicture("src/a.gif", Solid(4, 4, 0, 0, 0));
  EXPECT_EQ(Convert(P("src"), P("out")), 3);
  EXPECT_EQ(Decode(dir_ / "out/a.JPG").width(), 3);  // a.bmp < a.gif < a.png
}

TEST_F(ConvertTest, ConvertingAFileOntoItselfReplacesItWhole) {
  const fs::path a = PutPicture("src/a.bmp", Bands(50, 40));
  ConvertOptions o;
  o.file_type = "bmp";
  o.width = o.height = 10;
  o.not_thumb_mode = true;
  ConvertOptions same;
  same.file_type = "bmp";
  EXPECT_EQ(Convert(a.string(), P("src"), same), 1);
  EXPECT_EQ(Decode(a).width(), 50);
  EXPECT_EQ(Convert(a.string(), P("src"), o), 1);
  EXPECT_EQ(Decode(a).width(), 10);
  EXPECT_EQ(Listing("src"), (Names{"a.bmp"}));  // no temporary file left
}

// The output cannot be written because the process may not make files that
// large: the call fails, and the source it was to replace is untouched.
TEST_F(ConvertTest, AFailedWriteLeavesTheSourceItWasToReplace) {
  const fs::path a = PutPicture("src/a.bmp", Bands(300, 200));
  const std::vector<uint8_t> before = ReadBytes(a);
  ConvertOptions o;
  o.file_type = "bmp";
  o.sharp = true;
  rlimit old_limit{};
  ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &old_limit), 0);
  const auto old_handler = std::signal(SIGXFSZ, SIG_IGN);
  rlimit small = old_limit;
  small.rlim_cur = 4096;
  ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
  EXPECT_THROW(Convert(a.string(), P("src"), o), std::runtime_error);
  setrlimit(RLIMIT_FSIZE, &old_limit);
  std::signal(SIGXFSZ, old_handler);
  EXPECT_EQ(ReadBytes(a), before);
  EXPECT_EQ(Listing("src"), (Names{"a.bmp"}));
}

TEST_F(ConvertTest, ADamagedFileEndsTheCallAndKeepsWhatWasWritten) {
  PutPicture("src/a.bmp", Solid(4, 4, 1, 2, 3));
  Put("src/b.jpg", {0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'});
  PutPicture("src/c.bmp", Solid(4, 4, 1, 2, 3));
  try {
    Convert(P("src"), P("out"));
    ADD_FAILURE() << "no failure";
  } catch (const std::runtime_error& e) {
    EXPECT_NE(std::string(e.what()).find("Invalid JPEG data"), std::string::npos) << e.what();
  }
  EXPECT_EQ(Listing("out"), (Names{"a.JPG"}));
}

TEST_F(ConvertTest, ConvertImageFileSaysWhatBecameOfTheFile) {
  PutPicture("src/a.bmp", Solid(4, 4, 1, 2, 3));
  const TargetSelection out{P("out/"), {}};
  raster::Bitmap work;
  const ConvertOptions o;
  EXPECT_EQ(ConvertImageFile(P("src/a.txt"), out, o, {}, work).outcome, coNotImage);
  const FileConversion gone = ConvertImageFile(P("src/gone.png"), out, o, {}, work);
  EXPECT_EQ(gone.outcome, coNotLoaded);
  EXPECT_EQ(gone.code, rcNoInput);
  const FileConversion badname = ConvertImageFile(P("src/a.bmp"), {P("out/"), "x.tif"}, o, {}, work);
  EXPECT_EQ(badname.outcome, coNotSaved);
  EXPECT_EQ(badname.code, rcUnsupportedType);
  const FileConversion done = ConvertImageFile(P("src/a.bmp"), out, o, {}, work);
  EXPECT_EQ(done.outcome, coWritten);
  EXPECT_EQ(done.output, P("out/a.JPG"));
  EXPECT_EQ(work.Width(), 4);  // the work bitmap keeps the last picture
}

TEST_F(ConvertTest, DraftDecodesLargeJpegsSmallerButOnlyWhenAsked) {
  PutPicture("src/big.jpg", Smooth(800, 600));
  PutPicture("src/big.png", Smooth(800, 600));
  ConvertOptions o;
  o.width = o.height = 100;
  o.hiq = true;
  auto convert = [&](const char* from, const char* to) {
    EXPECT_EQ(Convert(P(from), P(to), o), 1) << to;
    return Decode(dir_ / to);
  };
  const raster::PixelStorage full = convert("src/big.jpg", "out/full.bmp");
  const raster::PixelStorage png_full = convert("src/big.png", "out/png_full.bmp");
  o.draft = true;
  const raster::PixelStorage draft = convert("src/big.jpg", "out/draft.bmp");
  ASSERT_EQ(draft.width(), 100);
  ASSERT_EQ(draft.height(), 100);
  EXPECT_FALSE(SamePixels(draft, full));
  int64_t difference = 0;
  for (int y = 0; y < 100; ++y)
    for (int x = 0; x < 300; ++x) difference += std::abs(draft.row(y)[x] - full.row(y)[x]);
  EXPECT_LT(difference / (100 * 300), 2);  // the same picture, a little softer
  // Not a JPEG, or no reduction: the pixels of the full decode.
  EXPECT_TRUE(SamePixels(convert("src/big.png", "out/png_draft.bmp"), png_full));
  o.width = o.height = 600;
  const raster::PixelStorage large_draft = convert("src/big.jpg", "out/large_draft.bmp");
  o.draft = false;
  EXPECT_TRUE(SamePixels(large_draft, convert("src/big.jpg", "out/large_full.bmp")));
}

TEST(JpegScaledDecode, EachSideIsDividedAndRoundedUp) {
  const std::vector<uint8_t> jpeg = Encode(itJPEG, Bands(801, 599));
  for (const int d : {1, 2, 4, 8}) {
    int seen_w = 0, seen_h = 0;
    const raster::PixelStorage p = codecs::DecodeJpeg(jpeg, [&](int w, int h) {
      seen_w = w;
      seen_h = h;
      return d;
    });
    EXPECT_EQ(seen_w, 801);
    EXPECT_EQ(seen_h, 599);
    EXPECT_EQ(p.width(), (801 + d - 1) / d) << d;
    EXPECT_EQ(p.height(), (599 + d - 1) / d) << d;
  }
  // Any other answer is a full-scale decode, the same as without a chooser.
  EXPECT_TRUE(SamePixels(codecs::DecodeJpeg(jpeg, [](int, int) { return 3; }), codecs::DecodeJpeg(jpeg)));
  std::vector<uint8_t> cut(jpeg.begin(), jpeg.begin() + static_cast<long>(jpeg.size() / 2));
  EXPECT_THROW(codecs::DecodeJpeg(cut, [](int, int) { return 8; }), std::runtime_error);
}

}  // namespace
}  // namespace zelnor
