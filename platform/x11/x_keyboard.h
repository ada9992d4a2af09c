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
//   the keymap leaves empty. A client notes a keymap change when its notice
//   arrives and looks keys up afresh at the next key it handles (Xlib marks
//   the change as it reads the notice off the connection, even with keys
//   still unhandled before it). So a binding needs no wait before its key
//   (the notice comes first), but a keycode is bound to another character,
//   or cleared, only after the target has read every event that used it.
// - "The target has read everything sent so far" is the _NET_WM_PING round
//   trip with the focused client. A client that does not answer pings
//   (xterm) gets a bounded guess instead: the server has handled our events
//   (a round trip) and a guard time has passed since. The guess is short
//   where only the pace rests on it (between chunks, at the end of a piece)
//   and long before a spare keycode that the target may still look up is
//   rebound or cleared; spares are rebound only when all are taken.
// - Every key pressed here is released, every binding cleared and Caps Lock
//   put back as it was, on every path: normal end, exceptions, SIGINT and
//   SIGTERM during the send (the send then fails), and a lost connection
//   (through a fresh one). X protocol errors are counted (x11_errors.h),
//   never fatal.
#pragma once

#include <memory>
#include <string>

#include "platform/key_typer.h"

namespace rt::x11 {

struct KeyboardOptions {
  std::string display;            // empty: $DISPLAY
  int spareKeycodes = 32;         // at most this many keycodes bound to characters at once
  std::size_t chunkEvents = 1024; // key events sent between two barriers
  // The guesses for a target that does not answer pings: the short one
  // between chunks and at the end of a piece; before a spare keycode is
  // rebound or cleared, the long one plus a share for each binding made
  // since the target was last taken to have read everything (each binding's
  // notice costs a client like xterm round trips to the server).
  // Measured into a raw xterm on a two-core machine at a load of about 7:
  // of 150 short sends ending in a character outside the keymap, about 5%
  // lost it with a 50 or 100 ms guard, none with 200 or 500 ms; rounds of 17
  // rebindings were read with wrong bindings after 500 ms, never after 3 s;
  // at a load of 11, 500 ms plus 60 ms a binding was not enough either.
  int guardMs = 50;
  int bindingGuardMs = 1000;
  int guardPerBindingMs = 150;
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
  // The X server queues every client's events in order, however slowly the
  // client reads them: chunks only keep what a slow target has still to
  // read short, so that a guard time after them means something.
  std::size_t ChunkEvents() override;

  // Whether the focused client answers _NET_WM_PING (else the guard time is
  // the barrier).
  bool TargetAnswersPing() const;
  // The signal (SIGINT or SIGTERM) that interrupted the send, 0 for none.
  // The caller re-raises it once this object is gone.
  int Interruption() const;

  struct State;

 private:
  std::unique_ptr<State> s_;
};

// Types one piece of notation into the focused window, as rt::TypeKeys does;
// a SIGINT or SIGTERM that arrived meanwhile is raised again after every key
// has been released.
void SendKeys(ustring_view keys, bool wait, const KeyboardOptions& options = {});

}  // namespace rt::x11
