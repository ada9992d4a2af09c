// A keyboard and a target program without a system, for tests: real
// keyboard layouts (US, German, French: AltGr levels, dead keys, keys that
// Caps Lock shifts), the system's key state with left and right modifiers
// told apart as Windows tells them apart (Ctrl and Alt by the extended-key
// flag, Shift by its scan code), and a target that reads the injected events
// at its own pace and turns them into text as a real program does. The
// target reads as virtual time passes (fake_clock.h): readPerMs events in
// each millisecond that the typer sleeps or a test lets pass.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

#include "platform/fake/fake_clock.h"
#include "platform/key_typer.h"

namespace rt::fake {

// One key of a layout: what it types at each level (none, Shift, AltGr,
// Shift+AltGr; empty for nothing), which levels are dead keys, and whether
// Caps Lock acts on it as Shift does.
struct LayoutKey {
  std::uint16_t vk = 0;
  std::uint16_t scan = 0;
  ustring levels[4];
  unsigned dead = 0;  // bit n: level n is a dead key
  bool caps = false;
};

struct KeyboardLayout {
  std::string name;
  bool altGr = false;  // right Alt is AltGr (it acts as Ctrl+Alt)
  std::vector<LayoutKey> keys;
  // A dead key followed by a character: what the pair types.
  struct Combination {
    char16_t dead;
    char16_t base;
    char16_t result;
  };
  std::vector<Combination> combinations;

  const LayoutKey* Find(std::uint16_t vk) const;
};

const KeyboardLayout& UsLayout();
const KeyboardLayout& GermanLayout();
const KeyboardLayout& FrenchLayout();
std::vector<const KeyboardLayout*> AllLayouts();

// The physical keys that modifiers are, as the system's key state has them.
enum class Modifier { LShift, RShift, LCtrl, RCtrl, LAlt, RAlt, LWin, RWin };

class FakeKeyboard : public KeyboardTarget, private FakeClock::Watcher {
 public:
  // On a clock of its own unless given one to share.
  explicit FakeKeyboard(const KeyboardLayout& layout = UsLayout(), FakeClock* clock = nullptr);
  ~FakeKeyboard() override;
  FakeKeyboard(const FakeKeyboard&) = delete;
  FakeKeyboard& operator=(const FakeKeyboard&) = delete;

  KeyOutput Translate(std::uint16_t vk, bool shift) override;
  KeyOutput TranslateAltGr(std::uint16_t vk, bool shift) override;
  bool IsConsole() override { return !readsCharacters; }
  bool CanWrite(char16_t ch, std::uint16_t& vk) override;
  std::uint16_t ScanCode(std::uint16_t vk) override;
  bool IsKeyDown(std::uint16_t vk) override;
  // Until the target reads a Caps Lock key, a system whose reading is reset
  // reports it off.
  bool CapsLockOn() override { return capsLockKnown || capsRead_ ? caps : false; }
  bool CapsLockKnown() override { return capsLockKnown; }
  std::size_t Inject(const std::vector<InputEvent>& events) override;
  TargetKey ReadKey(std::uint16_t vk) override;
  Clock& Time() override { return clock; }
  std::size_t ChunkEvents() override { return chunkEvents; }
  std::size_t DeliveryEvents() override { return deliveryEvents ? deliveryEvents : chunkEvents; }
  KeyFocus Focus() override { return focus; }
  bool WindowExists(WindowHandle window) override { return window == kTargetWindow ? !gone_ : window != 0; }

  // The user holds a modifier down (before the send starts).
  void Hold(Modifier key);
  // Lets the target read everything still queued, as time passing would.
  void Drain();
  // Keys still down in the system, by name ("RCtrl", "vk41"): none should be.
  std::vector<std::string> KeysDown() const;

  // The target is this window of this program.
  static constexpr WindowHandle kTargetWindow = 1;
  static constexpr std::uint64_t kTargetProgram = 1;

  // The clock the target reads on.
  FakeClock& clock;

  // What arrived in the target.
  ustring text;
  std::vector<std::string> keys;  // named keys and shortcuts: "Left", "Shift+F10", "Ctrl+C"
  int menusOpened = 0;            // Alt or Win pressed and released alone
  int dropped = 0;                // character input the target ignored
  bool caps = false;              // the target's Caps Lock

  // How the target behaves.
  bool readsCharacters = true;    // false: a console, which drops characters that come without a key,
                                  // and takes written strokes of the keys of its layout
  bool altGrChordsType = true;    // false: injected Ctrl+Alt types nothing (Wine: it is a shortcut)
  bool capsLockKnown = true;      // false: Caps Lock reads as off until the target reads its key
  int readPerMs = 4;              // events the target reads each millisecond
  bool hung = false;              // reads nothing, and says it does not respond
  long goneAfterReading = -1;     // the window vanishes after reading that many events
  bool observable = true;         // false: its input state cannot be read
  long refuseAt = -1;             // the system refuses the event with that number, once
  std::size_t chunkEvents = kChunkEvents;  // what the system's input path holds
  std::size_t deliveryEvents = 0;          // 0: as chunkEvents
  // Where the keys go: the target, until another window takes the focus
  // after the target has read that many events (or the target vanishes).
  KeyFocus focus{kTargetWindow, kTargetProgram};
  long focusMovesAfterReading = -1;
  KeyFocus movedTo{2, 2};
  long focusBackAfterMs = -1;  // the focus comes back to the target that long after it moved

  // What arrived in the window that had the focus instead of the target.
  ustring strayText;
  std::vector<std::string> strayKeys;

  // What the typer did.
  std::deque<InputEvent> queue;   // sent but not yet read by the target
  int written = 0;                // characters written straight into the console's input
  long injected = 0;
  long read = 0;
  int injectCalls = 0;
  std::size_t maxChunk = 0;
  std::vector<std::size_t> chunks;  // the size of every injection, in order
  bool refused = false;
  std::vector<InputEvent> sent;   // every event the system accepted

 private:
  // A millisecond passes: the target reads.
  void Passed(std::uint64_t now) override;
  void Read(const InputEvent& e);
  void TypeChar(char16_t ch);
  // The clock when none is shared (`clock` is bound to it before it is
  // made, and used only after).
  FakeClock ownClock_;
  bool Stray() const { return focus.window != kTargetWindow && focus.program != kTargetProgram; }
  std::string ModifierPrefix() const;
  bool Has(Modifier m) const { return modifiersDown_.count(m) != 0; }

  const KeyboardLayout& layout_;
  std::set<Modifier> modifiersDown_;
  std::set<std::uint16_t> otherKeysDown_;  // by virtual key
  std::set<Modifier> aloneSincePress_;     // Alt or Win keys with nothing pressed since
  char16_t pendingDead_ = 0;
  bool gone_ = false;
  // For each event in the queue: whether it went to another window (the
  // focus was elsewhere when the system took it), and for the event being
  // read.
  std::deque<bool> queueStray_;
  bool capsRead_ = false;
  bool readingStray_ = false;
  bool readingLost_ = false;  // the event was on its way to a target that has gone
  ustring lostText_;
  ustring& Text() { return readingLost_ ? lostText_ : readingStray_ ? strayText : text; }
  std::uint64_t movedAt_ = 0;
};

}  // namespace rt::fake
