// Virtual time for the fake backend: nothing really waits. The program's
// Sleep moves the clock on at once, a millisecond at a time, and whatever
// watches the clock (a target reading its input, the focus coming back)
// acts in each of those milliseconds as it would while the real program
// slept. Time also passes while the program's message loop idles (Advance),
// which is when the fake backend's timers tick (fake_platform.h).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "platform/clock.h"

namespace rt::fake {

class FakeClock : public Clock {
 public:
  // Something that acts as time passes.
  class Watcher {
   public:
    virtual ~Watcher() = default;
    // One more millisecond has passed; `now` is the new time.
    virtual void Passed(std::uint64_t now) = 0;
  };

  FakeClock() = default;
  FakeClock(const FakeClock&) = delete;
  FakeClock& operator=(const FakeClock&) = delete;

  std::uint64_t NowMs() override { return now_; }
  // The program sleeps: the clock moves on by `ms` (nothing for 0) and
  // `onSleep` hears of it first.
  void Sleep(std::uint64_t ms) override;
  // Time passes while the program is not sleeping.
  void Advance(std::uint64_t ms);

  // Watchers are told of every millisecond, in the order they came.
  void Watch(Watcher& watcher);
  void Unwatch(Watcher& watcher);

  // Hears of each Sleep of the program, with its length.
  std::function<void(std::uint64_t ms)> onSleep;
  // The milliseconds the program has slept in all.
  std::uint64_t slept = 0;

 private:
  std::uint64_t now_ = 0;
  std::vector<Watcher*> watchers_;  // null: stopped watching during Advance
  int advancing_ = 0;               // Advance running (it may nest)
};

}  // namespace rt::fake
