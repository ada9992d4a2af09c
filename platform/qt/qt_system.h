// The Linux edition's system: the X11 or the Wayland services, with the
// message box of Qt.
#pragma once

#include "platform/wayland/wl_system.h"
#include "platform/x11/x11_system.h"

namespace rt::qt {

// A modal message box with one OK button and no icon; the program's other
// windows take no input while it is open, and their timers keep running.
// Ctrl+C copies the box (title, text, buttons) as Windows does.
void ShowMessageBox(ustring_view prompt, ustring_view title);

class QtSystem : public x11::X11System {
 public:
  void MsgBox(ustring_view prompt, ustring_view title) override { ShowMessageBox(prompt, title); }
};

class QtWaylandSystem : public wayland::WaylandSystem {
 public:
  void MsgBox(ustring_view prompt, ustring_view title) override { ShowMessageBox(prompt, title); }
};

}  // namespace rt::qt
