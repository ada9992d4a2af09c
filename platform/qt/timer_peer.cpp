#include "platform/qt/timer_peer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>
#include <climits>

#include "platform/qt/form_window.h"
#include "platform/tick_grid.h"

namespace rt::qt {

namespace {

// The grid keeps the time; Qt only gives the wake-ups.
class TimerPeer : public ControlWidgetPeer, private TickGrid::Alarm {
 public:
  TimerPeer(FormWindow& owner, Timer& timer)
      : ControlWidgetPeer(owner, timer), timer_(timer), grid_([this] { return Now(); }, *this, 1) {
    clock_.start();
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, &wake_, [this] {
      if (owner_.Dead()) return;
      grid_.Woken([this] { timer_.UserTick(); });
    });
    Sync(Property::TimerState);
  }
  ~TimerPeer() override { grid_.Stop(); }

  void Sync(Property what) override {
    if (what != Property::TimerState) return;
    if (timer_.TimerEnabled() && timer_.Interval() > 0 && !owner_.Dead() && timer_.Parent().Loaded()) {
      grid_.Start(static_cast<std::uint64_t>(timer_.Interval()));
    } else {
      grid_.Stop();
    }
  }

 private:
  std::uint64_t Now() const { return static_cast<std::uint64_t>(clock_.elapsed()); }
  bool Set(std::uint64_t delayMs) override {
    wake_.start(static_cast<int>(std::min<std::uint64_t>(delayMs, INT_MAX)));
    return true;
  }
  void Cancel() override { wake_.stop(); }

  Timer& timer_;
  QElapsedTimer clock_;
  QTimer wake_;
  TickGrid grid_;
};

}  // namespace

std::unique_ptr<ControlWidgetPeer> MakeTimerPeer(FormWindow& owner, Timer& timer) {
  return std::make_unique<TimerPeer>(owner, timer);
}

}  // namespace rt::qt
