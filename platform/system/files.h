// Whole files: reading a regular file in one go, and writes that never leave
// a fragment (the bytes go to a temporary file in the target's folder, which
// is renamed over the target only when everything was written, so a failure
// leaves the old file as it was).
#pragma once
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace sysplat {

// The whole content of a regular file, or nothing when `path` names no
// regular file (a missing name, a folder, a FIFO, a device or a socket).
// Never opens a FIFO or device for reading (it could block or have side
// effects); an unreadable file, or one larger than `max_bytes`, fails with a
// std::runtime_error naming the file.
std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, int64_t max_bytes);

// Creates or replaces the file at `path` with `bytes`.  A new file gets the
// usual permissions (0666 less the umask); a replaced file keeps its mode; a
// symbolic link is written through to the file it names.  The folder must
// exist.  Throws std::runtime_error naming the file and the reason.
void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace sysplat
