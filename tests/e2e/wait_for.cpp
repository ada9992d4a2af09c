#include "wait_for.h"

#include <cstdlib>
#include <thread>

namespace strumlet::e2e {

bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit) {
  const auto deadline = std::chrono::steady_clock::now() + limit;
  for (;;) {
    const bool late = std::chrono::steady_clock::now() > deadline;
    if (condition()) return true;
    if (late) return false;
    std::this_thread::sleep_for(10ms);
  }
}

void SingleClicks::Before(int x, int y) {
  // Twice Qt's time and distance, for the other toolkits' settings.
  constexpr auto pairing = 800ms;
  constexpr int near = 10;
  if (last_ && std::abs(x - last_->x) <= near && std::abs(y - last_->y) <= near) {
    std::this_thread::sleep_until(last_->at + pairing);
  }
}

void SingleClicks::Pressed(int x, int y) { last_ = Press{x, y, std::chrono::steady_clock::now()}; }

}  // namespace strumlet::e2e
