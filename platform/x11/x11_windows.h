// The desktop's windows on X11, in the program's terms, on a Display
// connection of the caller's (never the toolkit's).
//
// The tree: the desktop is the root window; its children are the client
// windows of the applications (under a reparenting window manager the
// root's children are frames; the client is the frame's descendant with
// WM_STATE), topmost first by _NET_CLIENT_LIST_STACKING, or the root's
// children when no window manager keeps that list. Desktop and dock windows
// (the background and the panels) and the program's own windows are left
// out. A client window's own subwindows are not listed: they are the
// toolkit's, not separate windows a user would name.
//
// Visible: the client is in its normal or iconic (minimised) state, not
// withdrawn. Enabled: no modal window is open for it (a mapped window with
// _NET_WM_STATE_MODAL, transient for it). Owner: the window it is transient
// for. Caption: _NET_WM_NAME (UTF-8), else WM_NAME. Class: the class part of
// WM_CLASS.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "platform/activation.h"

namespace rt::x11 {

class X11Windows : public WindowActivation {
 public:
  // `ownPid`: windows of this process (by _NET_WM_PID) are left out.
  X11Windows(Display* display, long ownPid);

  WindowHandle Desktop() override;
  WindowHandle FirstChild(WindowHandle window) override;
  WindowHandle NextSibling(WindowHandle window) override;
  WindowHandle Owner(WindowHandle window) override;
  ustring Caption(WindowHandle window) override;
  ustring ClassName(WindowHandle window) override;
  bool Visible(WindowHandle window) override;
  bool Enabled(WindowHandle window) override;
  bool Exists(WindowHandle window) override;
  PlacementRect Placement(WindowHandle window) override;

  bool EqualIgnoringCase(ustring_view a, ustring_view b) override;
  WindowHandle LastActivePopup(WindowHandle window) override;
  bool IsMinimized(WindowHandle window) override;
  void Restore(WindowHandle window) override;
  bool IsHung(WindowHandle window) override;
  WindowHandle Foreground() override;
  bool SetForeground(WindowHandle window) override;
  // The window manager acts on the request, and then the client may take
  // the focus itself (WM_TAKE_FOCUS): two programs that each run when they
  // are next scheduled, seconds apart on a loaded machine.
  int SettleMs() override { return 2000; }
  void BringToTop(WindowHandle window) override;
  bool WaitUntil(const std::function<bool()>& done, int milliseconds) override;

  // Whether a window manager runs (_NET_SUPPORTING_WM_CHECK names a live
  // window).
  bool HasWindowManager();

 private:
  Atom A(const char* name);
  std::vector<unsigned long> Cardinals(Window window, Atom property, Atom type);
  std::vector<Atom> States(Window window);
  long WmState(Window window);
  std::vector<Window> Clients();
  Window ClientOf(Window frame, int depth);
  // A server timestamp, from a property change on a window of our own.
  Time ServerTime();

  Display* display_;
  long ownPid_;
  Window root_;
  Window own_ = 0;
  // The list FirstChild(desktop) took, which NextSibling walks.
  std::vector<Window> snapshot_;
};

}  // namespace rt::x11
