#include "platform/tick_grid.h"

#include <algorithm>

namespace rt {

TickGrid::TickGrid(Clock& clock, Alarm& alarm, std::uint64_t minimumDelayMs)
    : clock_(clock), alarm_(alarm), minimumDelay_(minimumDelayMs) {}

void TickGrid::Start(std::uint64_t intervalMs) {
  Stop();
  if (intervalMs == 0) return;
  running_ = true;
  interval_ = intervalMs;
  anchor_ = clock_.NowMs();
  period_ = 0;
  Schedule();
}

void TickGrid::Stop() {
  ++generation_;
  if (pending_) alarm_.Cancel();
  pending_ = false;
  running_ = false;
}

void TickGrid::Woken(const std::function<void()>& tick) {
  pending_ = false;
  if (!running_) return;
  if (busy_) {  // a tick is still running (a message loop inside it)
    Schedule();
    return;
  }
  std::uint64_t now = clock_.NowMs();
  if (now < NextDue()) {  // early: not a tick yet
    Schedule();
    return;
  }
  // The grid point just passed; those before it that were missed are gone.
  period_ = (now - anchor_) / interval_;
  unsigned generation = generation_;
  busy_ = true;
  tick();
  busy_ = false;
  // The tick may have stopped or restarted the timer (then it is scheduled
  // already, or must not be), or woken it inside a message loop.
  if (generation == generation_ && running_ && !pending_) Schedule();
}

void TickGrid::Schedule() {
  std::uint64_t now = clock_.NowMs();
  std::uint64_t due = NextDue();
  if (due <= now) {
    period_ = (now - anchor_) / interval_;
    due = NextDue();
  }
  pending_ = alarm_.Set(std::max(minimumDelay_, due - now));
}

}  // namespace rt
