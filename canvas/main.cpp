#include "canvas/main.h"

#include <stdexcept>
#include <string>

#include "model/pixel_format.h"
#include "model/result_codes.h"
#include "model/settings.h"
#include "platform/raster/errors.h"
#include "platform/raster/pixel_storage.h"

namespace zelnor {

void NotBuiltYet(const char* member) {
  throw std::runtime_error(std::string(member) + " is not available in this build");
}

namespace {

// One NewCanvas call may append at most the bitmap size limit's worth of
// canvases, counting each entry's own bookkeeping, and is refused before any
// is made: NewCanvas(1, 1, 2^31 - 1) would otherwise work for minutes and
// then exhaust the memory.
void CheckAppend(int32_t width, int32_t height, int32_t count) {
  raster::CheckBitmapSize(width, height, 24);  // so that one canvas's bytes fit in 64 bits below
  const int64_t each = raster::StrideOf(width, 24) * height + static_cast<int64_t>(sizeof(Bitmap));
  if (each * count > raster::kMaxBitmapBytes)
    throw raster::RasterError("Too many canvases: " + std::to_string(count) + " canvases of " +
                              std::to_string(width) + " x " + std::to_string(height) +
                              " pixels exceed the bitmap size limit");
}

}  // namespace

TMyCanvas::TMyCanvas() : settings_(ThreadSettings()) {
  auto first = std::make_unique<Bitmap>();
  zelnor::SetPixelFormat(*first, pf24bit);
  canvases_.push_back(std::move(first));
  current_ = 0;
  settings_->Reset();
}

TMyCanvas::~TMyCanvas() {
  for (auto& entry : canvases_) entry.reset();  // entry 0 first
}

int32_t TMyCanvas::NewCanvas(int32_t NewWidth, int32_t NewHeight, int32_t AddCanvas) {
  if (NewWidth < 0 || NewHeight < 0 || AddCanvas < 0) return rcInvalidArgument;
  if (AddCanvas == 0) {
    // Remake in place: the bitmap object (and its drawing state) stays; the
    // picture is discarded and fresh 24-bit storage is painted by the fill rule.
    Bitmap& c = Current();
    c.ReleaseStorage();
    zelnor::SetPixelFormat(c, pf24bit);
    c.SetSize(NewWidth, NewHeight);
    return rcOK;
  }
  CheckAppend(NewWidth, NewHeight, AddCanvas);
  // Canvases already appended stay when a later one fails to allocate; no
  // entry is ever left without a bitmap.
  for (int32_t i = 0; i < AddCanvas; ++i) {
    auto b = std::make_unique<Bitmap>();
    zelnor::SetPixelFormat(*b, pf24bit);
    b->SetWidth(NewWidth);
    b->SetHeight(NewHeight);
    canvases_.push_back(std::move(b));
  }
  return rcOK;
}

int32_t TMyCanvas::GetWidth() { return Current().Width(); }
int32_t TMyCanvas::GetHeight() { return Current().Height(); }
void TMyCanvas::SetWidth(int32_t value) {
  if (value > 0) Current().SetWidth(value);
}
void TMyCanvas::SetHeight(int32_t value) {
  if (value > 0) Current().SetHeight(value);
}
int32_t TMyCanvas::GetPixelFormat() { return PixelFormatOf(Current()); }
void TMyCanvas::SetPixelFormat(int32_t value) { zelnor::SetPixelFormat(Current(), value); }
int32_t TMyCanvas::GetCurrentCanvasIndex() { return current_; }
void TMyCanvas::SetCurrentCanvasIndex(int32_t value) {
  if (value >= 0 && value < static_cast<int32_t>(canvases_.size())) current_ = value;
}
int32_t TMyCanvas::GetLBound() { return 0; }
int32_t TMyCanvas::GetUBound() { return static_cast<int32_t>(canvases_.size()) - 1; }

}  // namespace zelnor
