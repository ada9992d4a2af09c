#include "platform/qt/timer_peer.h"

#include <QElapsedTimer>
#include <QTimer>
#include <algorithm>

#include "platform/qt/form_window.h"

namespace rt::qt {

namespace {

class TimerPeer : public ControlWidgetPeer {
 public:
  TimerPeer(FormWindow& owner, Timer& timer) : ControlWidgetPeer(owner, timer), timer_(timer) {
    wake_.setSingleShot(true);
    wake_.setTimerType(Qt::PreciseTimer);
    QObject::connect(&wake_, &QTimer::timeout, &wake_, [this] { OnWake(); });
    clock_.start();
    Restart();
  }
  void Sync(Property what) override {
    if (what == Property::TimerState) Restart();
  }

 private:
  void Restart() {
    wake_.stop();
    ++generation_;
    if (!timer_.TimerEnabled() || timer_.Interval() <= 0 || owner_.Dead() || !timer_.Parent().Loaded()) return;
    anchor_ = clock_.elapsed();
    period_ = 0;
    Schedule();
  }
  void Schedule() {
    if (owner_.Dead() || !timer_.TimerEnabled()) return;
    qint64 interval = timer_.Interval();
    qint64 now = clock_.elapsed();
    qint64 due = anchor_ + (period_ + 1) * interval;
    if (due <= now) {
      period_ = (now - anchor_) / interval;
      due = anchor_ + (period_ + 1) * interval;
    }
    wake_.start(static_cast<int>(std::max<qint64>(1, due - now)));
  }
  void OnWake() {
    if (busy_) {
      Schedule();
      return;
    }
    qint64 now = clock_.elapsed();
    qint64 interval = timer_.Interval();
    if (now < anchor_ + (period_ + 1) * interval) {
      Schedule();
      return;
    }
    period_ = std::max<qint64>(period_ + 1, (now - anchor_) / interval);
    unsigned generation = generation_;
    busy_ = true;
    timer_.UserTick();
    busy_ = false;
    if (generation == generation_ && !wake_.isActive()) Schedule();
  }

  Timer& timer_;
  QTimer wake_;
  QElapsedTimer clock_;
  qint64 anchor_ = 0;
  qint64 period_ = 0;
  unsigned generation_ = 0;
  bool busy_ = false;
};

}  // namespace

std::unique_ptr<ControlWidgetPeer> MakeTimerPeer(FormWindow& owner, Timer& timer) {
  return std::make_unique<TimerPeer>(owner, timer);
}

}  // namespace rt::qt
