// libFuzzer entry point for the BMP reader: any byte string either loads or
// fails with RasterError; a loaded picture must convert to 24 bits and write
// back out. Built only with clang (-DZELNOR_FUZZ=ON); run as
//   ./bmp_fuzz -max_len=4096 corpus_dir
#include <cstddef>
#include <cstdint>
#include <span>

#include "model/pixel_format.h"
#include "platform/raster/bitmap.h"
#include "platform/raster/errors.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  raster::Bitmap b;
  try {
    b.LoadFromBmp(std::span<const uint8_t>(data, size));
  } catch (const raster::RasterError&) {
    return 0;
  }
  // Keep each run cheap: huge (but legal) run-length pictures are not
  // converted.
  if (int64_t{b.Width()} * b.Height() <= (int64_t{1} << 20)) {
    zelnor::SetPixelFormat(b, zelnor::pf24bit);
    (void)b.SaveToBmp();
  }
  return 0;
}
