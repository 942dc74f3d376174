// Runs a fuzz target over files without libFuzzer, so that a finding
// reproduces with any compiler and under a debugger:
//   load_fuzz_replay crash-file-or-folder...
// A folder runs every regular file in it, in name order; a missing one
// holds nothing.  A failing input
// aborts the program (the target's checks, or a sanitizer); otherwise it
// prints how many inputs ran.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

namespace fs = std::filesystem;

bool RunFile(const fs::path& p) {
  std::ifstream f(p, std::ios::binary);
  if (!f) {
    std::fprintf(stderr, "cannot read %s\n", p.c_str());
    return false;
  }
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());
  std::fprintf(stderr, "running %s (%zu bytes)\n", p.c_str(), bytes.size());
  LLVMFuzzerTestOneInput(bytes.data(), bytes.size());
  return true;
}

}  // namespace

int main(int argc, char** argv) {
  int runs = 0;
  bool ok = true;
  // Targets work in a private folder of their own: names are made absolute
  // before the first input runs.
  std::vector<fs::path> args;
  for (int i = 1; i < argc; ++i) args.push_back(fs::absolute(argv[i]));
  for (const fs::path& arg : args) {
    if (!fs::exists(arg)) {
      std::fprintf(stderr, "%s does not exist: nothing to replay there\n", arg.c_str());
      continue;
    }
    if (!fs::is_directory(arg)) {
      ok = RunFile(arg) && ok;
      ++runs;
      continue;
    }
    std::vector<fs::path> files;
    for (const fs::directory_entry& e : fs::directory_iterator(arg))
      if (e.is_regular_file()) files.push_back(e.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& p : files) {
      ok = RunFile(p) && ok;
      ++runs;
    }
  }
  std::printf("%d inputs replayed\n", runs);
  return ok ? 0 : 1;
}
