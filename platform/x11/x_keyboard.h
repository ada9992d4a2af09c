// Typing on X11: XTest key events, on a Display connection of this module's
// own, into the window that has the input focus, with the keys that the X
// server's current XKB keymap gives each character.
//
// - The typer's virtual keys are physical key positions (those of a US
//   keyboard, as Windows numbers them); what each position types is read
//   from the keymap in force (x_keymap.h), in the group in force when the
//   send began, so the target's layout decides. Named keys (Enter, F1,
//   Left, ...) are the keys that carry their keysym.
// - A character that no key types is bound for a moment to a keycode that
//   the keymap leaves empty (spare_keys.h). A client notes a keymap change
//   when its notice arrives and looks keys up afresh at the next key it
//   handles, so a binding needs no wait before its key, but a keycode is
//   bound to another character, or cleared, only after the target has read
//   every event that used it (read_barrier.h).
// - The locks (Caps Lock, Num Lock, ...) are unlocked for the send and
//   locked again afterwards with XkbLockModifiers, as recorded when the send
//   began; a lock or group change by anyone else during the send is undone
//   for the send and becomes what is put back at its end. A change of the
//   keymap itself by another client stops the send (the keys it planned
//   would type other characters).
// - Where the keys go is the focused client and its program (x_focus.h).
// - Every key pressed here is released, every binding cleared and the locks
//   put back, on every path: normal end, exceptions, a signal that ends the
//   program (send_signals.h: the send stops, then the signal is raised
//   again), and, through the watchdog process (keyboard_watchdog.h), a
//   killed or crashed program and a lost connection. X protocol errors are
//   counted (x11_errors.h), never fatal.
#pragma once

#include <memory>
#include <string>

#include "platform/key_typer.h"
#include "platform/x11/read_barrier.h"

namespace rt::x11 {

class KeyboardWatchdog;

struct KeyboardOptions {
  std::string display;          // empty: $DISPLAY
  int spareKeycodes = 32;       // at most this many keycodes bound to characters at once
  // Key events between two checks of the focus: what one chunk types stays
  // about 40 bytes or less (12 strokes of a 3-byte character).
  std::size_t chunkEvents = 24;
  // Key events sent before the target must have read them: the X server
  // queues every client's events in order however slowly the client reads
  // them, so this only keeps what a slow target still has to read short
  // enough for a guard time after it to mean something.
  std::size_t deliveryEvents = 1024;
  BarrierTimes times;
  // The program's watchdog, started once for all its sends; none: the send
  // starts one of its own.
  KeyboardWatchdog* watchdog = nullptr;
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
  // Always false: the locks are off for the send (see above).
  bool CapsLockOn() override;
  void Prepare(const std::vector<InputEvent>& events) override;
  std::size_t Inject(const std::vector<InputEvent>& events) override;
  TargetKey ReadKey(std::uint16_t vk) override;
  Clock& Time() override;
  std::size_t ChunkEvents() override;
  std::size_t DeliveryEvents() override;
  KeyFocus Focus() override;
  bool WindowExists(WindowHandle window) override;

  // Whether the focused client answers _NET_WM_PING (else the guard time is
  // the barrier).
  bool TargetAnswersPing() const;
  // The signal that interrupted the send, 0 for none. The caller raises it
  // again once this object is gone.
  int Interruption() const;
  // Whether the connection to the X server was lost.
  bool ConnectionLost() const;
  // Why the keyboard refused keys, "" when it did not.
  std::string Refusal() const;

  struct State;

 private:
  std::unique_ptr<State> s_;
};

// Types one piece of notation into the focused window, as rt::TypeKeys does;
// a signal that ends the program is raised again after every key has been
// released. A failed send says why on standard error. When the connection
// to the X server is lost, the watchdog puts the keyboard back and the
// program ends with exit code 3.
void SendKeys(ustring_view keys, bool wait, const KeyboardOptions& options = {});

}  // namespace rt::x11
