#include "mainwin/form1.h"

#include "mainwin/form1_ids.h"
#include "platform/errors.h"
#include "platform/modifiers.h"
#include "platform/virtual_keys.h"
#include "runner/key_script.h"
#include "windows/window_walk.h"

namespace strumlet {

using namespace form1_ids;

Form1::Form1(rt::App& app)
    : rt::Form(app, "Form1"),
      Label1(*this, kLabel1, "Label1"),
      Text1(*this, kText1, "Text1"),
      Label2(*this, kLabel2, "Label2"),
      Text2(*this, kText2, "Text2"),
      Label3(*this, kLabel3, "Label3"),
      Text3(*this, kText3, "Text3"),
      Label4(*this, kLabel4, "Label4"),
      Label5(*this, kLabel5, "Label5"),
      Command1(*this, kCommand1, "Command1"),
      Command2(*this, kCommand2, "Command2"),
      Command3(*this, kCommand3, "Command3"),
      Command5(*this, kCommand5, "Command5"),
      SendNow(*this, kSendNow, "SendNow"),
      Check1(*this, kCheck1, "Check1"),
      Command6(*this, kCommand6, "Command6"),
      Command7(*this, kCommand7, "Command7"),
      Frame1(*this, kFrame1, "Frame1"),
      mOnce(*this, kOnce, "mOnce"),
      mLoop(*this, kLoop, "mLoop"),
      mPersist(*this, kPersist, "mPersist"),
      Timer1(*this, kTimer1, "Timer1"),
      Run(RunnerControls{*this, Text1, Text2, Text3, Label1, Label2, mOnce, mLoop, mPersist, Check1, Timer1, Command2}),
      HelpWindow(app),
      AboutWindow(app),
      WindowList(app) {
  SetCaption(u"Strumlet");
  ClientWidth = 4440;
  ClientHeight = 3090;
  Border = rt::BorderStyle::Sizable;
  MinButton = true;
  MaxButton = false;
  ShowInTaskbar = true;
  KeyPreview = true;
  StartUp = rt::StartPosition::Manual;
  StartLeft = 60;
  StartTop = 345;

  struct Place {
    rt::Control& control;
    int left, top, width, height;
  };
  const Place places[] = {
      {Label1, 2400, 120, 855, 255},     {Text1, 1440, 1560, 2850, 285},   {Label2, 120, 1560, 1215, 375},
      {Text2, 1200, 2040, 3135, 285},    {Label3, 120, 2040, 975, 255},    {Text3, 1440, 2400, 735, 285},
      {Label4, 120, 2400, 1335, 255},    {Label5, 1680, 120, 615, 255},    {Command1, 3360, 50, 975, 570},
      {Command2, 80, 120, 1455, 495},    {Command3, 2880, 2400, 1455, 375}, {Command5, 2400, 2400, 375, 375},
      {SendNow, 80, 720, 1455, 735},     {Check1, 2760, 600, 1575, 255},   {Command6, 120, 2760, 1815, 295},
      {Command7, 2760, 960, 1575, 420},  {Frame1, 1680, 360, 975, 1095},   {mOnce, 120, 240, 735, 255},
      {mLoop, 120, 480, 750, 255},       {mPersist, 120, 720, 800, 315},
  };
  int tab = 0;
  for (const Place& p : places) {
    p.control.Move(p.left, p.top, p.width, p.height);
    p.control.SetTabIndex(tab++);
  }
  mOnce.SetContainer(&Frame1);
  mLoop.SetContainer(&Frame1);
  mPersist.SetContainer(&Frame1);

  Text1.SetText(u"Capture Frames");
  Label2.SetCaption(u"Window Caption:");
  Text2.SetText(u"~");
  // Positions in a script are 16-bit: the box refuses typing beyond that.
  Text2.SetMaxLength(kMaxKeyScript);
  Label3.SetCaption(u"Keys to send:");
  Text3.SetText(u"20");
  Label4.SetCaption(u"Every n seconds:");
  Label5.SetCaption(u"Counter:");
  Label2.TextAlign = rt::Alignment::Right;
  Label3.TextAlign = rt::Alignment::Right;
  Label4.TextAlign = rt::Alignment::Right;
  Command1.SetCaption(u"Restart &Counter");
  Command2.SetCaption(u"P&ause Counter");
  // Esc clicks it (a toggle); the key-release handling then leaves the
  // countdown paused, so Esc always ends paused. Enter stays with the boxes.
  Command2.Cancel = true;
  Command3.SetCaption(u"&Help");
  Command5.SetCaption(u"\u00A9");
  SendNow.SetCaption(u"&Send Now");
  Check1.SetCaption(u"No target window");
  Command6.SetCaption(u"&Make Command Line ");
  Command7.SetCaption(u"&List windows");
  Frame1.SetCaption(u"Run");
  mOnce.SetCaption(u"Once");
  mOnce.SetToolTipText(u"Run Once and quit");
  mLoop.SetCaption(u"Loop");
  mLoop.SetValue(true);
  mPersist.SetCaption(u"Persist");
  mPersist.SetToolTipText(u"Loop until window is found");
  Timer1.SetInterval(1000);
  Timer1.SetTimerEnabled(true);

  Text2.Change = [this] { Text2_Change(); };
  Check1.Click = [this] { Check1_Click(); };
  Timer1.Tick = [this] { Timer1_Timer(); };
  Timer1.Refused = [this](const rt::ustring& reason) { Run.TimerRefused(reason); };
  SendNow.Click = [this] { SendNow_Click(); };
  Command1.Click = [this] { Command1_Click(); };
  Command2.Click = [this] { Command2_Click(); };
  Command3.Click = [this] { Command3_Click(); };
  Command5.Click = [this] { Command5_Click(); };
  Command6.Click = [this] { Command6_Click(); };
  Command7.Click = [this] { Command7_Click(); };
}

void Form1::Form_Load() {
  if (!Run.Start()) {
    // Whatever went wrong, the user sees the help next to the message.
    HelpWindow.Get().Show();
    Application().MsgBox(u"Error in arguments (parameters). Please read help file!");
  }
}

void Form1::Text2_Change() { Run.KeyScriptChanged(); }

void Form1::Timer1_Timer() { Run.Tick(); }

void Form1::SendNow_Click() { Run.SendNow(); }

void Form1::Check1_Click() { Run.NoTargetChanged(); }

void Form1::Command1_Click() {
  Run.SetCounting(true);
  try {
    Run.LoadCount();
  } catch (const rt::RuntimeError&) {
    // The count goes on from where it was; the user learns why it was not
    // restarted.
    Application().MsgBox(u"The interval \"" + Text3.Text() +
                         u"\" is not a whole number of seconds from -32768 to 32767: the counter was not restarted.");
  }
}

void Form1::Command2_Click() { Run.SetCounting(!Run.Counting()); }

void Form1::Command3_Click() { HelpWindow.Get().Show(); }

void Form1::Command5_Click() { AboutWindow.Get().Show(); }

void Form1::Form_KeyUp(int keyCode, int shift) {
  if (keyCode == rt::kVkEscape && shift == 0) {
    Run.SetCounting(false);
    SendNow.SetFocus();
  }
  if (keyCode == rt::kVkF1) {
    Run.SetCounting(true);
    Command2.SetFocus();
  }
  if (keyCode == rt::kVkEscape && shift == rt::kShift) Unload();
}

void Form1::Form_Unload(int& cancel) {
  (void)cancel;
  // Every other window closes with the main window, the most recently loaded
  // first. The count is taken once; positions are visited from the highest
  // down, so each still names a loaded window when it is reached.
  const auto& forms = Application().Forms();
  int n = static_cast<int>(forms.size());
  for (int i = n - 1; i >= 0; --i) {
    if (i < static_cast<int>(forms.size())) forms[static_cast<std::size_t>(i)]->Unload();
  }
}

void Form1::ListTopWindows(rt::WindowHandle StartWindow, rt::ustring_view CaptionPattern, rt::ustring_view ClassPattern) {
  // The walk fills the window-list dialog: it is created and loaded
  // (hidden) if it is not loaded yet.
  Application().Load(WindowList.Get());
  strumlet::ListTopWindows(Application().Os(), WindowList.Get().List1, WalkDepth, StartWindow, CaptionPattern,
                           ClassPattern);
}

void Form1::Command7_Click() {
  // Moving the dialog loads it (hidden) if it is not loaded yet.
  Form3& dialog = WindowList.Get();
  Application().Load(dialog);
  // Beside the main window: its top, at its right edge (outer frames, in
  // twips, added in single precision).
  rt::TwipsRect main = Bounds();
  float top = static_cast<float>(main.top);
  float left = static_cast<float>(main.left) + static_cast<float>(main.width);
  dialog.MoveTo(static_cast<int>(left), static_cast<int>(top));
  dialog.Target = &Text1;
  dialog.Show();
  dialog.List1.Clear();
  ListTopWindows(0, u"*", u"*");
  dialog.Label1.SetCaption(rt::DecimalText(dialog.List1.ListCount()) + u" windows found.");
}

}  // namespace strumlet
