#include "platform/x11/x11_windows.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>
#include <locale.h>
#include <unistd.h>
#include <wctype.h>

#include <algorithm>
#include <chrono>
#include <thread>

#include "platform/x11/x11_errors.h"

namespace rt::x11 {

namespace {

constexpr long kWmStateNormal = 1;
constexpr long kWmStateIconic = 3;
// A program is hung when it has not answered for this long, as Windows
// judges it.
constexpr int kHungMs = 5000;
// How deep below a window manager's frame the client may lie.
constexpr int kFrameDepth = 4;

Window W(WindowHandle handle) { return static_cast<Window>(handle); }
WindowHandle H(Window window) { return static_cast<WindowHandle>(window); }

}  // namespace

X11Windows::X11Windows(Display* display, long ownPid)
    : display_(display), ownPid_(ownPid), root_(DefaultRootWindow(display)) {}

Atom X11Windows::A(const char* name) { return XInternAtom(display_, name, False); }

std::vector<unsigned long> X11Windows::Cardinals(Window window, Atom property, Atom type) {
  std::vector<unsigned long> out;
  ErrorTrap trap(display_);
  Atom actual = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, window, property, 0, 1 << 16, False, type, &actual, &format, &items, &after, &data) ==
          Success &&
      data && format == 32) {
    // Xlib hands 32-bit items over as longs.
    auto* values = reinterpret_cast<unsigned long*>(data);
    out.assign(values, values + items);
  }
  if (data) XFree(data);
  return out;
}

std::vector<Atom> X11Windows::States(Window window) {
  std::vector<Atom> out;
  for (unsigned long a : Cardinals(window, A("_NET_WM_STATE"), XA_ATOM)) out.push_back(static_cast<Atom>(a));
  return out;
}

long X11Windows::WmState(Window window) {
  Atom wmState = A("WM_STATE");
  std::vector<unsigned long> v = Cardinals(window, wmState, wmState);
  return v.empty() ? -1 : static_cast<long>(v[0]);
}

bool X11Windows::HasWindowManager() {
  std::vector<unsigned long> check = Cardinals(root_, A("_NET_SUPPORTING_WM_CHECK"), XA_WINDOW);
  return !check.empty() && check[0] != 0 && Exists(H(static_cast<Window>(check[0])));
}

Window X11Windows::ClientOf(Window frame, int depth) {
  if (WmState(frame) >= 0) return frame;
  if (depth == 0) return 0;
  ErrorTrap trap(display_);
  Window rootReturn = 0, parent = 0, *children = nullptr;
  unsigned count = 0;
  Window found = 0;
  if (XQueryTree(display_, frame, &rootReturn, &parent, &children, &count)) {
    for (unsigned i = count; i-- > 0 && !found;) found = ClientOf(children[i], depth - 1);
  }
  if (children) XFree(children);
  return found;
}

std::vector<Window> X11Windows::Clients() {
  std::vector<Window> stack;
  std::vector<unsigned long> listed = Cardinals(root_, A("_NET_CLIENT_LIST_STACKING"), XA_WINDOW);
  if (!listed.empty()) {
    // Bottom to top in the list; topmost first here.
    for (auto it = listed.rbegin(); it != listed.rend(); ++it) stack.push_back(static_cast<Window>(*it));
  } else {
    ErrorTrap trap(display_);
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (XQueryTree(display_, root_, &rootReturn, &parent, &children, &count)) {
      for (unsigned i = count; i-- > 0;) {
        XWindowAttributes a;
        if (!XGetWindowAttributes(display_, children[i], &a) || a.override_redirect || a.c_class == InputOnly) continue;
        Window client = ClientOf(children[i], kFrameDepth);
        stack.push_back(client ? client : children[i]);
      }
    }
    if (children) XFree(children);
  }
  Atom type = A("_NET_WM_WINDOW_TYPE");
  Atom desktop = A("_NET_WM_WINDOW_TYPE_DESKTOP");
  Atom dock = A("_NET_WM_WINDOW_TYPE_DOCK");
  Atom pid = A("_NET_WM_PID");
  std::vector<Window> out;
  for (Window w : stack) {
    std::vector<unsigned long> types = Cardinals(w, type, XA_ATOM);
    if (std::find(types.begin(), types.end(), desktop) != types.end()) continue;
    if (std::find(types.begin(), types.end(), dock) != types.end()) continue;
    std::vector<unsigned long> p = Cardinals(w, pid, XA_CARDINAL);
    if (!p.empty() && static_cast<long>(p[0]) == ownPid_) continue;
    out.push_back(w);
  }
  return out;
}

WindowHandle X11Windows::Desktop() { return H(root_); }

WindowHandle X11Windows::FirstChild(WindowHandle window) {
  if (W(window) != root_) return 0;
  snapshot_ = Clients();
  return snapshot_.empty() ? 0 : H(snapshot_.front());
}

WindowHandle X11Windows::NextSibling(WindowHandle window) {
  auto it = std::find(snapshot_.begin(), snapshot_.end(), W(window));
  if (it == snapshot_.end() || it + 1 == snapshot_.end()) return 0;
  return H(*(it + 1));
}

WindowHandle X11Windows::Owner(WindowHandle window) {
  ErrorTrap trap(display_);
  Window owner = 0;
  if (window == 0 || W(window) == root_ || !XGetTransientForHint(display_, W(window), &owner)) return 0;
  return owner == root_ ? 0 : H(owner);
}

ustring X11Windows::Caption(WindowHandle window) {
  if (window == 0) return {};
  ErrorTrap trap(display_);
  Atom actual = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  ustring caption;
  if (XGetWindowProperty(display_, W(window), A("_NET_WM_NAME"), 0, 1 << 16, False, A("UTF8_STRING"), &actual, &format,
                         &items, &after, &data) == Success &&
      data && format == 8 && items > 0) {
    caption = FromUtf8(std::string_view(reinterpret_cast<char*>(data), items));
  }
  if (data) XFree(data);
  if (!caption.empty()) return caption;
  XTextProperty name{};
  if (XGetWMName(display_, W(window), &name) && name.value) {
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display_, &name, &list, &count) >= Success && list && count > 0) {
      caption = FromUtf8(list[0]);
    }
    if (list) XFreeStringList(list);
    XFree(name.value);
  }
  return caption;
}

ustring X11Windows::ClassName(WindowHandle window) {
  if (window == 0) return {};
  ErrorTrap trap(display_);
  XClassHint hint{};
  ustring name;
  if (XGetClassHint(display_, W(window), &hint)) {
    if (hint.res_class) name = FromUtf8(hint.res_class);
    if (hint.res_name) XFree(hint.res_name);
    if (hint.res_class) XFree(hint.res_class);
  }
  return name;
}

bool X11Windows::Visible(WindowHandle window) {
  if (window == 0) return false;
  if (W(window) == root_) return true;
  long state = WmState(W(window));
  if (state >= 0) return state == kWmStateNormal || state == kWmStateIconic;
  // No window manager has taken it on: shown is mapped.
  ErrorTrap trap(display_);
  XWindowAttributes a;
  return XGetWindowAttributes(display_, W(window), &a) && a.map_state == IsViewable;
}

WindowHandle X11Windows::LastActivePopup(WindowHandle window) {
  Atom modal = A("_NET_WM_STATE_MODAL");
  for (Window c : Clients()) {
    if (c == W(window) || Owner(H(c)) != window || !Visible(H(c))) continue;
    std::vector<Atom> states = States(c);
    if (std::find(states.begin(), states.end(), modal) != states.end()) return H(c);
  }
  return window;
}

bool X11Windows::Enabled(WindowHandle window) {
  if (!Exists(window)) return false;
  return LastActivePopup(window) == window;
}

bool X11Windows::Exists(WindowHandle window) {
  if (window == 0) return false;
  ErrorTrap trap(display_);
  XWindowAttributes a;
  return XGetWindowAttributes(display_, W(window), &a) != 0 && !trap.Failed();
}

PlacementRect X11Windows::Placement(WindowHandle window) {
  ErrorTrap trap(display_);
  XWindowAttributes a;
  if (window == 0 || !XGetWindowAttributes(display_, W(window), &a)) return {};
  int x = 0, y = 0;
  Window child = 0;
  XTranslateCoordinates(display_, W(window), root_, 0, 0, &x, &y, &child);
  // The frame the window manager draws around it counts, as on Windows.
  std::vector<unsigned long> extents = Cardinals(W(window), A("_NET_FRAME_EXTENTS"), XA_CARDINAL);
  long left = 0, right = 0, top = 0, bottom = 0;
  if (extents.size() == 4) {
    left = static_cast<long>(extents[0]);
    right = static_cast<long>(extents[1]);
    top = static_cast<long>(extents[2]);
    bottom = static_cast<long>(extents[3]);
  }
  // Measured from the work area's corner.
  std::vector<unsigned long> area = Cardinals(root_, A("_NET_WORKAREA"), XA_CARDINAL);
  long ox = area.size() >= 2 ? static_cast<long>(area[0]) : 0;
  long oy = area.size() >= 2 ? static_cast<long>(area[1]) : 0;
  PlacementRect r;
  r.left = static_cast<std::int32_t>(x - left - ox);
  r.top = static_cast<std::int32_t>(y - top - oy);
  r.right = static_cast<std::int32_t>(x + a.width + right - ox);
  r.bottom = static_cast<std::int32_t>(y + a.height + bottom - oy);
  return r;
}

bool X11Windows::EqualIgnoringCase(ustring_view a, ustring_view b) {
  if (a.size() != b.size()) return false;
  // Unit by unit through the upper-case table of a UTF-8 locale, whatever
  // locale the program runs in.
  static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    wint_t x = a[i], y = b[i];
    if (utf8) {
      x = towupper_l(x, utf8);
      y = towupper_l(y, utf8);
    } else {
      x = towupper(x);
      y = towupper(y);
    }
    if (x != y) return false;
  }
  return true;
}

bool X11Windows::IsMinimized(WindowHandle window) {
  std::vector<Atom> states = States(W(window));
  if (std::find(states.begin(), states.end(), A("_NET_WM_STATE_HIDDEN")) != states.end()) return true;
  return WmState(W(window)) == kWmStateIconic;
}

void X11Windows::Restore(WindowHandle window) {
  {
    ErrorTrap trap(display_);
    // Mapping an iconic client asks the window manager to show it again.
    XMapRaised(display_, W(window));
    XFlush(display_);
  }
  WaitUntil([&] { return !IsMinimized(window); }, 1000);
}

bool X11Windows::IsHung(WindowHandle window) {
  // Asked only when the window takes part in the ping protocol: it must
  // answer within the limit, having read everything before.
  Atom protocols = A("WM_PROTOCOLS");
  Atom ping = A("_NET_WM_PING");
  ErrorTrap trap(display_);
  Atom* list = nullptr;
  int count = 0;
  bool pings = false;
  if (XGetWMProtocols(display_, W(window), &list, &count)) {
    pings = std::find(list, list + count, ping) != list + count;
    XFree(list);
  }
  if (!pings || !HasWindowManager()) return false;
  // Replies come to the root window, with the structure mask (Qt) or the
  // substructure mask (GTK, Chromium): both are selected while waiting.
  XSelectInput(display_, root_, StructureNotifyMask | SubstructureNotifyMask);
  Time stamp = ServerTime();
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = W(window);
  event.xclient.message_type = protocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(ping);
  event.xclient.data.l[1] = static_cast<long>(stamp);
  event.xclient.data.l[2] = static_cast<long>(W(window));
  XSendEvent(display_, W(window), False, NoEventMask, &event);
  XFlush(display_);
  bool answered = WaitUntil(
      [&] {
        XEvent reply;
        while (XCheckTypedWindowEvent(display_, root_, ClientMessage, &reply)) {
          if (reply.xclient.message_type == protocols && static_cast<Atom>(reply.xclient.data.l[0]) == ping &&
              static_cast<Time>(reply.xclient.data.l[1]) == stamp) {
            return true;
          }
        }
        return false;
      },
      kHungMs);
  // The root's other notices, selected only for the wait, are dropped.
  XSelectInput(display_, root_, NoEventMask);
  XSync(display_, False);
  XEvent dropped;
  while (XCheckWindowEvent(display_, root_, StructureNotifyMask | SubstructureNotifyMask, &dropped)) {
  }
  while (XCheckTypedWindowEvent(display_, root_, ClientMessage, &dropped)) {
  }
  return !answered;
}

WindowHandle X11Windows::Foreground() {
  ErrorTrap trap(display_);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus == None || focus == PointerRoot) return 0;
  // The window manager names the active window; it counts once the input
  // focus has followed (keys go where the focus is). Without a window
  // manager, the top-level window that holds the focus.
  Window active = 0;
  if (HasWindowManager()) {
    std::vector<unsigned long> named = Cardinals(root_, A("_NET_ACTIVE_WINDOW"), XA_WINDOW);
    if (named.empty() || named[0] == 0) return 0;
    active = static_cast<Window>(named[0]);
  }
  for (int depth = 0; depth < 64 && focus != root_; ++depth) {
    if (active && focus == active) return H(active);
    Window rootReturn = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, focus, &rootReturn, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    if (!active && parent == root_) return H(focus);
    focus = parent;
  }
  return 0;
}

Time X11Windows::ServerTime() {
  if (!own_) {
    XSetWindowAttributes attributes{};
    own_ = XCreateWindow(display_, root_, -1, -1, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent, 0, &attributes);
    unsigned long pid = static_cast<unsigned long>(ownPid_);
    XChangeProperty(display_, own_, A("_NET_WM_PID"), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XSelectInput(display_, own_, PropertyChangeMask);
  }
  Atom stamp = A("STRUMLET_TIMESTAMP");
  XChangeProperty(display_, own_, stamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  XWindowEvent(display_, own_, PropertyChangeMask, &event);
  return event.xproperty.time;
}

bool X11Windows::SetForeground(WindowHandle window) {
  ErrorTrap trap(display_);
  if (!HasWindowManager()) {
    XMapRaised(display_, W(window));
    XSetInputFocus(display_, W(window), RevertToParent, CurrentTime);
    XFlush(display_);
    return !trap.Failed();
  }
  // A client message to the window manager about `about`.
  auto send = [&](Window about, Atom type, long l0, long l1, long l2) {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = about;
    event.xclient.message_type = type;
    event.xclient.format = 32;
    event.xclient.data.l[0] = l0;
    event.xclient.data.l[1] = l1;
    event.xclient.data.l[2] = l2;
    XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  };
  // First to the window's desktop, as a pager would.
  std::vector<unsigned long> desktop = Cardinals(W(window), A("_NET_WM_DESKTOP"), XA_CARDINAL);
  std::vector<unsigned long> current = Cardinals(root_, A("_NET_CURRENT_DESKTOP"), XA_CARDINAL);
  Time stamp = ServerTime();
  if (!desktop.empty() && desktop[0] != 0xFFFFFFFFul && (current.empty() || current[0] != desktop[0])) {
    send(root_, A("_NET_CURRENT_DESKTOP"), static_cast<long>(desktop[0]), static_cast<long>(stamp), 0);
  }
  // Source 2 (a pager: the user's own choice) with a real timestamp, which
  // window managers honour rather than take for focus stealing.
  send(W(window), A("_NET_ACTIVE_WINDOW"), 2, static_cast<long>(stamp), static_cast<long>(W(Foreground())));
  XFlush(display_);
  return !trap.Failed();
}

void X11Windows::BringToTop(WindowHandle window) {
  ErrorTrap trap(display_);
  XRaiseWindow(display_, W(window));
  XFlush(display_);
}

bool X11Windows::WaitUntil(const std::function<bool()>& done, int milliseconds) {
  auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
  for (;;) {
    if (done()) return true;
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(5));
  }
}

}  // namespace rt::x11
