// The main window: the run settings in its controls, and the handlers of its
// events. The runner state and the steps of start-up, splitting and the
// countdown belong to the runner (runner/), which the handlers call; the
// window's own buttons and keys are handled here.
#pragma once

#include <cstdint>

#include "info/form2.h"
#include "info/frm_about.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/system.h"
#include "runner/runner.h"
#include "windows/form3.h"

namespace strumlet {

class Form1 : public rt::Form {
 public:
  explicit Form1(rt::App& app);

  // Controls, in tab order.
  rt::Label Label1;            // the count, top right
  rt::TextBox Text1;           // the target window's caption
  rt::Label Label2;            // "Window Caption:" beside Text1; "Window not found!" on red after a failure
  rt::TextBox Text2;           // the key script
  rt::Label Label3;            // "Keys to send:" beside Text2
  rt::TextBox Text3;           // the interval in seconds
  rt::Label Label4;            // "Every n seconds:" beside Text3
  rt::Label Label5;            // "Counter:" before the count
  rt::CommandButton Command1;  // "Restart Counter": reloads the count from the interval
  rt::CommandButton Command2;  // "Pause Counter" / "Resume Counter": the toggle (Esc clicks it)
  rt::CommandButton Command3;  // "Help": the help window
  rt::CommandButton Command5;  // the copyright sign: the About window
  rt::CommandButton SendNow;   // "Send Now": sends two seconds later
  rt::CheckBox Check1;         // "No target window": send to whatever has the focus
  rt::CommandButton Command6;  // "Make Command Line": shows and copies the command line for the settings
  rt::CommandButton Command7;  // "List windows": the window list, to pick a target caption from
  rt::Frame Frame1;            // "Run": holds the three run-mode option buttons
  rt::OptionButton mOnce;      // send once, then quit
  rt::OptionButton mLoop;      // send every interval
  rt::OptionButton mPersist;   // retry every interval until the target is found, then send once and quit
  rt::Timer Timer1;            // the countdown's one-second tick

  // The runner state and steps.
  Runner Run;

  // The secondary windows, each created at its first use.
  rt::FormSlot<Form2> HelpWindow;
  rt::FormSlot<frmAbout> AboutWindow;
  rt::FormSlot<Form3> WindowList;
  // Levels the window walk has entered.
  std::int16_t WalkDepth = 0;

  // Start-up.
  void Form_Load() override;
  // True once start-up has reported an argument error.
  bool ArgumentErrorReported() const { return Run.ArgumentErrorReported(); }

  // The key-script box changed: the script is split again.
  void Text2_Change();
  // One tick of the countdown.
  void Timer1_Timer();
  void SendNow_Click();

  void Check1_Click();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command5_Click();
  void Form_KeyUp(int keyCode, int shift) override;
  void Form_Unload(int& cancel) override;

  // The command-line composer (mainwin/composer.cpp).
  void Command6_Click();

  // Window discovery: the walk (windows/window_walk.h) into the window list.
  void ListTopWindows(rt::WindowHandle StartWindow, rt::ustring_view CaptionPattern, rt::ustring_view ClassPattern);
  void Command7_Click();
};

}  // namespace strumlet
