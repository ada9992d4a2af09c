#include "info/form2.h"

#include "info/form2_ids.h"

namespace strumlet {

Form2::Form2(rt::App& app)
    : rt::Form(app, "Form2"), Text1(*this, form2_ids::kText1, "Text1"), Command1(*this, form2_ids::kCommand1, "Command1") {
  SetCaption(u"Help");
  ClientWidth = 8265;
  ClientHeight = 3555;
  Border = rt::BorderStyle::FixedSingle;
  MinButton = false;
  MaxButton = false;
  StartUp = rt::StartPosition::WindowsDefault;

  Text1.Move(240, 120, 7935, 2895);
  Text1.SetTabIndex(0);
  Text1.MultiLine = true;
  Text1.VerticalScrollBar = true;
  Command1.Move(3240, 3120, 1575, 375);
  Command1.SetTabIndex(1);
  Command1.SetCaption(u"OK");
  // Esc closes the help; Enter stays with the text box, which is editable.
  Command1.Cancel = true;
  Command1.Click = [this] { Command1_Click(); };
}

void Form2::Form_Load() { Text1.SetText(HelpText()); }

void Form2::Command1_Click() { Unload(); }

}  // namespace strumlet
