// The wildcard comparison of a whole text against a pattern, by character
// code (case-sensitive):
//   *        any run of characters, the empty run included
//   ?        any one character
//   #        any one digit 0-9
//   [abc]    one character of the set; ranges as [a-z]; [!abc] one not in it
// Any other character matches itself; "[*]", "[?]", "[#]" and "[[]" match
// those four characters themselves. A malformed set ("[a", "[z-a]") is an
// error, as in the platform's own comparison.
#pragma once

#include "platform/text.h"

namespace rt {

bool Like(ustring_view text, ustring_view pattern);

// Whether the pattern matches every text without looking at it: stars alone
// (never malformed). Lets a caller skip fetching a text that cannot matter.
bool MatchesEverything(ustring_view pattern);

}  // namespace rt
