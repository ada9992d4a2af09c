// Which characters the spare keycodes hold, round by round. A character
// that no key of the keymap types is bound for a while to a keycode that the
// keymap leaves empty; each keycode has two shift levels, so it can hold two
// characters, the second typed with Shift. Every change of a binding that
// the target may still look up waits until the target has read the keys
// that used it, so the fewer rounds, the faster the send.
//
// A round takes the characters of the piece in the order they are typed, as
// many as fit: a character typed while the script holds Shift (inside +(...))
// must sit on the Shift level, since releasing the script's Shift around it
// would show the target a Shift tap of its own; any other character fits
// either level (the upper one costs a Shift press around it). Characters
// that already sit where they fit stay, so a round rewrites only what
// changes. No X header: the rule is tested on its own.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "platform/key_typer.h"

namespace rt::x11 {

// One character typed on a spare keycode, in the order of the piece.
struct SpareUse {
  char32_t cp = 0;
  bool shifted = false;  // the script holds Shift when it is typed
};

// The characters that a piece's events type as characters (not keys), in
// order, each with whether a Shift of the script is down when it is typed.
std::vector<SpareUse> SpareUses(const std::vector<InputEvent>& events);

// What each spare keycode holds: the character at each level (0 for none).
using SpareLayout = std::vector<std::array<char32_t, 2>>;

// The characters the next round binds: from uses[from] on, as many as `keys`
// keycodes hold (at least uses[from] when keys > 0), and where the round
// ends (the first use it does not cover).
struct SpareRound {
  SpareLayout layout;  // the keycodes' new contents
  std::size_t end = 0;
};

// Plans the round that starts at uses[from], given what the keycodes hold
// now. Keycodes that the round does not need keep what they hold. A level
// left empty holds the other level's character, so that a keycode never
// types nothing at one level and a character at the other.
SpareRound PlanSpareRound(const std::vector<SpareUse>& uses, std::size_t from, const SpareLayout& now);

// The level of `cp` on a keycode that fits a use (shifted or not), -1 when
// the keycode does not hold it where the use can type it. A use without
// Shift prefers the lower level.
int FittingLevel(const std::array<char32_t, 2>& key, char32_t cp, bool shifted);

}  // namespace rt::x11
