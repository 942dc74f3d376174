// Whole-file writes that never leave a fragment: the bytes go to a temporary
// file in the target's folder, which is renamed over the target only when
// everything was written.  A failure leaves the old file as it was.
#pragma once
#include <cstdint>
#include <span>
#include <string>

namespace zelnor {

// Creates or replaces the file at `path` with `bytes`.  A new file gets the
// usual permissions (0666 less the umask); a replaced file keeps its mode; a
// symbolic link is written through to the file it names.  The folder must
// exist.  Throws std::runtime_error naming the file and the reason.
void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace zelnor
