#include "platform/wayland/keymap_text.h"

#include <algorithm>
#include <cstdio>

#include "platform/virtual_keys.h"

namespace rt::wayland {

namespace {

// The keys of a US PC keyboard: virtual key, evdev code, and what the key
// types without and with Shift (an xkb keysym name, or a character).
struct CharKey {
  std::uint16_t vk;
  int evdev;
  char normal;
  char shifted;
};
constexpr CharKey kCharKeys[] = {
    {0x30, 11, '0', ')'}, {0x31, 2, '1', '!'}, {0x32, 3, '2', '@'},  {0x33, 4, '3', '#'},  {0x34, 5, '4', '$'},
    {0x35, 6, '5', '%'},  {0x36, 7, '6', '^'}, {0x37, 8, '7', '&'},  {0x38, 9, '8', '*'},  {0x39, 10, '9', '('},
    {0x41, 30, 'a', 'A'}, {0x42, 48, 'b', 'B'}, {0x43, 46, 'c', 'C'}, {0x44, 32, 'd', 'D'}, {0x45, 18, 'e', 'E'},
    {0x46, 33, 'f', 'F'}, {0x47, 34, 'g', 'G'}, {0x48, 35, 'h', 'H'}, {0x49, 23, 'i', 'I'}, {0x4A, 36, 'j', 'J'},
    {0x4B, 37, 'k', 'K'}, {0x4C, 38, 'l', 'L'}, {0x4D, 50, 'm', 'M'}, {0x4E, 49, 'n', 'N'}, {0x4F, 24, 'o', 'O'},
    {0x50, 25, 'p', 'P'}, {0x51, 16, 'q', 'Q'}, {0x52, 19, 'r', 'R'}, {0x53, 31, 's', 'S'}, {0x54, 20, 't', 'T'},
    {0x55, 22, 'u', 'U'}, {0x56, 47, 'v', 'V'}, {0x57, 17, 'w', 'W'}, {0x58, 45, 'x', 'X'}, {0x59, 21, 'y', 'Y'},
    {0x5A, 44, 'z', 'Z'}, {0xBA, 39, ';', ':'}, {0xBB, 13, '=', '+'}, {0xBC, 51, ',', '<'}, {0xBD, 12, '-', '_'},
    {0xBE, 52, '.', '>'}, {0xBF, 53, '/', '?'}, {0xC0, 41, '`', '~'}, {0xDB, 26, '[', '{'}, {0xDC, 43, '\\', '|'},
    {0xDD, 27, ']', '}'}, {0xDE, 40, '\'', '"'}, {0x20, 57, ' ', ' '},
};

// Keys that the notation names, and the modifiers.
struct NamedKey {
  std::uint16_t vk;
  int evdev;
  const char* sym;
  std::uint32_t modifier;
};
constexpr NamedKey kNamedKeys[] = {
    {0x08, 14, "BackSpace", 0},  {0x09, 15, "Tab", 0},        {0x0D, 28, "Return", 0},    {0x14, 58, "Caps_Lock", 0},
    {0x1B, 1, "Escape", 0},      {0x03, 119, "Pause", 0},     {0x21, 104, "Prior", 0},    {0x22, 109, "Next", 0},
    {0x23, 107, "End", 0},       {0x24, 102, "Home", 0},      {0x25, 105, "Left", 0},     {0x26, 103, "Up", 0},
    {0x27, 106, "Right", 0},     {0x28, 108, "Down", 0},      {0x2C, 99, "Print", 0},     {0x2D, 110, "Insert", 0},
    {0x2E, 111, "Delete", 0},    {0x2F, 138, "Help", 0},      {0x90, 69, "Num_Lock", 0},  {0x91, 70, "Scroll_Lock", 0},
    {0x60, 82, "KP_0", 0},       {0x61, 79, "KP_1", 0},       {0x62, 80, "KP_2", 0},      {0x63, 81, "KP_3", 0},
    {0x64, 75, "KP_4", 0},       {0x65, 76, "KP_5", 0},       {0x66, 77, "KP_6", 0},      {0x67, 71, "KP_7", 0},
    {0x68, 72, "KP_8", 0},       {0x69, 73, "KP_9", 0},       {0x6A, 55, "KP_Multiply", 0}, {0x6B, 78, "KP_Add", 0},
    {0x6D, 74, "KP_Subtract", 0}, {0x6E, 83, "KP_Decimal", 0}, {0x6F, 98, "KP_Divide", 0}, {0x5D, 127, "Menu", 0},
    {0x10, 42, "Shift_L", kShiftMask},   {0xA0, 42, "Shift_L", kShiftMask},   {0xA1, 54, "Shift_R", kShiftMask},
    {0x11, 29, "Control_L", kControlMask}, {0xA2, 29, "Control_L", kControlMask}, {0xA3, 97, "Control_R", kControlMask},
    {0x12, 56, "Alt_L", kAltMask},       {0xA4, 56, "Alt_L", kAltMask},       {0xA5, 100, "Alt_R", kAltMask},
    {0x5B, 125, "Super_L", kSuperMask},  {0x5C, 126, "Super_R", kSuperMask},
};

// F1..F24: F1-F10 at 59..68, F11 and F12 at 87 and 88, F13-F24 at 183..194.
int FunctionKeyEvdev(int n) { return n <= 10 ? 58 + n : n <= 12 ? 87 + (n - 11) : 183 + (n - 13); }

constexpr int kMinKeycode = 8;
constexpr int kMaxKeycode = 255;

}  // namespace

std::string KeysymName(char32_t cp) {
  if ((cp >= U'a' && cp <= U'z') || (cp >= U'A' && cp <= U'Z') || (cp >= U'0' && cp <= U'9')) {
    return std::string(1, static_cast<char>(cp));
  }
  char name[16];
  std::snprintf(name, sizeof name, "U%04X", static_cast<unsigned>(cp));
  return name;
}

Keymap::Keymap() {
  for (const CharKey& k : kCharKeys) {
    base_[k.evdev + 8].syms = {KeysymName(static_cast<unsigned char>(k.normal)),
                               KeysymName(static_cast<unsigned char>(k.shifted))};
    baseChars_.emplace(static_cast<unsigned char>(k.normal), k.evdev + 8);
  }
  for (const NamedKey& k : kNamedKeys) base_[k.evdev + 8].syms = {k.sym};
  for (int n = 1; n <= 24; ++n) base_[FunctionKeyEvdev(n) + 8].syms = {"F" + std::to_string(n)};
  // Every other keycode may carry a character, but the highest, which stays
  // empty.
  for (int kc = kMinKeycode + 1; kc < kMaxKeycode; ++kc) {
    if (!base_.count(kc)) free_.push_back(kc);
  }
}

int Keymap::KeycodeOf(std::uint16_t vk) const {
  for (const CharKey& k : kCharKeys) {
    if (k.vk == vk) return k.evdev + 8;
  }
  for (const NamedKey& k : kNamedKeys) {
    if (k.vk == vk) return k.evdev + 8;
  }
  if (vk >= 0x70 && vk <= 0x87) return FunctionKeyEvdev(vk - 0x70 + 1) + 8;
  return 0;
}

std::uint32_t Keymap::ModifierOf(std::uint16_t vk) const {
  for (const NamedKey& k : kNamedKeys) {
    if (k.vk == vk) return k.modifier;
  }
  return 0;
}

std::uint32_t Keymap::ModifierOfKeycode(int keycode) const {
  for (const NamedKey& k : kNamedKeys) {
    if (k.evdev + 8 == keycode) return k.modifier;
  }
  return 0;
}

char32_t Keymap::Translate(std::uint16_t vk, bool shift) const {
  for (const CharKey& k : kCharKeys) {
    if (k.vk == vk) return static_cast<unsigned char>(shift ? k.shifted : k.normal);
  }
  if (vk == kVkTab) return U'\t';
  if (vk == kVkReturn) return U'\r';
  return 0;
}

int Keymap::KeycodeOfCharacter(char32_t cp) const {
  for (const auto& [kc, c] : extra_) {
    if (c == cp) return kc;
  }
  return 0;
}

bool Keymap::Hold(const std::vector<char32_t>& wanted, bool* allFit) {
  ++clock_;
  std::vector<char32_t> missing;
  for (char32_t cp : wanted) {
    int kc = KeycodeOfCharacter(cp);
    if (kc) {
      placedAt_[kc] = clock_;
    } else if (std::find(missing.begin(), missing.end(), cp) == missing.end()) {
      missing.push_back(cp);
    }
  }
  bool changed = false, fit = true;
  for (char32_t cp : missing) {
    int slot = 0;
    for (int kc : free_) {
      if (!extra_.count(kc)) {
        slot = kc;
        break;
      }
    }
    if (!slot) {
      // The character placed longest ago and not wanted now makes room.
      std::uint64_t oldest = clock_;
      for (const auto& [kc, at] : placedAt_) {
        if (at < oldest) {
          oldest = at;
          slot = kc;
        }
      }
    }
    if (!slot) {
      fit = false;
      break;
    }
    extra_[slot] = cp;
    placedAt_[slot] = clock_;
    changed = true;
  }
  if (allFit) *allFit = fit;
  return changed;
}

std::string Keymap::Text() const {
  std::string t = "xkb_keymap {\nxkb_keycodes \"strumlet\" {\n  minimum = 8;\n  maximum = 255;\n";
  auto name = [](int kc) { return "<K" + std::to_string(kc) + ">"; };
  std::set<int> used;
  for (const auto& [kc, key] : base_) used.insert(kc);
  for (const auto& [kc, cp] : extra_) used.insert(kc);
  used.insert(kMaxKeycode);  // declared, and empty
  for (int kc : used) t += "  " + name(kc) + " = " + std::to_string(kc) + ";\n";
  t += "};\n";
  t +=
      "xkb_types \"strumlet\" {\n"
      "  type \"ONE_LEVEL\" { modifiers = none; level_name[Level1] = \"Any\"; };\n"
      "  type \"TWO_LEVEL\" { modifiers = Shift; map[Shift] = Level2;\n"
      "    level_name[Level1] = \"Base\"; level_name[Level2] = \"Shift\"; };\n"
      "};\n"
      "xkb_compatibility \"strumlet\" {\n"
      "  interpret Shift_L { action = SetMods(modifiers = Shift); };\n"
      "  interpret Shift_R { action = SetMods(modifiers = Shift); };\n"
      "  interpret Control_L { action = SetMods(modifiers = Control); };\n"
      "  interpret Control_R { action = SetMods(modifiers = Control); };\n"
      "  interpret Alt_L { action = SetMods(modifiers = Mod1); };\n"
      "  interpret Alt_R { action = SetMods(modifiers = Mod1); };\n"
      "  interpret Super_L { action = SetMods(modifiers = Mod4); };\n"
      "  interpret Super_R { action = SetMods(modifiers = Mod4); };\n"
      "  interpret Caps_Lock { action = LockMods(modifiers = Lock); };\n"
      "};\n"
      "xkb_symbols \"strumlet\" {\n";
  auto key = [&](int kc, const std::vector<std::string>& syms) {
    t += "  key " + name(kc) + " { type = \"" + (syms.size() == 2 ? "TWO_LEVEL" : "ONE_LEVEL") + "\", [ ";
    for (std::size_t i = 0; i < syms.size(); ++i) t += (i ? ", " : "") + syms[i];
    t += " ] };\n";
  };
  for (const auto& [kc, k] : base_) key(kc, k.syms);
  for (const auto& [kc, cp] : extra_) key(kc, {KeysymName(cp)});
  t += "  modifier_map Shift { <K50>, <K62> };\n";
  t += "  modifier_map Lock { <K66> };\n";
  t += "  modifier_map Control { <K37>, <K105> };\n";
  t += "  modifier_map Mod1 { <K64>, <K108> };\n";
  t += "  modifier_map Mod4 { <K133>, <K134> };\n";
  t += "};\n};\n";
  return t;
}

}  // namespace rt::wayland
