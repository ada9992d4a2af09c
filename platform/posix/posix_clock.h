// The clock of the POSIX backends (platform/clock.h): the X11 services, the
// Qt windows' timers, and under the Wayland services' own waits.
#pragma once

#include "platform/clock.h"

namespace rt::posix {

// The monotonic clock (CLOCK_MONOTONIC, through std::chrono::steady_clock) in
// milliseconds, and nanosleep, which pumps nothing; a signal handled during
// it ends it early.
Clock& MonotonicClock();

}  // namespace rt::posix
