// Typing on X11: XTest key events, on a Display connection of this module's
// own, into the window that has the input focus, with the keys that the X
// server's current XKB keymap gives each character.
//
// - The typer's virtual keys are physical key positions (those of a US
//   keyboard, as Windows numbers them); what each position types is read
//   from the keymap in force, in its current group, so the target's layout
//   decides. Named keys (Enter, F1, Left, ...) are the keys that carry their
//   keysym.
// - A character that no key types is bound for a moment to a keycode that
//   the keymap leaves empty. The target looks a keycode up when it reads the
//   event, so a keycode is bound to another character (or cleared) only
//   after the target has read every event that used it.
// - "The target has read everything sent so far" is the _NET_WM_PING round
//   trip with the focused client; a client that does not answer pings
//   (xterm) gets a bounded guess instead: the server has handled our events
//   and a guard time has passed since the last of them.
// - Every key pressed here is released, every binding cleared and Caps Lock
//   put back as it was, on every path: normal end, exceptions, SIGINT and
//   SIGTERM during the send (the send then fails), and a lost connection
//   (through a fresh one). X protocol errors are recorded, never fatal.
#pragma once

#include <memory>
#include <string>

#include "platform/key_typer.h"

namespace rt::x11 {

struct KeyboardOptions {
  std::string display;        // empty: $DISPLAY
  int spareKeycodes = 32;      // at most this many keycodes bound to characters at once
  int guardMs = 50;           // the guard time of a target that does not answer pings
};

class XKeyboard : public KeyboardTarget {
 public:
  // Throws RuntimeError (SendFailed) when the display cannot be opened or
  // has no XTest or XKB.
  explicit XKeyboard(const KeyboardOptions& options = {});
  ~XKeyboard() override;
  XKeyboard(const XKeyboard&) = delete;
  XKeyboard& operator=(const XKeyboard&) = delete;

  KeyOutput Translate(std::uint16_t vk, bool shift) override;
  std::uint16_t ScanCode(std::uint16_t vk) override;
  bool IsKeyDown(std::uint16_t vk) override;
  bool CapsLockOn() override;
  std::size_t Inject(const std::vector<InputEvent>& events) override;
  TargetKey ReadKey(std::uint16_t vk) override;
  std::uint64_t Milliseconds() override;
  void Nap() override;

  // Whether the focused client answers _NET_WM_PING (else the guard time is
  // the barrier).
  bool TargetAnswersPing() const;
  // The signal (SIGINT or SIGTERM) that interrupted the send, 0 for none.
  // The caller re-raises it once this object is gone.
  int Interruption() const;
  // X protocol errors seen on this connection so far.
  int ErrorCount() const;

  struct State;

 private:
  std::unique_ptr<State> s_;
};

// Types one piece of notation into the focused window, as rt::TypeKeys does;
// a SIGINT or SIGTERM that arrived meanwhile is raised again after every key
// has been released.
void SendKeys(ustring_view keys, bool wait, const KeyboardOptions& options = {});

}  // namespace rt::x11
