// Bringing a top-level window to the foreground by its caption.
//
// Matching: a caption equal to a visible top-level window's whole title,
// ignoring case, finds it; otherwise the first window whose title begins with
// the caption. Among several, the topmost wins.
//
// Activation restores a minimised target, gives way to the modal dialog of a
// disabled one, never waits on a hung one, asks the system for the
// foreground (which goes round its own restrictions on who may change it),
// and checks with the foreground window that it really happened, waiting up
// to SettleMs for it.
#pragma once

#include <vector>

#include "platform/clock.h"
#include "platform/system.h"
#include "platform/text.h"

namespace rt {

// What activation needs beyond the window queries. Like them, none of these
// waits on the program that owns a window. Activation waits for the system
// to act by polling on the clock (platform/clock.h).
class WindowActivation : public WindowQueries {
 public:
  // Case-insensitive equality of two texts as the system compares window
  // titles (on Windows, unit by unit through its upper-case table).
  virtual bool EqualIgnoringCase(ustring_view a, ustring_view b) = 0;
  // Of the windows a window owns, the one that was active last (a disabled
  // window's modal dialog); the window itself when it owns none that was.
  virtual WindowHandle LastActivePopup(WindowHandle window) = 0;
  // The window is minimised (shown as a task bar button or an icon only).
  virtual bool IsMinimized(WindowHandle window) = 0;
  // Asks a minimised window to come back to its restored size, and waits a
  // short while for it to happen, without waiting on its program.
  virtual void Restore(WindowHandle window) = 0;
  // The window's program has not read its input for some seconds.
  virtual bool IsHung(WindowHandle window) = 0;
  // The top-level window the user works in now, which gets the keys typed,
  // or 0 when there is none.
  virtual WindowHandle Foreground() = 0;
  // Asks for a window to become the foreground window, in whatever way the
  // system lets this program (Windows' foreground lock is gone round in the
  // backend, platform/foreground_lock.h). The system may refuse, or say yes
  // and not do it: only Foreground tells.
  virtual bool SetForeground(WindowHandle window) = 0;
  // Raises a window to the top of the Z order.
  virtual void BringToTop(WindowHandle window) = 0;
  // The clock the waits for the system run on.
  virtual Clock& Time() = 0;
  // How long a granted foreground request may take to show in Foreground.
  virtual std::uint64_t SettleMs() { return 400; }
};

// A visible top-level window with a title, as the matching sees it.
struct TopWindow {
  WindowHandle handle = 0;
  ustring title;  // the whole title
};

// The visible top-level windows with a title, topmost first.
std::vector<TopWindow> VisibleTopWindows(WindowQueries& windows);

// The top-level window at the root of a window's chain of owners (and
// parents): the window itself when it belongs to none.
WindowHandle RootOwner(WindowQueries& windows, WindowHandle window);

// Whether the foreground window is the window, or a window of the same
// owner (a dialog or tool window of its program's main window).
bool InFront(WindowActivation& system, WindowHandle window);

// The window a caption names, or 0.
WindowHandle FindWindowByCaption(ustring_view caption, WindowActivation& system);

// Activates the window a caption names. Throws RuntimeError NotFound when no
// window matches or it could not be brought to the foreground.
void ActivateWindow(ustring_view caption, WindowActivation& system);

// Whether the window a caption names is InFront; false when none matches.
bool AppInFront(ustring_view caption, WindowActivation& system);

}  // namespace rt
