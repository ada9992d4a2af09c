// Windows' foreground lock, and the ways round it. Windows lets a program
// change the foreground window only under conditions (it is the foreground
// program, or received the last input event, ...); a program in the
// background is refused, often while being told yes. Mature tools go round
// it in three steps, each checked with the foreground window: a plain
// request; the request again while attached to the foreground thread's input
// (it then counts as coming from that thread), with the window raised; and
// the request after a harmless input event of this program's own. A
// foreground thread that does not respond is never attached to: attaching
// would wait on it.
#pragma once

#include "platform/activation.h"

namespace rt {

// What going round the lock needs of the system, besides the window queries
// and the activation's own operations.
class ForegroundLock {
 public:
  virtual ~ForegroundLock() = default;
  // A plain request for the foreground: the system may refuse, or say yes
  // and not do it.
  virtual void RequestForeground(WindowHandle window) = 0;
  // Shares (or stops sharing) input state with the thread of the foreground
  // window. False when there was nothing to attach to.
  virtual bool AttachToForeground(WindowHandle foreground, bool attach) = 0;
  // A harmless input event, so that this program counts as the one that
  // received the last input.
  virtual void InjectNeutralInput() = 0;
};

// Brings the window to the foreground round the lock, waiting after each
// step up to system.SettleMs() for it to be InFront. True when it is.
bool GoRoundForegroundLock(ForegroundLock& lock, WindowActivation& system, WindowHandle window);

}  // namespace rt
