// The number test and the interval conversion. They are the one definition of
// what the program reads as a number, for the interval box, the command line
// and the pause marks of a key script.
//
// A number is, leading and trailing blanks aside, an optional sign, decimal
// digits with an optional fraction ("." only) and an optional exponent. The
// reading does not depend on the machine's locale: a command line means the
// same everywhere.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/text.h"

namespace rt {

// The value of a number text, or nothing when the text is not a number.
// Exponents too large for a double give an infinity (still "a number").
std::optional<double> ParseNumber(ustring_view text);

// True when ParseNumber accepts the text.
bool IsNumeric(ustring_view text);

// The interval conversion: a number text rounded to the nearest whole number
// (ties to even) as a 16-bit signed value. Throws RuntimeError: TypeMismatch
// for a text that is not a number, Overflow outside -32768..32767.
std::int16_t IntervalConversion(ustring_view text);

}  // namespace rt
