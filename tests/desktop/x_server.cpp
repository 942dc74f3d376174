#include "tests/desktop/x_server.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>

extern char** environ;

namespace desktop_test {

namespace {

// One line from a child, waiting at most `ms` milliseconds.
std::string ReadLine(int fd, int ms) {
  std::string line;
  pollfd p{fd, POLLIN, 0};
  while (poll(&p, 1, ms) > 0) {
    char ch;
    if (read(fd, &ch, 1) != 1 || ch == '\n') break;
    line += ch;
  }
  return line;
}

pid_t Spawn(const std::vector<std::string>& argv, posix_spawn_file_actions_t* actions) {
  std::vector<char*> args;
  for (const std::string& a : argv) args.push_back(const_cast<char*>(a.c_str()));
  args.push_back(nullptr);
  pid_t pid = -1;
  if (posix_spawnp(&pid, args[0], actions, nullptr, args.data(), environ) != 0) return -1;
  return pid;
}

void EndChild(pid_t pid) {
  if (pid <= 0) return;
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
}

}  // namespace

XServer::XServer(const std::string& screen) {
  int fds[2];
  if (pipe(fds) != 0) return;
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_addclose(&actions, fds[0]);
  posix_spawn_file_actions_adddup2(&actions, fds[1], 3);
  posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
  // -noreset: a desktop always has clients; without it the server would
  // start afresh (dropping the root background) whenever the last one leaves.
  pid_ = Spawn({"Xvfb", "-displayfd", "3", "-screen", "0", screen, "-nolisten", "tcp", "-noreset"}, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(fds[1]);
  const std::string number = pid_ > 0 ? ReadLine(fds[0], 10000) : "";
  close(fds[0]);
  if (number.empty()) {
    EndChild(pid_);
    pid_ = -1;
    return;
  }
  display_ = ":" + number;
}

XServer::~XServer() { Kill(); }

void XServer::Kill() {
  EndChild(pid_);
  pid_ = -1;
}

DisplayVariable::DisplayVariable(const std::string& display) {
  if (const char* old = std::getenv("DISPLAY")) {
    had_ = true;
    saved_ = old;
  }
  if (display.empty())
    unsetenv("DISPLAY");
  else
    setenv("DISPLAY", display.c_str(), 1);
}

DisplayVariable::~DisplayVariable() {
  if (had_)
    setenv("DISPLAY", saved_.c_str(), 1);
  else
    unsetenv("DISPLAY");
}

TestWindow::TestWindow(const std::vector<std::string>& args) {
  int in[2], out[2];
  if (pipe(in) != 0) return;
  if (pipe(out) != 0) {
    close(in[0]);
    close(in[1]);
    return;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, in[0], 0);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_addclose(&actions, in[1]);
  posix_spawn_file_actions_addclose(&actions, out[0]);
  std::vector<std::string> argv{ZELNOR_X_CLIENT, "window"};
  argv.insert(argv.end(), args.begin(), args.end());
  pid_ = Spawn(argv, &actions);
  posix_spawn_file_actions_destroy(&actions);
  close(in[0]);
  close(out[1]);
  to_child_ = in[1];
  from_child_ = out[0];
  const std::string line = ReadLine(from_child_, 10000);
  if (line.rfind("ready ", 0) == 0) id_ = std::strtoul(line.c_str() + 6, nullptr, 16);
}

TestWindow::~TestWindow() {
  if (to_child_ >= 0) close(to_child_);  // the client ends when its input closes
  if (pid_ > 0) waitpid(pid_, nullptr, 0);
  if (from_child_ >= 0) close(from_child_);
}

}  // namespace desktop_test
