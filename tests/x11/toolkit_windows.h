// Windows of the toolkits people type into, started on the test's desktop
// (DISPLAY), each telling what arrived in it: an xterm (no ping), the Qt
// editor (qt_text_target), a GTK 3 editor (gtk_text_target.py) and a
// Chromium app window.
#pragma once

#include <X11/Xlib.h>

#include <memory>
#include <string>

#include "virtual_desktop.h"

namespace strumlet::x11_test {

enum class Toolkit { Xterm, Qt, Gtk, Chromium };

const char* ToolkitName(Toolkit kit);
// The program that makes such a window, to skip a test when it is missing.
std::string ToolkitProgram(Toolkit kit);

class ToolkitWindow {
 public:
  // Starts the program; `folder` takes its files.
  ToolkitWindow(Toolkit kit, const std::string& title, const std::string& folder);

  Toolkit Kit() const { return kit_; }
  const std::string& Title() const { return title_; }
  pid_t Pid() const { return process_.Pid(); }
  Child& Process() { return process_; }

  // Ready for keys once its window is up (the xterm: in raw mode).
  bool Started() const;
  // What has arrived: the xterm's and the editors' text; the Chromium text
  // area's, which its page shows in the window title after "TITLE: ".
  std::string Typed(Display* display, Window window) const;

 private:
  Toolkit kit_;
  std::string title_;
  std::string file_;
  Child process_;
};

// The client window with that exact title (_NET_WM_NAME or WM_NAME) among
// the root's descendants down to the client level, or 0.
Window FindClient(Display* display, const std::string& title);
// Presses and releases the keys of lowercase letters on the US layout,
// through XTest.
void TypeLetters(Display* display, const std::string& text);
// Whether the X input focus is on the window or inside it.
bool FocusInside(Display* display, Window window);
// The window manager's active window (_NET_ACTIVE_WINDOW), or 0.
Window ActiveWindow(Display* display);
// Whether `a` is stacked above `b`: the frames (or, with no window
// manager, the windows) that hold them, among the root's children.
bool Stacked(Display* display, Window a, Window b);

// An Xlib connection that closes itself.
using Connection = std::unique_ptr<Display, int (*)(Display*)>;
Connection Connect();

}  // namespace strumlet::x11_test
