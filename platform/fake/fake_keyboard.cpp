#include "platform/fake/fake_keyboard.h"

#include <algorithm>

namespace rt::fake {

namespace {

constexpr unsigned kDead0 = 1, kDead1 = 2, kDead2 = 4;

LayoutKey K(std::uint16_t vk, std::uint16_t scan, const char* base, const char* shift, const char* altGr = "",
            unsigned dead = 0, bool caps = false) {
  LayoutKey key;
  key.vk = vk;
  key.scan = scan;
  key.levels[0] = FromUtf8(base);
  key.levels[1] = FromUtf8(shift);
  key.levels[2] = FromUtf8(altGr);
  key.dead = dead;
  key.caps = caps;
  return key;
}

// A letter key: Caps Lock acts on it.
LayoutKey L(char letter, std::uint16_t scan, const char* altGr = "") {
  char lower[2] = {static_cast<char>(letter - 'A' + 'a'), 0};
  char upper[2] = {letter, 0};
  return K(static_cast<std::uint16_t>(letter), scan, lower, upper, altGr, 0, true);
}

// Keys every layout here shares: Space and the keypad's operators and digits.
void AddCommonKeys(KeyboardLayout& layout) {
  layout.keys.push_back(K(0x20, 0x39, " ", " "));
  layout.keys.push_back(K(0x6A, 0x37, "*", "*"));
  layout.keys.push_back(K(0x6B, 0x4E, "+", "+"));
  layout.keys.push_back(K(0x6D, 0x4A, "-", "-"));
  layout.keys.push_back(K(0x6F, 0x35, "/", "/"));
  const std::uint16_t padScans[] = {0x52, 0x4F, 0x50, 0x51, 0x4B, 0x4C, 0x4D, 0x47, 0x48, 0x49};
  for (int d = 0; d < 10; ++d) {
    char digit[2] = {static_cast<char>('0' + d), 0};
    layout.keys.push_back(K(static_cast<std::uint16_t>(0x60 + d), padScans[d], digit, digit));
  }
}

// The letters at their US places; a layout moves some of them.
void AddLetters(KeyboardLayout& layout, const char* row1, const char* row2, const char* row3) {
  std::uint16_t scan = 0x10;
  for (const char* c = row1; *c; ++c) layout.keys.push_back(L(*c, scan++));
  scan = 0x1E;
  for (const char* c = row2; *c; ++c) layout.keys.push_back(L(*c, scan++));
  scan = 0x2C;
  for (const char* c = row3; *c; ++c) layout.keys.push_back(L(*c, scan++));
}

void AddCombinations(KeyboardLayout& layout, char16_t dead, const char* bases, const char* results) {
  ustring b = FromUtf8(bases), r = FromUtf8(results);
  for (std::size_t i = 0; i < b.size() && i < r.size(); ++i) layout.combinations.push_back({dead, b[i], r[i]});
  layout.combinations.push_back({dead, u' ', dead});
}

KeyboardLayout MakeUs() {
  KeyboardLayout l;
  l.name = "us";
  AddCommonKeys(l);
  AddLetters(l, "QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM");
  const char* digits[] = {"1!", "2@", "3#", "4$", "5%", "6^", "7&", "8*", "9(", "0)"};
  for (int i = 0; i < 10; ++i) {
    std::uint16_t vk = static_cast<std::uint16_t>(i == 9 ? '0' : '1' + i);
    char base[2] = {digits[i][0], 0}, shift[2] = {digits[i][1], 0};
    l.keys.push_back(K(vk, static_cast<std::uint16_t>(0x02 + i), base, shift));
  }
  l.keys.push_back(K(0xC0, 0x29, "`", "~"));
  l.keys.push_back(K(0xBD, 0x0C, "-", "_"));
  l.keys.push_back(K(0xBB, 0x0D, "=", "+"));
  l.keys.push_back(K(0xDB, 0x1A, "[", "{"));
  l.keys.push_back(K(0xDD, 0x1B, "]", "}"));
  l.keys.push_back(K(0xDC, 0x2B, "\\", "|"));
  l.keys.push_back(K(0xBA, 0x27, ";", ":"));
  l.keys.push_back(K(0xDE, 0x28, "'", "\""));
  l.keys.push_back(K(0xBC, 0x33, ",", "<"));
  l.keys.push_back(K(0xBE, 0x34, ".", ">"));
  l.keys.push_back(K(0xBF, 0x35, "/", "?"));
  l.keys.push_back(K(0xE2, 0x56, "\\", "|"));
  return l;
}

KeyboardLayout MakeGerman() {
  KeyboardLayout l;
  l.name = "de";
  l.altGr = true;
  AddCommonKeys(l);
  // QWERTZ: Z and Y change places.
  AddLetters(l, "QWERTZUIOP", "ASDFGHJKL", "YXCVBNM");
  for (LayoutKey& k : l.keys) {
    if (k.vk == 'Q') k.levels[2] = u"@";
    if (k.vk == 'E') k.levels[2] = u"\u20AC";
    if (k.vk == 'M') k.levels[2] = u"\u00B5";
  }
  l.keys.push_back(K('1', 0x02, "1", "!"));
  l.keys.push_back(K('2', 0x03, "2", "\"", "\u00B2"));
  l.keys.push_back(K('3', 0x04, "3", "\u00A7", "\u00B3"));
  l.keys.push_back(K('4', 0x05, "4", "$"));
  l.keys.push_back(K('5', 0x06, "5", "%"));
  l.keys.push_back(K('6', 0x07, "6", "&"));
  l.keys.push_back(K('7', 0x08, "7", "/", "{"));
  l.keys.push_back(K('8', 0x09, "8", "(", "["));
  l.keys.push_back(K('9', 0x0A, "9", ")", "]"));
  l.keys.push_back(K('0', 0x0B, "0", "=", "}"));
  l.keys.push_back(K(0xDC, 0x29, "^", "\u00B0", "", kDead0));
  l.keys.push_back(K(0xDB, 0x0C, "\u00DF", "?", "\\"));
  l.keys.push_back(K(0xDD, 0x0D, "\u00B4", "`", "", kDead0 | kDead1));
  l.keys.push_back(K(0xBA, 0x1A, "\u00FC", "\u00DC", "", 0, true));
  l.keys.push_back(K(0xBB, 0x1B, "+", "*", "~"));
  l.keys.push_back(K(0xC0, 0x27, "\u00F6", "\u00D6", "", 0, true));
  l.keys.push_back(K(0xDE, 0x28, "\u00E4", "\u00C4", "", 0, true));
  l.keys.push_back(K(0xBF, 0x2B, "#", "'"));
  l.keys.push_back(K(0xE2, 0x56, "<", ">", "|"));
  l.keys.push_back(K(0xBC, 0x33, ",", ";"));
  l.keys.push_back(K(0xBE, 0x34, ".", ":"));
  l.keys.push_back(K(0xBD, 0x35, "-", "_"));
  AddCombinations(l, u'^', "aeiouAEIOU", "\u00E2\u00EA\u00EE\u00F4\u00FB\u00C2\u00CA\u00CE\u00D4\u00DB");
  AddCombinations(l, u'\u00B4', "aeiouAEIOU", "\u00E1\u00E9\u00ED\u00F3\u00FA\u00C1\u00C9\u00CD\u00D3\u00DA");
  AddCombinations(l, u'`', "aeiouAEIOU", "\u00E0\u00E8\u00EC\u00F2\u00F9\u00C0\u00C8\u00CC\u00D2\u00D9");
  return l;
}

KeyboardLayout MakeFrench() {
  KeyboardLayout l;
  l.name = "fr";
  l.altGr = true;
  AddCommonKeys(l);
  // AZERTY: A and Q, Z and W change places, and M moves to the middle row.
  AddLetters(l, "AZERTYUIOP", "QSDFGHJKLM", "WXCVBN");
  for (LayoutKey& k : l.keys) {
    if (k.vk == 'E') k.levels[2] = u"\u20AC";
  }
  // The digit row types digits with Shift, and Caps Lock acts on it too.
  struct Digit {
    const char* base;
    const char* altGr;
    unsigned dead;
  } digits[] = {{"&", "", 0},       {"\u00E9", "~", kDead2}, {"\"", "#", 0},       {"'", "{", 0},
                {"(", "[", 0},      {"-", "|", 0},           {"\u00E8", "`", kDead2}, {"_", "\\", 0},
                {"\u00E7", "^", 0}, {"\u00E0", "@", 0}};
  for (int i = 0; i < 10; ++i) {
    std::uint16_t vk = static_cast<std::uint16_t>(i == 9 ? '0' : '1' + i);
    char digit[2] = {static_cast<char>(i == 9 ? '0' : '1' + i), 0};
    l.keys.push_back(K(vk, static_cast<std::uint16_t>(0x02 + i), digits[i].base, digit, digits[i].altGr,
                       digits[i].dead, true));
  }
  l.keys.push_back(K(0xDE, 0x29, "\u00B2", ""));
  l.keys.push_back(K(0xDB, 0x0C, ")", "\u00B0", "]"));
  l.keys.push_back(K(0xBB, 0x0D, "=", "+", "}"));
  l.keys.push_back(K(0xDD, 0x1A, "^", "\u00A8", "", kDead0 | kDead1));
  l.keys.push_back(K(0xBA, 0x1B, "$", "\u00A3", "\u00A4"));
  l.keys.push_back(K(0xC0, 0x28, "\u00F9", "%", "", 0, true));
  l.keys.push_back(K(0xDC, 0x2B, "*", "\u00B5"));
  l.keys.push_back(K(0xE2, 0x56, "<", ">"));
  l.keys.push_back(K(0xBC, 0x32, ",", "?"));
  l.keys.push_back(K(0xBE, 0x33, ";", "."));
  l.keys.push_back(K(0xBF, 0x34, ":", "/"));
  l.keys.push_back(K(0xDF, 0x35, "!", "\u00A7"));
  AddCombinations(l, u'^', "aeiouAEIOU", "\u00E2\u00EA\u00EE\u00F4\u00FB\u00C2\u00CA\u00CE\u00D4\u00DB");
  AddCombinations(l, u'\u00A8', "aeiouyAEIOU", "\u00E4\u00EB\u00EF\u00F6\u00FC\u00FF\u00C4\u00CB\u00CF\u00D6\u00DC");
  AddCombinations(l, u'~', "anoANO", "\u00E3\u00F1\u00F5\u00C3\u00D1\u00D5");
  AddCombinations(l, u'`', "aeiouAEIOU", "\u00E0\u00E8\u00EC\u00F2\u00F9\u00C0\u00C8\u00CC\u00D2\u00D9");
  return l;
}

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

const LayoutKey* KeyboardLayout::Find(std::uint16_t vk) const {
  for (const LayoutKey& k : keys) {
    if (k.vk == vk) return &k;
  }
  return nullptr;
}

const KeyboardLayout& UsLayout() {
  static const KeyboardLayout layout = MakeUs();
  return layout;
}
const KeyboardLayout& GermanLayout() {
  static const KeyboardLayout layout = MakeGerman();
  return layout;
}
const KeyboardLayout& FrenchLayout() {
  static const KeyboardLayout layout = MakeFrench();
  return layout;
}
std::vector<const KeyboardLayout*> AllLayouts() { return {&UsLayout(), &GermanLayout(), &FrenchLayout()}; }

FakeKeyboard::FakeKeyboard(const KeyboardLayout& layout) : layout_(layout) {}

KeyOutput FakeKeyboard::Translate(std::uint16_t vk, bool shift) {
  if (vk == 0x09) return {u"\t", false};
  if (vk == 0x0D) return {u"\r", false};
  const LayoutKey* key = layout_.Find(vk);
  if (!key) return {};
  int level = shift ? 1 : 0;
  return {key->levels[level], (key->dead & (1u << level)) != 0};
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
    queue.push_back(e);
    queueStray_.push_back(Stray());
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

void FakeKeyboard::Nap() {
  ++now;
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
  while (!queue.empty() && !hung) Nap();
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
    return;
  }
  if (e.vk == kVkMarker || e.vk == kVkMask) return;

  bool shift = Has(Modifier::LShift) || Has(Modifier::RShift);
  bool ctrl = Has(Modifier::LCtrl) || Has(Modifier::RCtrl);
  bool alt = Has(Modifier::LAlt) || Has(Modifier::RAlt);
  bool win = Has(Modifier::LWin) || Has(Modifier::RWin);
  bool altGr = layout_.altGr && (Has(Modifier::RAlt) || (ctrl && alt));
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
