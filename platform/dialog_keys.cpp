#include "platform/dialog_keys.h"

#include <functional>

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/form.h"

namespace rt {

namespace {

CommandButton* FirstButton(const Form& form, const std::function<bool(const CommandButton&)>& marked) {
  CommandButton* found = nullptr;
  for (Control* c : form.Controls()) {
    if (c->Kind() != ControlKind::CommandButton) continue;
    auto* button = static_cast<CommandButton*>(c);
    if (!marked(*button) || !button->Enabled() || !button->Visible()) continue;
    if (!found || button->TabIndex() < found->TabIndex()) found = button;
  }
  return found;
}

// Enter belongs to a multi-line box: it starts a new line there.
bool TakesEnter(const Control* focused) {
  return focused && focused->Kind() == ControlKind::TextBox && static_cast<const TextBox*>(focused)->MultiLine;
}

}  // namespace

CommandButton* DialogKeys::DefaultButton(const Form& form) {
  return FirstButton(form, [](const CommandButton& b) { return b.Default; });
}

CommandButton* DialogKeys::CancelButton(const Form& form) {
  return FirstButton(form, [](const CommandButton& b) { return b.Cancel; });
}

KeyDownAnswer DialogKeys::KeyDown(const Form& form, int keyCode, int shift, Control* focused) {
  KeyDownAnswer answer;
  bool ctrlOrAlt = (shift & (kCtrl | kAlt)) != 0;
  if (keyCode == kVkEscape) {
    if (ctrlOrAlt) {
      answer.toNavigation = false;
      return answer;
    }
    answer.click = CancelButton(form);
  } else if (keyCode == kVkReturn && !ctrlOrAlt && !TakesEnter(focused)) {
    if (focused && focused->Kind() == ControlKind::CommandButton && focused->Enabled()) {
      answer.click = static_cast<CommandButton*>(focused);
    } else {
      answer.click = DefaultButton(form);
    }
  }
  if (answer.click) answer.toNavigation = false;
  return answer;
}

bool DialogKeys::PreviewsKeyUp(const Form& form) { return form.Loaded() && form.KeyPreview && form.IsActive(); }

KeyDownAnswer DialogKeys::KeyPressed(Form& form, int keyCode, int shift, Control* focused) {
  KeyDownAnswer answer = KeyDown(form, keyCode, shift, focused);
  if (answer.click) answer.click->UserClick();
  return answer;
}

void DialogKeys::KeyReleased(App& app, Form& form, int keyCode, int shift) {
  if (PreviewsKeyUp(form)) app.Dispatch([&form, keyCode, shift] { form.Form_KeyUp(keyCode, shift); });
}

}  // namespace rt
