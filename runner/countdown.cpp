// The countdown: one tick of Timer1 a second. At a count of 1 the target is
// activated, at 0 the key script is typed and the count reloaded; the run
// mode decides what follows. Every failure in a tick ends in the not-found
// step.
#include <exception>

#include "platform/clock.h"
#include "platform/errors.h"
#include "platform/exit_code.h"
#include "platform/numeric.h"
#include "runner/runner.h"

namespace strumlet {

void Runner::Tick() {
  try {
    rt::ustring caption = c_.caption.Text();
    --Counter;
    rt::ustring count = rt::DecimalText(Counter);
    c_.counter.SetCaption(count);
    c_.window.SetCaption(count + u" Strumlet");
    if (RunFinished == 1) {
      NotFoundStep();
      return;
    }
    if (Counter == 1 && NoTarget == 0) {
      activated_.clear();
      Application().Os().AppActivate(caption);
      activated_ = caption;
      if (c_.persist.Value()) c_.once.SetValue(true);
    }
    if (Counter == 0) {
      c_.status.SetCaption(u"Window Caption");
      c_.status.SetBackColor(rt::kButtonFace);
      // The keys go where the activation a second ago put the focus. If
      // another window has come in front since (one the system showed late,
      // or the user's), the target is brought back first: no key goes to a
      // window that was not named, and a target that has gone meanwhile is
      // not found.
      rt::ustring activated = std::move(activated_);
      activated_.clear();
      if (!activated.empty() && !Application().Os().AppInFront(activated)) Application().Os().AppActivate(activated);
      SendPieces();
      if (c_.once.Value()) RunFinished = 1;
    }
    if (Counter < 1) LoadCount();
  } catch (const std::exception&) {
    NotFoundStep();
  }
}

void Runner::SendPieces() {
  if (!KeyParts || !KeyPauses) throw rt::RuntimeError(rt::ErrorCode::NoArray, "the key script has not been split");
  // Copies: a message loop inside the send could let the script be edited.
  const std::vector<rt::ustring> parts = *KeyParts;
  const std::vector<rt::ustring> pauses = *KeyPauses;
  rt::System& os = Application().Os();
  std::size_t n = parts.size() - 1;
  for (std::size_t j = 1; j < n; ++j) {
    os.SendKeys(parts[j], true);
    anySent_ = true;
    // The pause in milliseconds is a 16-bit number: 0 to 32 seconds. A
    // negative pause is refused too: the system's sleep would read it as
    // about 49 days.
    int seconds = rt::IntervalConversion(pauses[j]);
    int milliseconds = seconds * 1000;
    if (milliseconds > 32767 || milliseconds < -32768) throw rt::RuntimeError(rt::ErrorCode::Overflow, "Overflow");
    if (milliseconds < 0) throw rt::RuntimeError(rt::ErrorCode::InvalidCall, "negative pause");
    // The thread sleeps through it: the main window waits too.
    rt::Pause(os.Time(), static_cast<std::uint64_t>(milliseconds));
  }
  os.SendKeys(parts[n], true);
  anySent_ = true;
}

void Runner::NotFoundStep() {
  Counter = 0;
  c_.status.SetBackColor(rt::kRed);
  c_.status.SetCaption(u"Window not found!");
  if (c_.persist.Value()) RunFinished = 0;
  if (c_.once.Value()) {
    rt::ExitCode code = rt::ExitCode::Sent;
    if (RunFinished != 1) code = argumentError_ && !anySent_ ? rt::ExitCode::ArgumentError : rt::ExitCode::Failed;
    Application().SetExitCode(code);
    c_.window.Unload();
  }
}

void Runner::SendNow() {
  SetCounting(true);
  Counter = 2;
}

void Runner::SetCounting(bool counting) {
  c_.timer.SetTimerEnabled(counting);
  c_.pauseButton.SetCaption(counting ? u"P&ause Counter" : u"&Resume Counter");
}

void Runner::TimerRefused(const rt::ustring& reason) {
  SetCounting(false);
  Application().MsgBox(reason);
}

void Runner::LoadCount() { Counter = rt::IntervalConversion(c_.interval.Text()); }

}  // namespace strumlet
