// A backend and an operating system without a screen, for tests. Forms and
// controls get peers that only remember what the program made them show; the
// system records every call (message boxes, clipboard, activation, keys,
// sleeps) in order, and works on a fake desktop (fake_desktop.h) and a fake
// keyboard (fake_keyboard.h) in virtual time (fake_clock.h): the program's
// pauses and waits cost no real time, and its timers tick as a test lets
// time pass (Wait below).
#pragma once

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "platform/app.h"
#include "platform/fake/fake_clock.h"
#include "platform/fake/fake_desktop.h"
#include "platform/fake/fake_keyboard.h"
#include "platform/fake/fake_timer.h"
#include "platform/system.h"

namespace rt::fake {

struct Call {
  std::string what;  // "MsgBox", "Clipboard", "SendKeys", "AppActivate", "Sleep"
  ustring text;      // the prompt, the text, the keys, the caption
  std::uint64_t number = 0;  // Sleep's milliseconds
};

class FakeSystem : public System {
 public:
  FakeSystem();
  FakeSystem(const FakeSystem&) = delete;
  FakeSystem& operator=(const FakeSystem&) = delete;

  // The program's sleeps outside SendKeys and AppActivate (the pauses of a
  // send) are calls too ("Sleep"); the waits inside those two are theirs.
  std::vector<Call> calls;

  // The time of the system: of the desktop, the keyboard, the pauses.
  FakeClock clock;

  // Runs while a message box is "open", as a modal loop would run timers.
  std::function<void()> whileMsgBoxOpen;
  // Makes SetClipboardText fail, as when another program holds it open.
  bool clipboardBusy = false;
  ustring clipboard;
  // Runs before each SendKeys is typed: lets a test make it fail, or act
  // while the keys go out.
  std::function<void(ustring_view)> onSendKeys;

  // The desktop that AppActivate (through the real activation) and the
  // window walk work on.
  FakeDesktop desktop{&clock};

  // The keyboard that SendKeys types on, through the typing engine: what
  // arrived in the focused window is in keyboard.text and keyboard.keys.
  FakeKeyboard keyboard{UsLayout(), &clock};

  std::vector<ustring> Texts(const std::string& what) const;

  void MsgBox(ustring_view prompt, ustring_view title) override;
  bool SetClipboardText(ustring_view text) override;
  void SendKeys(ustring_view keys, bool wait) override;
  void AppActivate(ustring_view caption) override;
  bool AppInFront(ustring_view caption) override;
  Clock& Time() override { return clock; }
  WindowQueries& Windows() override { return desktop; }

  ustring lastMsgBoxTitle;

 private:
  int inCall_ = 0;  // SendKeys or AppActivate running
};

// A form's native state as the fake peer saw it last.
struct FakeFormState {
  bool realised = false;
  bool shown = false;
  ustring caption;
  WindowState state = WindowState::Normal;
  bool active = false;
  int focusedControl = 0;
};

// Forms become windows of a window system with one active window: showing a
// form (not minimised) activates it and gives the focus to its first control
// in tab order that takes the focus, as the real system does; when the active
// form is hidden, the one that was active before it becomes active again.
// Keys go to the active form only. Timers tick when a test says so (Tick),
// and, given the system's clock, on their tick grids as the test lets time
// pass (Wait).
class FakeBackend : public Backend {
 public:
  bool Realise(Form& form) override;
  // The clock the timers of forms realised from now on keep time by.
  void SetClock(FakeClock& clock) { clock_ = &clock; }
  FakeClock* TimerClock() const { return clock_; }
  void AllUnloaded() override { quit = true; }
  // Names of forms whose native window the system refuses to create.
  std::vector<std::string> refuseWindows;
  // Marks a form the active window, as the user clicking into it would.
  void Activate(Form& form);
  // Makes none of the program's forms active, as when the user works in
  // another program.
  void ActivateOtherProgram();
  // The active form, or null.
  Form* ActiveForm() const;
  FakeFormState& State(const Form& form) { return forms_[&form]; }

  // Called by the form peers.
  void Shown(Form& form);
  void Hidden(const Form& form);
  // Called by the timer peers.
  void AddTimer(FakeTimerPeer& timer) { timers_.push_back(&timer); }
  void RemoveTimer(FakeTimerPeer& timer) { std::erase(timers_, &timer); }
  // The timer whose wake-up falls due first, or null.
  FakeTimerPeer* NextTimer() const;

  bool quit = false;
  int realiseCount = 0;

 private:
  std::map<const Form*, FakeFormState> forms_;
  // Forms in the order they were last activated, the active one last.
  std::vector<Form*> activation_;
  FakeClock* clock_ = nullptr;
  std::vector<FakeTimerPeer*> timers_;
};

// What a user does to the controls, each followed by the message loop's idle
// step, as in the real program. Type enters one character at a time, Paste
// all at once, both through TextBox::UserInsert and so within its limit.
void Type(App& app, TextBox& box, ustring_view text);
void Paste(App& app, TextBox& box, ustring_view text);
void Click(App& app, CommandButton& button);
void Click(App& app, CheckBox& box);
void Click(App& app, OptionButton& button);
void Tick(App& app, Timer& timer, int count = 1);
// The message loop idles while `ms` milliseconds pass on the backend's
// clock: each timer wake-up that falls due fires at its time (a late one at
// once), each followed by the idle step. A tick that sleeps (a send's
// pauses) moves the clock on by itself.
void Wait(App& app, FakeBackend& backend, std::uint64_t ms);
// The system refuses to run the timer, for that reason.
void Refuse(App& app, Timer& timer, ustring_view reason);
// Keys as the keyboard delivers them: to the active form, with the focus on
// the control the fake last gave it to; the mask is 1 Shift, 2 Ctrl, 4 Alt.
void KeyDown(App& app, FakeBackend& backend, int keyCode, int shift);
void KeyUp(App& app, FakeBackend& backend, int keyCode, int shift);
// Down and up.
void Press(App& app, FakeBackend& backend, int keyCode, int shift);

}  // namespace rt::fake
