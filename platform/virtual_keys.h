// The virtual keys: the codes by which the key notation, the forms' key
// rules and the typer name keys on every platform. They are Windows' own
// virtual-key codes (the Windows backend passes them through; the others
// translate their keys to and from them), named here once.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace rt {

// Keys the notation names, and the forms' key rules.
inline constexpr std::uint16_t kVkCancel = 0x03;  // Break (Ctrl+Pause)
inline constexpr std::uint16_t kVkBack = 0x08;    // Backspace
inline constexpr std::uint16_t kVkTab = 0x09;
inline constexpr std::uint16_t kVkReturn = 0x0D;
inline constexpr std::uint16_t kVkPause = 0x13;
inline constexpr std::uint16_t kVkEscape = 0x1B;
inline constexpr std::uint16_t kVkSpace = 0x20;
inline constexpr std::uint16_t kVkPrior = 0x21;  // Page Up
inline constexpr std::uint16_t kVkNext = 0x22;   // Page Down
inline constexpr std::uint16_t kVkEnd = 0x23;
inline constexpr std::uint16_t kVkHome = 0x24;
inline constexpr std::uint16_t kVkLeft = 0x25;
inline constexpr std::uint16_t kVkUp = 0x26;
inline constexpr std::uint16_t kVkRight = 0x27;
inline constexpr std::uint16_t kVkDown = 0x28;
inline constexpr std::uint16_t kVkSnapshot = 0x2C;  // Print Screen
inline constexpr std::uint16_t kVkInsert = 0x2D;
inline constexpr std::uint16_t kVkDelete = 0x2E;
inline constexpr std::uint16_t kVkHelp = 0x2F;
inline constexpr std::uint16_t kVkApps = 0x5D;  // the context-menu key
inline constexpr std::uint16_t kVkNumLock = 0x90;
inline constexpr std::uint16_t kVkScroll = 0x91;  // Scroll Lock

// The modifiers, either side (platform/modifiers.h maps them to the bits of
// a shift mask).
inline constexpr std::uint16_t kVkShift = 0x10;
inline constexpr std::uint16_t kVkControl = 0x11;
inline constexpr std::uint16_t kVkMenu = 0x12;  // Alt

// Digits and letters of the main block: their codes are the ASCII codes of
// '0'..'9' and 'A'..'Z', whatever the layout types with them.
inline constexpr std::uint16_t kVk0 = 0x30;
inline constexpr std::uint16_t kVk9 = 0x39;
inline constexpr std::uint16_t kVkA = 0x41;
inline constexpr std::uint16_t kVkZ = 0x5A;

// The keypad: digits 0..9 are kVkNumpad0 + digit.
inline constexpr std::uint16_t kVkNumpad0 = 0x60;
inline constexpr std::uint16_t kVkMultiply = 0x6A;
inline constexpr std::uint16_t kVkAdd = 0x6B;
inline constexpr std::uint16_t kVkSeparator = 0x6C;
inline constexpr std::uint16_t kVkSubtract = 0x6D;
inline constexpr std::uint16_t kVkDecimal = 0x6E;
inline constexpr std::uint16_t kVkDivide = 0x6F;

// Function keys: Fn is kVkF1 + n - 1.
inline constexpr std::uint16_t kVkF1 = 0x70;
inline constexpr std::uint16_t kVkF24 = 0x87;
constexpr std::uint16_t FunctionKey(int n) { return static_cast<std::uint16_t>(kVkF1 + n - 1); }

// The punctuation keys of the main block, named by position, not by what
// they type (that depends on the layout): kVkOem1..kVkOem3 (0xBA..0xC0),
// the two extra keys of Brazilian keyboards, kVkOem4..kVkOem8 (0xDB..0xDF),
// one more OEM key, and the key between left Shift and Z of ISO keyboards.
inline constexpr std::uint16_t kVkOem1 = 0xBA;
inline constexpr std::uint16_t kVkAbntC2 = 0xC2;
inline constexpr std::uint16_t kVkOem4 = 0xDB;
inline constexpr std::uint16_t kVkOem8 = 0xDF;
inline constexpr std::uint16_t kVkOemAx = 0xE1;
inline constexpr std::uint16_t kVkOem102 = 0xE2;

// The typer's own keys (Caps Lock, the left and right modifiers, the Win
// keys, and the unassigned marker and mask keys) are platform/key_typer.h's.

namespace detail {

struct KeyRange {
  std::uint16_t first;
  std::uint16_t last;
};

template <std::size_t R>
constexpr std::size_t KeyCount(const KeyRange (&ranges)[R]) {
  std::size_t n = 0;
  for (const KeyRange& r : ranges) n += static_cast<std::size_t>(r.last - r.first + 1);
  return n;
}

template <std::size_t N, std::size_t R>
constexpr std::array<std::uint16_t, N> Keys(const KeyRange (&ranges)[R]) {
  std::array<std::uint16_t, N> keys{};
  std::size_t n = 0;
  for (const KeyRange& r : ranges) {
    for (unsigned vk = r.first; vk <= r.last; ++vk) keys[n++] = static_cast<std::uint16_t>(vk);
  }
  return keys;
}

inline constexpr KeyRange kMainRanges[] = {
    {kVkSpace, kVkSpace}, {kVkTab, kVkTab},     {kVkReturn, kVkReturn},  {kVk0, kVk9},
    {kVkA, kVkZ},         {kVkOem1, kVkAbntC2}, {kVkOem4, kVkOem8},      {kVkOemAx, kVkOem102},
};
inline constexpr KeyRange kKeypadRanges[] = {{kVkNumpad0, kVkDivide}};

}  // namespace detail

// The keys that may type characters, in two groups that a layout is asked
// about one after the other, so that a character that several keys type is
// typed with the first: Space, Tab and Enter with the main block's digits,
// letters and punctuation, then the keypad (which some programs read
// differently). No other key is ever used to type a character.
inline constexpr auto kMainCharacterKeys = detail::Keys<detail::KeyCount(detail::kMainRanges)>(detail::kMainRanges);
inline constexpr auto kKeypadCharacterKeys =
    detail::Keys<detail::KeyCount(detail::kKeypadRanges)>(detail::kKeypadRanges);
inline constexpr std::span<const std::uint16_t> kCharacterKeyGroups[] = {kMainCharacterKeys, kKeypadCharacterKeys};

// Whether the key is one of the keys that may type characters.
constexpr bool IsCharacterKey(std::uint16_t vk) {
  for (std::span<const std::uint16_t> group : kCharacterKeyGroups) {
    for (std::uint16_t key : group) {
      if (key == vk) return true;
    }
  }
  return false;
}

}  // namespace rt
