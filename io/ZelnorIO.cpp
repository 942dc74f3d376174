#include "io/ZelnorIO.h"

#include <algorithm>
#include <stdexcept>

#include "io/codec_table.h"
#include "io/codecs/gif_codec.h"
#include "model/result_codes.h"
#include "platform/clipboard/clipboard.h"
#include "platform/system/files.h"

namespace zelnor {

namespace {

void WriteOut(SaveDestination dest, const std::string& fileName, automation::VARIANT* ToVar,
              const MemoryStream& bytes) {
  if (dest == sdFile)
    sysplat::WriteWholeFile(fileName, bytes);
  else
    StoreByteArray(ToVar, bytes);
}

const ImageCodec& CodecOrFail(int imageType) {
  const ImageCodec* codec = CodecOf(imageType);
  if (!codec) throw std::invalid_argument("Unsupported image type");
  return *codec;
}

}  // namespace

raster::PixelStorage DecodeImage(int imageType, std::span<const uint8_t> bytes) {
  return CodecOrFail(imageType).decode(bytes);
}

raster::PixelStorage DecodeImageFile(int imageType, const sysplat::RegularFile& file) {
  const ImageCodec& codec = CodecOrFail(imageType);
  return codec.decode_file ? codec.decode_file(file) : codec.decode(file.ReadAll());
}

MemoryStream EncodeCanvasImage(int imageType, const raster::Bitmap& canvas, const CodecSettings& settings,
                               bool transparent, int32_t TX1, int32_t TY1) {
  if (canvas.Empty()) throw std::invalid_argument("Cannot encode an empty canvas");
  return CodecOrFail(imageType).encode(canvas, {settings, transparent, TX1, TY1});
}

int32_t SaveCanvasImage(SaveDestination dest, const std::string& name, const SettingsRecord& settings,
                        automation::VARIANT* ToVar, raster::Bitmap& canvas, bool transparent, int32_t TX1,
                        int32_t TY1) {
  return SaveCanvasImage(dest, name, settings.CodecCopy(), ToVar, canvas, transparent, TX1, TY1);
}

int32_t SaveCanvasImage(SaveDestination dest, const std::string& name, const CodecSettings& codec,
                        automation::VARIANT* ToVar, raster::Bitmap& canvas, bool transparent, int32_t TX1,
                        int32_t TY1) {
  if (canvas.Empty()) return rcEmptyCanvas;
  const ImageType type = dest == sdFile ? ImageTypeFromFileName(name) : ImageTypeFromName(name);
  if (type == itUnknown) return rcUnsupportedType;
  WriteOut(dest, name, ToVar, EncodeCanvasImage(type, canvas, codec, transparent, TX1, TY1));
  return rcOK;
}

int32_t SaveAnimatedGIF(SaveDestination dest, const std::string& fileName, const SettingsRecord& settings,
                        int32_t lastIndex, std::span<const std::unique_ptr<raster::Bitmap>> canvases,
                        automation::VARIANT* ToVar, int32_t Loops, int32_t Delay, int32_t TY1, int32_t TX1,
                        bool transparent) {
  if (TX1 < 0 || TY1 < 0 || Delay < 0 || Loops < 0) return rcInvalidArgument;
  if (lastIndex < 1) return rcNoInput;
  const CodecSettings codec = settings.CodecCopy();
  std::vector<const raster::PixelStorage*> pictures;
  const auto last = std::min<size_t>(static_cast<size_t>(lastIndex) + 1, canvases.size());
  for (size_t i = 0; i < last; ++i)
    if (!canvases[i]->Empty()) pictures.push_back(&canvases[i]->Storage());  // no picture, no frame
  if (pictures.empty()) return rcEmptyCanvas;
  const codecs::GifAnimation animation{static_cast<uint16_t>(Loops), static_cast<uint16_t>(Delay / 10),
                                       transparent, TX1, TY1};
  WriteOut(dest, fileName, ToVar, codecs::EncodeAnimatedGif(pictures, animation, codec.gif_compression_mode));
  return rcOK;
}

int32_t SaveCanvasToClipboard(const raster::Bitmap& canvas) {
  if (canvas.Empty()) return rcEmptyCanvas;
  clipboard::Clipboard board;
  board.Empty();
  board.SetBitmap(canvas.Storage());
  if (canvas.BitsPerPixel() <= 8) board.SetPalette(canvas.GetPalette());
  board.Close();
  return rcOK;
}

}  // namespace zelnor
