// A GTK 3 program as a target: gtk_text_target.py, a window titled `title`
// with a GtkTextView that has the focus, run by the system's Python 3 (the
// one PyGObject is installed for). It writes its whole text to the file from
// the handler of each change, so the file holds every key GTK has handled
// once GTK answers a ping sent after them. It answers _NET_WM_PING as GTK
// does, with the substructure mask.
#pragma once

#include <string>

#include "desktop.h"

namespace strumlet::linux_e2e {

class GtkEditor : public TextTarget {
 public:
  explicit GtkEditor(const std::string& title);
};

}  // namespace strumlet::linux_e2e
