// GIF table-based image data written with runs instead of an LZW dictionary.
// The encoder only sends single pixel values and codes that a standard GIF
// decoder's own table growth makes stand for the current pixel repeated n
// times, so any decoder reads the result while the encoder stays tiny and
// fast.  The same pixels always give the same bytes.
#pragma once
#include <cstdint>
#include <functional>
#include <span>
#include <vector>

namespace zelnor::gif {

// Appends the image data of one frame to `out`: the minimum code size byte
// `bits`, the codes in data sub-blocks of at most 255 bytes, and the block
// terminator.  `table_size` is the number of colour-table entries; a pixel
// not below it fails with "Color not in color table".  `bits` is 2..8.
void EncodeRunLengthImageData(std::span<const uint8_t> pixels, int table_size, int bits,
                              std::vector<uint8_t>& out);
// The same for rows of `width` pixels that another thread is still making:
// `wait_for_row(y)` returns once row y is final.  The same bytes.
void EncodeRunLengthImageData(std::span<const uint8_t> pixels, int width, int table_size, int bits,
                              std::vector<uint8_t>& out, const std::function<void(int)>& wait_for_row);

// Codes needed to send a run of n equal pixels starting from a fresh table,
// for a colour table of 2^bits entries.
int64_t RunCost(int64_t n, int bits);

}  // namespace zelnor::gif
