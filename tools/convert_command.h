// 'zelnor2 convert': the conversion member for many files at once, one
// file per core, with progress, a summary, shards and file lists.
#pragma once
#include <string>
#include <vector>

namespace convert_cli {

// Runs the command with the arguments after "convert".  Exit status: 0 every
// image file converted (others skipped); 1 a file failed, or the sources or
// target do not exist; 2 a bad command line; 128 + the signal when
// interrupted by SIGINT or SIGTERM.
int RunConvert(const std::vector<std::string>& args);

}  // namespace convert_cli
