// The process's exit codes, for batch files and scripts. README.md's table
// of exit codes says the same (a unit test holds the two together).
#pragma once

namespace rt {

enum class ExitCode : int {
  // A run ended after its send, or the user closed the window.
  Sent = 0,
  // A Once run ended because the target window was missing or a send failed.
  Failed = 1,
  // The same, without any send, after start-up had reported an argument
  // error.
  ArgumentError = 2,
  // The system could not make one of the program's windows (a message says
  // which), or there is no window system to make them on (no X display).
  NoWindow = 3,
};

constexpr int ToInt(ExitCode code) { return static_cast<int>(code); }

}  // namespace rt
