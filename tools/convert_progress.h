// The progress display of 'zelnor2 convert' on standard error: a bar that
// redraws itself on a terminal, plain lines (one per tenth of the files)
// elsewhere, or nothing.
#pragma once
#include <chrono>
#include <cstddef>
#include <string>

namespace convert_cli {

class Progress {
 public:
  enum Mode { kNone, kLines, kBar };

  // kBar when standard error is a terminal, else kLines; kNone when quiet.
  static Mode ModeFor(bool quiet);

  Progress(Mode mode, size_t total);

  // `done` files of the total are finished, `failed` of them failed.  Cheap
  // to call often: the bar redraws at most ten times a second.
  void Show(size_t done, size_t failed);
  // The last state, and the bar's line ended.
  void Finish(size_t done, size_t failed);

  double ElapsedSeconds() const;

 private:
  std::string Text(size_t done, size_t failed) const;
  void Draw(size_t done, size_t failed);

  Mode mode_;
  size_t total_;
  std::chrono::steady_clock::time_point start_;
  std::chrono::steady_clock::time_point last_draw_{};
  size_t last_tenth_ = 0;
  bool drawn_ = false;
};

// Seconds as "13 s", "2:05" or "1:02:05".
std::string DurationText(double seconds);

}  // namespace convert_cli
