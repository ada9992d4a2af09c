#include "platform/posix/posix_clock.h"

#include <time.h>

#include <chrono>

namespace rt::posix {

namespace {

class PosixClock : public Clock {
 public:
  std::uint64_t NowMs() override {
    auto now = std::chrono::steady_clock::now().time_since_epoch();
    return static_cast<std::uint64_t>(std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
  }

  void Sleep(std::uint64_t ms) override {
    timespec rest{static_cast<time_t>(ms / 1000), static_cast<long>(ms % 1000) * 1000000L};
    nanosleep(&rest, nullptr);
  }
};

}  // namespace

Clock& MonotonicClock() {
  static PosixClock clock;
  return clock;
}

}  // namespace rt::posix
