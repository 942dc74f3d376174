// Whole-file reads and writes of the component.
#include "platform/system/files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

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

// Closes a descriptor on every exit path.
class FileHandle {
 public:
  explicit FileHandle(int fd) : fd_(fd) {}
  ~FileHandle() {
    if (fd_ >= 0) ::close(fd_);
  }
  FileHandle(const FileHandle&) = delete;
  FileHandle& operator=(const FileHandle&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG; }

void ReadAll(const std::string& path, int fd, std::vector<uint8_t>& out) {
  size_t done = 0;
  while (done < out.size()) {
    const ssize_t n = ::read(fd, out.data() + done, out.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) FileFailure(path, errno);
    if (n == 0) break;  // the file shrank while being read: take what is there
    done += static_cast<size_t>(n);
  }
  out.resize(done);
}

}  // namespace

std::optional<std::vector<uint8_t>> ReadRegularFile(const std::string& path, int64_t max_bytes) {
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
  FileHandle file(::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY));
  if (file.get() < 0) {
    if (IsMissing(errno)) return std::nullopt;
    FileFailure(path, errno);
  }
  if (::fstat(file.get(), &st) != 0) FileFailure(path, errno);
  if (!S_ISREG(st.st_mode)) return std::nullopt;
  if (st.st_size > max_bytes)
    throw std::runtime_error("Cannot read file \"" + path + "\": the file is too large for an image");
  std::vector<uint8_t> bytes(static_cast<size_t>(st.st_size));
  ReadAll(path, file.get(), bytes);
  return bytes;
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
