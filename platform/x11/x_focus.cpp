#include "platform/x11/x_focus.h"

#include <X11/Xatom.h>
#include <X11/Xutil.h>

#include <algorithm>

#include "platform/x11/x11_errors.h"

namespace rt::x11 {

namespace {

bool HasProperty(Display* display, Window window, Atom property) {
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  bool has = XGetWindowProperty(display, window, property, 0, 0, False, AnyPropertyType, &type, &format, &items, &after,
                                &data) == Success &&
             type != None;
  if (data) XFree(data);
  return has;
}

}  // namespace

FocusTracker::FocusTracker(Display* display)
    : display_(display),
      root_(DefaultRootWindow(display)),
      wmState_(XInternAtom(display, "WM_STATE", False)),
      netWmPid_(XInternAtom(display, "_NET_WM_PID", False)),
      netWmPing_(XInternAtom(display, "_NET_WM_PING", False)) {}

Window FocusTracker::ClientOf(Window focus) {
  Window top = 0;
  for (Window w = focus; w && w != root_;) {
    if (HasProperty(display_, w, wmState_)) return w;
    top = w;
    Window r = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, w, &r, &parent, &children, &count)) return 0;
    if (children) XFree(children);
    w = parent;
  }
  return top;
}

void FocusTracker::Watch(Window client) {
  if (watched_.count(client)) return;
  XSelectInput(display_, client, StructureNotifyMask);
  watched_.insert(client);
}

void FocusTracker::Lookup(Window focus) {
  ErrorTrap trap(display_);
  result_ = {};
  pings_ = false;
  Window client = focus == PointerRoot || focus == None ? 0 : ClientOf(focus);
  if (client) {
    Watch(client);
    result_.window = static_cast<WindowHandle>(client);
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    if (XGetWindowProperty(display_, client, netWmPid_, 0, 1, False, XA_CARDINAL, &type, &format, &items, &after,
                           &data) == Success &&
        data && format == 32 && items == 1) {
      result_.program = static_cast<std::uint64_t>(*reinterpret_cast<unsigned long*>(data));
    }
    if (data) XFree(data);
    Atom* protocols = nullptr;
    int n = 0;
    if (XGetWMProtocols(display_, client, &protocols, &n)) {
      pings_ = std::find(protocols, protocols + n, netWmPing_) != protocols + n;
      XFree(protocols);
    }
  }
  // A window that went away while we looked is nowhere.
  // (Exists asks the server again about the client, and the next look
  // starts afresh.)
  bool failed = trap.Failed();
  if (failed) {
    watched_.erase(client);
    result_ = {};
  }
  lastFocus_ = focus;
  looked_ = !failed;
}

KeyFocus FocusTracker::Focus() {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (!looked_ || focus != lastFocus_ || destroyed_.count(static_cast<Window>(result_.window))) Lookup(focus);
  return result_;
}

bool FocusTracker::Exists(Window window) {
  if (window == 0 || destroyed_.count(window)) return false;
  if (watched_.count(window)) return true;
  // Watched first, then looked at: a window that goes after this is seen
  // going.
  ErrorTrap trap(display_);
  Watch(window);
  XWindowAttributes attributes;
  bool exists = XGetWindowAttributes(display_, window, &attributes) != 0;
  if (trap.Failed() || !exists) {
    watched_.erase(window);
    destroyed_.insert(window);
    return false;
  }
  return true;
}

void FocusTracker::OnEvent(const XEvent& event) {
  if (event.type == DestroyNotify && watched_.count(event.xdestroywindow.window)) {
    destroyed_.insert(event.xdestroywindow.window);
    watched_.erase(event.xdestroywindow.window);
  }
}

void FocusHold::Begin(const KeyFocus& start) {
  start_ = start;
  awaySince_ = 0;
  lastCheck_ = 0;
}

bool FocusHold::StaysPut(std::uint64_t nowMs) {
  if (lastCheck_ && nowMs - lastCheck_ < 10) return true;
  lastCheck_ = nowMs;
  bool exists = tracker_.Exists(static_cast<Window>(start_.window));
  if (SameTarget(start_, tracker_.Focus(), exists)) {
    awaySince_ = 0;
    return true;
  }
  if (!awaySince_) awaySince_ = nowMs;
  return exists && nowMs - awaySince_ < kFocusGraceMs;
}

}  // namespace rt::x11
