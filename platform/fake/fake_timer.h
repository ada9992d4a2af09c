// A timer of the fake backend on its tick grid (platform/tick_grid.h), the
// same rules of when it ticks as on the real backends, in virtual time: its
// wake-up falls due at a time of the fake clock, and fires when the fake
// message loop idles up to that time (fake::Wait). A wake-up that falls due
// while the program sleeps (a send's pause) fires late, when the loop runs
// again, as a real system's timer would.
#pragma once

#include <cstdint>
#include <optional>

#include "platform/controls.h"
#include "platform/fake/fake_clock.h"
#include "platform/tick_grid.h"

namespace rt::fake {

class FakeBackend;

class FakeTimerPeer : public ControlPeer, private TickGrid::Alarm {
 public:
  FakeTimerPeer(FakeBackend& backend, Timer& timer, FakeClock& clock);
  ~FakeTimerPeer() override;
  FakeTimerPeer(const FakeTimerPeer&) = delete;
  FakeTimerPeer& operator=(const FakeTimerPeer&) = delete;

  void Sync(Property what) override;
  // When the pending wake-up falls due, if one is pending.
  std::optional<std::uint64_t> Due() const { return due_; }
  // The pending wake-up fires.
  void Wake();

 private:
  bool Set(std::uint64_t delayMs) override;
  void Cancel() override { due_.reset(); }

  FakeBackend& backend_;
  Timer& timer_;
  FakeClock& clock_;
  std::optional<std::uint64_t> due_;
  TickGrid grid_;
};

}  // namespace rt::fake
