// BMP files through the engine's reader.  From a file, uncompressed rows are
// read straight into the picture's storage, one system call for up to a
// thousand rows, instead of reading the file into memory and copying it.
#pragma once
#include <cstdint>
#include <span>

#include "platform/raster/pixel_storage.h"
#include "platform/system/files.h"

namespace zelnor::codecs {

// The picture of a whole BMP file in memory, in the file's own format and
// colour table.
raster::PixelStorage DecodeBmp(std::span<const uint8_t> bytes);

// The same picture from an open file: the same pixels and the same failures
// ("Invalid bitmap data: ..."), whichever way the rows are read.
raster::PixelStorage DecodeBmpFile(const sysplat::RegularFile& file);

}  // namespace zelnor::codecs
