// Workers take groups of files from one shared list; each has its own work
// bitmap, so the files are converted exactly as the member converts them,
// one at a time per worker.  A stop signal lets the files in hand finish
// (every output is written to a temporary name and renamed into place, so
// a file is either complete or absent) and starts no others.
#include "tools/convert_command.h"

#include <sched.h>

#include <algorithm>
#include <atomic>
#include <csignal>
#include <cstdio>
#include <mutex>
#include <optional>
#include <thread>

#include "model/result_codes.h"
#include "platform/raster/parallel.h"
#include "tools/convert_jobs.h"
#include "tools/convert_options.h"
#include "tools/convert_progress.h"

namespace convert_cli {

namespace {

constexpr int kOk = 0, kFailed = 1, kUsage = 2;

// The signal that asked the run to stop; 0 while it runs.
std::atomic<int> g_stop_signal{0};
static_assert(std::atomic<int>::is_always_lock_free);

extern "C" void OnStopSignal(int sig) {
  if (g_stop_signal.load() != 0) {
    // Asked a second time: stop at once.
    std::signal(sig, SIG_DFL);
    std::raise(sig);
    return;
  }
  g_stop_signal.store(sig);
}

// SIGINT (Ctrl-C) and SIGTERM (what job runners send) stop the run while
// the handlers are installed.
class StopSignals {
 public:
  StopSignals() {
    struct sigaction action {};
    action.sa_handler = OnStopSignal;
    sigemptyset(&action.sa_mask);
    action.sa_flags = SA_RESTART;
    sigaction(SIGINT, &action, &old_int_);
    sigaction(SIGTERM, &action, &old_term_);
  }
  ~StopSignals() {
    sigaction(SIGINT, &old_int_, nullptr);
    sigaction(SIGTERM, &old_term_, nullptr);
  }
  StopSignals(const StopSignals&) = delete;
  StopSignals& operator=(const StopSignals&) = delete;

 private:
  struct sigaction old_int_ {};
  struct sigaction old_term_ {};
};

struct Note {
  std::string path, text;
};

// What the workers did, shared between them.
struct Tally {
  std::atomic<size_t> done{0}, written{0}, skipped{0}, failed{0};
  std::mutex lock;
  std::vector<Note> skips, failures;

  void Skip(const std::string& path, std::string reason) {
    std::lock_guard<std::mutex> hold(lock);
    skips.push_back({path, std::move(reason)});
    ++skipped;
  }
  void Fail(const std::string& path, std::string message) {
    std::lock_guard<std::mutex> hold(lock);
    failures.push_back({path, std::move(message)});
    ++failed;
  }
};

std::string SkipReason(const zelnor::FileConversion& r) {
  switch (r.outcome) {
    case zelnor::coNotImage:
      return "not an image file (by its extension)";
    case zelnor::coNotLoaded:
      return r.code == zelnor::rcNoInput ? "no such file"
                                         : "not loaded (result " + std::to_string(r.code) + ")";
    default:
      return "not saved to " + r.output + " (result " + std::to_string(r.code) + ")";
  }
}

void ConvertOne(const SourceFile& file, const ConvertCommand& c, const JobList& jobs, raster::Bitmap& work,
                Tally& tally) {
  if (!file.skip_reason.empty()) return tally.Skip(file.path, file.skip_reason);
  try {
    const zelnor::FileConversion r =
        zelnor::ConvertImageFile(file.path, jobs.target, c.options, c.codec, work);
    if (r.outcome == zelnor::coWritten)
      ++tally.written;
    else
      tally.Skip(file.path, SkipReason(r));
  } catch (const std::bad_alloc&) {
    tally.Fail(file.path, "out of memory");
  } catch (const std::exception& e) {
    tally.Fail(file.path, e.what());
  }
}

// One worker: groups from the shared index until none is left or a stop is
// asked for.  With other workers beside it, its loops stay on its own core.
void Work(const ConvertCommand& c, const JobList& jobs, std::atomic<size_t>& next, Tally& tally, bool alone) {
  std::optional<raster::SerialLoops> own_core;
  if (!alone) own_core.emplace();
  raster::Bitmap work;
  while (g_stop_signal.load() == 0) {
    const size_t i = next.fetch_add(1);
    if (i >= jobs.items.size()) break;
    for (const SourceFile& file : jobs.items[i].files) {
      if (g_stop_signal.load() != 0) break;
      ConvertOne(file, c, jobs, work, tally);
      ++tally.done;
    }
  }
}

size_t CoreCount() {
  cpu_set_t set;
  if (sched_getaffinity(0, sizeof set, &set) == 0 && CPU_COUNT(&set) > 0) return CPU_COUNT(&set);
  return std::max(1u, std::thread::hardware_concurrency());
}

void SortNotes(std::vector<Note>& notes) {
  std::sort(notes.begin(), notes.end(), [](const Note& a, const Note& b) { return a.path < b.path; });
}

void PrintSummary(const ConvertCommand& c, Tally& tally, size_t total, double seconds) {
  SortNotes(tally.failures);
  SortNotes(tally.skips);
  if (c.quiet) {
    for (const Note& n : tally.failures)
      std::fprintf(stderr, "failed %s: %s\n", n.path.c_str(), n.text.c_str());
    return;
  }
  std::printf("written %zu, skipped %zu, failed %zu (%zu files in %.1f s, %.1f files/s)\n",
              tally.written.load(), tally.skipped.load(), tally.failed.load(), total, seconds,
              seconds > 0 ? static_cast<double>(tally.done) / seconds : 0.0);
  for (const Note& n : tally.failures) std::printf("failed %s: %s\n", n.path.c_str(), n.text.c_str());
  if (c.verbose)
    for (const Note& n : tally.skips) std::printf("skipped %s: %s\n", n.path.c_str(), n.text.c_str());
  if (tally.done < total) std::printf("interrupted: %zu files not converted\n", total - tally.done);
}

// Starts the workers (as many as can be had), shows progress until all have
// finished, and returns the exit status.
int RunJobs(const ConvertCommand& c, const JobList& jobs) {
  const size_t wanted = c.jobs > 0 ? static_cast<size_t>(c.jobs) : CoreCount();
  const size_t count = std::clamp<size_t>(jobs.items.size(), 1, wanted);
  StopSignals stop;
  Tally tally;
  std::atomic<size_t> next{0}, finished{0};
  Progress progress(Progress::ModeFor(c.quiet), jobs.file_count);
  auto worker = [&] {
    Work(c, jobs, next, tally, count == 1);
    ++finished;
  };
  std::vector<std::thread> threads;
  try {
    for (size_t i = 0; i < count; ++i) threads.emplace_back(worker);
  } catch (const std::system_error&) {
    if (threads.empty()) worker();  // no thread to be had: convert here
  }
  while (finished.load() < threads.size()) {
    progress.Show(tally.done, tally.failed);
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  for (std::thread& t : threads) t.join();
  progress.Finish(tally.done, tally.failed);
  PrintSummary(c, tally, jobs.file_count, progress.ElapsedSeconds());
  std::fflush(stdout);
  if (const int sig = g_stop_signal.load(); sig != 0) return 128 + sig;
  return tally.failed > 0 ? kFailed : kOk;
}

}  // namespace

int RunConvert(const std::vector<std::string>& args) {
  ConvertCommand command;
  std::string error;
  if (!ParseConvertCommand(args, command, error)) {
    std::fprintf(stderr, "zelnor2 convert: %s\n(see 'zelnor2 convert --help')\n", error.c_str());
    return kUsage;
  }
  if (command.help) return std::fputs(kConvertHelp, stdout), kOk;
  JobList jobs;
  int rc = zelnor::rcOK;
  try {
    rc = BuildJobList(command, jobs, error);
  } catch (const std::exception& e) {
    rc = zelnor::rcNoInput;
    error = e.what();
  }
  if (rc != zelnor::rcOK) {
    std::fprintf(stderr, "zelnor2 convert: %s\n", error.c_str());
    return rc == zelnor::rcUnsupportedType ? kUsage : kFailed;
  }
  if (command.list_only) {
    for (const WorkItem& item : jobs.items)
      for (const SourceFile& file : item.files) std::printf("%s\n", file.path.c_str());
    return kOk;
  }
  return RunJobs(command, jobs);
}

}  // namespace convert_cli
