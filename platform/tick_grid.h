// The schedule of a repeating timer that keeps time: ticks fall on a grid
// counted from the moment the timer was started (anchor + n * interval), so
// that the system timer's rounding to its own tick does not add up period
// after period. A backend gives the grid its clock (platform/clock.h: the one
// its wake-ups keep time by) and a one-shot wake-up (an Alarm); it calls
// Woken() when the wake-up fires, and the grid decides whether that is a
// tick and when to wake next.
//
// The rules:
//  - Start() anchors the grid at the current time; the first tick is one
//    interval later. Starting again (a restart, a new interval) re-anchors.
//  - Ticks missed while the thread was busy are not queued up: the next tick
//    comes at the next grid point.
//  - A wake-up that comes before the grid point it was asked for is not a
//    tick; the grid asks again for the rest of the time.
//  - A tick may stop or restart the timer; the grid then does not schedule
//    on the old grid.
//  - A tick that runs a message loop (a message box) may see a wake-up of the
//    same timer inside it: that is not a second tick, only a new wake-up.
//  - No wake-up is asked for sooner than the alarm's minimum delay.
#pragma once

#include <cstdint>
#include <functional>

#include "platform/clock.h"

namespace rt {

class TickGrid {
 public:
  // The system's one-shot wake-up for one timer.
  class Alarm {
   public:
    virtual ~Alarm() = default;
    // Asks for one call of Woken() in `delayMs` milliseconds, replacing any
    // wake-up still pending. False if the system refused; the backend reports
    // that to the user itself.
    virtual bool Set(std::uint64_t delayMs) = 0;
    // Drops a pending wake-up (none pending is fine).
    virtual void Cancel() = 0;
  };
  TickGrid(Clock& clock, Alarm& alarm, std::uint64_t minimumDelayMs);
  TickGrid(const TickGrid&) = delete;
  TickGrid& operator=(const TickGrid&) = delete;

  // Starts (or restarts) ticking every `intervalMs` (> 0) from now.
  void Start(std::uint64_t intervalMs);
  // Stops ticking; a wake-up that still arrives is ignored.
  void Stop();
  // The alarm fired. Runs `tick` when a grid point has been reached and no
  // tick is running already, then asks for the next wake-up.
  void Woken(const std::function<void()>& tick);

  bool Running() const { return running_; }
  // Whether a wake-up is pending with the alarm.
  bool Pending() const { return pending_; }
  // The grid point of the last tick, counted from the anchor (0: none yet).
  std::uint64_t Period() const { return period_; }

 private:
  void Schedule();
  std::uint64_t NextDue() const { return anchor_ + (period_ + 1) * interval_; }

  Clock& clock_;
  Alarm& alarm_;
  std::uint64_t minimumDelay_;
  std::uint64_t anchor_ = 0;
  std::uint64_t interval_ = 0;
  std::uint64_t period_ = 0;
  // Counts starts and stops, so that a tick sees whether it restarted or
  // stopped its own timer.
  unsigned generation_ = 0;
  bool running_ = false;
  bool pending_ = false;
  bool busy_ = false;
};

}  // namespace rt
