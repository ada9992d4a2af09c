// The keyboard watchdog: a small process, on an X connection of its own,
// that puts the keyboard back as it was when the program that typed cannot:
// killed (SIGKILL), crashed, or cut off from the X server.
//
// It is this program's own executable, started again from the file the
// running program was loaded from (/proc/self/exe: the same program even
// after a package upgrade has replaced the file on disk), with
// STRUMLET_KEYBOARD_WATCHDOG set: an executable that links the keyboard
// turns into the watchdog before its main function runs.
//
// The program tells it, over a socket, what a send changes before the
// change reaches the server: the keys it may press, the keycodes it binds
// (and what they held before), the locks and the group to put back. A send
// that ends well says so and the watchdog forgets it. When the socket
// closes without that (the program has ended), the watchdog waits until the
// program's X connection is gone (its window destroyed, so that no request
// of the dead program is still to come), then releases the keys, clears the
// keycodes that still hold what was bound, and restores the locks.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <string>
#include <vector>

namespace rt::x11 {

inline constexpr const char* kKeyboardWatchdogVariable = "STRUMLET_KEYBOARD_WATCHDOG";

class KeyboardWatchdog {
 public:
  // Starts the watchdog for the display (empty: $DISPLAY) and waits until
  // it has its connection. Running() is false when it could not start.
  explicit KeyboardWatchdog(const std::string& display);
  // Ends it: a send still recorded is put back.
  ~KeyboardWatchdog();
  KeyboardWatchdog(const KeyboardWatchdog&) = delete;
  KeyboardWatchdog& operator=(const KeyboardWatchdog&) = delete;

  bool Running() const { return socket_ >= 0; }

  // A send begins on the connection that owns `owner`.
  void Begin(Window owner);
  // The locks (and, when `group` >= 0, the locked group) to put back.
  void Locks(unsigned lockedMods, int group);
  // A keycode the send may press. Told at once, before the press goes out.
  void MayPress(int keycode);
  // A keycode about to hold two keysyms (NoSymbol twice: cleared); told
  // with the next Flush, before the binding goes out.
  void Binding(int keycode, KeySym sym0, KeySym sym1);
  void Flush() { Send(); }
  // The send has put everything back itself.
  void End();
  // Puts back what is recorded now (the program's connection is lost);
  // true once the watchdog says it is done.
  bool PutBackNow(int limitMs);

 private:
  void Note(std::uint32_t kind, std::uint32_t a, std::uint32_t b = 0, std::uint32_t c = 0);
  void Send();

  int socket_ = -1;
  std::vector<std::uint32_t> buffer_;
  std::vector<int> mayPress_;  // told during this send
};

// The watchdog process itself; returns its exit code.
int RunKeyboardWatchdog(const char* display);

}  // namespace rt::x11
