// The application object: the program's facts (folder, name, title,
// version), the collection of loaded forms in the order of loading, the
// dispatcher every event handler runs through, and the exit code.
#pragma once

#include <functional>
#include <memory>
#include <vector>

#include "platform/exit_code.h"
#include "platform/form.h"
#include "platform/system.h"

namespace rt {

// Realises forms and their controls as native windows.
class Backend {
 public:
  virtual ~Backend() = default;
  // Creates the form's native window (hidden) and its controls' widgets, and
  // attaches the peers. False when the system could not make them all.
  virtual bool Realise(Form& form) = 0;
  // The last loaded form has been unloaded: the message loop should end.
  virtual void AllUnloaded() {}
};

class App {
 public:
  App(System& system, Backend& backend, AppInfo info);
  ~App();
  App(const App&) = delete;
  App& operator=(const App&) = delete;

  System& Os() const { return system_; }
  const AppInfo& Info() const { return info_; }

  // Loaded forms in the order of loading.
  const std::vector<Form*>& Forms() const { return forms_; }
  bool AnyLoaded() const { return !forms_.empty(); }

  // Loads the form: its Form_Load, then its native window. When the window
  // cannot be made, the program says so and ends (ExitCode::NoWindow)
  // rather than run on without it.
  void Load(Form& form);
  void Show(Form& form);
  void Unload(Form& form);

  // Runs an event handler. While any handler runs (a modal message box runs
  // a message loop, so handlers nest) native windows of unloaded forms are
  // only hidden; they are destroyed by Idle once the outermost handler has
  // returned. An error that the handler did not trap gets the default error
  // handling: a message box naming it, after which the program goes on.
  void Dispatch(const std::function<void()>& handler);
  int HandlerDepth() const { return depth_; }

  // Called by the message loop between events: releases what unloaded forms
  // left behind once no handler is running.
  void Idle();

  // Keeps an unloaded form object alive until no handler can still be using
  // it.
  void Retire(std::unique_ptr<Form> form);
  // A form object is going away: it no longer counts as loaded.
  void Forget(Form* form);

  // The message box with the application's title.
  void MsgBox(ustring_view prompt) { system_.MsgBox(prompt, info_.title); }

  // The process's exit code: ExitCode::Sent until something sets another.
  int ExitCode() const { return ToInt(exitCode_); }
  void SetExitCode(rt::ExitCode code) { exitCode_ = code; }

 private:
  void WindowFailed(Form& form);

  System& system_;
  Backend& backend_;
  AppInfo info_;
  std::vector<Form*> forms_;
  std::vector<std::unique_ptr<FormPeer>> deadFormPeers_;
  std::vector<std::unique_ptr<ControlPeer>> deadControlPeers_;
  std::vector<std::unique_ptr<Form>> retired_;
  int depth_ = 0;
  rt::ExitCode exitCode_ = rt::ExitCode::Sent;
  bool ending_ = false;
};

// Holds the one instance of a form class: created at its first use, and
// created afresh when used again after it was unloaded.
template <class F>
class FormSlot {
 public:
  explicit FormSlot(App& app) : app_(app) {}
  F& Get() {
    if (form_ && form_->Discarded()) app_.Retire(std::move(form_));
    if (!form_) form_ = std::make_unique<F>(app_);
    return *form_;
  }
  // The instance while it is loaded, else null; creates nothing.
  F* IfLoaded() const { return form_ && form_->Loaded() ? form_.get() : nullptr; }

 private:
  App& app_;
  std::unique_ptr<F> form_;
};

}  // namespace rt
