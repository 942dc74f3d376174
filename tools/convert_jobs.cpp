#include "tools/convert_jobs.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <stdexcept>
#include <unordered_map>

#include "io/ZelnorCommons.h"
#include "model/result_codes.h"
#include "platform/system/folders.h"

namespace convert_cli {

namespace {

namespace fs = std::filesystem;

std::string SourceError(int rc, const std::string& source) {
  if (rc == zelnor::rcNoSourceFolder) return "no such folder: " + source;
  return "no file or folder matches " + source;
}

// The files of every SOURCE argument; `multiple` is set unless there is
// exactly one source and it names exactly one file.
int AddSources(const ConvertCommand& c, std::vector<SourceFile>& files, bool& multiple, std::string& error) {
  multiple = c.sources.size() > 1;
  for (const std::string& s : c.sources) {
    zelnor::SourceSelection selection;
    if (const int rc = zelnor::SelectSource(s, selection); rc != zelnor::rcOK) {
      error = SourceError(rc, s);
      return rc;
    }
    multiple = multiple || selection.multiple;
    for (const std::string& name : zelnor::SourceEntries(selection))
      files.push_back({selection.folder + name, {}});
  }
  return zelnor::rcOK;
}

std::vector<std::string> ReadNames(std::istream& in, bool null_separated) {
  std::vector<std::string> names;
  std::string line;
  while (std::getline(in, line, null_separated ? '\0' : '\n')) {
    if (!null_separated && !line.empty() && line.back() == '\r') line.pop_back();
    if (!line.empty()) names.push_back(line);
  }
  return names;
}

std::vector<std::string> ReadList(const std::string& name, bool null_separated) {
  if (name == "-") return ReadNames(std::cin, null_separated);
  std::ifstream in(name, std::ios::binary);
  if (!in) throw std::runtime_error("cannot read the list " + name + ": " + std::strerror(errno));
  return ReadNames(in, null_separated);
}

// A listed name goes through the same filter as the files of a folder.
std::string ListedSkipReason(const std::string& path) {
  if (sysplat::IsHiddenName(sysplat::NamePart(path))) return "hidden name";
  std::error_code ec;
  const fs::file_status status = fs::status(path, ec);
  if (status.type() == fs::file_type::regular) return {};
  if (status.type() == fs::file_type::not_found) return "no such file";
  if (status.type() == fs::file_type::directory) return "a folder";
  return "not a regular file";
}

int CheckTarget(const ConvertCommand& c, bool multiple, JobList& jobs, std::string& error) {
  if (zelnor::SelectTarget(c.to, jobs.target) != zelnor::rcOK) {
    error = "no folder for the target " + c.to;
    return zelnor::rcNoTargetFolder;
  }
  if (jobs.target.name.empty()) return zelnor::rcOK;
  if (multiple) {
    error = "the target " + c.to + " is a file name, which needs exactly one source file";
    return zelnor::rcTargetNameNotAllowed;
  }
  if (zelnor::ImageTypeFromFileName(jobs.target.name) == zelnor::itUnknown) {
    error = "the target " + c.to + " has no image type extension (jpg, jpeg, gif, png, bmp)";
    return zelnor::rcUnsupportedType;
  }
  return zelnor::rcOK;
}

// Sorted, each path once, and grouped by output file (files that are
// skipped anyway each form a group of their own).
std::vector<WorkItem> GroupByOutput(std::vector<SourceFile> files, const ConvertCommand& c,
                                    const zelnor::TargetSelection& target) {
  std::sort(files.begin(), files.end(),
            [](const SourceFile& a, const SourceFile& b) { return a.path < b.path; });
  files.erase(std::unique(files.begin(), files.end(),
                          [](const SourceFile& a, const SourceFile& b) { return a.path == b.path; }),
              files.end());
  std::vector<WorkItem> items;
  std::unordered_map<std::string, size_t> item_of_output;
  for (SourceFile& f : files) {
    const std::string_view name = sysplat::NamePart(f.path);
    if (f.skip_reason.empty() && zelnor::ImageTypeFromFileName(name) != zelnor::itUnknown) {
      const auto [at, added] =
          item_of_output.try_emplace(zelnor::OutputPath(target, name, c.options.file_type), items.size());
      if (!added) {
        items[at->second].files.push_back(std::move(f));
        continue;
      }
    }
    items.push_back({{std::move(f)}});
  }
  return items;
}

}  // namespace

int BuildJobList(const ConvertCommand& command, JobList& jobs, std::string& error) {
  std::vector<SourceFile> files;
  bool multiple = false;
  if (const int rc = AddSources(command, files, multiple, error); rc != zelnor::rcOK) return rc;
  if (!command.files_from.empty()) {
    multiple = true;
    for (const std::string& name : ReadList(command.files_from, command.null_separated)) {
      std::string path = sysplat::ExpandPath(name);
      std::string reason = ListedSkipReason(path);
      files.push_back({std::move(path), std::move(reason)});
    }
  }
  if (const int rc = CheckTarget(command, multiple, jobs, error); rc != zelnor::rcOK) return rc;
  jobs.items = ShardOf(GroupByOutput(std::move(files), command, jobs.target), command.shard_index,
                       command.shard_count);
  jobs.file_count = 0;
  for (const WorkItem& item : jobs.items) jobs.file_count += item.files.size();
  return zelnor::rcOK;
}

std::vector<WorkItem> ShardOf(std::vector<WorkItem> items, int index, int count) {
  if (count <= 1) return items;
  std::vector<WorkItem> part;
  for (size_t i = static_cast<size_t>(index - 1); i < items.size(); i += static_cast<size_t>(count))
    part.push_back(std::move(items[i]));
  return part;
}

}  // namespace convert_cli
