// X errors never end the program: Xlib's default handler exits the process
// on any error (a window that has gone away between two requests is enough).
// An ErrorTrap catches the errors of the requests made while it lives.
#pragma once

#include <X11/Xlib.h>

namespace rt::x11 {

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ~ErrorTrap();
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Whether a request made so far failed (waits for the server's answers).
  bool Failed();

 private:
  Display* display_;
  int (*previous_)(Display*, XErrorEvent*);
  int errorsBefore_;
};

}  // namespace rt::x11
