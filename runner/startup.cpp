// Start-up: the main window's load handler reads the command line into the
// run settings, loads the count and starts the countdown.
#include <exception>

#include "runner/command_line.h"
#include "runner/runner.h"

namespace strumlet {

bool Runner::Start() {
  try {
    Counter = 0;
    c_.loop.SetValue(true);
    RunFinished = 0;
    const rt::ustring& argumentText = Application().Info().command;
    if (!argumentText.empty()) {
      c_.caption.SetText(u"");
      c_.keys.SetText(u"");
      c_.interval.SetText(u"");
      c_.once.SetValue(true);
      Arguments args = ReadArguments(argumentText);
      c_.caption.SetText(args.caption);
      c_.keys.SetText(args.keys);
      c_.interval.SetText(args.interval);
      switch (args.mode) {
        case RunMode::Once: c_.once.SetValue(true); break;
        case RunMode::Loop: c_.loop.SetValue(true); break;
        case RunMode::Persist: c_.persist.SetValue(true); break;
      }
      if (args.noTarget) NoTarget = -1;
    }
    LoadCount();
    if (NoTarget == -1) {
      c_.window.SetWindowState(rt::WindowState::Minimized);
      c_.noTarget.SetValue(1);
      NoTargetChanged();
    }
    SplitKeyScript();
    c_.timer.SetTimerEnabled(true);
    return true;
  } catch (const std::exception&) {
    argumentError_ = true;
    return false;
  }
}

void Runner::NoTargetChanged() {
  if (c_.noTarget.Value() == 1) {
    NoTarget = -1;
    c_.caption.SetEnabled(false);
  }
  if (c_.noTarget.Value() == 0) {
    NoTarget = 0;
    c_.caption.SetEnabled(true);
  }
}

}  // namespace strumlet
