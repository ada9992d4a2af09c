// The number test and the interval conversion. They are the one definition of
// what the program reads as a number, for the interval box, the command line
// and the pause marks of a key script.
//
// A number is, leading and trailing blanks aside, an optional sign, decimal
// digits with an optional fraction ("." only) and an optional exponent. The
// reading does not depend on the machine's locale: a command line means the
// same everywhere. The decimal is read exactly, whatever the number of its
// digits or of its exponent's digits, and never through a floating-point
// value, so a text of any length rounds as its written value does.
#pragma once

#include <cstdint>

#include "platform/text.h"

namespace rt {

// True when the text is a number in the sense above.
bool IsNumeric(ustring_view text);

// The interval conversion: a number text rounded to the nearest whole number
// (ties to even) as a 16-bit signed value. Throws RuntimeError: TypeMismatch
// for a text that is not a number, Overflow outside -32768..32767.
std::int16_t IntervalConversion(ustring_view text);

}  // namespace rt
