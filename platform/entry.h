// The program on top of the platform. The program defines RunProgram; each
// backend's entry point makes the application object over its system and
// backend and calls it, so that the platform never includes the program.
#pragma once

#include <functional>

#include "platform/app.h"

namespace rt {

// Loads and shows the program's first window, runs `messageLoop` until no
// window is left, and returns the process's exit code.
int RunProgram(App& app, const std::function<void()>& messageLoop);

}  // namespace rt
