#include "platform/controls.h"

#include <stdexcept>

#include "platform/app.h"
#include "platform/form.h"

namespace rt {

Control::Control(Form& form, ControlKind kind, int id, std::string name)
    : form_(form), kind_(kind), id_(id), name_(std::move(name)) {
  form_.Register(this);
}

Control::~Control() { form_.Deregister(this); }

void Control::Move(int left, int top, int width, int height) {
  bounds_ = {left, top, width, height};
  Notify(Property::Geometry);
}

void Control::SetEnabled(bool enabled) {
  if (enabled_ == enabled) return;
  enabled_ = enabled;
  Notify(Property::Enabled);
}

void Control::SetVisible(bool visible) {
  if (visible_ == visible) return;
  visible_ = visible;
  Notify(Property::Visible);
}

void Control::SetBackColor(Color color) {
  backColor_ = color;
  Notify(Property::Colors);
}

void Control::SetForeColor(Color color) {
  foreColor_ = color;
  Notify(Property::Colors);
}

void Control::SetFocus() { Notify(Property::Focus); }

void Control::Notify(Property what) const {
  if (peer_) peer_->Sync(what);
}

void Control::Fire(const std::function<void()>& handler) const {
  if (handler) form_.Application().Dispatch(handler);
}

void CaptionControl::SetCaption(ustring caption) {
  if (caption_ == caption) return;
  caption_ = std::move(caption);
  Notify(Property::Text);
}

TextBox::TextBox(Form& form, int id, std::string name) : Control(form, ControlKind::TextBox, id, std::move(name)) {
  SetBackColor(kWindowBackground);
}

void TextBox::SetText(ustring text) {
  if (text_ == text) return;
  text_ = std::move(text);
  Notify(Property::Text);
  Fire(Change);
}

void TextBox::UserSetText(ustring text) {
  if (text_ == text) return;
  text_ = std::move(text);
  Fire(Change);
}

std::size_t TextBox::UserInsert(ustring_view text) {
  ustring fits(text);
  if (maxLength_ != 0) fits = CutUnits(text, text_.size() < maxLength_ ? maxLength_ - text_.size() : 0);
  if (fits.empty()) return 0;
  UserSetText(text_ + fits);
  return fits.size();
}

Label::Label(Form& form, int id, std::string name) : CaptionControl(form, ControlKind::Label, id, std::move(name)) {}

CommandButton::CommandButton(Form& form, int id, std::string name)
    : CaptionControl(form, ControlKind::CommandButton, id, std::move(name)) {}

void CommandButton::UserClick() {
  if (Enabled()) Fire(Click);
}

CheckBox::CheckBox(Form& form, int id, std::string name)
    : CaptionControl(form, ControlKind::CheckBox, id, std::move(name)) {}

void CheckBox::SetValue(int value) {
  if (value_ == value) return;
  value_ = value;
  Notify(Property::Value);
}

void CheckBox::UserClick() {
  if (!Enabled()) return;
  SetValue(value_ == 1 ? 0 : 1);
  Fire(Click);
}

OptionButton::OptionButton(Form& form, int id, std::string name)
    : CaptionControl(form, ControlKind::OptionButton, id, std::move(name)) {}

void OptionButton::SetValue(bool value) {
  if (value) {
    for (Control* other : Parent().Controls()) {
      if (other != this && other->Kind() == ControlKind::OptionButton && other->Container() == Container()) {
        static_cast<OptionButton*>(other)->SetValue(false);
      }
    }
  }
  if (value_ == value) return;
  value_ = value;
  Notify(Property::Value);
}

void OptionButton::UserClick() {
  if (!Enabled()) return;
  SetValue(true);
  Fire(Click);
}

Frame::Frame(Form& form, int id, std::string name) : CaptionControl(form, ControlKind::Frame, id, std::move(name)) {}

ListBox::ListBox(Form& form, int id, std::string name) : Control(form, ControlKind::ListBox, id, std::move(name)) {
  SetBackColor(kWindowBackground);
}

void ListBox::Clear() {
  items_.clear();
  listIndex_ = -1;
  pending_ = false;
  Notify(Property::List);
}

void ListBox::AddItem(ustring item) {
  items_.push_back(std::move(item));
  if (updates_ > 0) {
    pending_ = true;
  } else {
    Notify(Property::List);
  }
}

void ListBox::ShowPending() {
  if (!pending_) return;
  pending_ = false;
  Notify(Property::List);
}

const ustring& ListBox::List(int index) const {
  if (index < 0 || index >= ListCount()) throw std::out_of_range("list index");
  return items_[static_cast<std::size_t>(index)];
}

void ListBox::SetListIndex(int index) {
  if (index < -1 || index >= ListCount()) throw std::out_of_range("list index");
  if (listIndex_ == index) return;
  listIndex_ = index;
  ShowPending();
  Notify(Property::ListIndex);
  if (index >= 0) Fire(Click);
}

void ListBox::UserSelect(int index) {
  if (index < -1 || index >= ListCount() || listIndex_ == index) return;
  listIndex_ = index;
  if (index >= 0) Fire(Click);
}

Timer::Timer(Form& form, int id, std::string name) : Control(form, ControlKind::Timer, id, std::move(name)) {}

void Timer::SetInterval(int milliseconds) {
  interval_ = milliseconds;
  Notify(Property::TimerState);
}

void Timer::SetTimerEnabled(bool enabled) {
  bool restart = enabled && !timerEnabled_;
  timerEnabled_ = enabled;
  if (restart || !enabled) Notify(Property::TimerState);
}

void Timer::UserTick() {
  if (timerEnabled_ && interval_ > 0 && Parent().Loaded()) Fire(Tick);
}

void Timer::UserRefused(ustring reason) {
  SetTimerEnabled(false);
  if (!Parent().Loaded()) return;
  if (Refused) {
    Fire([handler = Refused, reason = std::move(reason)] { handler(reason); });
  } else {
    Fire([&app = Parent().Application(), reason = std::move(reason)] { app.MsgBox(reason); });
  }
}

PictureBox::PictureBox(Form& form, int id, std::string name)
    : Control(form, ControlKind::PictureBox, id, std::move(name)) {}

Line::Line(Form& form, int id, std::string name) : Control(form, ControlKind::Line, id, std::move(name)) {}

}  // namespace rt
