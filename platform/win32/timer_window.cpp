#include "platform/win32/timer_window.h"

#include <algorithm>

#include "platform/win32/form_window.h"
#include "platform/win32/peers.h"
#include "platform/win32/system_clock.h"

namespace rt::win32 {

namespace {

constexpr UINT_PTR kTimerBase = 0x7000;

}  // namespace

TimerWindow::TimerWindow(FormWindow& owner, Timer& timer)
    : owner_(owner), timer_(timer), id_(kTimerBase + static_cast<UINT_PTR>(timer.Id())), grid_(SystemClock(), *this, USER_TIMER_MINIMUM) {
  owner_.AddTimer(this);
  Sync(Property::TimerState);
}

TimerWindow::~TimerWindow() {
  grid_.Stop();
  owner_.RemoveTimer(this);
}

void TimerWindow::Sync(Property what) {
  if (what != Property::TimerState) return;
  if (!timer_.TimerEnabled() || timer_.Interval() <= 0 || owner_.Dead() || !timer_.Parent().Loaded()) {
    grid_.Stop();
    return;
  }
  grid_.Start(static_cast<std::uint64_t>(timer_.Interval()));
}

void TimerWindow::OnTimer() {
  // The system's timer repeats; the grid asks for each wake-up anew.
  KillTimer(owner_.Hwnd(), id_);
  if (owner_.Dead() || !timer_.TimerEnabled()) {
    grid_.Stop();
    return;
  }
  grid_.Woken([this] { timer_.UserTick(); });
}

void TimerWindow::OnRefused(DWORD error) {
  timer_.UserRefused(u"Windows could not start the timer (error " + DecimalText(static_cast<int>(error)) +
                     u"): the countdown stands still. Restart the counter to try again.");
}

void TimerWindow::Halt() {
  grid_.Stop();
  KillTimer(owner_.Hwnd(), id_);
}

bool TimerWindow::Set(std::uint64_t delayMs) {
  if (owner_.Dead()) return false;
  UINT delay = static_cast<UINT>(std::min<std::uint64_t>(delayMs, USER_TIMER_MAXIMUM));
  if (SetTimer(owner_.Hwnd(), id_, delay, nullptr) == 0) {
    // Not running, and said so: reported from the message loop, where a
    // message box may be shown.
    PostMessageW(owner_.Hwnd(), kTimerRefusedMessage, id_, static_cast<LPARAM>(GetLastError()));
    return false;
  }
  return true;
}

void TimerWindow::Cancel() { KillTimer(owner_.Hwnd(), id_); }

std::unique_ptr<ControlPeer> MakeTimerPeer(FormWindow& owner, Timer& timer) { return std::make_unique<TimerWindow>(owner, timer); }

}  // namespace rt::win32
