// The operating system's services, behind one interface. The Windows backend
// implements it with the real API; the fake backend records every call so
// that tests can read back what the program asked of the system.
#pragma once

#include <cstdint>
#include <string>

#include "platform/text.h"

namespace rt {

// A window of the desktop, as the window walk sees it.
using WindowHandle = std::uintptr_t;

// GetWindow relations used by the walk.
inline constexpr int kGwHwndNext = 2;
inline constexpr int kGwChild = 5;

struct PlacementRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// The application object's facts about the program itself.
struct AppInfo {
  ustring folder;   // the folder of the executable, without a trailing "\"
  ustring exeName;  // the executable's file name without its extension
  ustring title;    // "Strumlet"
  int major = 0;
  int minor = 0;
  int revision = 0;
  ustring command;  // the argument text after the program's own path
  // How a command line that starts the program is written: false for
  // Windows' ("<folder>\\<name>.exe <arguments>"), true for a POSIX shell's
  // ("<folder>/<name> '<arguments>'").
  bool shellCommandLine = false;
};

class System {
 public:
  virtual ~System() = default;

  // A modal message box with one OK button and no icon, titled `title`,
  // holding input to the whole program until the user closes it. Timers keep
  // firing while it is open.
  virtual void MsgBox(ustring_view prompt, ustring_view title) = 0;

  // Empties the clipboard and puts `text` on it as Unicode text. False when
  // the clipboard could not be opened or written.
  virtual bool SetClipboardText(ustring_view text) = 0;

  // Types `keys`, in the key notation, into the window that has the focus.
  // With `wait`, returns only when they have been delivered. Throws
  // RuntimeError for invalid notation or input the system refused.
  virtual void SendKeys(ustring_view keys, bool wait) = 0;

  // Brings the top-level window with that caption to the foreground. Throws
  // RuntimeError when no window matches or activation failed.
  virtual void AppActivate(ustring_view caption) = 0;

  // Blocks the thread for that many milliseconds.
  virtual void Sleep(std::uint32_t milliseconds) = 0;

  // The window queries of the window walk.
  virtual WindowHandle GetDesktopWindow() = 0;
  virtual WindowHandle GetWindow(WindowHandle window, int relation) = 0;
  virtual ustring WindowText(WindowHandle window) = 0;  // at most 254 units
  virtual ustring WindowClassName(WindowHandle window) = 0;   // at most 254 units
  virtual WindowHandle GetParent(WindowHandle window) = 0;
  virtual bool IsWindowVisible(WindowHandle window) = 0;
  virtual bool IsWindowEnabled(WindowHandle window) = 0;
  virtual bool IsWindow(WindowHandle window) = 0;
  virtual PlacementRect GetWindowPlacement(WindowHandle window) = 0;
};

}  // namespace rt
