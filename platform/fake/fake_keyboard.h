// A keyboard and a target program without a system, for tests: real
// keyboard layouts (US, German, French: AltGr levels, dead keys, keys that
// Caps Lock shifts), the system's key state with left and right modifiers
// told apart as Windows tells them apart (Ctrl and Alt by the extended-key
// flag, Shift by its scan code), and a target that reads the injected events
// at its own pace and turns them into text as a real program does.
#pragma once

#include <cstdint>
#include <deque>
#include <set>
#include <string>
#include <vector>

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

class FakeKeyboard : public KeyboardTarget {
 public:
  explicit FakeKeyboard(const KeyboardLayout& layout = UsLayout());

  KeyOutput Translate(std::uint16_t vk, bool shift) override;
  std::uint16_t ScanCode(std::uint16_t vk) override;
  bool IsKeyDown(std::uint16_t vk) override;
  bool CapsLockOn() override { return caps; }
  std::size_t Inject(const std::vector<InputEvent>& events) override;
  TargetKey ReadKey(std::uint16_t vk) override;
  std::uint64_t Milliseconds() override { return now; }
  void Nap() override;
  std::size_t ChunkEvents() override { return chunkEvents; }

  // The user holds a modifier down (before the send starts).
  void Hold(Modifier key);
  // Lets the target read everything still queued, as time passing would.
  void Drain();
  // Keys still down in the system, by name ("RCtrl", "vk41"): none should be.
  std::vector<std::string> KeysDown() const;

  // What arrived in the target.
  ustring text;
  std::vector<std::string> keys;  // named keys and shortcuts: "Left", "Shift+F10", "Ctrl+C"
  int menusOpened = 0;            // Alt or Win pressed and released alone
  int dropped = 0;                // character input the target ignored
  bool caps = false;              // the target's Caps Lock

  // How the target behaves.
  bool readsCharacters = true;    // false: a console, which reads only keys
  int readPerMs = 4;              // events the target reads each millisecond
  bool hung = false;              // reads nothing, and says it does not respond
  long goneAfterReading = -1;     // the window vanishes after reading that many events
  bool observable = true;         // false: its input state cannot be read
  long refuseAt = -1;             // the system refuses the event with that number, once
  std::size_t chunkEvents = kChunkEvents;  // what the system's input path holds

  // What the typer did.
  std::deque<InputEvent> queue;   // sent but not yet read by the target
  std::uint64_t now = 0;
  long injected = 0;
  long read = 0;
  int injectCalls = 0;
  std::size_t maxChunk = 0;
  bool refused = false;
  std::vector<InputEvent> sent;   // every event the system accepted

 private:
  void Read(const InputEvent& e);
  void TypeChar(char16_t ch);
  std::string ModifierPrefix() const;
  bool Has(Modifier m) const { return modifiersDown_.count(m) != 0; }

  const KeyboardLayout& layout_;
  std::set<Modifier> modifiersDown_;
  std::set<std::uint16_t> otherKeysDown_;  // by virtual key
  std::set<Modifier> aloneSincePress_;     // Alt or Win keys with nothing pressed since
  char16_t pendingDead_ = 0;
  bool gone_ = false;
};

}  // namespace rt::fake
