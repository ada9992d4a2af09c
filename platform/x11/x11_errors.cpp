#include "platform/x11/x11_errors.h"

#include <algorithm>
#include <utility>
#include <vector>

namespace rt::x11 {

namespace {

// Errors by connection. The program talks to X from one thread; a handful
// of connections are open at a time.
std::vector<std::pair<Display*, int>>& Counts() {
  static std::vector<std::pair<Display*, int>> counts;
  return counts;
}

int CountError(Display* display, XErrorEvent*) {
  auto& counts = Counts();
  auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == display; });
  if (it == counts.end()) counts.emplace_back(display, 1);
  else ++it->second;
  return 0;
}

int LeaveItToTheConnection(Display*) { return 0; }

}  // namespace

void CatchXErrors() {
  XSetErrorHandler(CountError);
  XSetIOErrorHandler(LeaveItToTheConnection);
}

int XErrorCount(Display* display) {
  XSync(display, False);
  const auto& counts = Counts();
  auto it = std::find_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == display; });
  return it == counts.end() ? 0 : it->second;
}

void ForgetXErrors(Display* display) {
  XSync(display, False);
  auto& counts = Counts();
  counts.erase(std::remove_if(counts.begin(), counts.end(), [&](const auto& c) { return c.first == display; }),
               counts.end());
}

ErrorTrap::ErrorTrap(Display* display) : display_(display) {
  CatchXErrors();
  errorsBefore_ = XErrorCount(display_);
}

bool ErrorTrap::Failed() { return XErrorCount(display_) != errorsBefore_; }

}  // namespace rt::x11
