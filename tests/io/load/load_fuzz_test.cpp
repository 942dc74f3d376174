// Damaged bytes of every image type through LoadFromStream: thousands of
// truncated, mutated and random inputs must each give a result code or a
// failure carrying a message, never a crash, a hang or a leak (this program
// also runs under the address sanitizer), and a failure must leave the
// canvas exactly as it was, in replace and in compose mode.
#include <gtest/gtest.h>

#include <cstring>
#include <random>

#include "canvas/main.h"
#include "model/pixel_format.h"
#include "model/result_codes.h"
#include "tests/io/load/load_images.h"

namespace zelnor {
namespace {

using namespace testing_images;

// A run-length coded 8-bit BMP of 6 x 3: header, info header, four colours,
// then runs, literal pixels, a jump (delta) and the end markers.
std::vector<uint8_t> Rle8Bmp() {
  const uint8_t data[] = {3, 1, 0, 3, 1, 2, 3, 0, 0, 0,  // row 0: run, literal 1 2 3 (padded)
                          0, 2, 2, 1, 0, 0,              // delta to (2, 2), end of line
                          2, 3, 0, 1};                   // row 2: a run, end of bitmap
  std::vector<uint8_t> b(14 + 40 + 16);
  auto put32 = [&](size_t at, uint32_t v) { std::memcpy(&b[at], &v, 4); };
  b[0] = 'B';
  b[1] = 'M';
  put32(10, 14 + 40 + 16);
  put32(14, 40);
  put32(18, 6);
  put32(22, 3);
  b[26] = 1;
  b[28] = 8;
  put32(30, 1);  // BI_RLE8
  put32(34, sizeof data);
  put32(46, 4);
  for (int i = 0; i < 4; ++i) put32(54 + 4 * i, static_cast<uint32_t>(i * 0x3F3F3F));
  b.insert(b.end(), std::begin(data), std::end(data));
  put32(2, static_cast<uint32_t>(b.size()));
  return b;
}

struct Source {
  const char* type;
  std::vector<uint8_t> bytes;
};

std::vector<Source> ValidSources() {
  std::vector<Source> s;
  s.push_back({"jpeg", codecs::EncodeJpeg(Pattern(24, 16), {85, false})});
  s.push_back({"jpg", codecs::EncodeJpeg(Pattern(17, 9), {60, true})});
  s.push_back({"png", codecs::EncodePng(Pattern(24, 16), 6)});
  s.push_back({"png", codecs::EncodePng(Indexed(19, 7, 16), 9)});
  s.push_back({"gif", GifOf(Indexed(24, 16, 50), 0)});
  s.push_back({"gif", GifOf(Indexed(13, 11, 200), 1)});
  s.push_back({"bmp", BmpOf(Pattern(9, 5))});
  for (int format : {zelnor::pf1bit, zelnor::pf4bit, zelnor::pf8bit, zelnor::pf16bit, zelnor::pf32bit}) {
    raster::Bitmap b;
    b.TakeStorage(Pattern(7, 6));
    zelnor::SetPixelFormat(b, format);
    s.push_back({"bmp", b.SaveToBmp()});
  }
  s.push_back({"bmp", Rle8Bmp()});
  return s;
}

// The damaged variants of one valid file: truncations, random byte edits,
// and random bodies behind the real signature.
std::vector<std::vector<uint8_t>> Variants(const std::vector<uint8_t>& valid, std::mt19937& rng) {
  std::vector<std::vector<uint8_t>> out;
  const size_t step = std::max<size_t>(1, valid.size() / 150);
  for (size_t n = 0; n < valid.size(); n += step) out.emplace_back(valid.begin(), valid.begin() + n);
  for (int i = 0; i < 250; ++i) {
    std::vector<uint8_t> v = valid;
    const int edits = 1 + static_cast<int>(rng() % 8);
    for (int e = 0; e < edits; ++e) {
      const size_t at = rng() % v.size();
      switch (rng() % 4) {
        case 0:
          v[at] = static_cast<uint8_t>(rng());
          break;
        case 1:
          v[at] ^= static_cast<uint8_t>(1u << (rng() % 8));
          break;
        case 2:
          v[at] = (rng() & 1) ? 0xFF : 0x00;
          break;
        default:
          v.erase(v.begin() + static_cast<long>(at),
                  v.begin() + static_cast<long>(std::min(v.size(), at + 9)));
          if (v.empty()) v.push_back(0);
          break;
      }
    }
    out.push_back(std::move(v));
  }
  for (int i = 0; i < 40; ++i) {
    std::vector<uint8_t> v(valid.begin(),
                           valid.begin() + static_cast<long>(std::min<size_t>(valid.size(), 8)));
    const size_t length = rng() % 600;
    for (size_t k = 0; k < length; ++k) v.push_back(static_cast<uint8_t>(rng()));
    out.push_back(std::move(v));
  }
  return out;
}

TEST(LoadFuzzTest, DamagedBytesGiveAResultOrAFailureAndFailuresChangeNothing) {
  TMyCanvas obj;
  obj.NewCanvas(30, 20, 0);
  obj.PixelSet(4, 5, 0x123456);
  raster::Bitmap original;
  original.Assign(obj.Current());
  std::mt19937 rng(20261208);
  int cases = 0, failures = 0;
  for (const Source& source : ValidSources()) {
    {
      Var whole(source.bytes);
      ASSERT_EQ(obj.LoadFromStream(&whole.v, source.type, false, 0, 0, 0), rcOK) << source.type;
      obj.Current().Assign(original);
    }
    for (const std::vector<uint8_t>& bytes : Variants(source.bytes, rng)) {
      const bool compose = (cases & 1) != 0;
      Var value(bytes);
      try {
        EXPECT_EQ(obj.LoadFromStream(&value.v, source.type, compose, 25, 15, 1 + cases % 15), rcOK);
        obj.Current().Assign(original);
      } catch (const std::exception& e) {
        ++failures;
        ASSERT_NE(std::strlen(e.what()), 0u);
        ASSERT_TRUE(SamePicture(obj.Current(), original))
            << source.type << " case " << cases << ": " << e.what();
      }
      ++cases;
    }
  }
  EXPECT_GT(cases, 4000);
  EXPECT_GT(failures, cases / 3);  // the damage is real, not mostly ignored
}

}  // namespace
}  // namespace zelnor
