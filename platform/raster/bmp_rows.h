// Uncompressed BMP files read straight into storage: the reader parses the
// headers and colour table from the first bytes of a file, and the caller
// reads the rows from the file into the storage it was given.
#pragma once
#include <cstdint>
#include <optional>
#include <span>

#include "platform/raster/pixel_storage.h"

namespace raster {

struct BmpRowPlan {
  PixelStorage storage;   // the picture's size, layout and colour table; zero rows
  int64_t data_at = 0;    // offset of the first row in the file
  size_t row_bytes = 0;   // pixel bytes of a row; rows lie storage.stride() apart
  bool top_down = false;  // else the file's first row is the bottom one
};

// Parses `head`, the first bytes of a file of `file_size` bytes.  Nothing for
// run-length files and for headers that reach past `head`; files that
// LoadFromBmp would refuse (a bad header, rows missing at the end) throw the
// same RasterError.
std::optional<BmpRowPlan> PlanBmpRows(std::span<const uint8_t> head, uint64_t file_size);

// Clears the bytes after `row_bytes` in every row: rows read whole from a
// file bring its padding, which the storage keeps zero.
void ClearRowPadding(PixelStorage& storage, size_t row_bytes);

}  // namespace raster
