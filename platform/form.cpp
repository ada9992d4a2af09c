#include "platform/form.h"

#include <algorithm>

#include "platform/app.h"

namespace rt {

Form::Form(App& app, std::string name) : app_(app), name_(std::move(name)) {}

Form::~Form() { app_.Forget(this); }

void Form::Deregister(Control* control) {
  controls_.erase(std::remove(controls_.begin(), controls_.end(), control), controls_.end());
}

void Form::SetCaption(ustring caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(FormProperty::Caption);
}

void Form::SetWindowState(WindowState state) {
  if (state_ == state) return;
  state_ = state;
  Notify(FormProperty::WindowState);
}

TwipsRect Form::Bounds() const {
  if (peer_) return peer_->OuterBounds();
  return pendingMove_;
}

void Form::MoveTo(int left, int top) {
  StartUp = StartPosition::Manual;
  pendingMove_.left = left;
  pendingMove_.top = top;
  moved_ = true;
  Notify(FormProperty::Position);
}

bool Form::IsActive() const { return peer_ && visible_ && peer_->IsActive(); }

void Form::Show() { app_.Show(*this); }

void Form::Unload() { app_.Unload(*this); }

Control* Form::FindControl(int id) const {
  for (Control* c : controls_) {
    if (c->Id() == id) return c;
  }
  return nullptr;
}

void Form::Notify(FormProperty what) const {
  if (peer_) peer_->Sync(what);
}

}  // namespace rt
