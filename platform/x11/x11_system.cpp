#include "platform/x11/x11_system.h"

#include <X11/Xlib.h>

#include <stdlib.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/activation.h"
#include "platform/app.h"
#include "platform/exit_code.h"
#include "platform/command_text.h"
#include "platform/posix/holder_process.h"
#include "platform/posix/posix_clock.h"
#include "platform/x11/clipboard_holder.h"
#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/x11_errors.h"
#include "platform/x11/x_keyboard.h"
#include "platform/x11/x11_windows.h"
#include "strumlet_version.h"

namespace rt::x11 {

namespace {

// Xlib would end the process with exit code 1, which reads as "target
// missing".
void ConnectionLost(Display*, void*) {
  std::fprintf(stderr, "Strumlet: the connection to the X display was lost.\n");
  std::fflush(stderr);
  std::_Exit(ToInt(ExitCode::NoWindow));
}

}  // namespace

X11System::X11System() : display_(XOpenDisplay(nullptr)) {
  if (!display_) return;
  CatchXErrors();
  XSetIOErrorExitHandler(display_, ConnectionLost, nullptr);
  windows_ = std::make_unique<X11Windows>(display_, static_cast<long>(getpid()));
}

X11System::~X11System() {
  windows_.reset();
  if (display_) XCloseDisplay(display_);
}

bool X11System::SetClipboardText(ustring_view text) {
  // Held by a process of its own, so that it stays after the program ends.
  return StartClipboardHolder(ToUtf8(text));
}

void X11System::SendKeys(ustring_view keys, bool wait) {
  // One watchdog for all the program's sends (one that did not start is
  // tried again at the next send).
  if (!keyboardWatchdog_ || !keyboardWatchdog_->Running()) keyboardWatchdog_ = std::make_unique<KeyboardWatchdog>("");
  KeyboardOptions options;
  options.watchdog = keyboardWatchdog_.get();
  x11::SendKeys(keys, wait, options);
}

void X11System::AppActivate(ustring_view caption) { ActivateWindow(caption, *windows_); }
bool X11System::AppInFront(ustring_view caption) { return rt::AppInFront(caption, *windows_); }

Clock& X11System::Time() { return posix::MonotonicClock(); }

std::string ExecutablePath() { return posix::ExecutablePath(); }

AppInfo CurrentAppInfo(int argc, const char* const* argv) {
  AppInfo info;
  std::string path = ExecutablePath();
  std::size_t slash = path.rfind('/');
  info.folder = FromUtf8(slash == std::string::npos ? std::string(".") : path.substr(0, slash));
  info.exeName = FromUtf8(slash == std::string::npos ? path : path.substr(slash + 1));
  info.title = u"Strumlet";
  info.major = STRUMLET_VERSION_MAJOR;
  info.minor = STRUMLET_VERSION_MINOR;
  info.revision = STRUMLET_VERSION_REVISION;
  info.command = JoinedArguments(argc, argv);
  info.shellCommandLine = true;
  return info;
}

}  // namespace rt::x11
