// The command line of 'zelnor2 convert': the conversion member's options,
// the codec settings, and what the batch adds (workers, shards, file lists,
// progress).
#pragma once
#include <string>
#include <vector>

#include "io/ZelnorConvert.h"
#include "model/settings.h"

namespace convert_cli {

struct ConvertCommand {
  std::vector<std::string> sources;  // files, folders or patterns, as the member takes them
  std::string to;                    // empty: the current folder
  std::string files_from;            // a list file, "-" for standard input; empty: none
  bool null_separated = false;       // the list's names end in NUL bytes, not newlines
  zelnor::ConvertOptions options;
  zelnor::CodecSettings codec;
  int jobs = 0;  // 0: one per core
  int shard_index = 1, shard_count = 1;
  bool quiet = false, verbose = false, list_only = false, help = false;
};

// The help text of the command.
extern const char* const kConvertHelp;

// Parses the arguments after "convert".  False with `error` set for a bad
// command line (an unknown option, a value out of range, no source).
bool ParseConvertCommand(const std::vector<std::string>& args, ConvertCommand& command, std::string& error);

}  // namespace convert_cli
