// Whole-file reads and writes of the component.
#include "platform/system/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>
#include <utility>

namespace sysplat {

namespace {
[[noreturn]] void Fail(const std::string& path, int error) {
  throw std::runtime_error("Cannot write file \"" + path + "\": " + std::strerror(error));
}

// The file a path finally names (symbolic links followed when the file exists).
std::string ResolveTarget(const std::string& path) {
  struct stat st;
  if (lstat(path.c_str(), &st) == 0 && S_ISLNK(st.st_mode)) {
    char resolved[PATH_MAX];
    if (realpath(path.c_str(), resolved)) return resolved;
  }
  return path;
}

std::string FolderOf(const std::string& path) {
  const size_t slash = path.find_last_of('/');
  if (slash == std::string::npos) return ".";
  return slash == 0 ? "/" : path.substr(0, slash);
}

// Opens a fresh temporary file beside the target; O_EXCL keeps it ours.
int OpenTemporary(const std::string& target, std::string& temp_path) {
  static std::atomic<unsigned> counter{0};
  const std::string folder = FolderOf(target);
  for (int attempt = 0; attempt < 100; ++attempt) {
    temp_path = folder + "/.zelnor2-" + std::to_string(getpid()) + "-" + std::to_string(counter++) + ".tmp";
    const int fd = open(temp_path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd >= 0 || errno != EEXIST) return fd;
  }
  errno = EEXIST;
  return -1;
}

bool WriteAll(int fd, std::span<const uint8_t> bytes) {
  size_t done = 0;
  while (done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    done += static_cast<size_t>(n);
  }
  return true;
}

[[noreturn]] void FileFailure(const std::string& path, int error) {
  throw std::runtime_error("Cannot read file \"" + path + "\": " + std::strerror(error));
}

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG; }

}  // namespace

std::optional<RegularFile> RegularFile::Open(const std::string& path, int64_t max_bytes) {
  // A name with an embedded NUL names no file the system could open.
  if (path.empty() || path.find('\0') != std::string::npos) return std::nullopt;
  struct stat st {};
  if (::stat(path.c_str(), &st) != 0) {
    if (IsMissing(errno)) return std::nullopt;
    FileFailure(path, errno);
  }
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  // Non-blocking, so that a path swapped for a FIFO after the test above does
  // not block; the descriptor is checked again before anything is read.
  const int fd = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
  if (fd < 0) {
    if (IsMissing(errno)) return std::nullopt;
    FileFailure(path, errno);
  }
  RegularFile file(fd, 0, path);
  if (::fstat(fd, &st) != 0) FileFailure(path, errno);
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  if (st.st_size > max_bytes)
    throw std::runtime_error("Cannot read file \"" + path + "\": the file is too large for an image");
  file.size_ = st.st_size;
  return file;
}

RegularFile::RegularFile(RegularFile&& other) noexcept
    : fd_(std::exchange(other.fd_, -1)), size_(other.size_), path_(std::move(other.path_)) {}

RegularFile& RegularFile::operator=(RegularFile&& other) noexcept {
  if (this != &other) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = std::exchange(other.fd_, -1);
    size_ = other.size_;
    path_ = std::move(other.path_);
  }
  return *this;
}

RegularFile::~RegularFile() {
  if (fd_ >= 0) ::close(fd_);
}

size_t RegularFile::ReadAt(int64_t offset, std::span<const std::span<uint8_t>> buffers) const {
  size_t done = 0;
  std::vector<iovec> pending;
  pending.reserve(std::min<size_t>(buffers.size(), IOV_MAX));
  size_t next = 0, skip = 0;  // first buffer not yet full, and how much of it is
  while (next < buffers.size()) {
    pending.clear();
    for (size_t i = next; i < buffers.size() && pending.size() < IOV_MAX; ++i) {
      const size_t from = i == next ? skip : 0;
      pending.push_back({buffers[i].data() + from, buffers[i].size() - from});
    }
    const ssize_t n = ::preadv(fd_, pending.data(), static_cast<int>(pending.size()),
                               static_cast<off_t>(offset + static_cast<int64_t>(done)));
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FileFailure(path_, errno);
    if (n == 0) break;  // the end of the file
    done += static_cast<size_t>(n);
    for (size_t left = static_cast<size_t>(n); left > 0 && next < buffers.size();) {
      const size_t room = buffers[next].size() - skip;
      if (left < room) {
        skip += left;
        left = 0;
      } else {
        left -= room;
        ++next;
        skip = 0;
      }
    }
    while (next < buffers.size() && buffers[next].empty()) ++next;
  }
  return done;
}

size_t RegularFile::ReadAt(int64_t offset, std::span<uint8_t> buffer) const {
  const std::span<uint8_t> one[] = {buffer};
  return ReadAt(offset, one);
}

std::vector<uint8_t> RegularFile::ReadAll() const {
  std::vector<uint8_t> bytes(static_cast<size_t>(size_));
  bytes.resize(ReadAt(0, bytes));  // the file shrank while being read: take what is there
  return bytes;
}

std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, int64_t max_bytes) {
  std::optional<RegularFile> file = RegularFile::Open(path, max_bytes);
  if (!file) return std::nullopt;
  return file->ReadAll();
}

void WriteWholeFile(const std::string& path, std::span<const uint8_t> bytes) {
  if (path.empty()) Fail(path, ENOENT);
  const std::string target = ResolveTarget(path);
  struct stat existing;
  if (stat(target.c_str(), &existing) == 0 && S_ISDIR(existing.st_mode)) Fail(path, EISDIR);
  const bool replacing = stat(target.c_str(), &existing) == 0;
  std::string temp;
  const int fd = OpenTemporary(target, temp);
  if (fd < 0) Fail(path, errno);
  bool ok = WriteAll(fd, bytes);
  int error = ok ? 0 : errno;
  if (ok && replacing) fchmod(fd, existing.st_mode & 07777);
  if (close(fd) != 0 && ok) {
    ok = false;
    error = errno;
  }
  if (ok && rename(temp.c_str(), target.c_str()) != 0) {
    ok = false;
    error = errno;
  }
  if (!ok) {
    unlink(temp.c_str());
    Fail(path, error);
  }
}

}  // namespace sysplat
