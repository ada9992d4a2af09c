#include "platform/qt/timer_peer.h"

#include <QTimer>
#include <algorithm>
#include <climits>

#include "platform/posix/posix_clock.h"
#include "platform/qt/form_window.h"
#include "platform/tick_grid.h"

namespace rt::qt {

namespace {

// The grid keeps the time, on the monotonic clock that Qt's timers keep
// too; Qt only gives the wake-ups.
class TimerPeer : public ControlWidgetPeer, private TickGrid::Alarm {
 public:
  TimerPeer(FormWindow& owner, Timer& timer)
      : ControlWidgetPeer(owner, timer), timer_(timer), made_(clock_.NowMs()), grid_(clock_, *this, 1) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, &wake_, [this] {
      if (owner_.Dead()) return;
      grid_.Woken([this] { timer_.UserTick(); });
    });
    pending_.setSingleShot(true);
    QObject::connect(&pending_, &QTimer::timeout, &pending_, [this] { Sync(Property::TimerState); });
    Sync(Property::TimerState);
  }
  ~TimerPeer() override { grid_.Stop(); }

  void Sync(Property what) override {
    if (what != Property::TimerState) return;
    if (timer_.TimerEnabled() && timer_.Interval() > 0 && !owner_.Dead() && timer_.Parent().Loaded()) {
      // The count starts once the form is on the screen: a window that a
      // compositor maps after the first tick would take the focus from the
      // target that tick activated. A form that takes longer than
      // kScreenWaitMs to show does not hold its timer up any longer.
      if (!running_ && owner_.AwaitingScreen() && clock_.NowMs() - made_ < kScreenWaitMs) {
        pending_.start(kScreenPollMs);
        return;
      }
      running_ = true;
      grid_.Start(static_cast<std::uint64_t>(timer_.Interval()));
    } else {
      pending_.stop();
      grid_.Stop();
    }
  }

 private:
  bool Set(std::uint64_t delayMs) override {
    wake_.start(static_cast<int>(std::min<std::uint64_t>(delayMs, INT_MAX)));
    return true;
  }
  void Cancel() override { wake_.stop(); }

  static constexpr std::uint64_t kScreenWaitMs = 3000;
  static constexpr int kScreenPollMs = 20;
  Timer& timer_;
  Clock& clock_ = posix::MonotonicClock();
  std::uint64_t made_;
  QTimer wake_;
  QTimer pending_;
  bool running_ = false;
  TickGrid grid_;
};

}  // namespace

std::unique_ptr<ControlWidgetPeer> MakeTimerPeer(FormWindow& owner, Timer& timer) {
  return std::make_unique<TimerPeer>(owner, timer);
}

}  // namespace rt::qt
