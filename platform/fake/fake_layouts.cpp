// The keyboard layouts of the fake keyboard: US, German and French as
// Windows and X11 lay them out, with their AltGr levels and dead keys.
#include "platform/fake/fake_keyboard.h"

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

}  // namespace rt::fake
