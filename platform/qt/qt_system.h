// The Linux edition's system: the X11 services, with the message box of Qt.
#pragma once

#include "platform/x11/x11_system.h"

namespace rt::qt {

class QtSystem : public x11::X11System {
 public:
  // A modal message box with one OK button and no icon; the program's other
  // windows take no input while it is open, and their timers keep running.
  // Ctrl+C copies the box (title, text, buttons) as Windows does.
  void MsgBox(ustring_view prompt, ustring_view title) override;
};

}  // namespace rt::qt
