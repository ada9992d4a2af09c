// The fake backend with the Qt backend beside it: every form and control is
// realised on both, and every change of the model reaches both peers. The
// tests keep driving and reading the fake (its active window, its focus),
// while Qt's widgets follow the same program headless: what the Qt peers do
// on each change, and what their widgets report back as the user's, runs
// under every test of the main window.
#pragma once

#include <memory>
#include <utility>
#include <vector>

#include "platform/fake/fake_platform.h"
#include "platform/qt/qt_backend.h"

namespace strumlet::testing {

class TeeFormPeer : public rt::FormPeer {
 public:
  TeeFormPeer(std::unique_ptr<rt::FormPeer> fake, std::unique_ptr<rt::FormPeer> qt) : fake_(std::move(fake)), qt_(std::move(qt)) {}
  // Qt's window first, so that the fake, which may activate another form,
  // sees the change last, as the tests expect of it.
  void Sync(rt::FormProperty what) override {
    qt_->Sync(what);
    fake_->Sync(what);
  }
  // The fake's: the tests' expected places are in the fake's frame sizes.
  rt::TwipsRect OuterBounds() const override { return fake_->OuterBounds(); }
  bool IsActive() const override { return fake_->IsActive(); }

 private:
  std::unique_ptr<rt::FormPeer> fake_;
  std::unique_ptr<rt::FormPeer> qt_;
};

class TeeControlPeer : public rt::ControlPeer {
 public:
  TeeControlPeer(std::unique_ptr<rt::ControlPeer> fake, std::unique_ptr<rt::ControlPeer> qt)
      : fake_(std::move(fake)), qt_(std::move(qt)) {}
  void Sync(rt::Property what) override {
    qt_->Sync(what);
    fake_->Sync(what);
  }

 private:
  std::unique_ptr<rt::ControlPeer> fake_;
  std::unique_ptr<rt::ControlPeer> qt_;
};

class QtTeeBackend : public rt::fake::FakeBackend {
 public:
  bool Realise(rt::Form& form) override {
    if (!FakeBackend::Realise(form)) return false;
    std::unique_ptr<rt::FormPeer> fakeForm = form.DetachPeer();
    std::vector<std::unique_ptr<rt::ControlPeer>> fakeControls;
    for (rt::Control* c : form.Controls()) fakeControls.push_back(c->DetachPeer());
    if (!qt_.Realise(form)) {
      ++qtRefused;
      return false;
    }
    form.AttachPeer(std::make_unique<TeeFormPeer>(std::move(fakeForm), form.DetachPeer()));
    std::size_t i = 0;
    for (rt::Control* c : form.Controls()) {
      c->AttachPeer(std::make_unique<TeeControlPeer>(std::move(fakeControls[i++]), c->DetachPeer()));
    }
    return true;
  }

  // Forms the Qt backend could not realise: a failure of the Qt backend, not
  // a refusal the test asked for.
  int qtRefused = 0;

 private:
  rt::qt::QtBackend qt_;
};

}  // namespace strumlet::testing
