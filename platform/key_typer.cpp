#include "platform/key_typer.h"

#include <algorithm>

#include "platform/errors.h"

namespace rt {

namespace {

InputEvent KeyEvent(KeyboardTarget& target, std::uint16_t vk, bool up, bool extended = false) {
  return {false, vk, target.ScanCode(vk), up, extended};
}

std::uint16_t ModifierVk(int bit) { return bit == kShift ? kVkShift : bit == kCtrl ? kVkControl : kVkMenu; }

// Which keys are down after a run of events, so that a failure can release
// exactly those.
class PressedKeys {
 public:
  void Apply(const InputEvent& e) {
    auto same = [&](const InputEvent& d) { return d.unicode == e.unicode && d.vk == e.vk && d.code == e.code; };
    auto it = std::find_if(down_.begin(), down_.end(), same);
    if (e.up) {
      if (it != down_.end()) down_.erase(it);
    } else if (it == down_.end()) {
      down_.push_back(e);
    }
  }
  std::vector<InputEvent> Releases() const {
    std::vector<InputEvent> ups;
    for (auto it = down_.rbegin(); it != down_.rend(); ++it) {
      InputEvent up = *it;
      up.up = true;
      ups.push_back(up);
    }
    return ups;
  }

 private:
  std::vector<InputEvent> down_;
};

}  // namespace

std::vector<InputEvent> BuildEvents(const std::vector<KeyStroke>& strokes, KeyboardTarget& target) {
  std::vector<InputEvent> events;
  int held = 0;  // modifiers the script holds down
  bool caps = target.CapsLockOn();
  for (const KeyStroke& s : strokes) {
    switch (s.kind) {
      case KeyStroke::Kind::Hold:
        events.push_back(KeyEvent(target, s.vk, false));
        held |= s.vk == kVkShift ? kShift : s.vk == kVkControl ? kCtrl : kAlt;
        break;
      case KeyStroke::Kind::Release:
        events.push_back(KeyEvent(target, s.vk, true));
        held &= ~(s.vk == kVkShift ? kShift : s.vk == kVkControl ? kCtrl : kAlt);
        break;
      case KeyStroke::Kind::Press:
        events.push_back(KeyEvent(target, s.vk, false, s.extended));
        events.push_back(KeyEvent(target, s.vk, true, s.extended));
        break;
      case KeyStroke::Kind::Char: {
        std::uint16_t vk = 0;
        int needed = 0;
        if (s.text.size() == 1 && target.KeyForChar(s.text[0], vk, needed)) {
          // Caps Lock turns the letters round; the shift state undoes it.
          if (caps && vk >= 'A' && vk <= 'Z') needed ^= kShift;
          int extra = needed & ~held;
          for (int bit : {kShift, kCtrl, kAlt}) {
            if (extra & bit) events.push_back(KeyEvent(target, ModifierVk(bit), false));
          }
          events.push_back(KeyEvent(target, vk, false));
          events.push_back(KeyEvent(target, vk, true));
          for (int bit : {kAlt, kCtrl, kShift}) {
            if (extra & bit) events.push_back(KeyEvent(target, ModifierVk(bit), true));
          }
        } else {
          // No key of the layout makes it: typed as the character itself.
          for (char16_t unit : s.text) {
            events.push_back({true, 0, unit, false, false});
            events.push_back({true, 0, unit, true, false});
          }
        }
        break;
      }
    }
  }
  return events;
}

void TypeKeys(ustring_view keys, KeyboardTarget& target, bool wait) {
  std::vector<KeyStroke> strokes = ParseKeys(keys);  // throws before typing

  std::vector<InputEvent> events;
  for (std::uint16_t vk : kPhysicalModifiers) {
    if (target.IsKeyDown(vk)) events.push_back(KeyEvent(target, vk, true));
  }
  std::vector<InputEvent> typed = BuildEvents(strokes, target);
  events.insert(events.end(), typed.begin(), typed.end());
  if (events.empty()) return;

  PressedKeys pressed;
  for (std::size_t start = 0; start < events.size(); start += kChunkEvents) {
    std::size_t end = std::min(events.size(), start + kChunkEvents);
    std::vector<InputEvent> chunk(events.begin() + static_cast<std::ptrdiff_t>(start),
                                  events.begin() + static_cast<std::ptrdiff_t>(end));
    std::size_t accepted = std::min(target.Inject(chunk), chunk.size());
    for (std::size_t i = 0; i < accepted; ++i) pressed.Apply(chunk[i]);
    const char* failure = nullptr;
    if (accepted < chunk.size()) {
      failure = "the system did not accept the keys";
    } else if ((end < events.size() || wait) && !target.WaitForTarget()) {
      // Pacing: the target takes in each chunk before the next one comes, so
      // that nothing overflows its input queue. One that stops answering
      // would only lose the rest.
      failure = "the window does not respond";
    }
    if (failure) {
      std::vector<InputEvent> ups = pressed.Releases();
      if (!ups.empty()) target.Inject(ups);
      throw RuntimeError(ErrorCode::SendFailed, failure);
    }
  }
}

}  // namespace rt
