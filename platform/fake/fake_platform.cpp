#include "platform/fake/fake_platform.h"

#include <algorithm>
#include <stdexcept>

#include "platform/dialog_keys.h"
#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/key_typer.h"

namespace rt::fake {

namespace {

// Counts a call as running for as long as it lives.
class InCall {
 public:
  explicit InCall(int& count) : count_(count) { ++count_; }
  ~InCall() { --count_; }
  InCall(const InCall&) = delete;
  InCall& operator=(const InCall&) = delete;

 private:
  int& count_;
};

}  // namespace

FakeSystem::FakeSystem() {
  clock.onSleep = [this](std::uint64_t ms) {
    if (inCall_ == 0) calls.push_back({"Sleep", u"", ms});
  };
}

std::vector<ustring> FakeSystem::Texts(const std::string& what) const {
  std::vector<ustring> out;
  for (const Call& c : calls) {
    if (c.what == what) out.push_back(c.text);
  }
  return out;
}

void FakeSystem::MsgBox(ustring_view prompt, ustring_view title) {
  calls.push_back({"MsgBox", ustring(prompt)});
  lastMsgBoxTitle = ustring(title);
  if (whileMsgBoxOpen) whileMsgBoxOpen();
}

bool FakeSystem::SetClipboardText(ustring_view text) {
  if (clipboardBusy) return false;
  calls.push_back({"Clipboard", ustring(text)});
  clipboard = ustring(text);
  return true;
}

void FakeSystem::SendKeys(ustring_view keys, bool wait) {
  InCall running(inCall_);
  if (onSendKeys) onSendKeys(keys);
  calls.push_back({"SendKeys", ustring(keys)});
  TypeKeys(keys, keyboard, wait);
}

void FakeSystem::AppActivate(ustring_view caption) {
  InCall running(inCall_);
  calls.push_back({"AppActivate", ustring(caption)});
  ActivateWindow(caption, desktop);
}

// A query, not recorded among the calls.
bool FakeSystem::AppInFront(ustring_view caption) { return rt::AppInFront(caption, desktop); }

namespace {

class FakeControlPeer : public ControlPeer {
 public:
  FakeControlPeer(FakeBackend& backend, Control& control) : backend_(backend), control_(control) {}
  void Sync(Property what) override {
    if (what == Property::Focus) backend_.State(control_.Parent()).focusedControl = control_.Id();
  }

 private:
  FakeBackend& backend_;
  Control& control_;
};

class FakeFormPeer : public FormPeer {
 public:
  FakeFormPeer(FakeBackend& backend, Form& form) : backend_(backend), form_(form) { Sync(FormProperty::Caption); }
  void Sync(FormProperty what) override {
    FakeFormState& s = backend_.State(form_);
    switch (what) {
      case FormProperty::Caption: s.caption = form_.Caption(); break;
      case FormProperty::WindowState: s.state = form_.State(); break;
      case FormProperty::Visible:
        s.state = form_.State();
        if (form_.Visible() && !s.shown) {
          s.shown = true;
          backend_.Shown(form_);
        } else if (!form_.Visible() && s.shown) {
          s.shown = false;
          backend_.Hidden(form_);
        }
        break;
      case FormProperty::Position: break;
    }
  }
  TwipsRect OuterBounds() const override {
    TwipsRect r = form_.RequestedPosition();
    r.width = form_.ClientWidth + 120;
    r.height = form_.ClientHeight + 480;
    if (!form_.WasMoved()) {
      r.left = form_.StartLeft;
      r.top = form_.StartTop;
    }
    return r;
  }
  bool IsActive() const override { return backend_.State(form_).active; }

 private:
  FakeBackend& backend_;
  Form& form_;
};

}  // namespace

bool FakeBackend::Realise(Form& form) {
  if (std::find(refuseWindows.begin(), refuseWindows.end(), form.Name()) != refuseWindows.end()) return false;
  ++realiseCount;
  FakeFormState& s = forms_[&form];
  s = FakeFormState{};
  s.realised = true;
  form.AttachPeer(std::make_unique<FakeFormPeer>(*this, form));
  for (Control* c : form.Controls()) {
    if (c->Kind() == ControlKind::Timer && clock_) {
      c->AttachPeer(std::make_unique<FakeTimerPeer>(*this, static_cast<Timer&>(*c), *clock_));
    } else {
      c->AttachPeer(std::make_unique<FakeControlPeer>(*this, *c));
    }
  }
  return true;
}

FakeTimerPeer* FakeBackend::NextTimer() const {
  FakeTimerPeer* next = nullptr;
  for (FakeTimerPeer* t : timers_) {
    if (t->Due() && (!next || *t->Due() < *next->Due())) next = t;
  }
  return next;
}

void FakeBackend::Activate(Form& form) {
  for (auto& [f, s] : forms_) s.active = false;
  forms_[&form].active = true;
  activation_.erase(std::remove(activation_.begin(), activation_.end(), &form), activation_.end());
  activation_.push_back(&form);
}

void FakeBackend::ActivateOtherProgram() {
  for (auto& [f, s] : forms_) s.active = false;
}

Form* FakeBackend::ActiveForm() const {
  for (Form* f : activation_) {
    auto it = forms_.find(f);
    if (it != forms_.end() && it->second.active) return f;
  }
  return nullptr;
}

namespace {

bool TakesFocus(const Control& c) {
  switch (c.Kind()) {
    case ControlKind::TextBox:
    case ControlKind::CommandButton:
    case ControlKind::CheckBox:
    case ControlKind::OptionButton:
    case ControlKind::ListBox: return c.Enabled() && c.Visible();
    default: return false;
  }
}

}  // namespace

void FakeBackend::Shown(Form& form) {
  FakeFormState& s = forms_[&form];
  // A window that opens minimised is not activated.
  if (form.State() == WindowState::Minimized) return;
  if (s.focusedControl == 0) {
    const Control* first = nullptr;
    for (const Control* c : form.Controls()) {
      if (TakesFocus(*c) && (!first || c->TabIndex() < first->TabIndex())) first = c;
    }
    if (first) s.focusedControl = first->Id();
  }
  Activate(form);
}

void FakeBackend::Hidden(const Form& form) {
  FakeFormState& s = forms_[&form];
  bool wasActive = s.active;
  s.active = false;
  activation_.erase(std::remove(activation_.begin(), activation_.end(), &form), activation_.end());
  // The system activates the window that was active before.
  if (wasActive && !activation_.empty()) Activate(*activation_.back());
}

void Type(App& app, TextBox& box, ustring_view text) {
  // One character at a time: a surrogate pair is one character.
  for (std::size_t i = 0; i < text.size();) {
    std::size_t units = IsSurrogatePairAt(text, i) ? 2 : 1;
    box.UserInsert(text.substr(i, units));
    app.Idle();
    i += units;
  }
}

void Paste(App& app, TextBox& box, ustring_view text) {
  box.UserInsert(text);
  app.Idle();
}

void Click(App& app, CommandButton& button) {
  button.UserClick();
  app.Idle();
}

void Click(App& app, CheckBox& box) {
  box.UserClick();
  app.Idle();
}

void Click(App& app, OptionButton& button) {
  button.UserClick();
  app.Idle();
}

void Tick(App& app, Timer& timer, int count) {
  for (int i = 0; i < count; ++i) {
    timer.UserTick();
    app.Idle();
  }
}

void Wait(App& app, FakeBackend& backend, std::uint64_t ms) {
  FakeClock* clock = backend.TimerClock();
  if (!clock) throw std::logic_error("the fake backend has no clock: SetClock first");
  const std::uint64_t end = clock->NowMs() + ms;
  while (FakeTimerPeer* next = backend.NextTimer()) {
    std::uint64_t due = *next->Due();
    if (due > end) break;
    if (due > clock->NowMs()) clock->Advance(due - clock->NowMs());
    next->Wake();
    app.Idle();
  }
  if (clock->NowMs() < end) clock->Advance(end - clock->NowMs());
}

void Refuse(App& app, Timer& timer, ustring_view reason) {
  timer.UserRefused(ustring(reason));
  app.Idle();
}

void KeyDown(App& app, FakeBackend& backend, int keyCode, int shift) {
  if (Form* form = backend.ActiveForm()) {
    DialogKeys::KeyPressed(*form, keyCode, shift, form->FindControl(backend.State(*form).focusedControl));
  }
  app.Idle();
}

void KeyUp(App& app, FakeBackend& backend, int keyCode, int shift) {
  if (Form* form = backend.ActiveForm()) DialogKeys::KeyReleased(app, *form, keyCode, shift);
  app.Idle();
}

void Press(App& app, FakeBackend& backend, int keyCode, int shift) {
  KeyDown(app, backend, keyCode, shift);
  KeyUp(app, backend, keyCode, shift);
}

}  // namespace rt::fake
