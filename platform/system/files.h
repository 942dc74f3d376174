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

// A regular file open for reading at chosen offsets, for readers that put
// parts of a file straight where they belong.  Opening makes the checks of
// ReadRegularFile.  Movable; closes the file when destroyed.
class RegularFile {
 public:
  // Nothing when `path` names no regular file; throws as ReadRegularFile.
  static std::optional<RegularFile> Open(const std::string& path, int64_t max_bytes);
  RegularFile(RegularFile&& other) noexcept;
  RegularFile& operator=(RegularFile&& other) noexcept;
  RegularFile(const RegularFile&) = delete;
  RegularFile& operator=(const RegularFile&) = delete;
  ~RegularFile();

  // The size when the file was opened.
  int64_t size() const { return size_; }
  const std::string& path() const { return path_; }
  // Fills the buffers in order from `offset` on, with as few calls as the
  // system allows; the count read is short only where the file ends.
  // Throws std::runtime_error naming the file when reading fails.
  size_t ReadAt(int64_t offset, std::span<const std::span<uint8_t>> buffers) const;
  size_t ReadAt(int64_t offset, std::span<uint8_t> buffer) const;
  // The whole file (what is there, should it have shrunk).
  std::vector<uint8_t> ReadAll() const;

 private:
  RegularFile(int fd, int64_t size, std::string path) : fd_(fd), size_(size), path_(std::move(path)) {}
  int fd_ = -1;
  int64_t size_ = 0;
  std::string path_;
};

// Creates or replaces the file at `path` with `bytes`.  A new file gets the
// usual permissions (0666 less the umask); a replaced file keeps its mode; a
// symbolic link is written through to the file it names.  The folder must
// exist.  Throws std::runtime_error naming the file and the reason.
void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes);

}  // namespace sysplat
