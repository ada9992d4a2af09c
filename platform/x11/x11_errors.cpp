#include "platform/x11/x11_errors.h"

namespace rt::x11 {

namespace {

// Counted, not acted on. One counter for the process: traps nest, and the
// program talks to X from one thread.
int errorCount = 0;

int CountError(Display*, XErrorEvent*) {
  ++errorCount;
  return 0;
}

}  // namespace

ErrorTrap::ErrorTrap(Display* display) : display_(display), errorsBefore_(errorCount) {
  XSync(display_, False);
  previous_ = XSetErrorHandler(CountError);
}

ErrorTrap::~ErrorTrap() {
  XSync(display_, False);
  XSetErrorHandler(previous_);
}

bool ErrorTrap::Failed() {
  XSync(display_, False);
  return errorCount != errorsBefore_;
}

}  // namespace rt::x11
