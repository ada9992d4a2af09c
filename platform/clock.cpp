#include "platform/clock.h"

#include <algorithm>

namespace rt {

void Pause(Clock& clock, std::uint64_t ms) {
  Deadline end(clock, ms);
  do {
    clock.Sleep(end.LeftMs());
  } while (!end.Passed());
}

bool WaitUntil(Clock& clock, const std::function<bool()>& done, std::uint64_t limitMs, std::uint64_t stepMs) {
  Deadline end(clock, limitMs);
  stepMs = std::max<std::uint64_t>(stepMs, 1);
  for (;;) {
    if (done()) return true;
    std::uint64_t left = end.LeftMs();
    if (left == 0) return false;
    // The last step ends at the limit, where `done` is asked once more.
    clock.Sleep(std::min(stepMs, left));
  }
}

}  // namespace rt
