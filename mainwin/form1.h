// The main window: the run settings in its controls, the runner state in its
// fields, and the handlers of its events. The handlers live with the part of
// the program they belong to: start-up, splitting and the countdown in
// runner/, the window's own buttons and keys here in mainwin/.
#pragma once

#include <cstdint>
#include <optional>
#include <vector>

#include "info/form2.h"
#include "info/frm_about.h"
#include "platform/app.h"
#include "platform/controls.h"
#include "platform/form.h"
#include "platform/system.h"
#include "windows/form3.h"

namespace strumlet {

class Form1 : public rt::Form {
 public:
  explicit Form1(rt::App& app);

  // Controls, in tab order.
  rt::Label Label1;
  rt::TextBox Text1;
  rt::Label Label2;
  rt::TextBox Text2;
  rt::Label Label3;
  rt::TextBox Text3;
  rt::Label Label4;
  rt::Label Label5;
  rt::CommandButton Command1;
  rt::CommandButton Command2;
  rt::CommandButton Command3;
  rt::CommandButton Command5;
  rt::CommandButton SendNow;
  rt::CheckBox Check1;
  rt::CommandButton Command6;
  rt::CommandButton Command7;
  rt::Frame Frame1;
  rt::OptionButton mOnce;
  rt::OptionButton mLoop;
  rt::OptionButton mPersist;
  rt::Timer Timer1;

  // Runner state.
  std::int32_t Counter = 0;
  std::int16_t RunFinished = 0;
  std::int16_t NoTarget = 0;
  std::optional<std::vector<rt::ustring>> KeyParts;
  std::optional<std::vector<rt::ustring>> KeyPauses;

  // The secondary windows, each created at its first use.
  rt::FormSlot<Form2> HelpWindow;
  rt::FormSlot<frmAbout> AboutWindow;
  rt::FormSlot<Form3> WindowList;
  std::int16_t WalkDepth = 0;

  // Start-up (runner/startup.cpp).
  void Form_Load() override;
  // True once start-up has reported an argument error.
  bool ArgumentErrorReported() const { return argumentError_; }

  // Splitting (runner/splitting.cpp).
  void SplitKeyScript();
  void Text2_Change();

  // The countdown (runner/countdown.cpp).
  void Timer1_Timer();
  void SendNow_Click();

  // The window's own controls (mainwin/form1.cpp).
  void Check1_Click();
  void Command1_Click();
  void Command2_Click();
  void Command3_Click();
  void Command5_Click();
  void Form_KeyUp(int keyCode, int shift) override;
  void Form_Unload(int& cancel) override;

  // The command-line composer (mainwin/composer.cpp).
  void Command6_Click();

  // Window discovery (windows/window_walk.cpp).
  void ListTopWindows(rt::WindowHandle StartWindow, rt::ustring_view CaptionPattern, rt::ustring_view ClassPattern);
  void Command7_Click();

 private:
  // The tick's closing block: "Window not found!", and the end of a Once run.
  void NotFoundStep();
  // Types the split script with its pauses.
  void SendPieces();

  bool argumentError_ = false;
  bool anySent_ = false;
};

}  // namespace strumlet
