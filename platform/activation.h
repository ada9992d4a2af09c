// Bringing a top-level window to the foreground by its caption.
//
// Matching: a caption equal to a visible top-level window's whole title,
// ignoring case, finds it; otherwise the first window whose title begins with
// the caption. Among several, the topmost wins.
//
// Activation restores a minimised target, gives way to the modal dialog of a
// disabled one, never waits on a hung one, and goes round the system's
// foreground lock (a plain request, then attaching to the foreground thread's
// input, then a neutral input event), checking each time with the foreground
// window that it really happened.
#pragma once

#include <functional>
#include <vector>

#include "platform/system.h"
#include "platform/text.h"

namespace rt {

class WindowSystem {
 public:
  struct TopWindow {
    WindowHandle handle = 0;
    ustring title;
  };
  virtual ~WindowSystem() = default;
  // The visible top-level windows with a title, topmost first.
  virtual std::vector<TopWindow> VisibleTopWindows() = 0;
  // Case-insensitive comparison of two texts as the system defines it.
  virtual bool EqualIgnoringCase(ustring_view a, ustring_view b) = 0;
  virtual bool IsEnabled(WindowHandle window) = 0;
  // The enabled, visible popup a disabled window waits on (its modal
  // dialog), or 0.
  virtual WindowHandle ActivePopup(WindowHandle window) = 0;
  virtual bool IsMinimized(WindowHandle window) = 0;
  virtual void Restore(WindowHandle window) = 0;
  virtual bool IsHung(WindowHandle window) = 0;
  virtual WindowHandle Foreground() = 0;
  // The top-level window at the root of a window's owner chain.
  virtual WindowHandle RootOwner(WindowHandle window) = 0;
  virtual bool SetForeground(WindowHandle window) = 0;
  virtual void BringToTop(WindowHandle window) = 0;
  // Attaches this thread's input to the foreground window's thread, or
  // detaches it again.
  virtual bool AttachToForeground(WindowHandle foreground, bool attach) = 0;
  // A harmless input event, so that this process counts as having received
  // the last input.
  virtual void InjectNeutralInput() = 0;
  // Polls `done` until it holds or `milliseconds` have passed.
  virtual bool WaitUntil(const std::function<bool()>& done, int milliseconds) = 0;
};

// The window a caption names, or 0.
WindowHandle FindWindowByCaption(ustring_view caption, WindowSystem& system);

// Activates the window a caption names. Throws RuntimeError NotFound when no
// window matches or it could not be brought to the foreground.
void ActivateWindow(ustring_view caption, WindowSystem& system);

}  // namespace rt
