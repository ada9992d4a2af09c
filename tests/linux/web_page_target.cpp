#include "web_page_target.h"

#include <signal.h>
#include <stdlib.h>

#include <cctype>
#include <cstdio>

// Xlib last: its macros (None, Bool) clash with the names above.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#ifndef TEXT_TARGET_PAGE
#error "TEXT_TARGET_PAGE names the web page the tests type into"
#endif

namespace strumlet::linux_e2e {

namespace {

constexpr char kLineStart[] = "text target: ";
// Chromium's console messages end in the script's place.
constexpr char kConsoleEnd[] = "\", source: ";

std::string Unescape(const std::string& shown) {
  std::string text;
  for (std::size_t i = 0; i < shown.size(); ++i) {
    if (shown[i] != '\\' || i + 1 == shown.size()) {
      text += shown[i];
      continue;
    }
    switch (shown[++i]) {
      case 's': text += ' '; break;
      case 't': text += '\t'; break;
      case 'n': text += '\n'; break;
      default: text += shown[i];
    }
  }
  return text;
}

}  // namespace

std::string NewFolder(const char* what) {
  std::string dir = ScratchFile(what) + "_XXXXXX";
  return mkdtemp(dir.data()) ? dir : std::string();
}

WebPageTarget::WebPageTarget(const std::function<pid_t(const std::string& file)>& start, const std::string& caption,
                             const std::string& suffix)
    : TextTarget(start) {
  // A browser starts slowly on a loaded machine: its window, then the
  // focus (asked of the window manager if it does not come by itself; one
  // with many keymap changes to catch up on gives it late), then
  // the page's first line, which comes once a key has reached its text
  // area: a Shift, which types nothing, goes to the window until one has.
  Screen screen;
  Display* display = XOpenDisplay(nullptr);
  KeyCode shift = display ? XKeysymToKeycode(display, XK_Shift_L) : 0;
  auto focused = [&] { return screen.Active() == window_ && screen.HasInputFocus(window_); };
  auto seen = [&] { return ReadFile(file_).find(kLineStart) != std::string::npos; };
  ready_ = display && screen.Ok() && (window_ = screen.AwaitTitle(process_.Pid(), caption + suffix, 180s)) != 0 &&
           (WaitFor(focused, 90s) || screen.Activate(window_)) && WaitFor(
               [&] {
                 if (seen()) return true;
                 XTestFakeKeyEvent(display, shift, True, CurrentTime);
                 XTestFakeKeyEvent(display, shift, False, CurrentTime);
                 XSync(display, False);
                 return false;
               },
               120s) &&
           focused();
  if (display) XCloseDisplay(display);
  if (!Ready()) {
    // What the browser said, for the test's log.
    std::string output = ReadFile(file_);
    std::fprintf(stderr, "%s did not come up; the end of its output:\n%s\n", caption.c_str(),
                 output.substr(output.size() > 3000 ? output.size() - 3000 : 0).c_str());
  }
}

WebPageTarget::~WebPageTarget() { End(); }

void WebPageTarget::End() {
  if (!process_.Running()) return;
  kill(-process_.Pid(), SIGCONT);
  kill(-process_.Pid(), SIGTERM);
  if (process_.WaitExit(30s) == -1) kill(-process_.Pid(), SIGKILL);
}

std::string WebPageTarget::PageUrl(const std::string& caption) {
  std::string url = "file://" TEXT_TARGET_PAGE "#";
  static const char hex[] = "0123456789ABCDEF";
  for (unsigned char c : caption) {
    if (std::isalnum(c) || c == '-' || c == '_' || c == '.') {
      url += static_cast<char>(c);
    } else {
      url += '%';
      url += hex[c >> 4];
      url += hex[c & 15];
    }
  }
  return url;
}

std::string WebPageTarget::Text() const {
  const std::string output = ReadFile(file_);
  // The last whole line the page wrote; one still being written is not.
  std::size_t end = output.rfind('\n');
  while (end != std::string::npos && end > 0) {
    std::size_t start = output.rfind('\n', end - 1);
    start = start == std::string::npos ? 0 : start + 1;
    std::string line = output.substr(start, end - start);
    std::size_t at = line.find(kLineStart);
    if (at != std::string::npos) {
      std::string shown = line.substr(at + sizeof kLineStart - 1);
      std::size_t tail = shown.rfind(kConsoleEnd);
      return Unescape(tail == std::string::npos ? shown : shown.substr(0, tail));
    }
    end = start == 0 ? std::string::npos : start - 1;
  }
  return {};
}

}  // namespace strumlet::linux_e2e
