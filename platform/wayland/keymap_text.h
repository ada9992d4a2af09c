// The keymap of the program's own virtual keyboard, written as xkb keymap
// text (the format libxkbcommon reads, the one the virtual keyboard
// interface uploads). It holds a US layout at the keys' usual places (evdev
// codes, as a PC keyboard has them), the named keys of the notation, the
// modifiers, and the characters of the piece being typed that the US layout
// lacks, each on a keycode of its own.
//
// The compositor passes the keymap to the target with the keys, in order:
// a key is read with the keymap in force when it was sent, so characters
// can be replaced between two keys without waiting for the target.
//
// GTK 3 ignores the symbols of the highest keycode of a keymap: the highest
// keycode declared here is always an empty one.
// This file includes no Wayland or xkb header.
#pragma once

#include <cstdint>
#include <map>
#include <set>
#include <string>
#include <vector>

namespace rt::wayland {

// The real modifiers of the keymap, as masks of the modifiers request:
// xkb numbers them Shift, Lock, Control, Mod1 ... Mod5.
inline constexpr std::uint32_t kShiftMask = 1u << 0;
inline constexpr std::uint32_t kControlMask = 1u << 2;
inline constexpr std::uint32_t kAltMask = 1u << 3;   // Mod1
inline constexpr std::uint32_t kSuperMask = 1u << 6;  // Mod4

class Keymap {
 public:
  Keymap();

  // The xkb keycode (evdev code + 8) of a virtual key, 0 for none.
  int KeycodeOf(std::uint16_t vk) const;
  // The modifier mask a modifier key sets, 0 for other keys.
  std::uint32_t ModifierOf(std::uint16_t vk) const;
  std::uint32_t ModifierOfKeycode(int keycode) const;
  // The character a character key types with or without Shift on the US
  // layout, 0 for none (named keys, keys the layout leaves empty).
  char32_t Translate(std::uint16_t vk, bool shift) const;

  // The keycode that types `cp` alone, 0 when the keymap lacks it.
  int KeycodeOfCharacter(char32_t cp) const;
  // Makes room for `wanted`: every character of it that the keymap lacks
  // gets a keycode, taking those of characters not wanted (oldest first).
  // Returns whether the text changed, false also when not all fit (then as
  // many as fit, in order, are placed: the caller asks again with fewer).
  bool Hold(const std::vector<char32_t>& wanted, bool* allFit = nullptr);
  // How many characters outside the layout fit at once.
  std::size_t Capacity() const { return free_.size(); }

  // The keymap as xkb text, with its terminating NUL left to the caller.
  std::string Text() const;

 private:
  struct Key {
    std::vector<std::string> syms;  // one or two levels
  };
  std::map<int, Key> base_;                 // keycode -> the layout's key
  std::map<char32_t, int> baseChars_;       // characters of the layout's keys, unshifted
  std::vector<int> free_;                   // keycodes for other characters
  std::map<int, char32_t> extra_;           // keycode -> character placed on it
  std::map<int, std::uint64_t> placedAt_;   // keycode -> when the character was placed or wanted
  std::uint64_t clock_ = 0;
};

// The xkb name of a keysym that types `cp` ("U2713"; ASCII letters and digits
// as themselves).
std::string KeysymName(char32_t cp);

}  // namespace rt::wayland
