// The keys a send presses through XTest: each keycode is told to the
// watchdog before its first press goes out, every event is counted by the
// read barrier, and whatever is down is released on every path.
#pragma once

#include <X11/Xlib.h>

#include <vector>

namespace rt::x11 {

class KeyboardWatchdog;
class ReadBarrier;

class XTestKeys {
 public:
  XTestKeys(Display* display, KeyboardWatchdog& watchdog, ReadBarrier& barrier)
      : display_(display), watchdog_(watchdog), barrier_(barrier) {}

  void Press(int keycode) { Fake(keycode, true); }
  void Release(int keycode) { Fake(keycode, false); }
  void ReleaseAll();
  // The keycodes down now among these.
  std::vector<int> DownAmong(const std::vector<int>& keycodes) const;

 private:
  void Fake(int keycode, bool down);

  Display* display_;
  KeyboardWatchdog& watchdog_;
  ReadBarrier& barrier_;
  std::vector<int> pressed_;
};

}  // namespace rt::x11
