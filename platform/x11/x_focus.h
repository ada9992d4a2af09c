// Where typed keys go on X11: the client window that holds the X input focus
// (the top-level window with WM_STATE that contains the focus window; the
// root's child without a window manager) and its program (_NET_WM_PID).
// Looked up again only when the focus window changes; the clients looked at
// are watched (StructureNotify), so that their end is seen without asking
// the server each time.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
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

// Whether the keys still go where a piece began, for the waits inside the
// keyboard: the typer's rule (SameTarget, and a grace of kFocusGraceMs for
// a focus that is elsewhere), looked at every few milliseconds.
class FocusHold {
 public:
  explicit FocusHold(FocusTracker& tracker) : tracker_(tracker) {}
  void Begin(const KeyFocus& start);
  const KeyFocus& Start() const { return start_; }
  // False once the keys can no longer go there.
  bool StaysPut(std::uint64_t nowMs);

 private:
  FocusTracker& tracker_;
  KeyFocus start_;
  std::uint64_t awaySince_ = 0;
  std::uint64_t lastCheck_ = 0;
};

}  // namespace rt::x11
