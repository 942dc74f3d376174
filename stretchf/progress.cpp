// Throttled progress reports of the resampler.
#include <atomic>

#include "platform/system/tick.h"
#include "stretchf/stretchf.h"

namespace zelnor {

namespace {
// Tick of the last report, shared by every object of the process.  It only
// throttles the reports, so relaxed ordering is enough.
std::atomic<uint32_t> last_report_tick{0};
constexpr uint32_t kReportInterval = 50;  // milliseconds
}  // namespace

void ReportProgress(int32_t percent, ProgressCallback progress) {
  if (!progress) return;
  if (percent != 0) {
    // Unsigned difference: right across the wrap of the tick count.
    const uint32_t since = sysplat::GetTickCount() - last_report_tick.load(std::memory_order_relaxed);
    if (since < kReportInterval) return;
    progress(percent);
  }
  // A report of 0 (a pass starting) is not passed on; it restarts the interval.
  last_report_tick.store(sysplat::GetTickCount(), std::memory_order_relaxed);
}

}  // namespace zelnor
