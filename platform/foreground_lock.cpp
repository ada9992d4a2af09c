#include "platform/foreground_lock.h"

namespace rt {

namespace {

// Detaches on every path once attached.
class InputAttachment {
 public:
  InputAttachment(ForegroundLock& lock, WindowHandle foreground)
      : lock_(lock), foreground_(foreground), attached_(lock.AttachToForeground(foreground, true)) {}
  ~InputAttachment() {
    if (attached_) lock_.AttachToForeground(foreground_, false);
  }
  InputAttachment(const InputAttachment&) = delete;
  InputAttachment& operator=(const InputAttachment&) = delete;

 private:
  ForegroundLock& lock_;
  WindowHandle foreground_;
  bool attached_;
};

}  // namespace

bool GoRoundForegroundLock(ForegroundLock& lock, WindowActivation& system, WindowHandle window) {
  auto arrived = [&] { return InFront(system, window); };
  const std::uint64_t settleMs = system.SettleMs();
  Clock& clock = system.Time();
  lock.RequestForeground(window);
  if (WaitUntil(clock, arrived, settleMs)) return true;

  WindowHandle foreground = system.Foreground();
  if (foreground != 0 && !system.IsHung(foreground)) {
    {
      InputAttachment attachment(lock, foreground);
      system.BringToTop(window);
      lock.RequestForeground(window);
    }
    if (WaitUntil(clock, arrived, settleMs)) return true;
  }

  lock.InjectNeutralInput();
  lock.RequestForeground(window);
  return WaitUntil(clock, arrived, settleMs);
}

}  // namespace rt
