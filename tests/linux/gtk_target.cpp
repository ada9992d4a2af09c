#include "gtk_target.h"

#include <unistd.h>

#ifndef GTK_TEXT_TARGET
#error "GTK_TEXT_TARGET names the GTK text editor script the tests type into"
#endif

namespace strumlet::linux_e2e {

GtkEditor::GtkEditor(const std::string& title)
    : TextTarget([&](const std::string& file) { return Spawn({"/usr/bin/python3", GTK_TEXT_TARGET, "--scrolled", title, file}); }) {
  // The file appears once the window is up and the main loop runs. Python
  // and GTK start slowly on a loaded machine; the focus is asked of the
  // window manager if it does not come by itself. A window manager that has
  // many keymap changes to catch up on (each character outside the keymap
  // typed before is one) gives it late.
  Screen screen;
  auto focused = [&] { return screen.Active() == window_ && screen.HasInputFocus(window_); };
  ready_ = screen.Ok() && WaitFor([&] { return access(file_.c_str(), F_OK) == 0; }, 180s) &&
           (window_ = screen.AwaitTitle(process_.Pid(), title, 60s)) != 0 &&
           (WaitFor(focused, 90s) || screen.Activate(window_)) && focused();
}

}  // namespace strumlet::linux_e2e
