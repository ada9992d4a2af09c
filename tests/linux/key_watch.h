// The key presses the X server handles, whoever sends them and whichever
// window gets them (XInput 2 raw events on the root window), with the
// server's time of each: what the tests know of a send as it goes out, apart
// from what the target shows of it.
#pragma once

#include <chrono>

struct _XDisplay;

namespace strumlet::linux_e2e {

class KeyWatch {
 public:
  KeyWatch();
  ~KeyWatch();
  KeyWatch(const KeyWatch&) = delete;
  KeyWatch& operator=(const KeyWatch&) = delete;

  bool Ok() const { return display_ != nullptr; }

  // Waits for the next press of the key that carries `keysym` in the keymap
  // in force, counting every press on the way. Returns its server time, or 0
  // after the limit. That press starts the count of Presses.
  unsigned long AwaitPress(unsigned long keysym, std::chrono::milliseconds limit);
  // Presses handled by the server since the one AwaitPress found, that one
  // included.
  int Presses();
  // The server's time now, in milliseconds, as the server stamps events.
  unsigned long ServerTime();

 private:
  // Reads the presses that have come; true when one of them is `keycode`
  // (then counted from there). Waits at most `waitMs` for one.
  bool Read(int keycode, int waitMs, unsigned long* time);

  _XDisplay* display_ = nullptr;
  int opcode_ = 0;
  unsigned long own_ = 0;
  int presses_ = 0;
};

}  // namespace strumlet::linux_e2e
