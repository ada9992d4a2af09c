// Time, as every wait, pause, tick and deadline of the program reads it. A
// backend supplies the clock once (its "now" and its way of letting time
// pass); the rules of waiting (a pause that lasts its whole time, a wait for
// a condition that polls it until a deadline) are here, once, for every
// backend. The fake backend's clock runs on virtual time: letting time pass
// costs none, so tests of pauses, limits and ticks take no real seconds.
#pragma once

#include <cstdint>
#include <functional>

namespace rt {

class Clock {
 public:
  virtual ~Clock() = default;

  // Milliseconds from a fixed point in the life of the process; never goes
  // back.
  virtual std::uint64_t NowMs() = 0;

  // Lets time pass on this thread, about `ms` milliseconds and at most
  // somewhat more (0: gives the rest of the thread's time slice away). It
  // may return sooner (a signal that the program handles cuts a POSIX sleep
  // short), and a backend whose own connection to the system must be
  // read while the program waits (Wayland's compositor disconnects a client
  // that leaves its events unread) reads and dispatches that connection's
  // events meanwhile, and returns when some came. Callers that need the
  // whole time use Pause.
  //
  // It never runs the program's message loop, on any backend: no window
  // message, click, key or timer of the program's own is handled while it
  // sleeps, so the program's windows wait until the send (or activation)
  // that sleeps is over, as its one thread is busy. On Windows it is the
  // system's Sleep, which pumps nothing.
  virtual void Sleep(std::uint64_t ms) = 0;
};

// The step between two polls of WaitUntil, unless told otherwise.
inline constexpr std::uint64_t kPollMs = 5;

// Lets `ms` milliseconds pass by the clock, however soon its Sleep returns.
// Sleeps at least once (Pause(0) gives the time slice away).
void Pause(Clock& clock, std::uint64_t ms);

// Asks `done` until it holds, letting `stepMs` (at least 1) pass between two
// asks, for at most `limitMs` by the clock: true as soon as it holds, false
// when it still does not when the limit is reached. `done` is always asked
// once at the start, and once more when the limit is reached.
bool WaitUntil(Clock& clock, const std::function<bool()>& done, std::uint64_t limitMs, std::uint64_t stepMs = kPollMs);

// A point in time `ms` milliseconds from now, by the clock.
class Deadline {
 public:
  Deadline(Clock& clock, std::uint64_t ms) : clock_(clock), at_(clock.NowMs() + ms) {}
  bool Passed() const { return clock_.NowMs() >= at_; }
  // Milliseconds left, 0 once passed.
  std::uint64_t LeftMs() const {
    std::uint64_t now = clock_.NowMs();
    return now >= at_ ? 0 : at_ - now;
  }

 private:
  Clock& clock_;
  std::uint64_t at_;
};

}  // namespace rt
