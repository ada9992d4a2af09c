// The modifier keys: the bits of a shift mask (as key events and the key
// scan report them: 1 Shift, 2 Ctrl, 4 Alt) and the virtual keys they stand
// for (platform/virtual_keys.h's kVkShift, kVkControl, kVkMenu).
#pragma once

#include <cstdint>

#include "platform/virtual_keys.h"

namespace rt {

inline constexpr int kShift = 1;
inline constexpr int kCtrl = 2;
inline constexpr int kAlt = 4;
inline constexpr int kModifierBits[] = {kShift, kCtrl, kAlt};

// The virtual key of one modifier bit, and the bit of a modifier's virtual
// key (0 for any other key).
constexpr std::uint16_t ModifierVirtualKey(int bit) {
  return bit == kShift ? kVkShift : bit == kCtrl ? kVkControl : bit == kAlt ? kVkMenu : 0;
}
constexpr int ModifierBitOf(std::uint16_t vk) {
  return vk == kVkShift ? kShift : vk == kVkControl ? kCtrl : vk == kVkMenu ? kAlt : 0;
}

}  // namespace rt
