// A small X client for the desktop tests: it opens windows with known titles,
// places and colours, and reads the screen back with Xlib's own routines, so
// that the tests compare the component against an independent reader.
//
//   x_client window [--title T] [--wm-name-only] [--geometry WxH+X+Y]
//                   [--colour RRGGBB] [--border N] [--focus] [--iconic]
//                   [--vanish-on-restore] [--wait-active]
//       Shows the window, prints "ready <id> <x> <y> <w> <h> <left> <right>
//       <top> <bottom>" (the client area in root coordinates and the frame
//       extents the window manager announces) and runs until stdin closes.
//       The geometry's X and Y may be negative (off the screen's top left).
//       --focus gives it the input focus; --iconic starts it minimised;
//       --wait-active waits until the window manager has made it the active
//       window; --vanish-on-restore (no window manager running) destroys the
//       window as soon as another client maps it.
//   x_client dump-root FILE          the root window as a binary PPM
//   x_client dump-root-pixmap FILE   the _XROOTPMAP_ID pixmap as a binary PPM;
//                                    prints both root pixmap property values
//   x_client wait-wm                 waits for an EWMH window manager
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <poll.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <map>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
  std::string title = "Zelnor test window";
  bool wm_name_only = false, focus = false, iconic = false, vanish = false, wait_active = false;
  int width = 80, height = 60, x = 10, y = 10, border = 0;
  unsigned long colour = 0xFF0000;
};

// Errors (a window that went away) must not end the client.
int IgnoreError(Display*, XErrorEvent*) { return 0; }

Display* OpenOrDie() {
  Display* d = XOpenDisplay(nullptr);
  if (!d) {
    std::fprintf(stderr, "x_client: cannot open display\n");
    std::exit(2);
  }
  XSetErrorHandler(IgnoreError);
  return d;
}

Atom A(Display* d, const char* name) { return XInternAtom(d, name, False); }

std::vector<long> Longs(Display* d, Window w, const char* name, Atom type) {
  Atom actual;
  int format;
  unsigned long n, rest;
  unsigned char* data = nullptr;
  std::vector<long> out;
  if (XGetWindowProperty(d, w, A(d, name), 0, 64, False, type, &actual, &format, &n, &rest, &data) ==
          Success &&
      actual == type && format == 32)
    out.assign(reinterpret_cast<long*>(data), reinterpret_cast<long*>(data) + n);
  if (data) XFree(data);
  return out;
}

bool WaitFor(const std::function<bool()>& done, int ms = 10000) {
  for (int t = 0; t < ms; t += 5) {
    if (done()) return true;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
  return false;
}

void SetTitles(Display* d, Window w, const Options& o) {
  // WM_NAME as Latin-1 (STRING): the UTF-8 argument's code points below 256.
  std::string latin1;
  for (size_t i = 0; i < o.title.size(); ++i) {
    const auto b = static_cast<unsigned char>(o.title[i]);
    if (b < 0x80)
      latin1 += static_cast<char>(b);
    else if ((b & 0xE0) == 0xC0 && i + 1 < o.title.size())
      latin1 += static_cast<char>(((b & 0x1F) << 6) | (o.title[++i] & 0x3F));
    else
      latin1 += '?';
  }
  XChangeProperty(d, w, XA_WM_NAME, XA_STRING, 8, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(latin1.data()), static_cast<int>(latin1.size()));
  if (!o.wm_name_only)
    XChangeProperty(d, w, A(d, "_NET_WM_NAME"), A(d, "UTF8_STRING"), 8, PropModeReplace,
                    reinterpret_cast<const unsigned char*>(o.title.data()), static_cast<int>(o.title.size()));
}

void SetHints(Display* d, Window w, const Options& o) {
  XSizeHints size{};
  size.flags = USPosition | USSize;
  size.x = o.x;
  size.y = o.y;
  size.width = o.width;
  size.height = o.height;
  XSetWMNormalHints(d, w, &size);
  XWMHints hints{};
  hints.flags = StateHint | InputHint;
  hints.initial_state = o.iconic ? IconicState : NormalState;
  hints.input = True;
  XSetWMHints(d, w, &hints);
}

bool HasWindowManager(Display* d) {
  return !Longs(d, DefaultRootWindow(d), "_NET_SUPPORTING_WM_CHECK", XA_WINDOW).empty();
}

// Without a window manager a minimised window is simply unmapped and says so
// in the properties a window manager would set.
void MarkIconic(Display* d, Window w) {
  const long state[2] = {IconicState, 0};
  XChangeProperty(d, w, A(d, "WM_STATE"), A(d, "WM_STATE"), 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(state), 2);
  const long hidden = static_cast<long>(A(d, "_NET_WM_STATE_HIDDEN"));
  XChangeProperty(d, w, A(d, "_NET_WM_STATE"), XA_ATOM, 32, PropModeReplace,
                  reinterpret_cast<const unsigned char*>(&hidden), 1);
}

// Some window managers miss the wake-up for requests that arrive while they
// are still starting (openbox leaves the first map request queued until the
// next event).  A property change on the root window is such an event.
void NudgeWindowManager(Display* d, int tick) {
  if (tick % 40 != 39) return;
  const unsigned char byte = 0;
  XChangeProperty(d, DefaultRootWindow(d), A(d, "_ZELNOR_TEST_NUDGE"), XA_STRING, 8, PropModeReplace, &byte,
                  1);
  XFlush(d);
}

void Show(Display* d, Window w, const Options& o, bool wm) {
  int tick = 0;
  if (o.iconic && !wm) {
    MarkIconic(d, w);
    XSync(d, False);
    return;
  }
  XMapWindow(d, w);
  XSync(d, False);
  if (o.iconic) {
    WaitFor([&] {
      NudgeWindowManager(d, tick++);
      const std::vector<long> s = Longs(d, w, "WM_STATE", A(d, "WM_STATE"));
      return !s.empty() && s[0] == IconicState;
    });
    return;
  }
  WaitFor([&] {
    if (wm) NudgeWindowManager(d, tick++);
    XWindowAttributes a;
    return XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable &&
           (!wm || !Longs(d, w, "_NET_FRAME_EXTENTS", XA_CARDINAL).empty());
  });
  if (o.focus) XSetInputFocus(d, w, RevertToParent, CurrentTime);
  if (o.wait_active)
    WaitFor([&] {
      NudgeWindowManager(d, tick++);
      const std::vector<long> active = Longs(d, DefaultRootWindow(d), "_NET_ACTIVE_WINDOW", XA_WINDOW);
      return !active.empty() && static_cast<Window>(active[0]) == w;
    });
  XSync(d, False);
}

void RunUntilStdinCloses(Display* d, Window w, bool vanish) {
  pollfd fds[2] = {{0, POLLIN, 0}, {ConnectionNumber(d), POLLIN, 0}};
  for (;;) {
    while (XPending(d)) {
      XEvent e;
      XNextEvent(d, &e);
      if (vanish && e.type == MapRequest && e.xmaprequest.window == w) {
        XDestroyWindow(d, w);
        XSync(d, False);
        std::printf("vanished\n");
        std::fflush(stdout);
      }
    }
    if (poll(fds, 2, -1) < 0) continue;
    if (fds[0].revents) {
      char buffer[64];
      if (read(0, buffer, sizeof buffer) <= 0) return;
    }
  }
}

int RunWindow(const Options& o) {
  Display* d = OpenOrDie();
  const Window root = DefaultRootWindow(d);
  const bool wm = HasWindowManager(d);
  XColor colour{};
  colour.red = static_cast<unsigned short>(((o.colour >> 16) & 0xFF) * 257);
  colour.green = static_cast<unsigned short>(((o.colour >> 8) & 0xFF) * 257);
  colour.blue = static_cast<unsigned short>((o.colour & 0xFF) * 257);
  XAllocColor(d, DefaultColormap(d, DefaultScreen(d)), &colour);
  if (o.vanish) XSelectInput(d, root, SubstructureRedirectMask);
  const Window w =
      XCreateSimpleWindow(d, root, o.x, o.y, static_cast<unsigned>(o.width), static_cast<unsigned>(o.height),
                          static_cast<unsigned>(o.border), BlackPixel(d, DefaultScreen(d)), colour.pixel);
  SetTitles(d, w, o);
  SetHints(d, w, o);
  Show(d, w, o, wm);
  int x = 0, y = 0;
  Window child;
  XTranslateCoordinates(d, w, root, 0, 0, &x, &y, &child);
  std::vector<long> extents = Longs(d, w, "_NET_FRAME_EXTENTS", XA_CARDINAL);
  extents.resize(4, 0);
  std::printf("ready 0x%lx %d %d %d %d %ld %ld %ld %ld\n", w, x, y, o.width, o.height, extents[0], extents[1],
              extents[2], extents[3]);
  std::fflush(stdout);
  RunUntilStdinCloses(d, w, o.vanish);
  XCloseDisplay(d);
  return 0;
}

// Any drawable as a binary PPM, read with XGetPixel and the colour map.
int DumpDrawable(Display* d, Drawable drawable, const char* path) {
  Window root;
  int x, y;
  unsigned w, h, border, depth;
  if (!XGetGeometry(d, drawable, &root, &x, &y, &w, &h, &border, &depth)) return 1;
  XImage* image = XGetImage(d, drawable, 0, 0, w, h, AllPlanes, ZPixmap);
  if (!image) return 1;
  std::vector<unsigned long> pixels;
  std::map<unsigned long, XColor> colours;
  for (unsigned row = 0; row < h; ++row)
    for (unsigned col = 0; col < w; ++col) {
      pixels.push_back(XGetPixel(image, static_cast<int>(col), static_cast<int>(row)));
      colours[pixels.back()].pixel = pixels.back();
    }
  XDestroyImage(image);
  std::vector<XColor> query;
  for (const auto& entry : colours) query.push_back(entry.second);
  XQueryColors(d, DefaultColormap(d, DefaultScreen(d)), query.data(), static_cast<int>(query.size()));
  for (const XColor& c : query) colours[c.pixel] = c;
  FILE* f = std::fopen(path, "wb");
  if (!f) return 1;
  std::fprintf(f, "P6\n%u %u\n255\n", w, h);
  for (const unsigned long p : pixels) {
    const XColor& c = colours[p];
    const unsigned char rgb[3] = {static_cast<unsigned char>(c.red >> 8),
                                  static_cast<unsigned char>(c.green >> 8),
                                  static_cast<unsigned char>(c.blue >> 8)};
    std::fwrite(rgb, 1, 3, f);
  }
  std::fclose(f);
  return 0;
}

int DumpRootPixmap(const char* path) {
  Display* d = OpenOrDie();
  const Window root = DefaultRootWindow(d);
  const std::vector<long> x = Longs(d, root, "_XROOTPMAP_ID", XA_PIXMAP);
  const std::vector<long> e = Longs(d, root, "ESETROOT_PMAP_ID", XA_PIXMAP);
  std::printf("0x%lx 0x%lx\n", x.empty() ? 0 : x[0], e.empty() ? 0 : e[0]);
  const int status = x.empty() ? 1 : DumpDrawable(d, static_cast<Drawable>(x[0]), path);
  XCloseDisplay(d);
  return status;
}

Options ParseWindowOptions(int argc, char** argv) {
  Options o;
  for (int i = 2; i < argc; ++i) {
    const std::string a = argv[i];
    auto next = [&] { return i + 1 < argc ? std::string(argv[++i]) : std::string(); };
    if (a == "--title")
      o.title = next();
    else if (a == "--wm-name-only")
      o.wm_name_only = true;
    else if (a == "--geometry")
      std::sscanf(next().c_str(), "%dx%d%d%d", &o.width, &o.height, &o.x, &o.y);
    else if (a == "--colour")
      o.colour = std::strtoul(next().c_str(), nullptr, 16);
    else if (a == "--border")
      o.border = std::atoi(next().c_str());
    else if (a == "--focus")
      o.focus = true;
    else if (a == "--iconic")
      o.iconic = true;
    else if (a == "--vanish-on-restore")
      o.vanish = true;
    else if (a == "--wait-active")
      o.wait_active = true;
  }
  return o;
}

}  // namespace

int main(int argc, char** argv) {
  const std::string mode = argc > 1 ? argv[1] : "";
  if (mode == "window") return RunWindow(ParseWindowOptions(argc, argv));
  if (mode == "dump-root" && argc > 2) {
    Display* d = OpenOrDie();
    const int status = DumpDrawable(d, DefaultRootWindow(d), argv[2]);
    XCloseDisplay(d);
    return status;
  }
  if (mode == "dump-root-pixmap" && argc > 2) return DumpRootPixmap(argv[2]);
  if (mode == "wait-wm") {
    Display* d = OpenOrDie();
    const bool found = WaitFor([&] { return HasWindowManager(d); }, 10000);
    XCloseDisplay(d);
    return found ? 0 : 1;
  }
  std::fprintf(stderr, "usage: x_client window|dump-root|dump-root-pixmap|wait-wm ...\n");
  return 2;
}
