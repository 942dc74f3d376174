// Folders and paths: full-path expansion against the process's current
// folder, folder tests, wildcard matching and a directory search that
// returns the regular files of one folder in a reproducible order.
//
// Paths use '/' as the separator.  A trailing '\' counts as a trailing
// separator too (scripts written for another platform end folders with it);
// anywhere else a backslash is an ordinary character of a name, as it is to
// the file system.  Names are compared byte by byte, case-sensitively.
#pragma once
#include <string>
#include <string_view>
#include <vector>

namespace sysplat {

// The process's current folder, ending in '/'.  Throws std::runtime_error
// when it cannot be had (it was removed, or its path is too long).
std::string CurrentFolder();

// Whether the path ends in '/' or '\'.
bool EndsWithSeparator(std::string_view path);

// The full path: a relative path is taken from the current folder; repeated
// separators and "." components are dropped; a trailing separator is kept
// (a trailing '\' becomes '/').  ".." components stay, so the file system
// resolves them through symbolic links as it would for the original path.
// An empty path stays empty.
std::string ExpandPath(std::string_view path);

// The folder part of a path, up to and including its last '/'; empty when
// there is none.
std::string_view FolderPart(std::string_view path);
// The last component of a path (after its last '/').
std::string_view NamePart(std::string_view path);

// Whether `path` names an existing folder (a symbolic link to one counts).
bool IsFolder(const std::string& path);

// Whether a name holds a wildcard: '*' (any run of characters, also none) or
// '?' (exactly one character).
bool HasWildcards(std::string_view name);
// Whether `name` matches `pattern` (the wildcards above; every other byte
// stands for itself).
bool MatchesPattern(std::string_view name, std::string_view pattern);

// Names are hidden when they start with a full stop.
bool IsHiddenName(std::string_view name);

// The names of the entries of `folder` that match `pattern` and are regular
// files, or symbolic links to regular files; folders, devices, FIFOs,
// sockets and dangling links are left out, and so are hidden names unless
// `include_hidden`.  Sorted by byte value, so a run is reproducible.  A
// missing folder gives no names; a folder that cannot be read fails with
// std::runtime_error naming it.  `folder` may or may not end in '/'.
std::vector<std::string> FindFiles(const std::string& folder, std::string_view pattern, bool include_hidden);

// Whether the regular file (or link to one) at `path` exists.
bool IsRegularFile(const std::string& path);

}  // namespace sysplat
