// The spare keycodes of one send: keycodes that the keymap left empty when
// the send began, bound round by round (spare_plan.h) to the characters no
// key types, and cleared when the send ends.
//
// Only keycodes that are still empty are bound, and only those that still
// hold this send's keysyms are rebound or cleared: every change is made
// under a server grab after reading the keycodes, so another program's
// scratch keycode (a password manager's auto-type, xdotool) is never
// touched; a keycode that another program took is given up. Each change is
// told to the watchdog and written to the record on the root window first.
#pragma once

#include <X11/Xlib.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "platform/x11/spare_plan.h"

namespace rt::x11 {

class KeyboardWatchdog;

class SpareKeys {
 public:
  struct Slot {
    int keycode = 0;
    int level = 0;  // 1: typed with Shift
  };

  // `owner` is the window of the send's connection, named in the record.
  SpareKeys(Display* display, Window owner, KeyboardWatchdog& watchdog);

  // Takes these keycodes (empty in the keymap) as the send's spares.
  void Claim(const std::vector<int>& keycodes);
  bool Any() const { return !keycodes_.empty(); }
  bool IsSpare(int keycode) const;
  // The characters of the piece, in the order they are typed.
  void Plan(std::vector<SpareUse> uses);

  // The slot that types `cp` (with the script holding Shift or not),
  // bound now if need be. A binding that the target may still look up
  // changes only once `awaitRead(n)` says the target has read the first n
  // events. Empty when no slot can be had; `Why()` says why.
  std::optional<Slot> SlotFor(char32_t cp, bool shifted, const std::function<bool(std::uint64_t)>& awaitRead);
  // The slot was used by the event numbered `event`.
  void Used(const Slot& slot, std::uint64_t event);
  // The latest event that used a binding (0: none).
  std::uint64_t LastUse() const;
  bool AnyBound() const;
  // Binding requests made since the last call.
  int TakeRequests();
  const std::string& Why() const { return why_; }

  // After another client changed the keymap: keycodes that no longer hold
  // what this send bound are given up.
  void Verify();
  // Clears every keycode that still holds this send's keysyms.
  void Revert();

 private:
  bool Write(const SpareLayout& next);
  void GiveUp(std::size_t k);
  std::optional<Slot> Find(char32_t cp, bool shifted) const;

  Display* display_;
  Window owner_;
  KeyboardWatchdog& watchdog_;
  std::vector<int> keycodes_;
  SpareLayout layout_;  // the characters the keycodes hold
  std::vector<std::array<std::uint64_t, 2>> usedAt_;
  std::vector<SpareUse> uses_;
  std::size_t next_ = 0;  // the next use expected
  int requests_ = 0;
  std::string why_;
};

}  // namespace rt::x11
