#include "platform/registry/registry.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>

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

// Holds flock on "<file>.lock" for the lifetime of the object.
class FileLock {
 public:
  FileLock(const std::string& file, bool exclusive) {
    std::error_code ec;
    std::filesystem::create_directories(std::filesystem::path(file).parent_path(), ec);
    fd_ = ::open((file + ".lock").c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
    if (fd_ >= 0) {
      while (::flock(fd_, exclusive ? LOCK_EX : LOCK_SH) != 0 && errno == EINTR) {
      }
    }
  }
  ~FileLock() {
    if (fd_ >= 0) ::close(fd_);  // closing releases the lock
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;
  bool Held() const { return fd_ >= 0; }

 private:
  int fd_ = -1;
};

Tree Load(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  return in ? Parse(in) : Tree{};
}

bool WriteAll(int fd, const std::string& data) {
  size_t done = 0;
  while (done < data.size()) {
    ssize_t n = ::write(fd, data.data() + done, data.size() - done);
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) return false;
    done += static_cast<size_t>(n);
  }
  return true;
}

// Writes the tree to a temporary file beside the store and renames it into place.
bool Save(const std::string& file, const Tree& tree) {
  std::string temp = file + ".tmp." + std::to_string(::getpid());
  int fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  bool ok = WriteAll(fd, Serialise(tree)) && ::fsync(fd) == 0;
  ok = ::close(fd) == 0 && ok;
  if (ok) ok = ::rename(temp.c_str(), file.c_str()) == 0;
  if (!ok) ::unlink(temp.c_str());
  return ok;
}

template <class Change>
bool Transact(const std::string& file, Change&& change) {
  FileLock lock(file, true);
  if (!lock.Held()) return false;
  Tree tree = Load(file);
  if (!change(tree)) return false;
  return Save(file, tree);
}

Tree Snapshot(const std::string& file) {
  FileLock lock(file, false);
  return Load(file);
}
}  // namespace

Store::Store(std::string file) : file_(std::move(file)) {}

std::string Store::DefaultFile() {
  if (const char* env = std::getenv("ZELNOR2_REGISTRY"); env && *env) return env;
  if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg)
    return std::string(xdg) + "/zelnor2/registry";
  const char* home = std::getenv("HOME");
  return std::string(home && *home ? home : ".") + "/.config/zelnor2/registry";
}

bool Store::CreateKey(std::string_view key) {
  std::string path = NormaliseKey(key);
  if (path.empty()) return false;
  return Transact(file_, [&](Tree& tree) {
    AddKey(tree, path);
    return true;
  });
}

bool Store::SetValue(std::string_view key, std::string_view name, std::string_view data) {
  std::string path = NormaliseKey(key);
  if (path.empty()) return false;
  return Transact(file_, [&](Tree& tree) {
    AddKey(tree, path);
    tree[Lower(path)].values[Lower(name)] = Value{std::string(name), std::string(data)};
    return true;
  });
}

bool Store::DeleteKey(std::string_view key) {
  std::string id = Lower(NormaliseKey(key));
  return Transact(file_, [&](Tree& tree) {
    auto it = tree.find(id);
    if (it == tree.end()) return false;
    auto child = tree.lower_bound(id + "\\");
    if (child != tree.end() && child->first.compare(0, id.size() + 1, id + "\\") == 0) return false;
    tree.erase(it);
    return true;
  });
}

std::optional<std::string> Store::GetValue(std::string_view key, std::string_view name) const {
  Tree tree = Snapshot(file_);
  auto it = tree.find(Lower(NormaliseKey(key)));
  if (it == tree.end()) return std::nullopt;
  auto v = it->second.values.find(Lower(name));
  if (v == it->second.values.end()) return std::nullopt;
  return v->second.data;
}

bool Store::KeyExists(std::string_view key) const {
  Tree tree = Snapshot(file_);
  return tree.count(Lower(NormaliseKey(key))) > 0;
}

std::vector<std::string> Store::SubKeys(std::string_view key) const {
  Tree tree = Snapshot(file_);
  std::string prefix = Lower(NormaliseKey(key));
  if (!prefix.empty()) prefix += '\\';
  std::vector<std::string> out;
  for (const auto& [id, k] : tree)
    if (id.compare(0, prefix.size(), prefix) == 0 && id.find('\\', prefix.size()) == std::string::npos)
      out.push_back(k.path.substr(prefix.size()));
  return out;
}

}  // namespace registry
