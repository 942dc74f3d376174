// Failures raised by the 2D engine: C++ exceptions carrying the message.
#pragma once
#include <stdexcept>
#include <string>

namespace raster {

class RasterError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Message texts of the platform layer, used as they stand.
inline constexpr const char* kMsgInvalidPixelFormat = "画像フォーマットが不正です";
inline constexpr const char* kMsgScanLineRange = "スキャンライン のインデックスが範囲を越えました";
inline constexpr const char* kMsgCannotDraw = "Canvas に対する描画ができません";

}  // namespace raster
