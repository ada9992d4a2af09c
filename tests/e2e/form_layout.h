// The forms as the program lays them out (on the fake platform, in
// twips): where a driver that has no access to the native controls finds a
// control by its id, and the access key of its caption.
#pragma once

#include <cctype>
#include <string>

#include "../unit/test_support.h"
#include "platform/text.h"

namespace strumlet::e2e {

class FormLayout {
 public:
  const rt::Control* Find(int id) {
    const rt::Form* forms[] = {&harness_.main(), &harness_.main().HelpWindow.Get(), &harness_.main().WindowList.Get(),
                               &harness_.main().AboutWindow.Get()};
    for (const rt::Form* form : forms) {
      if (const rt::Control* control = form->FindControl(id)) return control;
    }
    return nullptr;
  }
  const rt::Form& Main() { return harness_.main(); }

  // The letter after the "&" of the control's caption, lower case; empty
  // when it has none.
  static std::string AccessKey(const rt::Control& control) {
    const auto* captioned = dynamic_cast<const rt::CaptionControl*>(&control);
    if (!captioned) return "";
    const std::string caption = rt::ToUtf8(captioned->Caption());
    const std::size_t at = caption.find('&');
    if (at == std::string::npos || at + 1 >= caption.size()) return "";
    return std::string(1, static_cast<char>(std::tolower(static_cast<unsigned char>(caption[at + 1]))));
  }

 private:
  strumlet::testing::Harness harness_;
};

}  // namespace strumlet::e2e
