#include "windows/form3.h"

#include "windows/form3_ids.h"

namespace strumlet {

Form3::Form3(rt::App& app)
    : rt::Form(app, "Form3"), Label1(*this, form3_ids::kLabel1, "Label1"), List1(*this, form3_ids::kList1, "List1") {
  SetCaption(u"Window list");
  ClientWidth = 5460;
  ClientHeight = 4725;
  Border = rt::BorderStyle::Sizable;
  MinButton = true;
  MaxButton = true;
  ShowInTaskbar = true;
  Label1.Move(240, 120, 4935, 255);
  Label1.SetTabIndex(1);
  Label1.SetCaption(u"Label1");
  List1.Move(120, 480, 5175, 3960);
  List1.SetTabIndex(0);
  List1.Click = [this] { List1_Click(); };
}

void Form3::List1_Click() {
  if (Target && List1.ListIndex() >= 0) Target->SetText(List1.List(List1.ListIndex()));
}

}  // namespace strumlet
