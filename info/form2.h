// The help window: the command-line syntax, pauses, the window's keys, example
// command lines and the key codes of the key notation.
#pragma once

#include "platform/app.h"
#include "platform/controls.h"
#include "platform/form.h"

namespace strumlet {

// The help text: 76 lines, each ending in CR LF.
rt::ustring HelpText();

class Form2 : public rt::Form {
 public:
  explicit Form2(rt::App& app);

  rt::TextBox Text1;
  rt::CommandButton Command1;

  void Form_Load() override;
  void Command1_Click();
};

}  // namespace strumlet
