#include "wait_for.h"

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

}  // namespace strumlet::e2e
