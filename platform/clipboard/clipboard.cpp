#include "platform/clipboard/clipboard.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <thread>

#include "platform/raster/bitmap.h"

namespace clipboard {

namespace {

constexpr char kMagic[4] = {'Z', 'C', 'B', '1'};

// The private per-user folder under /tmp: made 0700 and checked to be ours.
std::string PrivateTmpFolder() {
  const std::string dir = "/tmp/zelnor2-" + std::to_string(getuid());
  mkdir(dir.c_str(), 0700);
  struct stat st;
  if (lstat(dir.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != getuid() ||
      (st.st_mode & 077) != 0)
    throw ClipboardError("Cannot open the clipboard: " + dir + " is not a private folder");
  return dir;
}

void PutU32(std::vector<uint8_t>& v, uint64_t x, int bytes) {
  for (int i = 0; i < bytes; ++i) v.push_back(static_cast<uint8_t>(x >> (8 * i)));
}
uint64_t GetU(const std::vector<uint8_t>& v, size_t at, int bytes) {
  uint64_t x = 0;
  for (int i = 0; i < bytes; ++i) x |= static_cast<uint64_t>(v[at + i]) << (8 * i);
  return x;
}

// Reads the store; a missing or damaged store is an empty clipboard.
std::map<Format, std::vector<uint8_t>> ReadStore() {
  std::map<Format, std::vector<uint8_t>> formats;
  std::ifstream in(StorePath(), std::ios::binary);
  if (!in) return formats;
  std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (bytes.size() < 4 || std::memcmp(bytes.data(), kMagic, 4) != 0) return formats;
  size_t pos = 4;
  while (bytes.size() - pos >= 12) {
    const Format f = static_cast<Format>(GetU(bytes, pos, 4));
    const uint64_t size = GetU(bytes, pos + 4, 8);
    pos += 12;
    if (size > bytes.size() - pos) return {};
    formats[f].assign(bytes.begin() + static_cast<std::ptrdiff_t>(pos),
                      bytes.begin() + static_cast<std::ptrdiff_t>(pos + size));
    pos += size;
  }
  return formats;
}

void WriteStore(const std::map<Format, std::vector<uint8_t>>& formats) {
  std::vector<uint8_t> bytes(kMagic, kMagic + 4);
  for (const auto& [format, data] : formats) {
    PutU32(bytes, format, 4);
    PutU32(bytes, data.size(), 8);
    bytes.insert(bytes.end(), data.begin(), data.end());
  }
  const std::string path = StorePath();
  const std::string temp = path + ".new";
  const int fd = open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  if (fd < 0) throw ClipboardError("Cannot write the clipboard: " + std::string(std::strerror(errno)));
  size_t done = 0;
  bool ok = true;
  while (ok && done < bytes.size()) {
    const ssize_t n = write(fd, bytes.data() + done, bytes.size() - done);
    if (n < 0 && errno == EINTR) continue;
    ok = n > 0;
    if (ok) done += static_cast<size_t>(n);
  }
  const int error = errno;
  ok = (close(fd) == 0) && ok;
  if (!ok || rename(temp.c_str(), path.c_str()) != 0) {
    unlink(temp.c_str());
    throw ClipboardError("Cannot write the clipboard: " + std::string(std::strerror(ok ? errno : error)));
  }
}

int AcquireLock() {
  const std::string lock = StorePath() + ".lock";
  const int fd = open(lock.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
  if (fd < 0) throw ClipboardError("Cannot open the clipboard: " + std::string(std::strerror(errno)));
  const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(2);
  while (flock(fd, LOCK_EX | LOCK_NB) != 0) {
    if ((errno != EWOULDBLOCK && errno != EINTR) || std::chrono::steady_clock::now() > deadline) {
      close(fd);
      throw ClipboardError("Cannot open the clipboard");
    }
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return fd;
}

}  // namespace

std::string StorePath() {
  if (const char* p = std::getenv("ZELNOR2_CLIPBOARD"); p && *p) return p;
  if (const char* run = std::getenv("XDG_RUNTIME_DIR"); run && *run)
    return std::string(run) + "/zelnor2-clipboard";
  return PrivateTmpFolder() + "/clipboard";
}

bool IsClipboardFormatAvailable(Format format) { return ReadStore().count(format) != 0; }

Clipboard::Clipboard() : lock_fd_(AcquireLock()) {
  try {
    formats_ = ReadStore();
  } catch (...) {
    close(lock_fd_);
    throw;
  }
}

Clipboard::~Clipboard() {
  try {
    Close();
  } catch (...) {
    // A destructor cannot report; callers that care call Close() themselves.
  }
}

void Clipboard::Close() {
  if (lock_fd_ < 0) return;
  const int fd = lock_fd_;
  lock_fd_ = -1;
  try {
    if (dirty_) WriteStore(formats_);
  } catch (...) {
    close(fd);
    throw;
  }
  close(fd);  // releases the flock
}

void Clipboard::Empty() {
  formats_.clear();
  dirty_ = true;
}

bool Clipboard::IsFormatAvailable(Format format) const { return formats_.count(format) != 0; }

void Clipboard::SetData(Format format, std::vector<uint8_t> bytes) {
  formats_[format] = std::move(bytes);
  dirty_ = true;
}

std::optional<std::vector<uint8_t>> Clipboard::GetData(Format format) const {
  auto it = formats_.find(format);
  if (it == formats_.end()) return std::nullopt;
  return it->second;
}

void Clipboard::SetBitmap(const raster::PixelStorage& picture) {
  raster::Bitmap copy;
  copy.TakeStorage(picture.Clone());
  SetData(CF_BITMAP, copy.SaveToBmp());
}

std::optional<raster::PixelStorage> Clipboard::GetBitmap() const {
  auto it = formats_.find(CF_BITMAP);
  if (it == formats_.end()) return std::nullopt;
  raster::Bitmap b;
  b.LoadFromBmp(it->second);
  return b.ReleaseStorage();
}

void Clipboard::SetPalette(const raster::Palette& palette) {
  std::vector<uint8_t> bytes;
  PutU32(bytes, palette.size(), 4);
  for (raster::ColorRef c : palette) PutU32(bytes, c & 0xFFFFFF, 4);
  SetData(CF_PALETTE, std::move(bytes));
}

std::optional<raster::Palette> Clipboard::GetPalette() const {
  auto it = formats_.find(CF_PALETTE);
  if (it == formats_.end()) return std::nullopt;
  const std::vector<uint8_t>& v = it->second;
  if (v.size() < 4) return std::nullopt;
  const uint64_t count = GetU(v, 0, 4);
  if (count > 256 || v.size() != 4 + 4 * count) return std::nullopt;
  raster::Palette pal;
  for (uint64_t i = 0; i < count; ++i) pal.push_back(static_cast<raster::ColorRef>(GetU(v, 4 + 4 * i, 4)));
  return pal;
}

void Clipboard::SetText(const std::string& text) {
  SetData(CF_TEXT, std::vector<uint8_t>(text.begin(), text.end()));
}

std::optional<std::string> Clipboard::GetText() const {
  auto it = formats_.find(CF_TEXT);
  if (it == formats_.end()) return std::nullopt;
  return std::string(it->second.begin(), it->second.end());
}

}  // namespace clipboard
