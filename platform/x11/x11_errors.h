// X errors never end the program: Xlib's default handler exits the process
// on any error (a window that has gone away between two requests is enough).
// The process has one handler, installed by the first user of X here and put
// back if a toolkit replaced it: it counts each error against the connection
// it came on and does nothing else. Code that must know whether its requests
// failed holds an ErrorTrap around them.
#pragma once

#include <X11/Xlib.h>

namespace rt::x11 {

// Makes the counting handler the process's X error handler. A lost
// connection is each connection's own affair (XSetIOErrorExitHandler): the
// process's I/O error handler becomes one that returns, since Xlib's default
// one (and a toolkit's that calls it) ends the process with exit code 1
// before the connection's own handler is asked.
void CatchXErrors();

// The errors counted on `display` so far, once the server has answered every
// request made on it.
int XErrorCount(Display* display);

// Drops the count of a connection about to be closed.
void ForgetXErrors(Display* display);

class ErrorTrap {
 public:
  explicit ErrorTrap(Display* display);
  ErrorTrap(const ErrorTrap&) = delete;
  ErrorTrap& operator=(const ErrorTrap&) = delete;
  // Whether a request made since the trap was set failed (waits for the
  // server's answers).
  bool Failed();

 private:
  Display* display_;
  int errorsBefore_;
};

}  // namespace rt::x11
