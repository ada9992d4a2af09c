// The one wait of every end-to-end suite: what a test waits for (a window
// appears, text arrives, a program ends) is a condition polled under a
// generous limit, never a fixed sleep. Portable: the suites under Wine, on
// X11 and on Wayland all use it.
#pragma once

#include <chrono>
#include <functional>

namespace strumlet::e2e {

using namespace std::chrono_literals;

// Polls `condition` every 10 ms until it holds (true) or `limit` has passed
// (false). The condition is tried once more after the limit, so that a
// slow poll on a busy machine never turns a late success into a failure.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 60s);

}  // namespace strumlet::e2e
