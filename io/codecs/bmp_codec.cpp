#include "io/codecs/bmp_codec.h"

#include <algorithm>
#include <optional>
#include <vector>

#include "platform/raster/bitmap.h"
#include "platform/raster/bmp_rows.h"
#include "platform/raster/errors.h"

namespace zelnor::codecs {

namespace {

// Enough for every header and the largest colour table; smaller files are
// read whole.
constexpr size_t kHead = size_t{64} << 10;

// The storage's row for each of the file's rows, in file order; the last
// row of the file may lack its padding.
std::vector<std::span<uint8_t>> FileOrderRows(raster::BmpRowPlan& plan) {
  raster::PixelStorage& s = plan.storage;
  const auto stride = static_cast<size_t>(s.stride());
  std::vector<std::span<uint8_t>> rows(static_cast<size_t>(s.height()));
  for (int i = 0; i < s.height(); ++i) {
    const int y = plan.top_down ? i : s.height() - 1 - i;
    rows[static_cast<size_t>(i)] = {s.row(y), i + 1 == s.height() ? plan.row_bytes : stride};
  }
  return rows;
}

}  // namespace

raster::PixelStorage DecodeBmp(std::span<const uint8_t> bytes) {
  raster::Bitmap b;
  b.LoadFromBmp(bytes);
  return b.ReleaseStorage();
}

raster::PixelStorage DecodeBmpFile(const sysplat::RegularFile& file) {
  const auto size = static_cast<uint64_t>(file.size());
  if (size <= kHead) return DecodeBmp(file.ReadAll());
  std::vector<uint8_t> head(kHead);
  head.resize(file.ReadAt(0, head));
  std::optional<raster::BmpRowPlan> plan = raster::PlanBmpRows(head, size);
  if (!plan) return DecodeBmp(file.ReadAll());  // run-length data
  const std::vector<std::span<uint8_t>> rows = FileOrderRows(*plan);
  size_t wanted = 0;
  for (const auto& r : rows) wanted += r.size();
  if (file.ReadAt(plan->data_at, rows) < wanted)  // the file shrank since it was opened
    throw raster::RasterError("Invalid bitmap data: the file is truncated");
  raster::ClearRowPadding(plan->storage, plan->row_bytes);
  return std::move(plan->storage);
}

}  // namespace zelnor::codecs
