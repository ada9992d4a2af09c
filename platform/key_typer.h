// Typing key notation into the window that has the focus: the strokes of
// ParseKeys become key events on the target's keyboard layout, injected in
// bounded chunks (as many events as the target's system holds), each of which
// the target has read before the next one goes.
//
// Guarantees, on every path:
// - invalid notation is reported before anything is typed;
// - a character goes out as the key of the target's layout that types it
//   with at most Shift (and no dead key), so that programs that read keys
//   (consoles, terminals, games) get keys; any other character goes out as
//   the character itself. Ctrl+Alt (AltGr) is not used to type a character
//   in a program's window: many programs take it as a shortcut, and some
//   systems drop it when it is injected. A console, which has no such
//   shortcuts and drops characters that come without a key, gets a
//   character that needs AltGr as the AltGr chord that types it, or, where
//   the system's injected chords type nothing (Wine), written into its input
//   as that key's stroke; so too the characters of dead keys;
// - Caps Lock, when the target has it on, is switched off for the send and
//   on again afterwards, failures included, so that the text arrives as
//   written. Where the target's Caps Lock cannot be read before it has read
//   a Caps Lock key, it is learned by switching it once;
// - modifiers the user is physically holding are released first, each as the
//   key it is, with the release of Alt or Win masked so that it opens no
//   menu; they are never pressed again;
// - every key the typer presses is released, errors included;
// - an injection the system does not accept in full is an error, and so is a
//   target that has not read a chunk within kDeliveryLimitMs;
// - the keys go only where the send began: the window that had the keyboard
//   focus then, or another window of its program (a dialog the keys opened).
//   The focus is checked before each chunk and while waiting for the target;
//   once another program has had it for kFocusGraceMs, or the window has
//   gone, the send stops as a failure. So at most one chunk strays, and
//   chunks end between strokes, never with a key but a modifier down.
#pragma once

#include <cstdint>
#include <map>
#include <vector>

#include "platform/clock.h"
#include "platform/key_notation.h"
#include "platform/system.h"
#include "platform/text.h"

namespace rt {

struct InputEvent {
  bool unicode = false;     // a UTF-16 unit typed as a character, not a key
  std::uint16_t vk = 0;     // virtual key (0 for unicode)
  std::uint16_t code = 0;   // scan code, or the UTF-16 unit for unicode and direct
  bool up = false;
  bool extended = false;
  // The character `code` written straight into the target's own input (a
  // console's input buffer) as a stroke of the key `vk` that types it: it
  // lands there at once, ahead of any input still on its way, so it goes
  // when everything before it has been read.
  bool direct = false;
  bool operator==(const InputEvent&) const = default;
};

// What one key of a layout types, with no lock, Ctrl or Alt in effect.
struct KeyOutput {
  ustring text;        // empty when the key types nothing
  bool dead = false;   // a dead key: it types nothing itself but changes the next key
};

// How far the target has read its keyboard input, as seen through one key's
// state in the target's own input queue.
enum class TargetKey {
  Up,            // the target has read the key's release (or never saw it)
  Down,          // the target has read the key's press
  Unobservable,  // the target's input state cannot be read (our own thread)
  Busy,          // not readable right now (the target is not responding)
  Gone,          // the target's window no longer exists
};

// The most events injected at once, unless the target takes more.
inline constexpr std::size_t kChunkEvents = 48;

// Where typed keys go: the top-level window that has the keyboard focus, and
// the program (process) it belongs to; 0 for what the system cannot tell.
struct KeyFocus {
  WindowHandle window = 0;
  std::uint64_t program = 0;
  bool operator==(const KeyFocus&) const = default;
};

// Whether keys that go to `now` still go where a send began (`start`): to
// the same window, or to another window of the same program, while the first
// still exists (`startExists`). A start the system could not tell is never
// left.
bool SameTarget(const KeyFocus& start, const KeyFocus& now, bool startExists);

// What typing needs of the system, for one send to one target.
class KeyboardTarget {
 public:
  virtual ~KeyboardTarget() = default;
  // What the key types on the target's layout, with or without Shift.
  virtual KeyOutput Translate(std::uint16_t vk, bool shift) = 0;
  // What the key types with AltGr (Ctrl+Alt), with or without Shift, when
  // injected: nothing where the layout has no AltGr level or the system's
  // injected Ctrl+Alt types no character.
  virtual KeyOutput TranslateAltGr(std::uint16_t, bool) { return {}; }
  // The keys go to a console (a terminal window), which reads keys and
  // drops characters injected without one.
  virtual bool IsConsole() { return false; }
  // Whether `ch` can be written straight into the target's own input (a
  // console's input buffer, for a character that a key of its layout types,
  // dead keys and AltGr included), and as which key.
  virtual bool CanWrite(char16_t, std::uint16_t& /*vk*/) { return false; }
  virtual std::uint16_t ScanCode(std::uint16_t vk) = 0;
  // Whether the key is physically held down right now.
  virtual bool IsKeyDown(std::uint16_t vk) = 0;
  // Whether Caps Lock is on for the target.
  virtual bool CapsLockOn() = 0;
  // Whether CapsLockOn can be believed before the target has read a Caps
  // Lock key. False where watching the target's input resets the state seen
  // (Windows documents that sharing input resets it; Wine clears it).
  virtual bool CapsLockKnown() { return true; }
  // Injects the events in order; returns how many the system accepted.
  virtual std::size_t Inject(const std::vector<InputEvent>& events) = 0;
  // The state of `vk` as far as the target has read its input.
  virtual TargetKey ReadKey(std::uint16_t vk) = 0;
  // The clock of the typer's waits: they poll every kTypingPollMs, which
  // gives the target time to read.
  virtual Clock& Time() = 0;
  // The most events injected at once, between two checks of the focus: few
  // enough that what one chunk types is short (a chunk that went out just as
  // another window took the focus is all that strays into it).
  virtual std::size_t ChunkEvents() { return kChunkEvents; }
  // The most events injected before the target must have read them: what the
  // system's input path holds for a target that reads slowly, without loss
  // and without making the proof of reading late. At least one chunk.
  virtual std::size_t DeliveryEvents() { return ChunkEvents(); }
  // Where the keys go now. The default tells nothing: the typer then does
  // not watch the focus.
  virtual KeyFocus Focus() { return {}; }
  // Whether a top-level window still exists.
  virtual bool WindowExists(WindowHandle window) { return window != 0; }
  // The events of a piece, before the first of them goes out: a system that
  // must set keys up for the characters it types as characters (X11 binds
  // them to spare keycodes) plans that here.
  virtual void Prepare(const std::vector<InputEvent>& events) { (void)events; }
};
// How long the target may take to read one chunk.
inline constexpr std::uint64_t kDeliveryLimitMs = 15000;
// The step of the typer's polls (of the target's reading, of the focus).
inline constexpr std::uint64_t kTypingPollMs = 1;
// How long another program may hold the focus before the send gives up:
// long enough for a focus that passes through nothing (or through the window
// manager) while a window the keys opened or closed settles.
inline constexpr std::uint64_t kFocusGraceMs = 1000;

// Virtual keys the typer uses besides the script's own.
inline constexpr std::uint16_t kVkCapital = 0x14;
inline constexpr std::uint16_t kVkLShift = 0xA0, kVkRShift = 0xA1, kVkLControl = 0xA2, kVkRControl = 0xA3,
                               kVkLMenu = 0xA4, kVkRMenu = 0xA5, kVkLWin = 0x5B, kVkRWin = 0x5C;
// Unassigned keys: no program acts on them. The marker's press and release
// mark the end of each chunk; the mask, tapped while Alt or Win is down,
// keeps their release from opening a menu. They are two keys, so that a tap
// of the mask still on its way is never taken for the marker's arrival.
inline constexpr std::uint16_t kVkMarker = 0xE8;
inline constexpr std::uint16_t kVkMask = 0x97;

// Modifier keys a user may be holding, released before typing.
inline constexpr std::uint16_t kPhysicalModifiers[] = {kVkLShift, kVkRShift, kVkLControl, kVkRControl,
                                                       kVkLMenu,  kVkRMenu,  kVkLWin,     kVkRWin};

// Whether the key carries the extended-key flag when it is sent by itself
// (right Ctrl, right Alt and the Win keys).
bool IsExtendedModifier(std::uint16_t vk);

// The press or release of a key, with the target's scan code for it.
InputEvent KeyEvent(KeyboardTarget& target, std::uint16_t vk, bool up, bool extended = false);
// Its press and release.
void Tap(std::vector<InputEvent>& events, KeyboardTarget& target, std::uint16_t vk);

// The keys that type each character on a layout, found by asking the layout
// what its keys type. A character that several keys type gets the first of
// them in a fixed order (main block before keypad, unshifted before Shift).
class LayoutMap {
 public:
  struct Key {
    std::uint16_t vk = 0;
    bool shift = false;
  };
  explicit LayoutMap(KeyboardTarget& target);
  // False when no key types `ch` with at most Shift (or only a dead key does).
  bool Find(char16_t ch, Key& key) const;
  // The key that types `ch` with AltGr (and Shift when `key.shift`), when
  // no key types it with at most Shift; false when none does (or only a
  // dead key does).
  bool FindAltGr(char16_t ch, Key& key) const;

 private:
  std::map<char16_t, Key> keys_;
  std::map<char16_t, Key> altGr_;
};

// The events that type the strokes with the layout's keys (and, for a
// console, its AltGr chords and written characters).
std::vector<InputEvent> BuildEvents(const std::vector<KeyStroke>& strokes, const LayoutMap& layout,
                                    KeyboardTarget& target);

// Which keys are down after a run of events (written characters hold no
// key), so that a failure can release exactly those.
class PressedKeys {
 public:
  void Apply(const InputEvent& e);
  bool Empty() const { return down_.empty(); }
  // Their releases, the last pressed first.
  std::vector<InputEvent> Releases() const;

 private:
  std::vector<InputEvent> down_;
};

// Where a run of events may be cut into chunks: the ends of the chunks, each
// at most `most` events after the one before (a stroke longer than that
// makes a longer chunk), each where no key but a modifier is down. Written
// characters make chunks of their own. The last end is events.size().
std::vector<std::size_t> ChunkEnds(const std::vector<InputEvent>& events, std::size_t most);

// Types one piece of key notation. Throws RuntimeError: InvalidCall for
// invalid notation (nothing typed), SendFailed when the system refused
// events, or the target did not read them in time or vanished (everything
// pressed released again, Caps Lock restored). With `wait`, returns only
// after the target has read every event; without it, the last chunk may
// still be on its way.
void TypeKeys(ustring_view keys, KeyboardTarget& target, bool wait);

}  // namespace rt
