// Activation on X11: what the window manager is asked, the ping that tells
// a hung program, and the focus that tells whether it worked. These always
// read the server afresh, never a walk's reading.
#include <X11/Xatom.h>
#include <locale.h>
#include <wctype.h>

#include <algorithm>

#include "platform/x11/x11_errors.h"
#include "platform/x11/x11_windows.h"

namespace rt::x11 {

namespace {

constexpr long kWmStateIconic = 3;
// A program is hung when it has not answered for this long, as Windows
// judges it.
constexpr int kHungMs = 5000;

Window W(WindowHandle handle) { return static_cast<Window>(handle); }
WindowHandle H(Window window) { return static_cast<WindowHandle>(window); }

}  // namespace

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
  if (window == 0) return false;
  WindowFacts f = reader_.Read({W(window)}).front();
  return f.HasState(reader_.Names().netWmStateHidden) || f.wmState == kWmStateIconic;
}

void X11Windows::Restore(WindowHandle window) {
  {
    ErrorTrap trap(display_);
    // Mapping an iconic client asks the window manager to show it again.
    XMapRaised(display_, W(window));
    XFlush(display_);
  }
  WaitUntil(Time(), [&] { return !IsMinimized(window); }, 1000);
}

bool X11Windows::IsHung(WindowHandle window) {
  // Asked only when the window takes part in the ping protocol: it must
  // answer within the limit, having read everything before.
  const Atoms& names = reader_.Names();
  ErrorTrap trap(display_);
  Atom* list = nullptr;
  int count = 0;
  bool pings = false;
  if (XGetWMProtocols(display_, W(window), &list, &count)) {
    pings = std::find(list, list + count, names.netWmPing) != list + count;
    XFree(list);
  }
  if (!pings || !HasWindowManager()) return false;
  // Replies come to the root window, with the structure mask (Qt) or the
  // substructure mask (GTK, Chromium): both are selected while waiting.
  XSelectInput(display_, root_, StructureNotifyMask | SubstructureNotifyMask);
  ::Time stamp = ServerTime();
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = W(window);
  event.xclient.message_type = names.wmProtocols;
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(names.netWmPing);
  event.xclient.data.l[1] = static_cast<long>(stamp);
  event.xclient.data.l[2] = static_cast<long>(W(window));
  XSendEvent(display_, W(window), False, NoEventMask, &event);
  XFlush(display_);
  bool answered = WaitUntil(
      Time(),
      [&] {
        XEvent reply;
        while (XCheckTypedWindowEvent(display_, root_, ClientMessage, &reply)) {
          if (reply.xclient.message_type == names.wmProtocols &&
              static_cast<Atom>(reply.xclient.data.l[0]) == names.netWmPing &&
              static_cast<::Time>(reply.xclient.data.l[1]) == stamp) {
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
    std::vector<unsigned long> named = reader_.Cardinals(root_, reader_.Names().netActiveWindow, XA_WINDOW);
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

::Time X11Windows::ServerTime() {
  if (!own_) {
    XSetWindowAttributes attributes{};
    own_ = XCreateWindow(display_, root_, -1, -1, 1, 1, 0, CopyFromParent, InputOnly, CopyFromParent, 0, &attributes);
    unsigned long pid = static_cast<unsigned long>(ownPid_);
    XChangeProperty(display_, own_, reader_.Names().netWmPid, XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XSelectInput(display_, own_, PropertyChangeMask);
  }
  XChangeProperty(display_, own_, reader_.Names().timestamp, XA_STRING, 8, PropModeAppend, nullptr, 0);
  XEvent event;
  XWindowEvent(display_, own_, PropertyChangeMask, &event);
  return event.xproperty.time;
}

void X11Windows::SendToWindowManager(Window about, Atom type, long l0, long l1, long l2) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = about;
  event.xclient.message_type = type;
  event.xclient.format = 32;
  event.xclient.data.l[0] = l0;
  event.xclient.data.l[1] = l1;
  event.xclient.data.l[2] = l2;
  XSendEvent(display_, root_, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
}

bool X11Windows::SetForeground(WindowHandle window) {
  ErrorTrap trap(display_);
  const Atoms& names = reader_.Names();
  if (!HasWindowManager()) {
    XMapRaised(display_, W(window));
    XSetInputFocus(display_, W(window), RevertToParent, CurrentTime);
    XFlush(display_);
    return !trap.Failed();
  }
  // First to the window's desktop, as a pager would.
  std::vector<unsigned long> desktop = reader_.Cardinals(W(window), names.netWmDesktop, XA_CARDINAL);
  std::vector<unsigned long> current = reader_.Cardinals(root_, names.netCurrentDesktop, XA_CARDINAL);
  ::Time stamp = ServerTime();
  if (!desktop.empty() && desktop[0] != 0xFFFFFFFFul && (current.empty() || current[0] != desktop[0])) {
    SendToWindowManager(root_, names.netCurrentDesktop, static_cast<long>(desktop[0]), static_cast<long>(stamp), 0);
  }
  // Source 2 (a pager: the user's own choice) with a real timestamp, which
  // window managers honour rather than take for focus stealing.
  SendToWindowManager(W(window), names.netActiveWindow, 2, static_cast<long>(stamp), static_cast<long>(W(Foreground())));
  XFlush(display_);
  return !trap.Failed();
}

void X11Windows::BringToTop(WindowHandle window) {
  ErrorTrap trap(display_);
  XRaiseWindow(display_, W(window));
  XFlush(display_);
}

}  // namespace rt::x11
