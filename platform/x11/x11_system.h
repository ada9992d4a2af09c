// The operating system's services on X11 (Xlib, XTest, XKB), on a Display
// connection of their own, whatever toolkit draws the program's windows:
// typing, activation, the desktop's windows, the clipboard, the program's
// facts. The message box is the toolkit's, so it is left to a subclass.
// This header includes no X header, so that a toolkit's headers, which
// Xlib's macros (Bool, Status, None) would break, can come with it.
#pragma once

#include <memory>
#include <string>

#include "platform/activation.h"
#include "platform/system.h"

struct _XDisplay;

namespace rt::x11 {

class KeyboardWatchdog;

class X11System : public System {
 public:
  // Opens the connection to the display named by DISPLAY. Check Connected().
  // A lost connection ends the program with exit code 3 (ExitCode::NoWindow).
  X11System();
  ~X11System() override;
  X11System(const X11System&) = delete;
  X11System& operator=(const X11System&) = delete;

  bool Connected() const { return display_ != nullptr; }

  bool SetClipboardText(ustring_view text) override;
  void SendKeys(ustring_view keys, bool wait) override;
  void AppActivate(ustring_view caption) override;
  bool AppInFront(ustring_view caption) override;
  Clock& Time() override;
  WindowQueries& Windows() override { return *windows_; }

 private:
  _XDisplay* display_;
  std::unique_ptr<WindowActivation> windows_;
  // Started at the first send, for every send of the program.
  std::unique_ptr<KeyboardWatchdog> keyboardWatchdog_;
};

// The real path of the running executable ("" if it cannot be read).
std::string ExecutablePath();

// The facts about the running executable; its argument text is the
// arguments joined with single blanks.
AppInfo CurrentAppInfo(int argc, const char* const* argv);


}  // namespace rt::x11
