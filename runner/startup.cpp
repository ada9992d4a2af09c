// Start-up: the main window's load handler reads the command line into the
// run settings, loads the count and starts the countdown.
#include <exception>

#include "mainwin/form1.h"
#include "platform/numeric.h"
#include "runner/command_line.h"

namespace strumlet {

void Form1::Form_Load() {
  try {
    Counter = 0;
    mLoop.SetValue(true);
    RunFinished = 0;
    const rt::ustring& argumentText = Application().Info().command;
    if (!argumentText.empty()) {
      Text1.SetText(u"");
      Text2.SetText(u"");
      Text3.SetText(u"");
      mOnce.SetValue(true);
      Arguments args = ReadArguments(argumentText);
      Text1.SetText(args.caption);
      Text2.SetText(args.keys);
      Text3.SetText(args.interval);
      switch (args.mode) {
        case RunMode::Once: mOnce.SetValue(true); break;
        case RunMode::Loop: mLoop.SetValue(true); break;
        case RunMode::Persist: mPersist.SetValue(true); break;
      }
      if (args.noTarget) NoTarget = -1;
    }
    Counter = rt::IntervalConversion(Text3.Text());
    if (NoTarget == -1) {
      SetWindowState(rt::WindowState::Minimized);
      Check1.SetValue(1);
      Check1_Click();
    }
    SplitKeyScript();
    Timer1.SetTimerEnabled(true);
  } catch (const std::exception&) {
    // Whatever went wrong, the user sees the help next to the message; the
    // settings read so far stay in the boxes to be corrected.
    argumentError_ = true;
    HelpWindow.Get().Show();
    Application().MsgBox(u"Error in arguments (parameters). Please read help file!");
  }
}

}  // namespace strumlet
