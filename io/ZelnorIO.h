// Saving: the one routine behind file and byte-array saves, the animated GIF
// writer, the clipboard save, and the encoding and decoding entry points the
// loading, conversion and wallpaper routines share.
#pragma once
#include <cstdint>
#include <memory>
#include <span>
#include <string>

#include "io/ZelnorCommons.h"
#include "model/settings.h"
#include "platform/raster/bitmap.h"
#include "platform/system/files.h"

namespace zelnor {

enum SaveDestination : uint8_t { sdFile = 0, sdByteArray = 1 };

// Decodes an encoded image of the given type (by the codec table) into a
// complete picture; the caller's canvas is not touched.  Damaged data, or
// bytes of another type, fail with a message; an image above the bitmap size
// limit is refused before its pixels are allocated.  BMP keeps the file's
// format and palette.
raster::PixelStorage DecodeImage(int imageType, std::span<const uint8_t> bytes);
// The same for an open file (codecs that can read parts of it straight into
// the picture do, the others get the whole file).
raster::PixelStorage DecodeImageFile(int imageType, const sysplat::RegularFile& file);

// Encodes a canvas as a whole file of the given type (by the codec table)
// with the settings copy.  GIF applies the transparency rule when
// `transparent` is set.
MemoryStream EncodeCanvasImage(int imageType, const raster::Bitmap& canvas, const CodecSettings& settings,
                               bool transparent, int32_t TX1, int32_t TY1);

// Saves the canvas to a file (name = path; written whole or not at all) or to
// a byte array (name = type word; stored into `ToVar`).  Results: -4 empty
// canvas, -3 unrecognised type, 0 saved.
int32_t SaveCanvasImage(SaveDestination dest, const std::string& name, const SettingsRecord& settings,
                        automation::VARIANT* ToVar, raster::Bitmap& canvas, bool transparent, int32_t TX1,
                        int32_t TY1);
// The same with a settings copy the caller took earlier (file conversion
// takes one for all its files when it starts).
int32_t SaveCanvasImage(SaveDestination dest, const std::string& name, const CodecSettings& settings,
                        automation::VARIANT* ToVar, raster::Bitmap& canvas, bool transparent, int32_t TX1,
                        int32_t TY1);

// Saves canvases 0..lastIndex as one animated GIF.  Results: -1 a negative
// point, delay or loop count; -2 fewer than two canvases; -4 no canvas has a
// picture (empty canvases are skipped); 0 saved.
int32_t SaveAnimatedGIF(SaveDestination dest, const std::string& fileName, const SettingsRecord& settings,
                        int32_t lastIndex, std::span<const std::unique_ptr<raster::Bitmap>> canvases,
                        automation::VARIANT* ToVar, int32_t Loops, int32_t Delay, int32_t TY1, int32_t TX1,
                        bool transparent);

// Places a copy of the canvas (and its palette, if any) on the clipboard.
// Results: -4 empty canvas, 0 placed.
int32_t SaveCanvasToClipboard(const raster::Bitmap& canvas);

}  // namespace zelnor
