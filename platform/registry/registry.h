// The class-registration store: a hierarchical tree of keys holding named
// string values (the default value has the empty name), standing in for
// HKEY_CLASSES_ROOT.  It lives in one file so registrations outlive the
// process.  Every change is one transaction: take an exclusive lock on a
// companion lock file, read the tree, change it, write a temporary file and
// rename it over the old one, so concurrent registrations never lose each
// other's entries and a crash never leaves a torn file.  Readers take no lock:
// the rename replaces the whole file at once, so they see the old tree or the
// new one.  Key and value names compare without regard to letter case; "\"
// separates key names.
//
// As on the host, there are two stores: one per user and one for the whole
// machine (readable by everyone, written by root).  Lookups merge them, the
// user's first; $ZELNOR2_REGISTRY names a single store that replaces both.
#pragma once
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace registry {

// A store that exists but cannot be read, or that cannot be written.  The
// message names the file and the cause.
class StoreError : public std::runtime_error {
 public:
  using std::runtime_error::runtime_error;
};

// Who may read a store that this process creates.  kOwner leaves the modes to
// the process's umask; kEveryone (the machine-wide store) makes new folders
// 0755 and a new store file 0644 whatever the umask.  A store that exists
// keeps its mode and owner through every rewrite.
enum class Sharing { kOwner, kEveryone };

class Store {
 public:
  explicit Store(std::string file, Sharing sharing = Sharing::kOwner);
  const std::string& File() const { return file_; }

  // Creates the key and any missing parents and sets one value.  Throws
  // StoreError when the store cannot be read or written.
  void SetValue(std::string_view key, std::string_view name, std::string_view data);
  // Creates the key (and its parents) without a value.
  void CreateKey(std::string_view key);
  // Deletes one key with its values; false when it is missing or still has
  // subkeys.  A store that does not exist is left alone: no folder, lock file
  // or empty store is made for it.  Throws StoreError as SetValue does.
  bool DeleteKey(std::string_view key);

  // A store that does not exist reads as empty; one that exists but cannot be
  // read (no permission, not a regular file, too large) throws StoreError.
  std::optional<std::string> GetValue(std::string_view key, std::string_view name) const;
  bool KeyExists(std::string_view key) const;
  std::vector<std::string> SubKeys(std::string_view key) const;

 private:
  std::string file_;
  Sharing sharing_;
};

// $XDG_CONFIG_HOME/zelnor2/registry, else ~/.config/zelnor2/registry (the home
// folder from $HOME, else from the user database); "" when the user has none.
std::string UserFile();
// The machine-wide store, fixed when the project is configured
// (ZELNOR_MACHINE_REGISTRY, by default /var/lib/zelnor2/registry).
std::string MachineFile();
// The store this process registers into: $ZELNOR2_REGISTRY when set, else
// the machine-wide store when running as root, else the user's.
Store RegistrationStore();
// The stores a lookup reads, in order: $ZELNOR2_REGISTRY alone when set,
// else the user's store (when the user has a home), then the machine-wide one.
std::vector<std::string> LookupFiles();

// A value found by a merged lookup, and the store it came from.
struct Found {
  std::string data;
  std::string file;
};

// Several stores read as one, as the host merges its per-user and
// machine-wide classes: each value comes from the first store that has it.
class MergedStores {
 public:
  explicit MergedStores(std::vector<std::string> files);
  static MergedStores ForLookup();  // LookupFiles()

  // Reads the stores in order until one has the value.  Throws StoreError
  // when a store that has to be read cannot be, rather than falling through
  // to the next one, whose entry it might override.
  std::optional<Found> GetValue(std::string_view key, std::string_view name) const;
  const std::vector<std::string>& Files() const { return files_; }
  // The files for messages: "a, then b".
  std::string Describe() const;

 private:
  std::vector<std::string> files_;
};

}  // namespace registry
