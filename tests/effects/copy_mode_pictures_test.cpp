// Replays the compositing cases ("cmd_") of the shared reference pictures
// through TMyCanvas and the compositing draw, and scores the result against
// the host's pictures: the share of identical pixels per case, averaged over
// the cases without tags must reach 99.5 %.
#include <gtest/gtest.h>
#include <png.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "canvas/main.h"
#include "effects/ZelnorEffects.h"

namespace {

const std::string kRefDir = std::string(ZELNOR_SOURCE_DIR) + "/../shared/reference/raster";

struct Case {
  std::string name;
  bool tagged = false;
  std::vector<std::vector<std::string>> ops;
};

std::vector<Case> ReadCases(const std::string& prefix) {
  std::ifstream in(kRefDir + "/cases.txt");
  std::vector<Case> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (line.rfind("#!", 0) == 0) {
      if (!cases.empty()) cases.back().tagged = true;
      continue;
    }
    line = line.substr(0, line.find('#'));
    std::istringstream words(line);
    std::vector<std::string> op;
    for (std::string w; words >> w;) op.push_back(w);
    if (op.empty()) continue;
    if (op[0] == "Case") {
      cases.push_back({op[1], false, {}});
    } else if (!cases.empty()) {
      cases.back().ops.push_back(op);
    }
  }
  std::erase_if(cases, [&](const Case& c) { return c.name.rfind(prefix, 0) != 0; });
  return cases;
}

int32_t Num(const std::string& s) { return static_cast<int32_t>(std::stoll(s, nullptr, 0)); }

std::vector<uint8_t> ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

// One op of a case; values read along the way go to `values`.
void RunOp(zelnor::TMyCanvas& obj, const std::vector<std::string>& op, const std::string& name,
           std::map<std::string, std::string>& values) {
  const std::string& o = op[0];
  auto arg = [&](size_t i, int32_t def = 0) { return i < op.size() ? Num(op[i]) : def; };
  if (o == "NewCanvas")
    obj.NewCanvas(arg(1), arg(2), 0);
  else if (o == "PenColor")
    obj.SetPenColor(arg(1));
  else if (o == "BrushColor")
    obj.SetBrushColor(arg(1));
  else if (o == "BrushStyle")
    obj.SetBrushStyle(arg(1));
  else if (o == "BkColor")
    obj.SetBkColor(arg(1));
  else if (o == "BkMode")
    obj.SetBkMode(arg(1));
  else if (o == "Line")
    obj.Line(arg(1), arg(2), arg(3), arg(4));
  else if (o == "Box")
    obj.Box(arg(1), arg(2), arg(3), arg(4), arg(5) != 0);
  else if (o == "PixelGet")
    values[name + " PixelGet " + op[1] + " " + op[2]] = std::to_string(obj.PixelGet(arg(1), arg(2)));
  else if (o == "Get" && op[1] == "Width")
    values[name + " Get Width"] = std::to_string(obj.GetWidth());
  else if (o == "CopyModeDraw") {
    raster::Bitmap src;
    src.LoadFromBmp(ReadFile(kRefDir + "/sources/" + op[4]));
    zelnor::CopyModeDraw(arg(1), arg(2), arg(3), src, obj.Current());
  } else {
    FAIL() << "op not replayed: " << o;
  }
}

bool ReadPng(const std::string& path, int& w, int& h, std::vector<uint8_t>& rgb) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path.c_str())) return false;
  img.format = PNG_FORMAT_RGB;
  rgb.resize(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, rgb.data(), 0, nullptr)) return false;
  w = static_cast<int>(img.width);
  h = static_cast<int>(img.height);
  return true;
}

// Identical pixels over the larger of the two areas, in percent.
double Score(raster::Bitmap& got, int w, int h, const std::vector<uint8_t>& rgb) {
  const int64_t area = std::max<int64_t>(int64_t{w} * h, int64_t{got.Width()} * got.Height());
  if (area == 0) return 100.0;
  int64_t same = 0;
  for (int y = 0; y < std::min(h, got.Height()); ++y)
    for (int x = 0; x < std::min(w, got.Width()); ++x) {
      const uint8_t* e = &rgb[(static_cast<size_t>(y) * w + x) * 3];
      if (got.GetPixel(x, y) == raster::Rgb(e[0], e[1], e[2])) ++same;
    }
  return 100.0 * static_cast<double>(same) / static_cast<double>(area);
}

// A picture that differs is written beside the build for review.
void WriteActual(const raster::Bitmap& got, const std::string& name) {
  const std::string dir = std::string(ZELNOR_BINARY_DIR) + "/copy_mode_pictures";
  std::filesystem::create_directories(dir);
  const std::vector<uint8_t> bytes = got.SaveToBmp();
  std::ofstream(dir + "/" + name + ".bmp", std::ios::binary)
      .write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
}

std::map<std::string, std::string> ExpectedValues() {
  std::map<std::string, std::string> v;
  std::ifstream in(kRefDir + "/expected/values.txt");
  for (std::string line; std::getline(in, line);) {
    const size_t eq = line.find(" = ");
    if (eq != std::string::npos) v[line.substr(0, eq)] = line.substr(eq + 3);
  }
  return v;
}

}  // namespace

TEST(CopyModePictures, MatchTheHostsPictures) {
  const std::vector<Case> cases = ReadCases("cmd_");
  if (cases.empty()) GTEST_SKIP() << "no reference pictures at " << kRefDir;
  const auto expected_values = ExpectedValues();
  double untagged_sum = 0;
  int untagged = 0;
  for (const Case& c : cases) {
    zelnor::TMyCanvas obj;
    std::map<std::string, std::string> values;
    for (const auto& op : c.ops) RunOp(obj, op, c.name, values);
    for (const auto& [key, value] : values) EXPECT_EQ(value, expected_values.at(key)) << key;
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(ReadPng(kRefDir + "/expected/" + c.name + ".png", w, h, rgb)) << c.name;
    const double score = Score(obj.Current(), w, h, rgb);
    std::printf("%-28s %7.2f %%%s\n", c.name.c_str(), score, c.tagged ? "  (tagged)" : "");
    if (score < 100.0) WriteActual(obj.Current(), c.name);
    if (!c.tagged) {
      untagged_sum += score;
      ++untagged;
    }
  }
  ASSERT_GT(untagged, 0);
  const double mean = untagged_sum / untagged;
  std::printf("mean over %d untagged cases: %.3f %%\n", untagged, mean);
  EXPECT_GE(mean, 99.5);
}
