#include "platform/registry/registry.h"

#include <fcntl.h>
#include <pwd.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <system_error>

namespace registry {
namespace {
std::string Lower(std::string_view s) {
  std::string out(s);
  for (char& c : out)
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c + 32);
  return out;
}

// Trims separators at both ends and collapses doubled ones.
std::string NormaliseKey(std::string_view key) {
  std::string out;
  for (char c : key) {
    if (c == '\\' && (out.empty() || out.back() == '\\')) continue;
    out += c;
  }
  if (!out.empty() && out.back() == '\\') out.pop_back();
  return out;
}

struct Value {
  std::string name, data;
};
struct Key {
  std::string path;                     // as first written
  std::map<std::string, Value> values;  // by lower-case name
};
using Tree = std::map<std::string, Key>;  // by lower-case path

// One line per key ("K\tpath") or value ("V\tpath\tname\tdata"); tabs,
// newlines and backslashes in fields are escaped.
std::string Escape(std::string_view s) {
  std::string out;
  for (char c : s) {
    if (c == '\\')
      out += "\\\\";
    else if (c == '\t')
      out += "\\t";
    else if (c == '\n')
      out += "\\n";
    else if (c == '\r')
      out += "\\r";
    else
      out += c;
  }
  return out;
}

std::vector<std::string> SplitFields(const std::string& line) {
  std::vector<std::string> fields(1);
  for (size_t i = 0; i < line.size(); ++i) {
    char c = line[i];
    if (c == '\t') {
      fields.emplace_back();
    } else if (c == '\\' && i + 1 < line.size()) {
      char e = line[++i];
      fields.back() += e == 't' ? '\t' : e == 'n' ? '\n' : e == 'r' ? '\r' : e;
    } else {
      fields.back() += c;
    }
  }
  return fields;
}

void AddKey(Tree& tree, const std::string& path) {
  // Parents first, so every key's ancestors exist.
  for (size_t pos = path.find('\\'); pos != std::string::npos; pos = path.find('\\', pos + 1)) {
    std::string parent = path.substr(0, pos);
    tree.try_emplace(Lower(parent), Key{parent, {}});
  }
  tree.try_emplace(Lower(path), Key{path, {}});
}

Tree Parse(std::istream& in) {
  Tree tree;
  std::string line;
  while (std::getline(in, line)) {
    std::vector<std::string> f = SplitFields(line);
    if (f[0] == "K" && f.size() == 2 && !f[1].empty()) {
      AddKey(tree, f[1]);
    } else if (f[0] == "V" && f.size() == 4 && !f[1].empty()) {
      AddKey(tree, f[1]);
      tree[Lower(f[1])].values[Lower(f[2])] = Value{f[2], f[3]};
    }  // anything else is not ours: skipped
  }
  return tree;
}

std::string Serialise(const Tree& tree) {
  std::ostringstream out;
  for (const auto& [id, key] : tree) {
    out << "K\t" << Escape(key.path) << '\n';
    for (const auto& [vid, v] : key.values)
      out << "V\t" << Escape(key.path) << '\t' << Escape(v.name) << '\t' << Escape(v.data) << '\n';
  }
  return out.str();
}

constexpr size_t kMaxStoreBytes = size_t{16} << 20;  // far beyond any real registration

std::string Reason(int error) { return std::generic_category().message(error); }

[[noreturn]] void Fail(const char* what, const std::string& file, int error) {
  throw StoreError(std::string(what) + " the registration store " + file + ": " + Reason(error));
}

class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) ::close(fd_);  // closing a lock file releases its lock
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

bool Missing(const std::string& file) {
  struct stat st;
  return ::stat(file.c_str(), &st) != 0 && (errno == ENOENT || errno == ENOTDIR);
}

// The store's text, or nullopt when it does not exist.  O_NONBLOCK keeps a
// FIFO at the store's path from blocking the open.
std::optional<std::string> ReadText(const std::string& file) {
  Descriptor fd(::open(file.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK));
  if (fd.get() < 0) {
    if (errno == ENOENT || errno == ENOTDIR) return std::nullopt;
    Fail("cannot read", file, errno);
  }
  struct stat st;
  if (::fstat(fd.get(), &st) != 0) Fail("cannot read", file, errno);
  if (!S_ISREG(st.st_mode)) throw StoreError("cannot read the registration store " + file + ": not a file");
  std::string text;
  char chunk[65536];
  for (;;) {
    ssize_t n = ::read(fd.get(), chunk, sizeof chunk);
    if (n < 0 && errno == EINTR) continue;
    if (n < 0) Fail("cannot read", file, errno);
    if (n == 0) return text;
    text.append(chunk, static_cast<size_t>(n));
    if (text.size() > kMaxStoreBytes)
      throw StoreError("cannot read the registration store " + file + ": larger than 16 MiB");
  }
}

Tree Load(const std::string& file) {
  std::optional<std::string> text = ReadText(file);
  if (!text) return {};
  std::istringstream in(*text);
  return Parse(in);
}

const Value* FindValue(const Tree& tree, std::string_view key, std::string_view name) {
  auto it = tree.find(Lower(NormaliseKey(key)));
  if (it == tree.end()) return nullptr;
  auto v = it->second.values.find(Lower(name));
  return v == it->second.values.end() ? nullptr : &v->second;
}

// Makes the missing folders above a store, 0755 for the machine-wide one.
void MakeFolders(const std::filesystem::path& folder, Sharing sharing, const std::string& file) {
  std::error_code ec;
  if (folder.empty() || std::filesystem::is_directory(folder, ec)) return;
  MakeFolders(folder.parent_path(), sharing, file);
  if (::mkdir(folder.c_str(), 0755) != 0) {
    int error = errno;
    if (error == EEXIST && std::filesystem::is_directory(folder, ec)) return;  // made meanwhile
    throw StoreError("cannot create the folder " + folder.string() + " of the registration store " + file +
                     ": " + Reason(error == EEXIST ? ENOTDIR : error));
  }
  if (sharing == Sharing::kEveryone && ::chmod(folder.c_str(), 0755) != 0) Fail("cannot share", file, errno);
}

// The exclusive lock of one transaction, on "<file>.lock".
int LockForWriting(const std::string& file, Sharing sharing) {
  MakeFolders(std::filesystem::path(file).parent_path(), sharing, file);
  int fd = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot lock", file, errno);
  if (sharing == Sharing::kEveryone) (void)::fchmod(fd, 0644);  // only its owner can, and need
  while (::flock(fd, LOCK_EX) != 0) {
    if (errno == EINTR) continue;
    int error = errno;
    ::close(fd);
    Fail("cannot lock", file, error);
  }
  return fd;
}

// The new file takes the old one's mode and, for root, its owner, so that
// rewriting never narrows who may read the store (root's umask may be 077).
void TakeModeAndOwner(int fd, const std::string& file, Sharing sharing) {
  struct stat old;
  if (::stat(file.c_str(), &old) == 0) {
    (void)::fchmod(fd, old.st_mode & 07777);
    if (::geteuid() == 0 && ::fchown(fd, old.st_uid, old.st_gid) != 0) {
      // the file stays root's, which root can still write
    }
  } else if (sharing == Sharing::kEveryone) {
    (void)::fchmod(fd, 0644);
  }
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n == 0) errno = EIO;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes the tree to a temporary file beside the store and renames it into place.
void Save(const std::string& file, const Tree& tree, Sharing sharing) {
  // A fresh file, never one found at the name (a stale one, or a symbolic
  // link planted where the store's folder is shared).
  std::string temp = file + ".tmp." + std::to_string(::getpid());
  ::unlink(temp.c_str());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_NOFOLLOW | O_CLOEXEC, 0644);
  if (fd < 0) Fail("cannot write", file, errno);
  TakeModeAndOwner(fd, file, sharing);
  int error = 0;
  if (!WriteAll(fd, Serialise(tree)) || ::fsync(fd) != 0) error = errno;
  if (::close(fd) != 0 && !error) error = errno;
  if (!error && ::rename(temp.c_str(), file.c_str()) != 0) error = errno;
  if (error) {
    ::unlink(temp.c_str());
    Fail("cannot write", file, error);
  }
}

// Runs change on the tree under the lock and saves it when change says it
// changed something.
template <class Change>
bool Transact(const std::string& file, Sharing sharing, Change&& change) {
  if (file.empty())
    throw StoreError(
        "no per-user registration store: the user has no home folder (set HOME or ZELNOR2_REGISTRY)");
  Descriptor lock(LockForWriting(file, sharing));
  Tree tree = Load(file);
  if (!change(tree)) return false;
  Save(file, tree, sharing);
  return true;
}

std::string HomeFolder() {
  if (const char* home = std::getenv("HOME"); home && *home) return home;
  long size = ::sysconf(_SC_GETPW_R_SIZE_MAX);
  std::vector<char> buffer(size > 0 ? static_cast<size_t>(size) : 16384);
  passwd entry{};
  passwd* found = nullptr;
  if (::getpwuid_r(::geteuid(), &entry, buffer.data(), buffer.size(), &found) == 0 && found &&
      found->pw_dir && *found->pw_dir)
    return found->pw_dir;
  return {};
}

const char* Override() {
  const char* env = std::getenv("ZELNOR2_REGISTRY");
  return env && *env ? env : nullptr;
}
}  // namespace

Store::Store(std::string file, Sharing sharing) : file_(std::move(file)), sharing_(sharing) {}

void Store::CreateKey(std::string_view key) {
  std::string path = NormaliseKey(key);
  if (path.empty()) throw std::invalid_argument("empty registry key");
  Transact(file_, sharing_, [&](Tree& tree) {
    if (tree.count(Lower(path))) return false;
    AddKey(tree, path);
    return true;
  });
}

void Store::SetValue(std::string_view key, std::string_view name, std::string_view data) {
  std::string path = NormaliseKey(key);
  if (path.empty()) throw std::invalid_argument("empty registry key");
  Transact(file_, sharing_, [&](Tree& tree) {
    if (const Value* old = FindValue(tree, path, name); old && old->name == name && old->data == data)
      return false;  // already so: the file is not rewritten
    AddKey(tree, path);
    tree[Lower(path)].values[Lower(name)] = Value{std::string(name), std::string(data)};
    return true;
  });
}

bool Store::DeleteKey(std::string_view key) {
  std::string id = Lower(NormaliseKey(key));
  if (id.empty() || Missing(file_)) return false;
  return Transact(file_, sharing_, [&](Tree& tree) {
    auto it = tree.find(id);
    if (it == tree.end()) return false;
    auto child = tree.lower_bound(id + "\\");
    if (child != tree.end() && child->first.compare(0, id.size() + 1, id + "\\") == 0) return false;
    tree.erase(it);
    return true;
  });
}

std::optional<std::string> Store::GetValue(std::string_view key, std::string_view name) const {
  Tree tree = Load(file_);
  const Value* v = FindValue(tree, key, name);
  if (!v) return std::nullopt;
  return v->data;
}

bool Store::KeyExists(std::string_view key) const {
  Tree tree = Load(file_);
  return tree.count(Lower(NormaliseKey(key))) > 0;
}

std::vector<std::string> Store::SubKeys(std::string_view key) const {
  Tree tree = Load(file_);
  std::string prefix = Lower(NormaliseKey(key));
  if (!prefix.empty()) prefix += '\\';
  std::vector<std::string> out;
  for (const auto& [id, k] : tree)
    if (id.compare(0, prefix.size(), prefix) == 0 && id.find('\\', prefix.size()) == std::string::npos)
      out.push_back(k.path.substr(prefix.size()));
  return out;
}

std::string UserFile() {
  // Relative values are invalid by the XDG rules and ignored.
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg == '/')
    return std::string(xdg) + "/zelnor2/registry";
  std::string home = HomeFolder();
  return home.empty() ? std::string() : home + "/.config/zelnor2/registry";
}

std::string MachineFile() { return ZELNOR_MACHINE_REGISTRY; }

Store RegistrationStore() {
  if (const char* file = Override()) return Store(file);
  if (::geteuid() == 0) return Store(MachineFile(), Sharing::kEveryone);
  return Store(UserFile());
}

std::vector<std::string> LookupFiles() {
  if (const char* file = Override()) return {file};
  std::vector<std::string> files;
  if (std::string user = UserFile(); !user.empty()) files.push_back(user);
  files.push_back(MachineFile());
  return files;
}

MergedStores::MergedStores(std::vector<std::string> files) : files_(std::move(files)) {}

MergedStores MergedStores::ForLookup() { return MergedStores(LookupFiles()); }

std::optional<Found> MergedStores::GetValue(std::string_view key, std::string_view name) const {
  for (const std::string& file : files_) {
    Tree tree = Load(file);
    if (const Value* v = FindValue(tree, key, name)) return Found{v->data, file};
  }
  return std::nullopt;
}

std::string MergedStores::Describe() const {
  std::string out;
  for (const std::string& file : files_) out += (out.empty() ? "" : ", then ") + file;
  return out.empty() ? "no registration store" : out;
}

}  // namespace registry
