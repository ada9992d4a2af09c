// The xterm and the Qt editor the Linux tests type into.
#include <fcntl.h>
#include <unistd.h>

#include "desktop.h"

#ifndef QT_TEXT_TARGET
#error "QT_TEXT_TARGET names the Qt text editor the tests type into"
#endif

namespace strumlet::linux_e2e {

TextTarget::TextTarget(const std::function<pid_t(const std::string& file)>& start)
    : file_(ScratchFile("typed")), process_([&] {
        unlink(file_.c_str());
        return start(file_);
      }()) {}

TextTarget::~TextTarget() {
  unlink(file_.c_str());
  unlink((file_ + ".ready").c_str());
}

void TextTarget::AwaitWindow(const std::string& title, const std::function<bool()>& started) {
  Screen screen;
  ready_ = screen.Ok() && WaitFor(started, 60s) && (window_ = screen.AwaitTitle(process_.Pid(), title, 60s)) != 0 &&
           // The window manager gives a new window the focus.
           WaitFor([&] { return screen.Active() == window_ && screen.HasInputFocus(window_); }, 60s);
}

bool TextTarget::WaitText(const std::string& text, std::chrono::milliseconds limit) const {
  return WaitFor([&] { return Text() == text; }, limit);
}

Xterm::Xterm(const std::string& title)
    : TextTarget([&](const std::string& file) {
        const std::string ready = file + ".ready";
        unlink(ready.c_str());
        close(open(file.c_str(), O_CREAT | O_WRONLY, 0644));
        // Raw mode delivers every byte as it comes; the ready file says
        // that the terminal is in it. Keys that come before cat starts wait
        // in the terminal.
        return Spawn({"xterm", "-u8", "-xrm", "XTerm*metaSendsEscape: true", "-T", title, "-e", "sh", "-c",
                      "stty raw -echo; : > '" + ready + "'; exec cat >> '" + file + "'"});
      }) {
  const std::string ready = file_ + ".ready";
  AwaitWindow(title, [&] { return access(ready.c_str(), F_OK) == 0; });
}

QtEditor::QtEditor(const std::string& title)
    : TextTarget([&](const std::string& file) { return Spawn({QT_TEXT_TARGET, title, file}); }) {
  // The file appears once the window is up and its event loop runs.
  AwaitWindow(title, [&] { return access(file_.c_str(), F_OK) == 0; });
}

}  // namespace strumlet::linux_e2e
