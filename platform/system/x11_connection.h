// One connection to the X display named by DISPLAY, for the length of one
// call of the window layer.  Connections are made one at a time in the
// process; while one is open, X errors on it are recorded instead of ending
// the process, and errors on the host's own displays go on to the host's
// handlers.  A display that goes away during the call is recorded too (with
// libX11 1.7 or later).
#pragma once
#include <cstdint>
#include <memory>
#include <mutex>
#include <optional>
#include <string>
#include <vector>

#include "platform/system/x11_library.h"

namespace sysplat::x11 {

// The error value recorded when the connection broke (X error codes are
// 0..255).
inline constexpr uint32_t kDisplayLost = 0x10000;

class Connection {
 public:
  // Connects to the display named by DISPLAY; nullptr without the X library,
  // without DISPLAY, or when the display cannot be opened.
  static std::unique_ptr<Connection> Open();
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  const Library& x() const { return x_; }
  ::Display* display() const { return display_; }
  Window root() const { return root_; }
  int screen() const { return screen_; }

  // The atom of that name; with `create` false, None when the server has
  // never seen the name (so no window can carry such a property).
  Atom AtomOf(const char* name, bool create = false);
  // A property's bytes (format 8) or items (format 32, one per element),
  // with its type; nothing when the window has no such property or is gone.
  std::optional<std::string> TextProperty(Window w, Atom property, Atom* type = nullptr);
  std::vector<unsigned long> ItemProperty(Window w, Atom property, Atom type);

  // Waits for the server to process every request sent so far, so that all
  // their errors are recorded.
  void Sync();
  // The latest error the server reported for a request of this connection
  // (an X error code), kDisplayLost once the connection broke, or 0.
  uint32_t last_error() const { return last_error_; }
  bool lost() const { return lost_; }

  // Runs `body`; errors its requests cause are waited for and forgotten
  // (windows come and go while a search walks the window tree).
  template <typename F>
  auto IgnoringErrors(F&& body) {
    const uint32_t saved = last_error_;
    ++ignoring_;
    struct Restore {
      Connection* c;
      uint32_t saved;
      ~Restore() {
        c->Sync();
        --c->ignoring_;
        c->last_error_ = saved;
      }
    } restore{this, saved};
    return body();
  }

  // Called by the process's X error handlers.
  void RecordError(uint8_t code);
  void RecordLost();

 private:
  Connection(const Library& x, ::Display* display, std::unique_lock<std::mutex> lock);
  void InstallHandlers();
  void RestoreHandlers();

  const Library& x_;
  ::Display* display_;
  std::unique_lock<std::mutex> lock_;
  Window root_ = 0;
  int screen_ = 0;
  uint32_t last_error_ = 0;
  bool lost_ = false;
  int ignoring_ = 0;
};

}  // namespace sysplat::x11
