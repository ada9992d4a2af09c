// A small process that holds something for the program after it has ended
// (the clipboard's text, which on X11 and Wayland lives only as long as the
// client that offers it). The program starts its own executable file again
// with a variable in the environment that makes it a holder; the holder
// reads what it holds from standard input, detaches (a session of its own,
// "/" as its folder, the standard streams on /dev/null), and says on
// standard output when it is ready. Each window system's holder does the
// rest.
#pragma once

#include <optional>
#include <string>

namespace rt::posix {

// Starts `executable` with `variable`=1 in its environment and `payload` on
// its standard input. True once the holder has said it is ready (within
// five seconds); false when it could not be started or gave up.
bool StartHolder(const std::string& executable, const char* variable, const std::string& payload);

// In the holder, first of all: leaves the process that the program started
// (which ends at once, so that the program has nothing to wait for), for a
// child in a session of its own with "/" as its folder, and reads standard
// input to its end. Nothing when that failed.
std::optional<std::string> DetachHolder();

// In the holder, once it holds: tells the program so, and puts the standard
// streams on /dev/null.
void HolderReady();

// The real path of the running executable ("" if it cannot be read).
std::string ExecutablePath();

}  // namespace rt::posix
