// The command line that starts the program with given settings:
//   <folder>\<name>.exe /<caption> /<keys> /<interval>[ /loop| /persist][ /notarget]
// Nothing is trimmed, quoted or escaped; Once is written as no mode at all.
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
};

rt::ustring ComposeCommandLine(const ComposerSettings& s);

// The message shown with a composed line.
rt::ustring ComposerMessage(const rt::ustring& commandLine);

}  // namespace strumlet
