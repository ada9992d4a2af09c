// The window-list dialog: the captions of the desktop's windows, to pick a
// target from. Selecting an entry copies its caption into the main window's
// caption box.
#pragma once

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/form.h"

namespace strumlet {

class Form3 : public rt::Form {
 public:
  explicit Form3(rt::App& app);

  rt::Label Label1;
  rt::ListBox List1;

  // The box a selected caption is copied into (the main window's Text1).
  rt::TextBox* Target = nullptr;

  void List1_Click();
};

}  // namespace strumlet
