#include "platform/app.h"

#include <algorithm>

#include "platform/errors.h"

namespace rt {

App::App(System& system, Backend& backend, AppInfo info)
    : system_(system), backend_(backend), info_(std::move(info)) {}

App::~App() {
  // Native windows go before the forms that own their state.
  for (Form* form : forms_) {
    for (Control* c : form->Controls()) c->DetachPeer();
    form->DetachPeer();
  }
  deadControlPeers_.clear();
  deadFormPeers_.clear();
}

void App::Load(Form& form) {
  // Once a window could not be made the program is ending: the handler that
  // asked for it may go on, but opens nothing more.
  if (form.loaded_ || ending_) return;
  form.loaded_ = true;
  form.discarded_ = false;
  forms_.push_back(&form);
  // The native window is made once the load handler has set up the form's
  // state, so that no timer can tick inside Form_Load.
  Dispatch([&form] { form.Form_Load(); });
  if (form.loaded_ && !form.peer_ && !backend_.Realise(form)) WindowFailed(form);
}

void App::WindowFailed(Form& form) {
  // Whatever was made of the window goes, once no handler can be using it.
  for (Control* c : form.Controls()) {
    if (auto peer = c->DetachPeer()) deadControlPeers_.push_back(std::move(peer));
  }
  if (auto peer = form.DetachPeer()) deadFormPeers_.push_back(std::move(peer));
  form.loaded_ = false;
  form.visible_ = false;
  form.discarded_ = true;
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
  ending_ = true;
  SetExitCode(ExitCode::NoWindow);
  Dispatch([this, &form] {
    MsgBox(u"Windows could not create the window \"" + form.Caption() + u"\". Strumlet ends.");
  });
  // The program ends: every other window closes, the newest first.
  std::vector<Form*> loaded = forms_;
  for (auto it = loaded.rbegin(); it != loaded.rend(); ++it) {
    if (std::find(forms_.begin(), forms_.end(), *it) != forms_.end()) (*it)->Unload();
  }
  // Unload ended the message loop when it closed the last window; otherwise
  // (no other window, or one refused to close) it ends here.
  if (loaded.empty() || !forms_.empty()) {
    for (Form* f : std::vector<Form*>(forms_)) Forget(f);
    backend_.AllUnloaded();
  }
  if (depth_ == 0) Idle();
}

void App::Show(Form& form) {
  if (form.discarded_) return;
  Load(form);
  // Form_Load may have unloaded the form again.
  if (!form.loaded_) return;
  form.visible_ = true;
  form.Notify(FormProperty::Visible);
}

void App::Unload(Form& form) {
  if (!form.loaded_ || form.unloading_) return;
  form.unloading_ = true;
  int cancel = 0;
  Dispatch([&form, &cancel] { form.Form_Unload(cancel); });
  form.unloading_ = false;
  if (cancel != 0 || !form.loaded_) return;
  form.loaded_ = false;
  form.visible_ = false;
  form.discarded_ = true;
  forms_.erase(std::remove(forms_.begin(), forms_.end(), &form), forms_.end());
  // The window disappears now; it is destroyed once no handler can be
  // running inside it.
  form.Notify(FormProperty::Visible);
  for (Control* c : form.Controls()) {
    if (auto peer = c->DetachPeer()) deadControlPeers_.push_back(std::move(peer));
  }
  if (auto peer = form.DetachPeer()) deadFormPeers_.push_back(std::move(peer));
  if (forms_.empty()) backend_.AllUnloaded();
  if (depth_ == 0) Idle();
}

void App::Dispatch(const std::function<void()>& handler) {
  // The depth goes back down however the handler ends, so that the deferred
  // destruction of windows still happens.
  struct Depth {
    int& depth;
    explicit Depth(int& d) : depth(d) { ++depth; }
    ~Depth() { --depth; }
  } inHandler(depth_);
  // Nothing a handler throws may leave here: the caller is a window
  // procedure, and errors must not unwind through the system's frames.
  ustring message;
  try {
    handler();
    return;
  } catch (const RuntimeError& e) {
    message = u"Run-time error '";
    message += DecimalText(static_cast<int>(e.Code()));
    message += u"':\r\n\r\n";
    message += FromUtf8(e.what());
  } catch (const std::exception& e) {
    message = u"Run-time error:\r\n\r\n";
    message += FromUtf8(e.what());
  } catch (...) {
    message = u"Run-time error:\r\n\r\nAn error of unknown kind ended the action.";
  }
  try {
    MsgBox(message);
  } catch (...) {
    // Not even the message could be shown (no memory left): the program goes
    // on without it.
  }
}

void App::Idle() {
  if (depth_ != 0) return;
  deadControlPeers_.clear();
  deadFormPeers_.clear();
  retired_.clear();
}

void App::Forget(Form* form) { forms_.erase(std::remove(forms_.begin(), forms_.end(), form), forms_.end()); }

void App::Retire(std::unique_ptr<Form> form) {
  if (!form) return;
  retired_.push_back(std::move(form));
  if (depth_ == 0) Idle();
}

}  // namespace rt
