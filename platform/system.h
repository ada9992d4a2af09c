// The operating system's services, behind one interface. The Windows backend
// implements it with the real API; the fake backend records every call so
// that tests can read back what the program asked of the system, and runs on
// virtual time.
#pragma once

#include <cstdint>
#include <string>

#include "platform/clock.h"
#include "platform/text.h"

namespace rt {

// A window of the desktop. 0 is never a window.
using WindowHandle = std::uintptr_t;

// A rectangle in pixels: left and top inside it, right and bottom just
// outside.
struct PlacementRect {
  std::int32_t left = 0;
  std::int32_t top = 0;
  std::int32_t right = 0;
  std::int32_t bottom = 0;
};

// The questions the program asks about the desktop's windows: the window walk
// and the activation ask them, each system answers them once. Windows form a
// tree: the desktop at its root, its children the top-level windows, below
// them the child windows (controls, panes) that lie inside their parent.
// Siblings are in Z order, the topmost first. Apart from the tree, a
// top-level window may belong to another one, its owner (a dialog to its main
// window); an owned window stays above its owner.
//
// Every query answers for a window that no longer exists (or a handle that
// never named one) as for a window without anything: 0, an empty text,
// false, an empty rectangle. Nothing here waits on the program that owns the
// window, so a program that has stopped answering cannot block the caller.
class WindowQueries {
 public:
  virtual ~WindowQueries() = default;

  // The root of the tree, whose children are the top-level windows.
  virtual WindowHandle Desktop() = 0;
  // The topmost of a window's children, or 0 when it has none.
  virtual WindowHandle FirstChild(WindowHandle window) = 0;
  // The sibling just below a window in Z order, or 0 for the bottom one.
  virtual WindowHandle NextSibling(WindowHandle window) = 0;
  // What a window belongs to: a child window's parent; for a top-level
  // window, the window that owns it, or 0 when it stands on its own (Windows
  // reports the owner of popup-style windows, which dialogs and tool windows
  // are; X11 reports the window it is transient for). 0 for the desktop.
  virtual WindowHandle Owner(WindowHandle window) = 0;
  // The whole caption (title bar text), however long. Empty when it has
  // none.
  virtual ustring Caption(WindowHandle window) = 0;
  // The whole name of the window's class (kind of window: "Notepad",
  // "#32770" for a dialog on Windows; the class of WM_CLASS on X11).
  virtual ustring ClassName(WindowHandle window) = 0;
  // The window is shown, or minimised, and so is every window it lies
  // inside: being covered by others or off the screen does not matter. A
  // window that was hidden (or never shown) is not visible.
  virtual bool Visible(WindowHandle window) = 0;
  // The window itself takes the user's mouse and keyboard input. A window
  // waiting on its modal dialog does not.
  virtual bool Enabled(WindowHandle window) = 0;
  // The handle names a window that exists (has not been destroyed).
  virtual bool Exists(WindowHandle window) = 0;
  // The window's outer rectangle (frame included) as it is when neither
  // minimised nor maximised, whichever it is now; for a top-level window
  // measured from the top-left corner of the screen's work area (the screen
  // less what is docked at its left and top edges; Windows measures tool
  // windows from the screen's corner); for a child window, from its parent's
  // client area.
  virtual PlacementRect Placement(WindowHandle window) = 0;
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

  // Brings the top-level window with that caption to the foreground, by
  // rt::ActivateWindow (platform/activation.h). Throws RuntimeError when no
  // window matches or activation failed.
  virtual void AppActivate(ustring_view caption) = 0;

  // Whether the window with that caption (found as AppActivate finds it) is
  // the foreground window, or a window of its program is (rt::AppInFront).
  virtual bool AppInFront(ustring_view caption) = 0;

  // The clock of every wait, pause and deadline of the program's: the
  // pauses of a send, and the same clock as its typing's and activation's
  // (KeyboardTarget::Time, WindowActivation::Time).
  virtual Clock& Time() = 0;

  // The desktop's windows.
  virtual WindowQueries& Windows() = 0;
};

}  // namespace rt
