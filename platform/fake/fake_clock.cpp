#include "platform/fake/fake_clock.h"

#include <algorithm>

namespace rt::fake {

void FakeClock::Sleep(std::uint64_t ms) {
  if (onSleep) onSleep(ms);
  slept += ms;
  Advance(ms);
}

void FakeClock::Advance(std::uint64_t ms) {
  ++advancing_;
  for (std::uint64_t i = 0; i < ms; ++i) {
    ++now_;
    // By index: a watcher may start or stop watching while it is told.
    for (std::size_t w = 0; w < watchers_.size(); ++w) {
      if (watchers_[w]) watchers_[w]->Passed(now_);
    }
  }
  if (--advancing_ == 0) std::erase(watchers_, nullptr);
}

void FakeClock::Watch(Watcher& watcher) {
  if (std::find(watchers_.begin(), watchers_.end(), &watcher) == watchers_.end()) watchers_.push_back(&watcher);
}

void FakeClock::Unwatch(Watcher& watcher) {
  auto it = std::find(watchers_.begin(), watchers_.end(), &watcher);
  if (it == watchers_.end()) return;
  // Not erased while Advance walks the list.
  if (advancing_ > 0) *it = nullptr;
  else watchers_.erase(it);
}

}  // namespace rt::fake
