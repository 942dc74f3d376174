// The file list of one 'zelnor2 convert' run: the sources selected as the
// conversion member selects them (or read from a list), sorted, grouped by
// output file, and cut into the part that this shard converts.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

#include "io/ZelnorConvert.h"
#include "tools/convert_options.h"

namespace convert_cli {

struct SourceFile {
  std::string path;  // full path
  // Why the file is skipped before it is opened (a listed name that is
  // hidden, missing or no regular file); empty when it is to be converted.
  std::string skip_reason;
};

// Sources that map to the same output file, in name order: one worker
// converts them in that order, so the last one wins, as in the member.
struct WorkItem {
  std::vector<SourceFile> files;
};

struct JobList {
  zelnor::TargetSelection target;
  std::vector<WorkItem> items;  // this shard's part
  size_t file_count = 0;        // files in `items`
};

// Selects sources and target with the member's checks and result codes (-5,
// -2, -6, -7), reads the list file, and keeps this shard's part.  Returns 0,
// or a result code with `error` saying what is wrong; a list file that
// cannot be read throws.
int BuildJobList(const ConvertCommand& command, JobList& jobs, std::string& error);

// The part `index` (1..count) of the items: every count-th group from the
// index-th on, so parts are balanced and every group is in exactly one.
std::vector<WorkItem> ShardOf(std::vector<WorkItem> items, int index, int count);

}  // namespace convert_cli
