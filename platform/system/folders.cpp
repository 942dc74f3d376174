// Folders, paths and the directory search.
#include "platform/system/folders.h"

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <memory>
#include <stdexcept>

namespace sysplat {

namespace {

bool IsSeparator(char c) { return c == '/' || c == '\\'; }

[[noreturn]] void FolderFailure(const std::string& folder, int error) {
  throw std::runtime_error("Cannot read folder \"" + folder + "\": " + std::strerror(error));
}

bool IsMissing(int error) { return error == ENOENT || error == ENOTDIR || error == ENAMETOOLONG; }

struct DirCloser {
  void operator()(DIR* d) const { closedir(d); }
};

// Whether a directory entry is a regular file, following a symbolic link.
bool EntryIsRegularFile(DIR* dir, const dirent& entry) {
  if (entry.d_type == DT_REG) return true;
  if (entry.d_type != DT_LNK && entry.d_type != DT_UNKNOWN) return false;
  struct stat st {};
  return fstatat(dirfd(dir), entry.d_name, &st, 0) == 0 && S_ISREG(st.st_mode);
}

std::string Join(const std::string& folder, std::string_view name) {
  std::string path = folder;
  if (!path.empty() && path.back() != '/') path += '/';
  path += name;
  return path;
}

}  // namespace

std::string CurrentFolder() {
  std::string buffer(256, '\0');
  while (getcwd(buffer.data(), buffer.size()) == nullptr) {
    if (errno != ERANGE || buffer.size() > (size_t{1} << 20))
      throw std::runtime_error(std::string("Cannot find the current folder: ") + std::strerror(errno));
    buffer.resize(buffer.size() * 2);
  }
  buffer.resize(std::strlen(buffer.c_str()));
  if (buffer.empty() || buffer.back() != '/') buffer += '/';
  return buffer;
}

bool EndsWithSeparator(std::string_view path) { return !path.empty() && IsSeparator(path.back()); }

std::string ExpandPath(std::string_view path) {
  if (path.empty()) return {};
  const bool absolute = path.front() == '/';
  const bool trailing = EndsWithSeparator(path);
  while (EndsWithSeparator(path)) path.remove_suffix(1);
  std::string full = absolute ? std::string() : CurrentFolder();
  full += path;
  std::string out;
  size_t start = 0;
  while (start <= full.size()) {
    const size_t end = std::min(full.find('/', start), full.size());
    const std::string_view part = std::string_view(full).substr(start, end - start);
    if (!part.empty() && part != ".") (out += '/') += part;
    start = end + 1;
  }
  if (out.empty()) return "/";
  if (trailing) out += '/';
  return out;
}

std::string_view FolderPart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? std::string_view() : path.substr(0, slash + 1);
}

std::string_view NamePart(std::string_view path) {
  const size_t slash = path.rfind('/');
  return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

bool IsFolder(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

bool IsRegularFile(const std::string& path) {
  struct stat st {};
  return !path.empty() && stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool HasWildcards(std::string_view name) { return name.find_first_of("*?") != std::string_view::npos; }

bool IsHiddenName(std::string_view name) { return !name.empty() && name.front() == '.'; }

bool MatchesPattern(std::string_view name, std::string_view pattern) {
  // Greedy matching that returns to the last '*' on a mismatch: linear in
  // practice, never exponential.
  size_t n = 0, p = 0, star = std::string_view::npos, resume = 0;
  while (n < name.size()) {
    if (p < pattern.size() && (pattern[p] == '?' || pattern[p] == name[n])) {
      ++n;
      ++p;
    } else if (p < pattern.size() && pattern[p] == '*') {
      star = p++;
      resume = n;
    } else if (star != std::string_view::npos) {
      p = star + 1;
      n = ++resume;
    } else {
      return false;
    }
  }
  while (p < pattern.size() && pattern[p] == '*') ++p;
  return p == pattern.size();
}

std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern, bool include_hidden) {
  std::vector<std::string> names;
  if (pattern.empty() || (!include_hidden && IsHiddenName(pattern))) return names;
  if (!HasWildcards(pattern)) {
    // One name: no need to read a folder that may hold many thousands.
    if (IsRegularFile(Join(folder, pattern))) names.emplace_back(pattern);
    return names;
  }
  const std::string where = folder.empty() ? "." : folder;
  std::unique_ptr<DIR, DirCloser> dir(opendir(where.c_str()));
  if (!dir) {
    if (IsMissing(errno)) return names;
    FolderFailure(where, errno);
  }
  for (;;) {
    errno = 0;
    const dirent* entry = readdir(dir.get());
    if (!entry) break;
    const std::string_view name(entry->d_name);
    if (!include_hidden && IsHiddenName(name)) continue;
    if (MatchesPattern(name, pattern) && EntryIsRegularFile(dir.get(), *entry)) names.emplace_back(name);
  }
  if (errno != 0) FolderFailure(where, errno);
  std::sort(names.begin(), names.end());
  return names;
}

}  // namespace sysplat
