// A timer's system timer: a one-shot wake-up for its tick grid
// (platform/tick_grid.h), which holds every rule of when it ticks. The form
// window hands it its WM_TIMER messages and the report of a refused timer.
#pragma once

#include <windows.h>

#include <cstdint>

#include "platform/controls.h"
#include "platform/tick_grid.h"

namespace rt::win32 {

class FormWindow;

// Posted to a form when the system refused one of its timers: wParam the
// timer's id, lParam the system's error code.
inline constexpr UINT kTimerRefusedMessage = WM_APP + 1;

class TimerWindow : public ControlPeer, private TickGrid::Alarm {
 public:
  TimerWindow(FormWindow& owner, Timer& timer);
  ~TimerWindow() override;
  TimerWindow(const TimerWindow&) = delete;
  TimerWindow& operator=(const TimerWindow&) = delete;

  void Sync(Property what) override;
  // The system timer's id on the form's window.
  UINT_PTR Id() const { return id_; }
  void OnTimer();
  void OnRefused(DWORD error);
  // The form is going away: no more wake-ups.
  void Halt();

 private:
  bool Set(std::uint64_t delayMs) override;
  void Cancel() override;

  FormWindow& owner_;
  Timer& timer_;
  // Kept apart from the control, which may be gone before this peer is.
  UINT_PTR id_;
  TickGrid grid_;
};

}  // namespace rt::win32
