#include "io/codec_table.h"

#include "io/codecs/bmp_codec.h"
#include "io/codecs/gif_codec.h"
#include "io/codecs/jpeg_codec.h"
#include "io/codecs/png_codec.h"

namespace zelnor {
namespace {

std::vector<uint8_t> EncodeJpegCanvas(const raster::Bitmap& canvas, const EncodeOptions& o) {
  return codecs::EncodeJpeg(canvas.Storage(), {o.settings.jpeg_quality, o.settings.jpeg_progressive});
}

std::vector<uint8_t> EncodeGifCanvas(const raster::Bitmap& canvas, const EncodeOptions& o) {
  return codecs::EncodeGifImage(canvas.Storage(), o.settings.gif_compression_mode, o.transparent, o.TX1,
                                o.TY1);
}

std::vector<uint8_t> EncodePngCanvas(const raster::Bitmap& canvas, const EncodeOptions& o) {
  return codecs::EncodePng(canvas.Storage(), o.settings.png_compression_level);
}

std::vector<uint8_t> EncodeBmpCanvas(const raster::Bitmap& canvas, const EncodeOptions&) {
  return canvas.SaveToBmp();
}

constexpr ImageCodec kCodecs[] = {
    {itJPEG, {"JPG", "JPEG"}, codecs::DecodeJpeg, nullptr, EncodeJpegCanvas},
    {itGIF, {"GIF"}, codecs::DecodeGif, nullptr, EncodeGifCanvas},
    {itPNG, {"PNG"}, codecs::DecodePng, nullptr, EncodePngCanvas},
    // BMP keeps the file's own pixel format and palette.
    {itBMP, {"BMP"}, codecs::DecodeBmp, codecs::DecodeBmpFile, EncodeBmpCanvas},
};

}  // namespace

std::span<const ImageCodec> ImageCodecs() { return kCodecs; }

const ImageCodec* CodecOf(int type) {
  for (const ImageCodec& codec : kCodecs)
    if (codec.type == type) return &codec;
  return nullptr;
}

}  // namespace zelnor
