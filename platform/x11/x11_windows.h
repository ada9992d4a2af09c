// The desktop's windows on X11, in the program's terms, on a Display
// connection of the caller's (never the toolkit's): the window queries
// (x11_windows.cpp) and the activation (x11_activation.cpp).
//
// The tree: the desktop is the root window; its children are the client
// windows of the applications (the client list of x11_window_facts.h),
// topmost first. A client window's own subwindows are not listed: they are
// the toolkit's, not separate windows a user would name.
//
// Visible: the client is in its normal or iconic (minimised) state, not
// withdrawn; with no window manager, mapped. Enabled: no modal window is
// open for it (a shown window with _NET_WM_STATE_MODAL, transient for it).
// Owner: the window it is transient for. Caption: _NET_WM_NAME (UTF-8), else
// WM_NAME. Class: the class part of WM_CLASS.
//
// A walk reads the desktop once: FirstChild(desktop) reads the client list
// and every client's facts in one batch, and the queries about those
// clients are answered from that reading until the walk has stepped past
// the last one (or, should a walk be left half way, for a short while).
// Outside a walk every query reads afresh.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <optional>
#include <unordered_map>

#include "platform/activation.h"
#include "platform/x11/x11_window_facts.h"

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
  std::uint64_t SettleMs() override { return 2000; }
  void BringToTop(WindowHandle window) override;
  Clock& Time() override;

  // Whether a window manager runs (_NET_SUPPORTING_WM_CHECK names a live
  // window).
  bool HasWindowManager();

 private:
  // The facts of a window: from the walk's reading while it lasts, else
  // read now.
  const WindowFacts& Facts(Window window);
  // The reading of the walk under way, or null.
  const DesktopFacts* Walking();
  // For each client waiting on a modal window (a shown one with
  // _NET_WM_STATE_MODAL, transient for it), the topmost such window.
  std::unordered_map<Window, Window> ModalPopups(const DesktopFacts& desktop) const;
  bool VisibleFacts(const WindowFacts& facts) const;
  // A server timestamp (X's ::Time, not the clock Time()), from a
  // property change on a window of our own.
  ::Time ServerTime();
  // Asks the window manager, by a client message on the root, to act on
  // `about`.
  void SendToWindowManager(Window about, Atom type, long l0, long l1, long l2);

  Display* display_;
  long ownPid_;
  Window root_;
  WindowReader reader_;
  Window own_ = 0;
  std::optional<DesktopFacts> walk_;
  std::unordered_map<Window, Window> walkModal_;  // ModalPopups of walk_
  std::uint64_t walkTaken_ = 0;  // by Time()
  WindowFacts fresh_;  // the last window read outside a walk
};

}  // namespace rt::x11
