#include "platform/fake/fake_timer.h"

#include "platform/fake/fake_platform.h"

namespace rt::fake {

FakeTimerPeer::FakeTimerPeer(FakeBackend& backend, Timer& timer, FakeClock& clock)
    : backend_(backend), timer_(timer), clock_(clock), grid_(clock, *this, 1) {
  backend_.AddTimer(*this);
  Sync(Property::TimerState);
}

FakeTimerPeer::~FakeTimerPeer() {
  grid_.Stop();
  backend_.RemoveTimer(*this);
}

void FakeTimerPeer::Sync(Property what) {
  if (what != Property::TimerState) return;
  if (timer_.TimerEnabled() && timer_.Interval() > 0 && timer_.Parent().Loaded()) {
    grid_.Start(static_cast<std::uint64_t>(timer_.Interval()));
  } else {
    grid_.Stop();
  }
}

void FakeTimerPeer::Wake() {
  due_.reset();
  if (!timer_.TimerEnabled() || !timer_.Parent().Loaded()) {
    grid_.Stop();
    return;
  }
  grid_.Woken([this] { timer_.UserTick(); });
}

bool FakeTimerPeer::Set(std::uint64_t delayMs) {
  due_ = clock_.NowMs() + delayMs;
  return true;
}

}  // namespace rt::fake
