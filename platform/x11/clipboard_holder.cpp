#include "platform/x11/clipboard_holder.h"

#include <X11/Xlib.h>

#include "platform/x11/selection_server.h"
#include "platform/x11/x11_errors.h"

namespace rt::x11 {

bool StartClipboardHolder(const std::string& utf8, std::chrono::milliseconds limit) {
  return StartClipboardHolder(std::string(), utf8, limit);
}

bool StartClipboardHolder(const std::string& executable, const std::string& utf8, std::chrono::milliseconds limit) {
  posix::HolderStart start;
  start.modeVariable = kClipboardHolderVariable;
  start.executable = executable;
  start.limit = limit;
  return posix::StartHolder(start, utf8);
}

int RunClipboardHolder() {
  return posix::RunHolder([](std::string text, const std::function<bool()>& ready) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return 1;
    // A requestor that goes away between its request and the answer makes
    // the answer fail with BadWindow: that must not end the holder (Xlib's
    // own handler would exit), or the clipboard would be lost with it.
    CatchXErrors();
    int code = 1;
    {
      SelectionServer server(display, std::move(text));
      if (server.Take() && ready()) {
        server.HandOffToManager();
        server.Serve();
        code = 0;
      }
    }
    ForgetXErrors(display);
    XCloseDisplay(display);
    return code;
  });
}

}  // namespace rt::x11
