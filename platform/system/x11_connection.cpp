#include "platform/system/x11_connection.h"

#include <X11/Xatom.h>

#include <atomic>

namespace sysplat::x11 {

namespace {

// One connection at a time: Xlib's error handlers are process-wide, and the
// handlers below must know which display is ours.
std::mutex g_connection_mutex;
std::atomic<Connection*> g_active{nullptr};
std::atomic<XErrorHandler> g_previous_error{nullptr};
std::atomic<XIOErrorHandler> g_previous_io_error{nullptr};

int OnError(::Display* display, XErrorEvent* event) {
  Connection* active = g_active.load();
  if (active && active->display() == display) {
    active->RecordError(event->error_code);
    return 0;
  }
  const XErrorHandler previous = g_previous_error.load();
  return previous ? previous(display, event) : 0;
}

int OnIOError(::Display* display) {
  Connection* active = g_active.load();
  if (active && active->display() == display) {
    active->RecordLost();
    return 0;
  }
  const XIOErrorHandler previous = g_previous_io_error.load();
  return previous ? previous(display) : 0;
}

// Replaces Xlib's exit() after an I/O error on our display: the call goes on
// with the connection marked broken and every later request failing.
void OnIOErrorExit(::Display*, void* connection) { static_cast<Connection*>(connection)->RecordLost(); }

}  // namespace

std::unique_ptr<Connection> Connection::Open() {
  const Library* x = Load();
  if (!x) return nullptr;
  std::unique_lock<std::mutex> lock(g_connection_mutex);
  ::Display* display = x->OpenDisplay(nullptr);
  if (!display) return nullptr;
  return std::unique_ptr<Connection>(new Connection(*x, display, std::move(lock)));
}

Connection::Connection(const Library& x, ::Display* display, std::unique_lock<std::mutex> lock)
    : x_(x), display_(display), lock_(std::move(lock)) {
  screen_ = DefaultScreen(display_);
  root_ = RootWindow(display_, screen_);
  InstallHandlers();
}

Connection::~Connection() {
  x_.CloseDisplay(display_);  // errors of the final flush are still ours
  RestoreHandlers();
}

void Connection::InstallHandlers() {
  g_active.store(this);
  if (x_.SetIOErrorExitHandler) x_.SetIOErrorExitHandler(display_, OnIOErrorExit, this);
  g_previous_error.store(x_.SetErrorHandler(OnError));
  g_previous_io_error.store(x_.SetIOErrorHandler(OnIOError));
}

void Connection::RestoreHandlers() {
  // A handler the host installed meanwhile stays; ours then passes foreign
  // displays' errors on to the one it replaced.
  if (XErrorHandler current = x_.SetErrorHandler(g_previous_error.load()); current != OnError)
    x_.SetErrorHandler(current);
  if (XIOErrorHandler current = x_.SetIOErrorHandler(g_previous_io_error.load()); current != OnIOError)
    x_.SetIOErrorHandler(current);
  g_active.store(nullptr);
}

void Connection::RecordError(uint8_t code) {
  if (ignoring_ == 0 && !lost_) last_error_ = code;
}

void Connection::RecordLost() {
  lost_ = true;
  last_error_ = kDisplayLost;
}

void Connection::Sync() {
  if (!lost_) x_.Sync(display_, False);
}

Atom Connection::AtomOf(const char* name, bool create) {
  if (lost_) return None;
  return x_.InternAtom(display_, name, create ? False : True);
}

std::optional<std::string> Connection::TextProperty(Window w, Atom property, Atom* type) {
  if (property == None || lost_) return std::nullopt;
  Atom actual_type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  // Titles and similar texts: up to 256 KiB is plenty.
  const int status = x_.GetWindowProperty(display_, w, property, 0, 65536, False, AnyPropertyType,
                                          &actual_type, &format, &count, &remaining, &data);
  std::optional<std::string> text;
  if (status == Success && actual_type != None && format == 8)
    text.emplace(reinterpret_cast<const char*>(data), count);
  if (data) x_.Free(data);
  if (text && type) *type = actual_type;
  return text;
}

std::vector<unsigned long> Connection::ItemProperty(Window w, Atom property, Atom type) {
  std::vector<unsigned long> items;
  if (property == None || lost_) return items;
  Atom actual_type = None;
  int format = 0;
  unsigned long count = 0, remaining = 0;
  unsigned char* data = nullptr;
  const int status = x_.GetWindowProperty(display_, w, property, 0, 4096, False, type, &actual_type, &format,
                                          &count, &remaining, &data);
  // Xlib hands 32-bit items over as longs, whatever the size of a long.
  if (status == Success && actual_type == type && format == 32) {
    const auto* longs = reinterpret_cast<const unsigned long*>(data);
    items.assign(longs, longs + count);
  }
  if (data) x_.Free(data);
  return items;
}

}  // namespace sysplat::x11
