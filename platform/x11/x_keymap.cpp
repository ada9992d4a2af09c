#include "platform/x11/x_keymap.h"

#include <X11/keysym.h>

#include <algorithm>

namespace rt::x11 {

namespace {

// Physical key positions (Linux evdev codes; the X keycode is the evdev code
// plus 8) of the virtual keys, as a US keyboard has them. The codes below 0x59
// are the keys' scan codes (set 1); the extended keys have codes of their own.
struct Position {
  std::uint16_t vk;
  std::uint16_t evdev;
};
constexpr Position kPositions[] = {
    {0x08, 0x0E}, {0x09, 0x0F}, {0x0D, 0x1C}, {0x14, 0x3A}, {0x1B, 0x01}, {0x20, 0x39},
    {0x30, 0x0B}, {0x31, 0x02}, {0x32, 0x03}, {0x33, 0x04}, {0x34, 0x05}, {0x35, 0x06},
    {0x36, 0x07}, {0x37, 0x08}, {0x38, 0x09}, {0x39, 0x0A},
    {0x41, 0x1E}, {0x42, 0x30}, {0x43, 0x2E}, {0x44, 0x20}, {0x45, 0x12}, {0x46, 0x21},
    {0x47, 0x22}, {0x48, 0x23}, {0x49, 0x17}, {0x4A, 0x24}, {0x4B, 0x25}, {0x4C, 0x26},
    {0x4D, 0x32}, {0x4E, 0x31}, {0x4F, 0x18}, {0x50, 0x19}, {0x51, 0x10}, {0x52, 0x13},
    {0x53, 0x1F}, {0x54, 0x14}, {0x55, 0x16}, {0x56, 0x2F}, {0x57, 0x11}, {0x58, 0x2D},
    {0x59, 0x15}, {0x5A, 0x2C},
    {0x60, 0x52}, {0x61, 0x4F}, {0x62, 0x50}, {0x63, 0x51}, {0x64, 0x4B}, {0x65, 0x4C},
    {0x66, 0x4D}, {0x67, 0x47}, {0x68, 0x48}, {0x69, 0x49}, {0x6A, 0x37}, {0x6B, 0x4E},
    {0x6D, 0x4A}, {0x6E, 0x53}, {0x6F, 98},
    {0x70, 0x3B}, {0x71, 0x3C}, {0x72, 0x3D}, {0x73, 0x3E}, {0x74, 0x3F}, {0x75, 0x40},
    {0x76, 0x41}, {0x77, 0x42}, {0x78, 0x43}, {0x79, 0x44}, {0x7A, 0x57}, {0x7B, 0x58},
    {0x90, 0x45}, {0x91, 0x46},
    {0xBA, 0x27}, {0xBB, 0x0D}, {0xBC, 0x33}, {0xBD, 0x0C}, {0xBE, 0x34}, {0xBF, 0x35},
    {0xC0, 0x29}, {0xDB, 0x1A}, {0xDC, 0x2B}, {0xDD, 0x1B}, {0xDE, 0x28}, {0xE2, 0x56},
    // Shift, Ctrl and Alt as the notation names them: the left keys.
    {0x10, 0x2A}, {0x11, 0x1D}, {0x12, 0x38},
    {0xA0, 0x2A}, {0xA1, 0x36}, {0xA2, 0x1D}, {0xA3, 97}, {0xA4, 0x38}, {0xA5, 100},
    {0x5B, 125}, {0x5C, 126}, {0x5D, 127},
    {0x03, 119}, {0x21, 104}, {0x22, 109}, {0x23, 107}, {0x24, 102}, {0x25, 105}, {0x26, 103},
    {0x27, 106}, {0x28, 108}, {0x2C, 99}, {0x2D, 110}, {0x2E, 111}, {0x2F, 138},
};

// Keys that the notation names: they are whichever key carries their keysym
// in the keymap in force (the position above only when none does).
struct Named {
  std::uint16_t vk;
  KeySym sym;
};
constexpr Named kNamed[] = {
    {0x03, XK_Break},     {0x08, XK_BackSpace}, {0x09, XK_Tab},       {0x0D, XK_Return},
    {0x14, XK_Caps_Lock}, {0x1B, XK_Escape},    {0x21, XK_Prior},     {0x22, XK_Next},
    {0x23, XK_End},       {0x24, XK_Home},      {0x25, XK_Left},      {0x26, XK_Up},
    {0x27, XK_Right},     {0x28, XK_Down},      {0x2C, XK_Print},     {0x2D, XK_Insert},
    {0x2E, XK_Delete},    {0x2F, XK_Help},      {0x6A, XK_KP_Multiply}, {0x6B, XK_KP_Add},
    {0x6D, XK_KP_Subtract}, {0x6F, XK_KP_Divide}, {0x90, XK_Num_Lock}, {0x91, XK_Scroll_Lock},
    {0x10, XK_Shift_L},   {0x11, XK_Control_L}, {0x12, XK_Alt_L},
};

}  // namespace

int PositionOf(std::uint16_t vk) {
  for (const Position& p : kPositions) {
    if (p.vk == vk) return p.evdev + 8;
  }
  if (vk >= 0x7C && vk <= 0x87) return 183 + (vk - 0x7C) + 8;  // F13..F24
  return 0;
}

KeySym NamedKeysym(std::uint16_t vk) {
  for (const Named& n : kNamed) {
    if (n.vk == vk) return n.sym;
  }
  return NoSymbol;
}

bool IsCharacterKey(std::uint16_t vk) {
  return vk == 0x20 || (vk >= 0x30 && vk <= 0x39) || (vk >= 0x41 && vk <= 0x5A) || (vk >= 0x60 && vk <= 0x6F) ||
         (vk >= 0xBA && vk <= 0xE2);
}

char32_t CharacterOf(KeySym sym) {
  if ((sym >= 0x20 && sym <= 0x7E) || (sym >= 0xA0 && sym <= 0xFF)) return static_cast<char32_t>(sym);
  if ((sym & 0xFF000000UL) == 0x01000000UL) return static_cast<char32_t>(sym & 0x00FFFFFFUL);
  if (sym >= 0x20A0 && sym <= 0x20AC) return static_cast<char32_t>(sym);  // currency keysyms, EuroSign
  if (sym == XK_Tab || sym == XK_KP_Tab) return U'\t';
  if (sym == XK_Return || sym == XK_KP_Enter) return U'\r';
  if (sym == XK_KP_Space) return U' ';
  if (sym >= XK_KP_Multiply && sym <= XK_KP_9) return static_cast<char32_t>(sym - XK_KP_Multiply + U'*');
  if (sym == XK_KP_Equal) return U'=';
  return 0;
}

bool IsDeadKeysym(KeySym sym) { return sym >= 0xFE50 && sym <= 0xFE93; }

KeySym KeysymOf(char32_t cp) {
  if ((cp >= 0x20 && cp <= 0x7E) || (cp >= 0xA0 && cp <= 0xFF)) return cp;
  return 0x01000000UL | cp;
}

Keymap::~Keymap() {
  if (xkb_) XkbFreeKeyboard(xkb_, 0, True);
}

bool Keymap::Read() {
  if (xkb_) XkbFreeKeyboard(xkb_, 0, True);
  xkb_ = XkbGetMap(display_, XkbKeyTypesMask | XkbKeySymsMask | XkbModifierMapMask, XkbUseCoreKbd);
  named_.clear();
  return xkb_ != nullptr;
}

KeySym Keymap::SymAt(int keycode, int group, bool shift) const {
  if (!xkb_ || keycode < xkb_->min_key_code || keycode > xkb_->max_key_code) return NoSymbol;
  int groups = XkbKeyNumGroups(xkb_, keycode);
  if (groups == 0) return NoSymbol;
  if (group >= groups || group < 0) group = 0;
  XkbKeyTypePtr type = XkbKeyKeyType(xkb_, keycode, group);
  int level = 0;
  if (shift && type) {
    for (int i = 0; i < type->map_count; ++i) {
      if (type->map[i].active && type->map[i].mods.mask == ShiftMask) level = type->map[i].level;
    }
  }
  if (level >= XkbKeyGroupWidth(xkb_, keycode, group)) return NoSymbol;
  return XkbKeySymEntry(xkb_, keycode, level, group);
}

int Keymap::KeycodeOfSym(KeySym sym, int group) const {
  if (!xkb_) return 0;
  for (int kc = xkb_->min_key_code; kc <= xkb_->max_key_code; ++kc) {
    if (SymAt(kc, group, false) == sym) return kc;
  }
  return 0;
}

int Keymap::KeycodeOf(std::uint16_t vk, int group) {
  if (group != namedGroup_) {
    named_.clear();
    namedGroup_ = group;
  }
  auto it = named_.find(vk);
  if (it != named_.end()) return it->second;
  int kc = 0;
  if (KeySym sym = NamedKeysym(vk)) kc = KeycodeOfSym(sym, group);
  if (!kc) kc = PositionOf(vk);
  named_[vk] = kc;
  return kc;
}

std::vector<int> Keymap::EmptyKeycodes() const {
  std::vector<int> empty;
  if (!xkb_) return empty;
  for (int kc = std::min<int>(xkb_->max_key_code, 255); kc >= xkb_->min_key_code; --kc) {
    if (XkbKeyNumGroups(xkb_, kc) == 0 && XkbKeyNumSyms(xkb_, kc) == 0) empty.push_back(kc);
  }
  return empty;
}

std::vector<KeySym> Keymap::Fingerprint(int group, const std::function<bool(int)>& skip) const {
  std::vector<KeySym> syms;
  for (int kc = 8; kc <= 255; ++kc) {
    bool skipped = skip(kc);
    syms.push_back(skipped ? NoSymbol : SymAt(kc, group, false));
    syms.push_back(skipped ? NoSymbol : SymAt(kc, group, true));
  }
  return syms;
}

}  // namespace rt::x11
