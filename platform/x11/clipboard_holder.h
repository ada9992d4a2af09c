// Text on the X clipboard that outlives the program. X has no clipboard
// store: the owner of the CLIPBOARD selection serves it, and when the owner
// ends the text is gone. So the text is held by a small process of its own,
// as xclip does: it owns the selection until another program takes it, and
// hands the text to a clipboard manager when one runs.
#pragma once

#include <string>

namespace rt::x11 {

// The environment variable that makes the executable a holder: it reads the
// text from standard input, owns the clipboard, writes one byte to standard
// output once it does, and serves the text until another program takes the
// clipboard.
inline constexpr const char* kClipboardHolderVariable = "STRUMLET_CLIPBOARD_HOLDER";

// Starts `executable` as a holder of `utf8`. True once the holder owns the
// clipboard; false when it could not be started or could not take it
// (within a few seconds).
bool StartClipboardHolder(const std::string& executable, const std::string& utf8);

// The holder itself, run when the variable is set: returns the process's
// exit code (0 once another program took the clipboard, 1 when it could not
// take it).
int RunClipboardHolder();

}  // namespace rt::x11
