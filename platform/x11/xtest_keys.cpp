#include "platform/x11/xtest_keys.h"

#include <X11/extensions/XTest.h>

#include <algorithm>

#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/read_barrier.h"

namespace rt::x11 {

void XTestKeys::Fake(int keycode, bool down) {
  if (down) watchdog_.MayPress(keycode);
  XTestFakeKeyEvent(display_, static_cast<unsigned>(keycode), down ? True : False, CurrentTime);
  auto it = std::find(pressed_.begin(), pressed_.end(), keycode);
  if (down && it == pressed_.end()) pressed_.push_back(keycode);
  if (!down && it != pressed_.end()) pressed_.erase(it);
  barrier_.Count();
}

void XTestKeys::ReleaseAll() {
  while (!pressed_.empty()) Fake(pressed_.back(), false);
}

std::vector<int> XTestKeys::DownAmong(const std::vector<int>& keycodes) const {
  std::vector<int> down;
  for (int kc : pressed_) {
    if (std::find(keycodes.begin(), keycodes.end(), kc) != keycodes.end()) down.push_back(kc);
  }
  return down;
}

}  // namespace rt::x11
