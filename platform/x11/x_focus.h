// Where typed keys go on X11: the client window that holds the X input focus
// (the top-level window with WM_STATE that contains the focus window; the
// root's child without a window manager) and its program (_NET_WM_PID).
// Looked up again only when the focus window changes; the clients looked at
// are watched (StructureNotify), so that their end is seen without asking
// the server each time.
#pragma once

#include <X11/Xlib.h>

#include <set>

#include "platform/key_typer.h"

namespace rt::x11 {

class FocusTracker {
 public:
  explicit FocusTracker(Display* display);

  // Where the keys go now ({0, 0} for nowhere: no focus, or the root).
  // The caller has read the pending events first (OnEvent).
  KeyFocus Focus();
  // Whether the client window still exists.
  bool Exists(Window window);
  // The client the focus was in at the last Focus(), when it lists
  // _NET_WM_PING (0 otherwise).
  Window PingClient() const { return pings_ ? static_cast<Window>(result_.window) : 0; }
  // A DestroyNotify of a watched client.
  void OnEvent(const XEvent& event);

 private:
  void Lookup(Window focus);
  Window ClientOf(Window focus);
  void Watch(Window client);

  Display* display_;
  Window root_;
  Atom wmState_, netWmPid_, netWmPing_;
  Window lastFocus_ = 0;
  bool looked_ = false;
  KeyFocus result_;
  bool pings_ = false;
  std::set<Window> watched_, destroyed_;
};

}  // namespace rt::x11
