#include "platform/raster/pixel_block.h"

#include <cstdlib>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace raster {

namespace {

// Address-sanitised builds keep every block on the heap, where the sanitiser
// can watch its bounds.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitised = true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
constexpr bool kSanitised = true;
#else
constexpr bool kSanitised = false;
#endif
#else
constexpr bool kSanitised = false;
#endif

constexpr size_t kHugePage = size_t{2} << 20;

#if defined(__linux__)
// Maps `bytes` rounded up to whole huge pages at a huge-page boundary: maps
// one huge page more than needed and unmaps the unaligned head and tail.
PixelBlock MapHugePageBlock(size_t bytes) {
  const size_t length = (bytes + kHugePage - 1) / kHugePage * kHugePage;
  const size_t spare = length + kHugePage;
  void* raw = mmap(nullptr, spare, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
  if (raw == MAP_FAILED) return PixelBlock(nullptr, PixelBlockFree{});
  const auto start = reinterpret_cast<uintptr_t>(raw);
  const uintptr_t aligned = (start + kHugePage - 1) & ~uintptr_t{kHugePage - 1};
  if (aligned > start) munmap(raw, aligned - start);
  const size_t tail = spare - (aligned - start) - length;
  if (tail > 0) munmap(reinterpret_cast<void*>(aligned + length), tail);
  auto* p = reinterpret_cast<uint8_t*>(aligned);
  madvise(p, length, MADV_HUGEPAGE);  // a kernel without huge pages simply declines
  return PixelBlock(p, PixelBlockFree{length});
}
#endif

}  // namespace

void PixelBlockFree::operator()(uint8_t* p) const {
#if defined(__linux__)
  if (mapped > 0) {
    munmap(p, mapped);
    return;
  }
#endif
  std::free(p);
}

PixelBlock AllocatePixelBlock(size_t bytes) {
#if defined(__linux__)
  if (!kSanitised && bytes >= kHugePageBlockMin) return MapHugePageBlock(bytes);
#endif
  return PixelBlock(static_cast<uint8_t*>(std::calloc(bytes, 1)), PixelBlockFree{});
}

}  // namespace raster
