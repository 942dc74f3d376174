#include "io/ZelnorLoad.h"

#include <algorithm>
#include <optional>
#include <stdexcept>
#include <utility>

#include "effects/ZelnorEffects.h"
#include "io/ZelnorIO.h"
#include "model/result_codes.h"
#include "platform/clipboard/clipboard.h"
#include "platform/raster/blit.h"
#include "platform/system/files.h"

namespace zelnor {

namespace {

// No decodable image file is larger than the biggest bitmap plus generous
// room for headers, palettes and the worst expansion of compressed data.
constexpr int64_t kMaxImageFileBytes = 2 * raster::kMaxBitmapBytes;

// Refuses a compose that would pass the bitmap size limit before the canvas
// changes: the grown canvas, and the picture in the canvas's format (the
// draw converts the whole picture after growing the canvas).  So the draw
// cannot fail half-way with the canvas already grown.
void CheckCompose(int32_t X1, int32_t Y1, const raster::PixelStorage& picture, const raster::Bitmap& canvas) {
  const int64_t w = std::max<int64_t>(canvas.Width(), int64_t{X1} + picture.width());
  const int64_t h = std::max<int64_t>(canvas.Height(), int64_t{Y1} + picture.height());
  if (w != canvas.Width() || h != canvas.Height()) raster::CheckBitmapSize(w, h, canvas.BitsPerPixel());
  if (picture.bits() != canvas.BitsPerPixel())
    raster::CheckBitmapSize(picture.width(), picture.height(), canvas.BitsPerPixel());
}

// The clipboard's palette replaces the leading entries of a palette picture's
// own colour table (a shorter one leaves the remaining entries as they are).
void ApplyClipboardPalette(const raster::Palette& palette, raster::PixelStorage& picture) {
  if (picture.bits() > 8 || palette.empty()) return;
  raster::Palette merged = picture.palette();
  merged.resize(std::max(merged.size(), std::min(palette.size(), size_t{1} << picture.bits())));
  std::copy_n(palette.begin(), std::min(palette.size(), merged.size()), merged.begin());
  picture.set_palette(std::move(merged));
}

}  // namespace

void PlaceImage(raster::PixelStorage&& picture, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode,
                raster::Bitmap& canvas) {
  if (!appendload) {
    canvas.TakeStorage(std::move(picture));
    return;
  }
  CheckCompose(X1, Y1, picture, canvas);
  raster::Bitmap source;  // freed on every exit path
  source.TakeStorage(std::move(picture));
  CopyModeDraw(X1, Y1, Cpmode, source, canvas);
}

std::optional<MemoryStream> ReadImageFile(const std::string& path) {
  return sysplat::ReadRegularFile(path, kMaxImageFileBytes);
}

int32_t LoadImageFile(const std::string& path, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode,
                      raster::Bitmap& canvas) {
  const ImageType type = ImageTypeFromFileName(path);
  if (type == itUnknown) return rcUnsupportedType;
  const std::optional<sysplat::RegularFile> file = sysplat::RegularFile::Open(path, kMaxImageFileBytes);
  if (!file) return rcNoInput;
  PlaceImage(DecodeImageFile(type, *file), appendload, X1, Y1, Cpmode, canvas);
  return rcOK;
}

int32_t LoadImageBytes(const automation::VARIANT& FromVar, const std::string& FileType, bool appendload,
                       int32_t X1, int32_t Y1, int32_t Cpmode, raster::Bitmap& canvas) {
  const ImageType type = ImageTypeFromName(FileType);
  if (type == itUnknown) return rcUnsupportedType;
  if (FromVar.vt != (automation::VT_ARRAY | automation::VT_UI1)) return rcNoInput;
  raster::PixelStorage picture;
  {
    const ByteArrayView bytes(FromVar);  // decoded in place, unlocked before the canvas changes
    picture = DecodeImage(type, bytes.bytes());
  }
  PlaceImage(std::move(picture), appendload, X1, Y1, Cpmode, canvas);
  return rcOK;
}

int32_t LoadClipboardImage(bool ClearFlag, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode,
                           raster::Bitmap& canvas) {
  if (!clipboard::IsClipboardFormatAvailable(clipboard::CF_BITMAP)) return rcUnsupportedType;
  clipboard::Clipboard board;
  std::optional<raster::PixelStorage> picture = board.GetBitmap();
  if (!picture) return rcUnsupportedType;  // taken away since the test above
  if (const std::optional<raster::Palette> palette = board.GetPalette())
    ApplyClipboardPalette(*palette, *picture);
  // The clipboard stays open until the picture is on the canvas, so that a
  // failing draw never leaves the clipboard emptied.
  PlaceImage(std::move(*picture), appendload, X1, Y1, Cpmode, canvas);
  if (ClearFlag) board.Empty();
  board.Close();
  return rcOK;
}

int32_t PutCanvasImage(const automation::VARIANT& FromVar, int32_t X1, int32_t Y1, int32_t Cpmode,
                       raster::Bitmap& canvas) {
  if (canvas.Empty()) return rcEmptyCanvas;
  if (X1 < 0 || Y1 < 0) return rcInvalidArgument;
  if (X1 > canvas.Width() || Y1 > canvas.Height()) return rcInvalidArgument;
  raster::PixelStorage picture;
  {
    const ByteArrayView bytes(FromVar);
    picture = DecodeImage(itBMP, bytes.bytes());
  }
  PlaceImage(std::move(picture), true, X1, Y1, Cpmode, canvas);
  return rcOK;
}

int32_t GetCanvasImage(automation::VARIANT* ToVar, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       const raster::Bitmap& canvas) {
  if (canvas.Empty()) return rcEmptyCanvas;
  if (X1 < 0 || Y1 < 0 || X2 < 0 || Y2 < 0) return rcInvalidArgument;
  if (X1 > canvas.Width() || Y1 > canvas.Height() || X2 > canvas.Width() || Y2 > canvas.Height())
    return rcInvalidArgument;
  if (X2 <= X1 || Y2 <= Y1) return rcInvalidArgument;
  // A fresh bitmap here is 24-bit, so a region taken out and put back with
  // source copy is exact whatever the canvas's own format.
  raster::Bitmap region;
  region.TakeStorage(raster::PixelStorage(X2 - X1, Y2 - Y1, raster::PixelLayout{24}, {}));
  raster::BitBlt(region, -X1, -Y1, canvas, raster::kSrcCopyRop);
  StoreByteArray(ToVar, region.SaveToBmp());
  return rcOK;
}

}  // namespace zelnor
