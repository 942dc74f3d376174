// The window layer on an X display: window search, foreground window,
// restoring, raising and outer rectangles.
#include <X11/Xatom.h>

#include <algorithm>
#include <chrono>
#include <deque>
#include <thread>

#include "platform/system/windows.h"
#include "platform/system/x11_connection.h"

namespace sysplat {

namespace {

using x11::Connection;

static_assert(DesktopSession::kDisplayLost == x11::kDisplayLost);

constexpr long kIconicState = 3;  // WM_STATE value of a minimised window
constexpr auto kShowTimeout = std::chrono::seconds(2);

std::vector<Window> Children(Connection& c, Window w, Window* parent) {
  Window root = 0, up = 0, *kids = nullptr;
  unsigned count = 0;
  std::vector<Window> out;
  if (c.lost() || !c.x().QueryTree(c.display(), w, &root, &up, &kids, &count)) return out;
  out.assign(kids, kids + count);  // bottom of the stacking order first
  if (kids) c.x().Free(kids);
  if (parent) *parent = up;
  return out;
}

// The child of the root window that holds `w`: the window manager's frame
// around a client, or the window itself where nothing frames it.  0 when the
// window is gone.
Window TopLevelFrame(Connection& c, Window w) {
  for (int depth = 0; depth < 64 && w != 0; ++depth) {
    if (w == c.root()) return w;
    Window parent = 0;
    Children(c, w, &parent);
    if (parent == 0) return 0;
    if (parent == c.root()) return w;
    w = parent;
  }
  return 0;
}

bool IsClient(Connection& c, Window w) {
  const Atom wm_state = c.AtomOf("WM_STATE");
  return !c.ItemProperty(w, wm_state, wm_state).empty();
}

// The client window inside a top-level frame (the window carrying WM_STATE,
// searched breadth first a few levels down), or the frame itself.
Window ClientWindowOf(Connection& c, Window top) {
  std::deque<std::pair<Window, int>> queue{{top, 0}};
  while (!queue.empty()) {
    const auto [w, depth] = queue.front();
    queue.pop_front();
    if (IsClient(c, w)) return w;
    if (depth < 3)
      for (Window child : Children(c, w, nullptr)) queue.emplace_back(child, depth + 1);
  }
  return top;
}

std::string Latin1ToUtf8(std::string_view text) {
  std::string out;
  for (const char ch : text) {
    const auto b = static_cast<unsigned char>(ch);
    if (b < 0x80) {
      out += ch;
    } else {
      out += static_cast<char>(0xC0 | (b >> 6));
      out += static_cast<char>(0x80 | (b & 0x3F));
    }
  }
  return out;
}

// The title as UTF-8: _NET_WM_NAME, else WM_NAME (STRING is Latin-1;
// compound text without escape sequences is Latin-1 too).
std::optional<std::string> TitleOf(Connection& c, Window w) {
  const Atom utf8 = c.AtomOf("UTF8_STRING");
  Atom type = None;
  if (std::optional<std::string> name = c.TextProperty(w, c.AtomOf("_NET_WM_NAME"), &type);
      name && type == utf8)
    return name;
  std::optional<std::string> name = c.TextProperty(w, XA_WM_NAME, &type);
  if (!name || type == utf8) return name;
  if (type == XA_STRING || name->find('\x1b') == std::string::npos) return Latin1ToUtf8(*name);
  return name;
}

bool HasWindowManagerState(Connection& c, Atom property) {
  return !c.ItemProperty(c.root(), property, XA_WINDOW).empty();
}

// Asks the window manager to activate the window, as a pager does.
void SendActivate(Connection& c, Window w) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = w;
  event.xclient.message_type = c.AtomOf("_NET_ACTIVE_WINDOW", true);
  event.xclient.format = 32;
  event.xclient.data.l[0] = 2;  // source: a pager, which window managers obey
  event.xclient.data.l[1] = CurrentTime;
  c.x().SendEvent(c.display(), c.root(), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

bool IsMappedAndShown(Connection& c, Window w, bool* gone) {
  XWindowAttributes attributes;
  if (c.lost() || !c.x().GetWindowAttributes(c.display(), w, &attributes)) {
    *gone = true;
    return false;
  }
  return attributes.map_state == IsViewable;
}

// True once the frame around the window holds all of it: a window manager
// that animates the restore grows the frame from a small one first.
bool FrameHoldsWindow(Connection& c, Window w, Window frame) {
  XWindowAttributes inner, outer;
  int x = 0, y = 0;
  Window child = 0;
  if (c.lost() || !c.x().GetWindowAttributes(c.display(), w, &inner) ||
      !c.x().GetWindowAttributes(c.display(), frame, &outer) ||
      !c.x().TranslateCoordinates(c.display(), w, c.root(), 0, 0, &x, &y, &child))
    return false;
  return x >= outer.x && y >= outer.y && x + inner.width <= outer.x + outer.width &&
         y + inner.height <= outer.y + outer.height;
}

}  // namespace

// Shown: mapped and viewable; where a window manager runs, also no longer
// minimised and with its frame fully grown.
bool DesktopSession::WaitUntilShown(WindowHandle window) {
  Connection& c = *connection_;
  const bool managed = HasWindowManagerState(c, c.AtomOf("_NET_SUPPORTING_WM_CHECK"));
  const auto deadline = std::chrono::steady_clock::now() + kShowTimeout;
  for (;;) {
    bool gone = false;
    if (IsMappedAndShown(c, window, &gone) &&
        (!managed || (!IsIconic(window) && FrameHoldsWindow(c, window, TopLevelFrame(c, window)))))
      return true;
    if (gone || c.last_error() != 0 || std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

std::unique_ptr<DesktopSession> DesktopSession::Open() {
  std::unique_ptr<Connection> connection = Connection::Open();
  if (!connection) return nullptr;
  return std::unique_ptr<DesktopSession>(new DesktopSession(std::move(connection)));
}

DesktopSession::DesktopSession(std::unique_ptr<Connection> connection) : connection_(std::move(connection)) {}
DesktopSession::~DesktopSession() = default;

WindowHandle DesktopSession::FindWindow(std::string_view title) {
  Connection& c = *connection_;
  return c.IgnoringErrors([&]() -> WindowHandle {
    const std::vector<Window> tops = Children(c, c.root(), nullptr);
    for (auto it = tops.rbegin(); it != tops.rend(); ++it) {
      const Window client = ClientWindowOf(c, *it);
      if (const std::optional<std::string> name = TitleOf(c, client); name && TitlesMatch(*name, title))
        return client;
    }
    return 0;
  });
}

WindowHandle DesktopSession::DesktopWindow() { return connection_->root(); }

WindowHandle DesktopSession::ForegroundWindow() {
  Connection& c = *connection_;
  return c.IgnoringErrors([&]() -> WindowHandle {
    const std::vector<unsigned long> active =
        c.ItemProperty(c.root(), c.AtomOf("_NET_ACTIVE_WINDOW"), XA_WINDOW);
    if (!active.empty()) return active[0];  // None when the window manager has no active window
    Window focus = None;
    int revert = 0;
    if (c.lost()) return 0;
    c.x().GetInputFocus(c.display(), &focus, &revert);
    if (focus == None || focus == PointerRoot) return 0;
    if (focus == c.root()) return focus;
    const Window top = TopLevelFrame(c, focus);
    return top ? ClientWindowOf(c, top) : 0;
  });
}

bool DesktopSession::IsIconic(WindowHandle window) {
  Connection& c = *connection_;
  const Atom wm_state = c.AtomOf("WM_STATE");
  if (const std::vector<unsigned long> state = c.ItemProperty(window, wm_state, wm_state);
      !state.empty() && state[0] == kIconicState)
    return true;
  const Atom hidden = c.AtomOf("_NET_WM_STATE_HIDDEN");
  const std::vector<unsigned long> states = c.ItemProperty(window, c.AtomOf("_NET_WM_STATE"), XA_ATOM);
  return hidden != None && std::find(states.begin(), states.end(), hidden) != states.end();
}

bool DesktopSession::OpenIcon(WindowHandle window) {
  Connection& c = *connection_;
  if (c.lost()) return false;
  // Mapping an iconic window asks for its normal state; the window manager,
  // where there is one, de-iconifies and activates it.
  c.x().MapRaised(c.display(), window);
  SendActivate(c, window);
  if (!WaitUntilShown(window)) return false;
  return SetForegroundWindow(window);
}

bool DesktopSession::SetForegroundWindow(WindowHandle window) {
  Connection& c = *connection_;
  const Window frame = TopLevelFrame(c, window);
  if (!frame || c.lost()) return false;
  c.x().RaiseWindow(c.display(), frame);
  if (HasWindowManagerState(c, c.AtomOf("_NET_SUPPORTING_WM_CHECK"))) {
    SendActivate(c, window);
  } else {
    bool gone = false;
    if (IsMappedAndShown(c, window, &gone))
      c.x().SetInputFocus(c.display(), window, RevertToParent, CurrentTime);
  }
  c.Sync();
  return c.last_error() == 0;
}

std::optional<ScreenRect> DesktopSession::GetWindowRect(WindowHandle window) {
  Connection& c = *connection_;
  const Window frame = TopLevelFrame(c, window);
  XWindowAttributes a;
  if (!frame || c.lost() || !c.x().GetWindowAttributes(c.display(), frame, &a)) return std::nullopt;
  if (frame == c.root()) return ScreenRect{0, 0, a.width, a.height};
  const int outer_w = a.width + 2 * a.border_width, outer_h = a.height + 2 * a.border_width;
  return ScreenRect{a.x, a.y, a.x + outer_w, a.y + outer_h};
}

uint32_t DesktopSession::GetLastError() {
  connection_->Sync();
  return connection_->last_error();
}

}  // namespace sysplat
