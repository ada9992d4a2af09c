// Key scripts: the key notation extended by pause marks. A brace group whose
// content is a number, such as {4}, is a pause of that many seconds; every
// other brace group ({ENTER}, {LEFT 42}, {x}) belongs to the key notation.
#pragma once

#include <cstddef>
#include <vector>

#include "platform/text.h"

namespace strumlet {

// The longest script that can be split (positions are 16-bit).
inline constexpr std::size_t kMaxKeyScript = 32766;

struct SplitScript {
  // Entry 0 is empty and never sent; entries 1..k+1 are the pieces.
  std::vector<rt::ustring> parts;
  // Entries 1..k are the pause texts, unchanged; entry 0 is empty.
  std::vector<rt::ustring> pauses;
};

// Cuts a script at its pause marks. Throws rt::RuntimeError (Overflow) for a
// script longer than kMaxKeyScript.
SplitScript SplitKeyScriptText(rt::ustring_view script);

}  // namespace strumlet
