// The class-registration store: a hierarchical tree of keys holding named
// string values (the default value has the empty name), standing in for
// HKEY_CLASSES_ROOT.  It lives in one file so registrations outlive the
// process.  Every change is one transaction: take an exclusive lock on a
// companion lock file, read the tree, change it, write a temporary file and
// rename it over the old one, so concurrent registrations never lose each
// other's entries and a crash never leaves a torn file.  Key and value names
// compare without regard to letter case; "\" separates key names.
#pragma once
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace registry {

class Store {
 public:
  explicit Store(std::string file);

  // $ZELNOR2_REGISTRY when set, else $XDG_CONFIG_HOME/zelnor2/registry, else
  // ~/.config/zelnor2/registry.
  static std::string DefaultFile();
  const std::string& File() const { return file_; }

  // Creates the key and any missing parents and sets one value; false when
  // the store cannot be written.
  bool SetValue(std::string_view key, std::string_view name, std::string_view data);
  // Creates the key (and its parents) without a value.
  bool CreateKey(std::string_view key);
  // Deletes one key with its values; false when it is missing, still has
  // subkeys, or the store cannot be written.
  bool DeleteKey(std::string_view key);

  std::optional<std::string> GetValue(std::string_view key, std::string_view name) const;
  bool KeyExists(std::string_view key) const;
  std::vector<std::string> SubKeys(std::string_view key) const;

 private:
  std::string file_;
};

}  // namespace registry
