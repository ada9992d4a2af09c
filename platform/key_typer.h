// Typing key notation into the window that has the focus: the strokes of
// ParseKeys become key events on the target's keyboard layout, injected in
// bounded chunks that the target is given time to take in.
//
// Guarantees, on every path:
// - invalid notation is reported before anything is typed;
// - every key the typer presses is released, errors included;
// - modifiers the user is physically holding are released first (and never
//   pressed again), so they cannot change what is typed;
// - an injection the system does not accept in full is an error.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/key_notation.h"
#include "platform/text.h"

namespace rt {

struct InputEvent {
  bool unicode = false;     // a UTF-16 unit typed as a character, not a key
  std::uint16_t vk = 0;     // virtual key (0 for unicode)
  std::uint16_t code = 0;   // scan code, or the UTF-16 unit for unicode
  bool up = false;
  bool extended = false;
  bool operator==(const InputEvent&) const = default;
};

// What typing needs of the system, for one send.
class KeyboardTarget {
 public:
  virtual ~KeyboardTarget() = default;
  // The key and the modifiers (kShift | kCtrl | kAlt) that type `ch` on the
  // target's layout; false when no key of that layout produces it.
  virtual bool KeyForChar(char16_t ch, std::uint16_t& vk, int& modifiers) = 0;
  virtual std::uint16_t ScanCode(std::uint16_t vk) = 0;
  // Whether the key is physically held down right now.
  virtual bool IsKeyDown(std::uint16_t vk) = 0;
  virtual bool CapsLockOn() = 0;
  // Injects the events in order; returns how many the system accepted.
  virtual std::size_t Inject(const std::vector<InputEvent>& events) = 0;
  // Returns once the target has taken in what was injected: true, or false
  // when it did not answer within a time limit (a hung target must not hang
  // the typer).
  virtual bool WaitForTarget() = 0;
};

// The most events injected at once.
inline constexpr std::size_t kChunkEvents = 48;

// Modifier keys a user may be holding, released before typing.
inline constexpr std::uint16_t kPhysicalModifiers[] = {0xA0, 0xA1, 0xA2, 0xA3, 0xA4, 0xA5, 0x5B, 0x5C};

// The events that type the strokes on the target's layout.
std::vector<InputEvent> BuildEvents(const std::vector<KeyStroke>& strokes, KeyboardTarget& target);

// Types one piece of key notation. Throws RuntimeError: InvalidCall for
// invalid notation (nothing typed), SendFailed when the system refused
// events or the target stopped answering (everything pressed released
// again). With `wait`, returns after the target has taken in the last chunk.
void TypeKeys(ustring_view keys, KeyboardTarget& target, bool wait);

}  // namespace rt
