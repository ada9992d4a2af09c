#include "gtk_target.h"

#include <unistd.h>

#ifndef GTK_TEXT_TARGET
#error "GTK_TEXT_TARGET names the GTK text editor script the tests type into"
#endif

namespace strumlet::linux_e2e {

GtkEditor::GtkEditor(const std::string& title)
    : TextTarget([&](const std::string& file) { return Spawn({"/usr/bin/python3", GTK_TEXT_TARGET, title, file}); }) {
  // The file appears once the window is up and the main loop runs.
  AwaitWindow(title, [&] { return access(file_.c_str(), F_OK) == 0; });
}

}  // namespace strumlet::linux_e2e
