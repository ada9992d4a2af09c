#include "platform/fake/fake_keyboard.h"

#include <algorithm>

namespace rt::fake {

namespace {

// Scan codes of the keys that are not in a layout's table.
std::uint16_t FixedScanCode(std::uint16_t vk) {
  switch (vk) {
    case 0x10: case kVkLShift: return 0x2A;
    case kVkRShift: return 0x36;
    case 0x11: case kVkLControl: case kVkRControl: return 0x1D;
    case 0x12: case kVkLMenu: case kVkRMenu: return 0x38;
    case kVkLWin: return 0x5B;
    case kVkRWin: return 0x5C;
    case kVkCapital: return 0x3A;
    case 0x08: return 0x0E;
    case 0x09: return 0x0F;
    case 0x0D: return 0x1C;
    case 0x1B: return 0x01;
    case 0x21: return 0x49;
    case 0x22: return 0x51;
    case 0x23: return 0x4F;
    case 0x24: return 0x47;
    case 0x25: return 0x4B;
    case 0x26: return 0x48;
    case 0x27: return 0x4D;
    case 0x28: return 0x50;
    case 0x2D: return 0x52;
    case 0x2E: return 0x53;
    default:
      if (vk >= 0x70 && vk <= 0x79) return static_cast<std::uint16_t>(0x3B + vk - 0x70);
      return 0;
  }
}

std::string KeyName(std::uint16_t vk) {
  switch (vk) {
    case 0x08: return "Backspace";
    case 0x13: return "Break";
    case 0x1B: return "Esc";
    case 0x21: return "PgUp";
    case 0x22: return "PgDn";
    case 0x23: return "End";
    case 0x24: return "Home";
    case 0x25: return "Left";
    case 0x26: return "Up";
    case 0x27: return "Right";
    case 0x28: return "Down";
    case 0x2C: return "PrtSc";
    case 0x2D: return "Insert";
    case 0x2E: return "Delete";
    case 0x2F: return "Help";
    case 0x90: return "NumLock";
    case 0x91: return "ScrollLock";
    default: break;
  }
  if (vk >= 0x70 && vk <= 0x7F) return "F" + std::to_string(vk - 0x70 + 1);
  if ((vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9')) return std::string(1, static_cast<char>(vk));
  return "vk" + std::to_string(vk);
}

const char* ModifierName(Modifier m) {
  static const char* const names[] = {"LShift", "RShift", "LCtrl", "RCtrl", "LAlt", "RAlt", "LWin", "RWin"};
  return names[static_cast<int>(m)];
}

// Which physical modifier an event is, as the system decides it; false for
// other keys.
bool AsModifier(const InputEvent& e, Modifier& m) {
  switch (e.vk) {
    case 0x10: case kVkLShift: case kVkRShift:
      m = e.code == 0x36 ? Modifier::RShift : Modifier::LShift;
      return true;
    case 0x11: case kVkLControl: case kVkRControl:
      m = e.extended ? Modifier::RCtrl : Modifier::LCtrl;
      return true;
    case 0x12: case kVkLMenu: case kVkRMenu:
      m = e.extended ? Modifier::RAlt : Modifier::LAlt;
      return true;
    case kVkLWin:
      m = Modifier::LWin;
      return true;
    case kVkRWin:
      m = Modifier::RWin;
      return true;
    default:
      return false;
  }
}

}  // namespace

FakeKeyboard::FakeKeyboard(const KeyboardLayout& layout, FakeClock* clock)
    : clock(clock ? *clock : ownClock_), layout_(layout) {
  this->clock.Watch(*this);
}

FakeKeyboard::~FakeKeyboard() { clock.Unwatch(*this); }

KeyOutput FakeKeyboard::Translate(std::uint16_t vk, bool shift) {
  if (vk == 0x09) return {u"\t", false};
  if (vk == 0x0D) return {u"\r", false};
  const LayoutKey* key = layout_.Find(vk);
  if (!key) return {};
  int level = shift ? 1 : 0;
  return {key->levels[level], (key->dead & (1u << level)) != 0};
}

KeyOutput FakeKeyboard::TranslateAltGr(std::uint16_t vk, bool shift) {
  const LayoutKey* key = layout_.Find(vk);
  if (!key || !layout_.altGr || !altGrChordsType) return {};
  int level = shift ? 3 : 2;
  return {key->levels[level], (key->dead & (1u << level)) != 0};
}

bool FakeKeyboard::CanWrite(char16_t ch, std::uint16_t& vk) {
  if (readsCharacters) return false;
  for (const LayoutKey& key : layout_.keys) {
    for (int level = 0; level < 4; ++level) {
      if (level >= 2 && !layout_.altGr) break;
      if (key.levels[level] == ustring(1, ch)) {
        vk = key.vk;
        return true;
      }
    }
  }
  return false;
}

std::uint16_t FakeKeyboard::ScanCode(std::uint16_t vk) {
  if (const LayoutKey* key = layout_.Find(vk)) return key->scan;
  return FixedScanCode(vk);
}

bool FakeKeyboard::IsKeyDown(std::uint16_t vk) {
  switch (vk) {
    case kVkLShift: return Has(Modifier::LShift);
    case kVkRShift: return Has(Modifier::RShift);
    case kVkLControl: return Has(Modifier::LCtrl);
    case kVkRControl: return Has(Modifier::RCtrl);
    case kVkLMenu: return Has(Modifier::LAlt);
    case kVkRMenu: return Has(Modifier::RAlt);
    case kVkLWin: return Has(Modifier::LWin);
    case kVkRWin: return Has(Modifier::RWin);
    default: return otherKeysDown_.count(vk) != 0;
  }
}

void FakeKeyboard::Hold(Modifier key) {
  modifiersDown_.insert(key);
  if (key == Modifier::LAlt || key == Modifier::RAlt || key == Modifier::LWin || key == Modifier::RWin) {
    aloneSincePress_.insert(key);
  }
}

std::size_t FakeKeyboard::Inject(const std::vector<InputEvent>& events) {
  ++injectCalls;
  maxChunk = std::max(maxChunk, events.size());
  chunks.push_back(events.size());
  std::size_t accepted = 0;
  for (const InputEvent& e : events) {
    if (refuseAt >= 0 && !refused && injected >= refuseAt) {
      refused = true;  // one refusal; later injections go through again
      break;
    }
    if (e.direct) {
      // Into the console's input at once, ahead of what is still queued.
      ++written;
      std::uint16_t vk = 0;
      if (CanWrite(static_cast<char16_t>(e.code), vk)) text.push_back(static_cast<char16_t>(e.code));
      else ++dropped;
    } else {
      queue.push_back(e);
      queueStray_.push_back(Stray());
    }
    sent.push_back(e);
    ++injected;
    ++accepted;
  }
  return accepted;
}

TargetKey FakeKeyboard::ReadKey(std::uint16_t vk) {
  if (!observable) return TargetKey::Unobservable;
  if (gone_) return TargetKey::Gone;
  if (hung) return TargetKey::Busy;
  return otherKeysDown_.count(vk) ? TargetKey::Down : TargetKey::Up;
}

void FakeKeyboard::Passed(std::uint64_t now) {
  if (focusBackAfterMs >= 0 && focus != KeyFocus{kTargetWindow, kTargetProgram} && !gone_ &&
      now - movedAt_ >= static_cast<std::uint64_t>(focusBackAfterMs)) {
    focus = {kTargetWindow, kTargetProgram};
  }
  // Once the target has gone, the system still takes what was on its way to
  // it: the keys' state changes, their text goes nowhere.
  for (int i = 0; i < readPerMs && !hung && !queue.empty(); ++i) {
    InputEvent e = queue.front();
    queue.pop_front();
    readingStray_ = queueStray_.front();
    readingLost_ = gone_ && !readingStray_;
    queueStray_.pop_front();
    Read(e);
    ++read;
    if (goneAfterReading >= 0 && read >= goneAfterReading && !gone_) {
      gone_ = true;
      focus = movedTo;  // the window manager gives the focus to another window
    }
    if (focusMovesAfterReading >= 0 && read == focusMovesAfterReading) {
      focus = movedTo;
      movedAt_ = now;
    }
  }
}

void FakeKeyboard::Drain() {
  while (!queue.empty() && !hung) clock.Advance(1);
}

std::vector<std::string> FakeKeyboard::KeysDown() const {
  std::vector<std::string> names;
  for (Modifier m : modifiersDown_) names.push_back(ModifierName(m));
  for (std::uint16_t vk : otherKeysDown_) names.push_back(KeyName(vk));
  return names;
}

std::string FakeKeyboard::ModifierPrefix() const {
  std::string prefix;
  if (Has(Modifier::LCtrl) || Has(Modifier::RCtrl)) prefix += "Ctrl+";
  if (Has(Modifier::LAlt) || Has(Modifier::RAlt)) prefix += "Alt+";
  if (Has(Modifier::LWin) || Has(Modifier::RWin)) prefix += "Win+";
  if (Has(Modifier::LShift) || Has(Modifier::RShift)) prefix += "Shift+";
  return prefix;
}

void FakeKeyboard::TypeChar(char16_t ch) {
  ustring& out = Text();
  if (pendingDead_) {
    char16_t dead = pendingDead_;
    pendingDead_ = 0;
    for (const auto& c : layout_.combinations) {
      if (c.dead == dead && c.base == ch) {
        out.push_back(c.result);
        return;
      }
    }
    out.push_back(dead);
  }
  out.push_back(ch);
}

void FakeKeyboard::Read(const InputEvent& e) {
  if (e.unicode) {
    if (e.up) return;
    if (!readsCharacters) {
      ++dropped;
      return;
    }
    pendingDead_ = 0;  // a character that no key typed ends a dead key's wait
    Text().push_back(static_cast<char16_t>(e.code));
    return;
  }
  Modifier m;
  if (AsModifier(e, m)) {
    if (e.up) {
      if (modifiersDown_.erase(m) && aloneSincePress_.erase(m)) ++menusOpened;
    } else {
      aloneSincePress_.clear();
      Hold(m);
    }
    return;
  }
  if (e.up) {
    otherKeysDown_.erase(e.vk);
    return;
  }
  otherKeysDown_.insert(e.vk);
  aloneSincePress_.clear();
  if (e.vk == kVkCapital) {
    caps = !caps;
    capsRead_ = true;
    return;
  }
  if (e.vk == kVkMarker || e.vk == kVkMask) return;

  bool shift = Has(Modifier::LShift) || Has(Modifier::RShift);
  bool ctrl = Has(Modifier::LCtrl) || Has(Modifier::RCtrl);
  bool alt = Has(Modifier::LAlt) || Has(Modifier::RAlt);
  bool win = Has(Modifier::LWin) || Has(Modifier::RWin);
  bool altGr = layout_.altGr && altGrChordsType && (Has(Modifier::RAlt) || (ctrl && alt));
  const LayoutKey* key = layout_.Find(e.vk);
  if (key && !win && (altGr || (!ctrl && !alt))) {
    int level = altGr ? 2 : ((shift != (caps && key->caps)) ? 1 : 0);
    if (altGr && shift) level = 3;
    const ustring& out = key->levels[level];
    if (out.empty()) return;
    if (key->dead & (1u << level)) {
      if (pendingDead_) TypeChar(out[0]);  // the second dead key types both
      else pendingDead_ = out[0];
      return;
    }
    for (char16_t ch : out) TypeChar(ch);
    return;
  }
  if (!ctrl && !alt && !win && (e.vk == 0x0D || e.vk == 0x09)) {
    TypeChar(e.vk == 0x0D ? u'\n' : u'\t');
    return;
  }
  if (!readingLost_) (readingStray_ ? strayKeys : keys).push_back(ModifierPrefix() + KeyName(e.vk));
}

}  // namespace rt::fake
