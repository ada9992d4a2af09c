// The clock of the Windows backend (platform/clock.h), for every wait, pause
// and timer of the program on Windows.
#pragma once

#include "platform/clock.h"

namespace rt::win32 {

// The performance counter in milliseconds (exact to the millisecond, unlike
// the tick count's 10-16 ms steps), and the system's Sleep, which pumps no
// messages: the program's windows wait while it sleeps.
Clock& SystemClock();

}  // namespace rt::win32
