// Text on the Wayland clipboard that outlives the program. A Wayland
// selection lives as long as the client that offers it, and a client may
// set it only while it has the keyboard focus, unless the compositor offers
// the data control interface (zwlr_data_control_manager_v1), which sets it
// without a window. So the text is held by a small process of the program's
// own (platform/posix/holder_process.h): it sets the selection through that
// interface and serves it until another client takes the clipboard.
#pragma once

#include <string>

namespace rt::wayland {

// The environment variable that makes the executable a Wayland clipboard
// holder.
inline constexpr const char* kClipboardHolderVariable = "STRUMLET_WAYLAND_CLIPBOARD_HOLDER";

// Starts the program's own executable as a holder of `utf8`. True once the
// holder has set the clipboard; false when it could not (no data control,
// no compositor, or no answer within a few seconds).
bool StartClipboardHolder(const std::string& utf8, const std::string& executable = {});

// The holder itself, run when the variable is set: returns the process's
// exit code (0 once another client took the clipboard or the compositor
// went away, 1 when it could not set the clipboard).
int RunClipboardHolder();

}  // namespace rt::wayland
