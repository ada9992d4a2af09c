// The keyboard rules every form follows, whatever draws it: Enter clicks the
// focused button, or else the form's default button; Esc clicks the cancel
// button, but not with Ctrl or Alt held (those belong to the system); with
// key preview the form's Form_KeyUp sees every key released while the form
// is the active window, before the focused control gets it as usual.
// Backends report key presses and releases here and do what the answer says.
#pragma once

#include "platform/modifiers.h"
#include "platform/virtual_keys.h"

namespace rt {

class App;
class Form;
class Control;
class CommandButton;

struct KeyDownAnswer {
  // The button the key clicks, or null.
  CommandButton* click = nullptr;
  // Whether the key may go on to the dialog navigation (Tab, arrow keys,
  // access keys, and the control that has the focus). False for a key that
  // clicked a button, and for Esc with Ctrl or Alt, which the navigation
  // would otherwise take for the cancel key.
  bool toNavigation = true;
};

class DialogKeys {
 public:
  // The enabled, visible button marked Default or Cancel; the first in tab
  // order if several are.
  static CommandButton* DefaultButton(const Form& form);
  static CommandButton* CancelButton(const Form& form);

  // A key went down in `form` with `focused` (null: the form itself) holding
  // the focus; `shift` is the mask 1 Shift, 2 Ctrl, 4 Alt.
  static KeyDownAnswer KeyDown(const Form& form, int keyCode, int shift, Control* focused);
  // Whether a key released in `form` reaches its Form_KeyUp.
  static bool PreviewsKeyUp(const Form& form);

  // Deliver the events: KeyPressed clicks the answer's button (its Click
  // runs through the dispatcher) and returns the answer; KeyReleased runs
  // Form_KeyUp through the dispatcher when the form previews keys.
  static KeyDownAnswer KeyPressed(Form& form, int keyCode, int shift, Control* focused);
  static void KeyReleased(App& app, Form& form, int keyCode, int shift);
};

}  // namespace rt
