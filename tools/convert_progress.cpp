#include "tools/convert_progress.h"

#include <sys/ioctl.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>

namespace convert_cli {

namespace {

constexpr auto kRedrawInterval = std::chrono::milliseconds(100);

int TerminalColumns() {
  winsize size{};
  if (ioctl(STDERR_FILENO, TIOCGWINSZ, &size) == 0 && size.ws_col > 0) return size.ws_col;
  return 80;
}

std::string Bar(size_t done, size_t total, int width) {
  const size_t cells = static_cast<size_t>(width);
  const size_t filled = total == 0 ? cells : done * cells / total;
  return "[" + std::string(filled, '#') + std::string(cells - filled, '.') + "]";
}

}  // namespace

std::string DurationText(double seconds) {
  const long s = std::lround(std::max(seconds, 0.0));
  char text[32];
  if (s < 60)
    std::snprintf(text, sizeof text, "%ld s", s);
  else if (s < 3600)
    std::snprintf(text, sizeof text, "%ld:%02ld", s / 60, s % 60);
  else
    std::snprintf(text, sizeof text, "%ld:%02ld:%02ld", s / 3600, s / 60 % 60, s % 60);
  return text;
}

Progress::Mode Progress::ModeFor(bool quiet) {
  if (quiet) return kNone;
  return isatty(STDERR_FILENO) ? kBar : kLines;
}

Progress::Progress(Mode mode, size_t total)
    : mode_(mode), total_(total), start_(std::chrono::steady_clock::now()) {}

double Progress::ElapsedSeconds() const {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

std::string Progress::Text(size_t done, size_t failed) const {
  const double elapsed = ElapsedSeconds();
  const double rate = elapsed > 0 ? static_cast<double>(done) / elapsed : 0;
  char text[160];
  std::snprintf(text, sizeof text, "%zu/%zu files (%zu%%), %.1f files/s", done, total_,
                total_ ? done * 100 / total_ : 100, rate);
  std::string out = text;
  if (done < total_ && rate > 0)
    out += ", " + DurationText(static_cast<double>(total_ - done) / rate) + " left";
  if (failed > 0) out += ", " + std::to_string(failed) + " failed";
  return out;
}

void Progress::Draw(size_t done, size_t failed) {
  const std::string text = Text(done, failed);
  const int width = std::clamp(TerminalColumns() - static_cast<int>(text.size()) - 4, 10, 50);
  std::fprintf(stderr, "\r%s %s\x1b[K", Bar(done, total_, width).c_str(), text.c_str());
  std::fflush(stderr);
  drawn_ = true;
}

void Progress::Show(size_t done, size_t failed) {
  if (mode_ == kBar) {
    const auto now = std::chrono::steady_clock::now();
    if (drawn_ && now - last_draw_ < kRedrawInterval) return;
    last_draw_ = now;
    Draw(done, failed);
  } else if (mode_ == kLines && total_ > 0) {
    const size_t tenth = done * 10 / total_;
    if (tenth <= last_tenth_) return;
    last_tenth_ = tenth;
    std::fprintf(stderr, "%s\n", Text(done, failed).c_str());
  }
}

void Progress::Finish(size_t done, size_t failed) {
  if (mode_ == kBar) {
    Draw(done, failed);
    std::fputc('\n', stderr);
  } else {
    Show(done, failed);
  }
}

}  // namespace convert_cli
