// Loading and composing: pictures from files, image byte arrays and the
// clipboard replace the canvas or are drawn onto it through a copy mode, and
// a region of the canvas goes out and comes back as a BMP byte array.
//
// Every source is decoded completely before the canvas is touched, so a
// damaged source (reported by an exception carrying the message) leaves the
// canvas as it was.  Replace mode keeps the canvas's bitmap object, and with
// it its drawing state: the bitmap takes the decoded pixel block.
#pragma once
#include <cstdint>
#include <optional>
#include <string>

#include "io/ZelnorCommons.h"
#include "platform/automation/oleauto.h"
#include "platform/raster/bitmap.h"

namespace zelnor {

// The whole content of the image file `path`, or nothing when no regular
// file has that name (folders, FIFOs, devices and sockets are never opened).
// A file too large to hold any picture the bitmap size limit allows fails
// with a message.
std::optional<MemoryStream> ReadImageFile(const std::string& path);

// Loads the image file `path`, typed by its extension.  Results: -3 the
// extension names no known type; -2 no regular file of that name (a missing
// name, a folder, a FIFO, a device or a socket: such paths are never opened
// as images); 0 loaded.  `appendload` false replaces the canvas; true draws
// the picture at (X1, Y1) with copy-mode number `Cpmode`, growing the canvas.
int32_t LoadImageFile(const std::string& path, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode,
                      raster::Bitmap& canvas);

// Loads an image byte array decoded as the type the word `FileType` names,
// whatever the bytes hold.  Results: -3 unknown type word; -2 `FromVar` is
// not exactly an array of bytes (VT_ARRAY | VT_UI1); 0 loaded.
int32_t LoadImageBytes(const automation::VARIANT& FromVar, const std::string& FileType, bool appendload,
                       int32_t X1, int32_t Y1, int32_t Cpmode, raster::Bitmap& canvas);

// Loads the clipboard's bitmap (with the clipboard's palette when one is
// offered).  Results: -3 the clipboard holds no bitmap (it is left as it is);
// 0 loaded, after which `ClearFlag` empties the clipboard.
int32_t LoadClipboardImage(bool ClearFlag, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode,
                           raster::Bitmap& canvas);

// Draws the BMP file held by the byte array `FromVar` at (X1, Y1) with
// copy-mode number `Cpmode`.  Results: -4 empty canvas; -1 a negative
// position or one beyond the right or bottom edge (the edge itself is
// accepted and grows the canvas); 0 drawn.  The value's type tag is not
// checked; a value that holds no byte array, or bytes that are no BMP file,
// fail with a message.
int32_t PutCanvasImage(const automation::VARIANT& FromVar, int32_t X1, int32_t Y1, int32_t Cpmode,
                       raster::Bitmap& canvas);

// Stores columns X1..X2-1 of rows Y1..Y2-1 of the canvas into `ToVar` as a
// 24-bit BMP file in an image byte array.  Results: -4 empty canvas; -1 a
// negative coordinate, one beyond the canvas, or an empty or inverted
// rectangle; 0 stored.
int32_t GetCanvasImage(automation::VARIANT* ToVar, int32_t X1, int32_t Y1, int32_t X2, int32_t Y2,
                       const raster::Bitmap& canvas);

// Replaces the canvas by `picture` (appendload false) or draws it at (X1, Y1)
// with copy-mode number `Cpmode`.  A compose that would grow the canvas
// beyond the bitmap size limit fails before the canvas is changed.
void PlaceImage(raster::PixelStorage&& picture, bool appendload, int32_t X1, int32_t Y1, int32_t Cpmode,
                raster::Bitmap& canvas);

}  // namespace zelnor
