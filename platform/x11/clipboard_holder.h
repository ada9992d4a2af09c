// Text on the X clipboard that outlives the program. X has no clipboard
// store: the owner of the CLIPBOARD selection serves it, and when the owner
// ends the text is gone. So the text is held by a small process of its own,
// as xclip does: it owns the selection until another program takes it, and
// hands the text to a clipboard manager when one runs.
//
// The holder is the program's own executable in holder mode: how it is
// started, the handshake and what it keeps of the program are the shared
// rules of platform/posix/holder_process.h; the selection protocol is
// platform/x11/selection_server.h.
#pragma once

#include <chrono>
#include <string>

#include "platform/posix/holder_process.h"

namespace rt::x11 {

// The environment variable that makes the executable a clipboard holder;
// the entry point runs RunClipboardHolder when it is set.
inline constexpr const char* kClipboardHolderVariable = "STRUMLET_CLIPBOARD_HOLDER";

// Starts the running program's own executable as a holder of `utf8`. True
// once the holder owns the clipboard; false when it could not be started,
// could not take the clipboard, or was not ready within `limit` (it is
// ended then, and no holder of this text is left behind).
bool StartClipboardHolder(const std::string& utf8, std::chrono::milliseconds limit = posix::kHolderStartLimit);

// The same with another executable, one whose entry point runs the holder
// too (the tests start the program's file this way).
bool StartClipboardHolder(const std::string& executable, const std::string& utf8,
                          std::chrono::milliseconds limit = posix::kHolderStartLimit);

// The holder itself, run when the variable is set: returns the process's
// exit code (0 once another program took the clipboard, 1 when it could not
// take it).
int RunClipboardHolder();

}  // namespace rt::x11
