// Reading the program's command line:
//   strumlet /WindowName /KeysToSend /SecondsToWaitBeforeSending /loop|once|persist /notarget
#pragma once

#include <optional>

#include "platform/text.h"

namespace strumlet {

enum class RunMode { Once, Loop, Persist };

struct Arguments {
  rt::ustring caption;   // field 1, trimmed
  rt::ustring keys;      // field 2, trimmed
  rt::ustring interval;  // field 3 as given, or "2" when fewer than three fields
  RunMode mode = RunMode::Once;
  bool noTarget = false;  // any character in field 5, or NOTARGET in field 4
};

// Reads a non-empty argument text. The first character is dropped whatever it
// is (the "/" before the caption in the documented form); the rest is split
// at every "/". Mode words are found case-insensitively anywhere in field 4,
// a later word winning: LOOP, then ONCE, then PERSIST.
Arguments ReadArguments(rt::ustring_view argumentText);

}  // namespace strumlet
