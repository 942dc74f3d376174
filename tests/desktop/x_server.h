// Test helpers: a private Xvfb server on a free display number, and windows
// shown by the test X client (x_client).
#pragma once
#include <sys/types.h>

#include <string>
#include <vector>

namespace desktop_test {

// Xvfb with one screen ("WxHxD"), started with -displayfd so that it picks a
// free display number itself.  running() is false when Xvfb is missing.
class XServer {
 public:
  explicit XServer(const std::string& screen = "320x240x24");
  ~XServer();
  XServer(const XServer&) = delete;
  XServer& operator=(const XServer&) = delete;
  bool running() const { return pid_ > 0; }
  const std::string& display() const { return display_; }
  // Ends the server now and waits for it.
  void Kill();

 private:
  pid_t pid_ = -1;
  std::string display_;
};

// Points DISPLAY at a server (or unsets it) for the life of the object.
class DisplayVariable {
 public:
  explicit DisplayVariable(const std::string& display);  // empty: unset
  ~DisplayVariable();

 private:
  std::string saved_;
  bool had_ = false;
};

// A window of the test client; the process ends when the object goes.
class TestWindow {
 public:
  // Arguments after "window" (see x_client.cpp); waits for its "ready" line.
  explicit TestWindow(const std::vector<std::string>& args);
  ~TestWindow();
  TestWindow(const TestWindow&) = delete;
  TestWindow& operator=(const TestWindow&) = delete;
  bool ready() const { return id_ != 0; }
  unsigned long id() const { return id_; }

 private:
  pid_t pid_ = -1;
  int to_child_ = -1, from_child_ = -1;
  unsigned long id_ = 0;
};

}  // namespace desktop_test
