// Runs the reference drawing scripts: each case is a sequence of member calls
// on a fresh TMyCanvas; the final canvas is written as OUT/NAME.bmp (24-bit,
// read back from whatever format the canvas has) and every value read along
// the way as a line of OUT/values.txt.
//
//   run_reference CASES_FILE SOURCES_DIR OUT_DIR
//
// A case whose calls fail (a member not built yet, a bad line) is reported
// on stderr and leaves no picture, so the comparison scores it 0.
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#include "canvas/main.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/surface.h"
#if __has_include("platform/raster/stretch_blt.h")
#include "platform/raster/stretch_blt.h"
#define ZELNOR_HAVE_STRETCH_DRAW 1
#endif

namespace fs = std::filesystem;
using zelnor::TMyCanvas;

namespace {

struct Case {
  std::string name;
  std::vector<std::vector<std::string>> ops;
};

std::vector<Case> ParseCases(const fs::path& file) {
  std::ifstream in(file);
  if (!in) throw std::runtime_error("cannot read " + file.string());
  std::vector<Case> cases;
  std::string line;
  while (std::getline(in, line)) {
    if (const auto hash = line.find('#'); hash != std::string::npos) line.resize(hash);
    std::istringstream words(line);
    std::vector<std::string> tokens;
    for (std::string w; words >> w;) tokens.push_back(w);
    if (tokens.empty()) continue;
    if (tokens[0] == "Case") {
      if (tokens.size() < 2) throw std::runtime_error("Case without a name");
      cases.push_back({tokens[1], {}});
    } else if (!cases.empty()) {
      cases.back().ops.push_back(std::move(tokens));
    }
  }
  return cases;
}

// Decimal or 0x hex, possibly negative; hex at or above 0x80000000 wraps.
int32_t Num(const std::vector<std::string>& op, size_t i, int32_t fallback = 0) {
  if (i >= op.size()) return fallback;
  const std::string& t = op[i];
  const bool neg = !t.empty() && t[0] == '-';
  const std::string body = neg ? t.substr(1) : t;
  const int64_t v = std::stoll(body, nullptr, body.rfind("0x", 0) == 0 || body.rfind("0X", 0) == 0 ? 16 : 10);
  return static_cast<int32_t>(static_cast<uint32_t>(neg ? -v : v));
}

// ROP3 codes of the fifteen named raster operations in alphabetical order
// (copy-mode numbers 1..15).
constexpr uint32_t kCopyModeRops[15] = {0x00000042, 0x00550009, 0x00C000CA, 0x00BB0226, 0x00330008,
                                        0x001100A6, 0x00F00021, 0x005A0049, 0x00FB0A09, 0x008800C6,
                                        0x00CC0020, 0x00440328, 0x00660046, 0x00EE0086, 0x00FF0062};

std::vector<uint8_t> ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read " + p.string());
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

void Put16(std::vector<uint8_t>& v, uint32_t x) {
  v.push_back(x & 0xFF);
  v.push_back((x >> 8) & 0xFF);
}
void Put32(std::vector<uint8_t>& v, uint32_t x) {
  Put16(v, x & 0xFFFF);
  Put16(v, x >> 16);
}

// A 24-bit bottom-up BMP of the bitmap's pixels as explicit colours.
void WriteBmp24(const raster::Bitmap& b, const fs::path& p) {
  const int w = b.Empty() ? 0 : b.Width(), h = b.Empty() ? 0 : b.Height();
  const uint32_t stride = (static_cast<uint32_t>(w) * 3 + 3) & ~3u;
  std::vector<uint8_t> out;
  out.push_back('B');
  out.push_back('M');
  Put32(out, 54 + stride * static_cast<uint32_t>(h));
  Put32(out, 0);
  Put32(out, 54);
  Put32(out, 40);
  Put32(out, static_cast<uint32_t>(w));
  Put32(out, static_cast<uint32_t>(h));
  Put16(out, 1);
  Put16(out, 24);
  for (int i = 0; i < 6; ++i) Put32(out, 0);
  for (int y = h - 1; y >= 0; --y) {
    for (int x = 0; x < w; ++x) {
      const raster::ColorRef c = b.GetPixel(x, y);
      out.push_back(static_cast<uint8_t>(raster::BlueOf(c)));
      out.push_back(static_cast<uint8_t>(raster::GreenOf(c)));
      out.push_back(static_cast<uint8_t>(raster::RedOf(c)));
    }
    for (uint32_t pad = static_cast<uint32_t>(w) * 3; pad < stride; ++pad) out.push_back(0);
  }
  std::ofstream f(p, std::ios::binary);
  f.write(reinterpret_cast<const char*>(out.data()), static_cast<std::streamsize>(out.size()));
  if (!f) throw std::runtime_error("cannot write " + p.string());
}

class Runner {
 public:
  Runner(fs::path sources, std::ostream& values) : sources_(std::move(sources)), values_(values) {}

  void Run(const Case& c) {
    TMyCanvas canvas;
    for (const auto& op : c.ops) Do(c.name, op, canvas);
    values_ << c.name << " END " << canvas.GetWidth() << ' ' << canvas.GetHeight() << ' '
            << canvas.GetPixelFormat() << '\n';
    WriteBmp24(canvas.Current(), out_ / (c.name + ".bmp"));
  }
  void SetOut(fs::path out) { out_ = std::move(out); }

 private:
  int32_t Get(TMyCanvas& c, const std::string& prop) {
    static const std::map<std::string, int32_t (TMyCanvas::*)()> kGets = {
        {"PenColor", &TMyCanvas::GetPenColor},     {"PenStyle", &TMyCanvas::GetPenStyle},
        {"PenWidth", &TMyCanvas::GetPenWidth},     {"BrushColor", &TMyCanvas::GetBrushColor},
        {"BrushStyle", &TMyCanvas::GetBrushStyle}, {"BkColor", &TMyCanvas::GetBkColor},
        {"BkMode", &TMyCanvas::GetBkMode},         {"Width", &TMyCanvas::GetWidth},
        {"Height", &TMyCanvas::GetHeight},         {"PixelFormat", &TMyCanvas::GetPixelFormat},
        {"FontSize", &TMyCanvas::GetFontSize},     {"FontColor", &TMyCanvas::GetFontColor}};
    const auto it = kGets.find(prop);
    if (it == kGets.end()) throw std::runtime_error("unknown property " + prop);
    return (c.*(it->second))();
  }

  void Do(const std::string& name, const std::vector<std::string>& op, TMyCanvas& c) {
    static const std::map<std::string, void (TMyCanvas::*)(int32_t)> kPuts = {
        {"PenColor", &TMyCanvas::SetPenColor},     {"PenStyle", &TMyCanvas::SetPenStyle},
        {"PenWidth", &TMyCanvas::SetPenWidth},     {"BrushColor", &TMyCanvas::SetBrushColor},
        {"BrushStyle", &TMyCanvas::SetBrushStyle}, {"BkColor", &TMyCanvas::SetBkColor},
        {"BkMode", &TMyCanvas::SetBkMode},         {"PixelFormat", &TMyCanvas::SetPixelFormat},
        {"Width", &TMyCanvas::SetWidth},           {"Height", &TMyCanvas::SetHeight}};
    auto n = [&](size_t i, int32_t d = 0) { return Num(op, i, d); };
    const std::string& o = op[0];
    if (const auto put = kPuts.find(o); put != kPuts.end()) {
      (c.*(put->second))(n(1));
    } else if (o == "NewCanvas") {
      c.NewCanvas(n(1), n(2), n(3));
    } else if (o == "Get") {
      values_ << name << " Get " << op.at(1) << " = " << Get(c, op.at(1)) << '\n';
    } else if (o == "Line") {
      c.Line(n(1), n(2), n(3), n(4));
    } else if (o == "Box") {
      c.Box(n(1), n(2), n(3), n(4), n(5) != 0);
    } else if (o == "Ellipse") {
      c.Ellipse(n(1), n(2), n(3), n(4), n(5) != 0);
    } else if (o == "Circle") {
      c.Circle(n(1), n(2), n(3), n(4) != 0);
    } else if (o == "Arc") {
      c.Arc(n(1), n(2), n(3), n(4), n(5), n(6), n(7), n(8), n(9) != 0, n(10) != 0);
    } else if (o == "Pie") {
      c.Pie(n(1), n(2), n(3), n(4), n(5), n(6), n(7), n(8), n(9) != 0);
    } else if (o == "RoundBox") {
      c.RoundBox(n(1), n(2), n(3), n(4), n(5), n(6), n(7) != 0);
    } else if (o == "BezierLine") {
      c.BezierLine(n(1), n(2), n(3), n(4), n(5), n(6), n(7), n(8));
    } else if (o == "PixelSet") {
      c.PixelSet(n(1), n(2), n(3, -1));
    } else if (o == "PixelGet") {
      values_ << name << " PixelGet " << n(1) << ' ' << n(2) << " = " << c.PixelGet(n(1), n(2)) << '\n';
    } else if (o == "FloodFill") {
      c.FloodFill(n(1), n(2), n(3), n(4) != 0);
    } else if (o == "CopyModeDraw") {
      c.LoadFromFile((sources_ / op.at(4)).string(), true, n(1), n(2), n(3));
    } else if (o == "Stretch") {
      c.Stretch(n(1), n(2), false, n(3) != 0);
    } else if (o == "StretchDraw") {
      StretchDraw(op, c);
    } else {
      throw std::runtime_error("unknown operation " + o);
    }
  }

  void StretchDraw([[maybe_unused]] const std::vector<std::string>& op, [[maybe_unused]] TMyCanvas& c) {
#ifdef ZELNOR_HAVE_STRETCH_DRAW
    raster::Bitmap src;
    src.LoadFromBmp(ReadFile(sources_ / op.at(5)));
    const int32_t mode = Num(op, 6, 11);
    const uint32_t rop =
        (mode >= 1 && mode <= 15) ? kCopyModeRops[mode - 1] : c.Current().Canvas().CopyMode();
    raster::StretchDraw(c.Current(), Num(op, 1), Num(op, 2), Num(op, 3), Num(op, 4), src, rop);
#else
    throw std::runtime_error("StretchDraw is not available in this build");
#endif
  }

  fs::path sources_, out_;
  std::ostream& values_;
};

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::cerr << "usage: run_reference CASES_FILE SOURCES_DIR OUT_DIR\n";
    return 2;
  }
  try {
    const auto cases = ParseCases(argv[1]);
    const fs::path out = argv[3];
    fs::create_directories(out);
    std::ofstream values(out / "values.txt");
    Runner runner(argv[2], values);
    runner.SetOut(out);
    int failed = 0;
    for (const Case& c : cases) {
      fs::remove(out / (c.name + ".bmp"));
      try {
        runner.Run(c);
      } catch (const std::exception& e) {
        ++failed;
        std::cerr << c.name << ": " << e.what() << '\n';
      }
    }
    std::cout << cases.size() << " cases run, " << failed << " failed\n";
  } catch (const std::exception& e) {
    std::cerr << e.what() << '\n';
    return 2;
  }
  return 0;
}
