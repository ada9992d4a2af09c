// The events that type key strokes on a layout, and where they may be cut
// into chunks.
#include <algorithm>

#include "platform/key_typer.h"
#include "platform/virtual_keys.h"

namespace rt {

namespace {

bool IsModifierKey(std::uint16_t vk) {
  return ModifierBitOf(vk) != 0 ||
         std::find(std::begin(kPhysicalModifiers), std::end(kPhysicalModifiers), vk) != std::end(kPhysicalModifiers);
}

// The one character a key types, when it types exactly one that is not a
// control character (Tab and Enter excepted) nor half a surrogate pair, and
// is not a dead key.
bool SingleCharacter(const KeyOutput& out, char16_t& ch) {
  if (out.dead || out.text.size() != 1) return false;
  ch = out.text[0];
  if (ch < 0x20 && ch != u'\t' && ch != u'\r') return false;
  return !IsSurrogate(ch);
}

}  // namespace

InputEvent KeyEvent(KeyboardTarget& target, std::uint16_t vk, bool up, bool extended) {
  return {false, vk, target.ScanCode(vk), up, extended};
}

void Tap(std::vector<InputEvent>& events, KeyboardTarget& target, std::uint16_t vk) {
  events.push_back(KeyEvent(target, vk, false));
  events.push_back(KeyEvent(target, vk, true));
}

void PressedKeys::Apply(const InputEvent& e) {
  if (e.direct) return;
  auto same = [&](const InputEvent& d) { return d.unicode == e.unicode && d.vk == e.vk && d.code == e.code; };
  auto it = std::find_if(down_.begin(), down_.end(), same);
  if (e.up) {
    if (it != down_.end()) down_.erase(it);
  } else if (it == down_.end()) {
    down_.push_back(e);
  }
}

std::vector<InputEvent> PressedKeys::Releases() const {
  std::vector<InputEvent> ups;
  for (auto it = down_.rbegin(); it != down_.rend(); ++it) {
    InputEvent up = *it;
    up.up = true;
    ups.push_back(up);
  }
  return ups;
}

std::vector<std::size_t> ChunkEnds(const std::vector<InputEvent>& events, std::size_t most) {
  std::vector<std::size_t> ends;
  PressedKeys keys;  // keys other than modifiers
  std::size_t begin = 0;  // where the chunk being built begins
  std::size_t cut = 0;    // its latest place to end, 0 for none yet
  for (std::size_t i = 0; i < events.size(); ++i) {
    if (events[i].direct) {
      // Apart from the rest: what comes before them has been read when they
      // go.
      if (i > begin) ends.push_back(i);
      while (i + 1 < events.size() && events[i + 1].direct) ++i;
      ends.push_back(i + 1);
      begin = cut = i + 1;
      continue;
    }
    if (events[i].unicode || !IsModifierKey(events[i].vk)) keys.Apply(events[i]);
    if (!keys.Empty()) continue;
    std::size_t end = i + 1;
    if (end - begin > most && cut > begin) {
      ends.push_back(cut);
      begin = cut;
    }
    cut = end;
  }
  if (begin < events.size()) ends.push_back(events.size());
  return ends;
}

bool IsExtendedModifier(std::uint16_t vk) {
  return vk == kVkRControl || vk == kVkRMenu || vk == kVkLWin || vk == kVkRWin;
}

LayoutMap::LayoutMap(KeyboardTarget& target) {
  for (std::span<const std::uint16_t> group : kCharacterKeyGroups) {
    for (bool shift : {false, true}) {
      for (std::uint16_t vk : group) {
        char16_t ch;
        if (SingleCharacter(target.Translate(vk, shift), ch)) keys_.try_emplace(ch, Key{vk, shift});
      }
    }
  }
  // The AltGr levels of the main block, for what no key types with at most
  // Shift.
  for (bool shift : {false, true}) {
    for (std::uint16_t vk : kMainCharacterKeys) {
      char16_t ch;
      if (SingleCharacter(target.TranslateAltGr(vk, shift), ch) && !keys_.count(ch)) altGr_.try_emplace(ch, Key{vk, shift});
    }
  }
}

bool LayoutMap::Find(char16_t ch, Key& key) const {
  auto it = keys_.find(ch);
  if (it == keys_.end()) return false;
  key = it->second;
  return true;
}

bool LayoutMap::FindAltGr(char16_t ch, Key& key) const {
  auto it = altGr_.find(ch);
  if (it == altGr_.end()) return false;
  key = it->second;
  return true;
}

std::vector<InputEvent> BuildEvents(const std::vector<KeyStroke>& strokes, const LayoutMap& layout,
                                    KeyboardTarget& target) {
  std::vector<InputEvent> events;
  const bool console = target.IsConsole();
  int held = 0;  // modifiers the script holds down
  for (const KeyStroke& s : strokes) {
    switch (s.kind) {
      case KeyStroke::Kind::Hold:
        events.push_back(KeyEvent(target, s.vk, false));
        held |= ModifierBitOf(s.vk);
        break;
      case KeyStroke::Kind::Release:
        events.push_back(KeyEvent(target, s.vk, true));
        held &= ~ModifierBitOf(s.vk);
        break;
      case KeyStroke::Kind::Press:
        events.push_back(KeyEvent(target, s.vk, false, s.extended));
        events.push_back(KeyEvent(target, s.vk, true, s.extended));
        break;
      case KeyStroke::Kind::Char: {
        LayoutMap::Key key;
        std::uint16_t writtenKey = 0;
        if (s.text.size() == 1 && layout.Find(s.text[0], key)) {
          bool addShift = key.shift && !(held & kShift);
          if (addShift) events.push_back(KeyEvent(target, kVkShift, false));
          Tap(events, target, key.vk);
          if (addShift) events.push_back(KeyEvent(target, kVkShift, true));
        } else if (console && held == 0 && s.text.size() == 1 && layout.FindAltGr(s.text[0], key)) {
          // AltGr as a keyboard sends it: left Ctrl and right Alt.
          events.push_back(KeyEvent(target, kVkLControl, false));
          events.push_back(KeyEvent(target, kVkRMenu, false, true));
          if (key.shift) events.push_back(KeyEvent(target, kVkShift, false));
          Tap(events, target, key.vk);
          if (key.shift) events.push_back(KeyEvent(target, kVkShift, true));
          events.push_back(KeyEvent(target, kVkRMenu, true, true));
          events.push_back(KeyEvent(target, kVkLControl, true));
        } else if (console && s.text.size() == 1 && target.CanWrite(s.text[0], writtenKey)) {
          InputEvent written{false, writtenKey, s.text[0], false, false};
          written.direct = true;
          events.push_back(written);
        } else {
          // No key of the layout types it with at most Shift: typed as the
          // character itself.
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

}  // namespace rt
