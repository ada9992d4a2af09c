// The Linux program driven from outside, as a user drives it: its windows
// found on the X server by their process and caption, clicks and keys
// through XTest, what it shows read back through the clipboard, and (in
// process.h) its exit code. Every wait polls a condition under a generous
// limit. The shared scenarios reach all this through x11_desktop.cpp.
// GoogleTest and the program's headers come before Xlib, whose macros
// (None, Bool, Status) would trip on them.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "process.h"
#include "platform/controls.h"

struct _XDisplay;

namespace strumlet::linux_e2e {

using namespace std::chrono_literals;
using XWindow = unsigned long;

// A program the tests type into, whose text is kept in a file: once it is
// Ready, its window is up and has the input focus.
class TextTarget {
 public:
  virtual ~TextTarget();
  TextTarget(const TextTarget&) = delete;
  TextTarget& operator=(const TextTarget&) = delete;

  bool Ready() const { return ready_; }
  XWindow Window() const { return window_; }
  // The process the test started; the target's other processes, if any,
  // are in its process group.
  pid_t Pid() const { return process_.Pid(); }
  // What the target holds now: its file, unless it tells its text otherwise.
  virtual std::string Text() const { return ReadFile(file_); }
  bool WaitText(const std::string& text, std::chrono::milliseconds limit = 60s) const;

 protected:
  // `start` starts the program, given the file its text goes to.
  explicit TextTarget(const std::function<pid_t(const std::string& file)>& start);
  // Waits for the window titled `title`, then for the focus, once the
  // program is ready.
  void AwaitWindow(const std::string& title, const std::function<bool()>& started);

  std::string file_;
  Process process_;
  XWindow window_ = 0;
  bool ready_ = false;
};

// An xterm titled `title` whose shell appends every byte it receives, raw,
// to the file. Alt comes as ESC before the key (metaSendsEscape), as
// terminals send it today; xterm's default would set the byte's eighth bit
// instead, which -u8 turns into a Latin-1 character.
class Xterm : public TextTarget {
 public:
  explicit Xterm(const std::string& title);
};

// A Qt text editor titled `title` (qt_text_target) that writes its whole
// text to the file whenever it changes. Unlike xterm it answers
// _NET_WM_PING.
class QtEditor : public TextTarget {
 public:
  explicit QtEditor(const std::string& title);
};

// A window's rectangle on the screen, in pixels.
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

// The X server as the test sees it, on a connection of its own.
class Screen {
 public:
  Screen();
  ~Screen();
  Screen(const Screen&) = delete;
  Screen& operator=(const Screen&) = delete;

  bool Ok() const { return display_ != nullptr; }

  // The client windows (the window manager's list) of a process.
  std::vector<XWindow> WindowsOf(pid_t pid);
  std::string Title(XWindow window);
  // A dialog (a message box) rather than a normal window.
  bool IsDialog(XWindow window);
  bool IsMinimised(XWindow window);
  bool Exists(XWindow window);
  // The first window of `pid` that `accept` accepts, once there is one; 0
  // after the limit.
  XWindow Await(pid_t pid, const std::function<bool(XWindow)>& accept, std::chrono::milliseconds limit = 45s);
  XWindow AwaitTitle(pid_t pid, const std::string& title, std::chrono::milliseconds limit = 45s);
  // The program's main window: a normal window whose caption ends in
  // "Strumlet" (the count comes first).
  XWindow AwaitMain(pid_t pid, std::chrono::milliseconds limit = 45s);
  // The program's message box.
  XWindow AwaitMessageBox(pid_t pid, std::chrono::milliseconds limit = 45s);

  // Waits until the client area's corner is at that point of the screen.
  bool AwaitPlace(XWindow window, int x, int y);
  // The client area, and the outer frame the window manager draws.
  Box Client(XWindow window);
  Box Frame(XWindow window);
  // Screen dots per inch of a form, from its client width in twips.
  int Dpi(XWindow window, int clientWidthTwips);

  // The colour (0xRRGGBB) of a pixel of the client area, as the screen shows it.
  unsigned long Pixel(XWindow window, int x, int y);
  // The colour at the inner bottom-right corner of a control of a form whose
  // client area is `clientWidthTwips` wide.
  unsigned long CornerColor(XWindow window, int clientWidthTwips, const rt::Control& control);

  XWindow Active();
  // Whether the X input focus is on the window or inside it.
  bool HasInputFocus(XWindow window);
  // Asks the window manager to activate the window, as a click on it would,
  // and waits until it has the focus.
  bool Activate(XWindow window);
  // A _NET_WM_PING round trip: true once the window's program has read
  // every event sent to it before; false at once for a program that does
  // not answer pings (xterm).
  bool Ping(XWindow window);
  // Asks the window manager to minimise the window.
  void Minimise(XWindow window);
  // Asks the window to close, as its close box does.
  void Close(XWindow window);

  // A left click at a point of the client area, in pixels. Clicks and keys
  // return once the program has read them, if it answers pings.
  void ClickAt(XWindow window, int x, int y);
  // A left click in the middle of a control of a form whose client area
  // is `clientWidthTwips` wide.
  void Click(XWindow window, int clientWidthTwips, const rt::Control& control);
  // Presses and releases a key (a keysym name such as "Escape" or "a") with
  // modifiers held ("Shift_L", "Control_L", "Alt_L"), into the focus.
  void Key(const std::string& key, const std::vector<std::string>& modifiers = {});
  // Types plain ASCII text on the US layout.
  void Type(const std::string& ascii);

  // The clipboard as UTF-8, as another program reads it; nothing when it
  // has no owner or the owner does not answer.
  std::optional<std::string> Clipboard();
  // Takes the clipboard for the test, so that the next owner is known to be
  // new.
  void TakeClipboard();
  bool ClipboardIsOurs();
  // The whole text of a text box of a form, copied by the user's keys
  // (click into it, Ctrl+A, Ctrl+C) and read from the clipboard.
  std::optional<std::string> CopyText(XWindow window, int clientWidthTwips, const rt::Control& box);
  // A message box as Ctrl+C copies it: its title, text and buttons between
  // rules, as on Windows.
  std::optional<std::string> CopyMessageBox(XWindow box);

 private:
  unsigned long A(const char* name);
  // Waits until no grab holds the pointer after a click.
  void AwaitPointerLetGo();
  std::vector<unsigned long> Property(XWindow window, const char* name, unsigned long type, int format);

  _XDisplay* display_;
  XWindow own_ = 0;
  e2e::SingleClicks clicks_;
};

}  // namespace strumlet::linux_e2e
