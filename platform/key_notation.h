// The key notation of SendKeys, parsed into key strokes.
//
//   plain characters      typed as they are
//   ~                     Enter
//   + ^ %                 Shift, Ctrl, Alt on the next key, or on all keys of
//                         a parenthesised group that follows: +(ab)
//   {word} {word n}       a key word (ENTER, TAB, F4, LEFT, ...) or a single
//                         character, n times: {LEFT 42}, {h 10}, {+}, {{}, {}}
//
// Invalid notation is an error raised before anything is typed.
#pragma once

#include <cstdint>
#include <vector>

#include "platform/modifiers.h"
#include "platform/virtual_keys.h"
#include "platform/text.h"

namespace rt {

struct KeyStroke {
  enum class Kind {
    Press,     // a named key: down and up
    Char,      // a character (one UTF-16 unit, or a surrogate pair in text)
    Hold,      // a modifier goes down
    Release,   // a modifier comes up
  };
  Kind kind = Kind::Char;
  std::uint16_t vk = 0;    // Press, Hold, Release
  bool extended = false;   // Press: the key carries the extended-key flag
  ustring text;            // Char: one character (two units for a pair)

  bool operator==(const KeyStroke&) const = default;
};

// Named keys: the virtual-key code, and whether it is an extended key.
struct NamedKey {
  std::uint16_t vk = 0;
  bool extended = false;
};

// Looks up a key word (case-insensitive); false when it is unknown.
bool LookupKeyWord(ustring_view word, NamedKey& key);

// The strokes of a piece of key notation. Throws RuntimeError (InvalidCall)
// for invalid notation: a stray "}" or ")", an unclosed "{" or "(", an unknown
// key word, a repeat count that is not a number or is too large, the same
// modifier twice for one key, groups nested too deep, or more than
// kMaxStrokes strokes.
std::vector<KeyStroke> ParseKeys(ustring_view keys);

inline constexpr int kMaxRepeat = 32767;
// The most strokes one piece may expand to (repeats included): about three
// hours of typing, and a bound on the memory a script can claim.
inline constexpr std::size_t kMaxStrokes = 1000000;
inline constexpr int kMaxGroupDepth = 16;

}  // namespace rt
