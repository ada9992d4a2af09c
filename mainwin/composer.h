// The command line that starts the program with given settings. Its
// argument text is
//   /<caption> /<keys> /<interval>[ /loop| /persist][ /notarget]
// with nothing trimmed or escaped, and Once written as no mode at all. On
// Windows the line is the executable's path, a blank and that text:
//   <folder>\<name>.exe /<caption> /<keys> /<interval>...
// For a POSIX shell the text is one single-quoted word, so that blanks, "~",
// "(", ")" and "%" reach the program unchanged:
//   <folder>/<name> '/<caption> /<keys> /<interval>...'
// (the path quoted too when it needs it).
#pragma once

#include "platform/text.h"

namespace strumlet {

struct ComposerSettings {
  rt::ustring folder;
  rt::ustring exeName;
  rt::ustring caption;
  rt::ustring keys;
  rt::ustring interval;
  bool loop = false;
  bool persist = false;
  bool noTarget = false;
  bool shellCommandLine = false;
};

rt::ustring ComposeCommandLine(const ComposerSettings& s);

// The message shown with a composed line.
rt::ustring ComposerMessage(const rt::ustring& commandLine);

}  // namespace strumlet
