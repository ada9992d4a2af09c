// A throwaway X desktop for one test: a private Xvfb with a D-Bus session of
// its own and the window manager the test names (or none), all ended with
// the desktop. While it lives, DISPLAY and DBUS_SESSION_BUS_ADDRESS name
// them, so that what the test starts and opens goes there (and no program
// starts a session bus of its own that would outlive the test).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "../e2e/wait_for.h"

namespace strumlet::x11_test {

using namespace std::chrono_literals;

using e2e::WaitFor;

struct WindowManager {
  std::string name;                  // as the tests print it: "openbox", "none"
  std::vector<std::string> command;  // empty for none
  // Files its home folder starts with (path under it, text).
  std::vector<std::pair<std::string, std::string>> files = {};
};

// openbox, xfwm4, mutter (X11 mode), icewm, fluxbox, and none.
const std::vector<WindowManager>& WindowManagers();
const WindowManager& WindowManagerNamed(const std::string& name);

// Whether a program is on PATH.
bool Installed(const std::string& program);

// A process the test started in a process group of its own; the group is
// ended with it.
class Child {
 public:
  Child() = default;
  explicit Child(pid_t pid) : pid_(pid) {}
  ~Child() { Stop(); }
  Child(Child&& other) noexcept : pid_(other.pid_) { other.pid_ = 0; }
  Child& operator=(Child&& other) noexcept;
  Child(const Child&) = delete;
  Child& operator=(const Child&) = delete;

  pid_t Pid() const { return pid_; }
  bool Running();
  // Ends the whole group: SIGTERM, then SIGKILL for what is left after a
  // while.
  void Stop();

 private:
  pid_t pid_ = 0;
};

// Starts a program in a group of its own, with extra environment variables
// ("NAME=value"); its standard output goes to `output` (nowhere when empty),
// its standard error to `errors` (nowhere when empty).
Child Start(const std::vector<std::string>& args, const std::vector<std::string>& environment = {},
            const std::string& output = "", const std::string& errors = "");

// Whether a window's WM_NORMAL_HINTS say that its program (or the user)
// chose its place (USPosition or PPosition), which window managers honour.
bool PlacedByItsProgram(unsigned long window);
// Asks for a client window to be moved, as xdotool's windowmove does; the
// window manager moves it.
void MoveClient(unsigned long window, int x, int y);

// Brings a client window to the front as a task bar does when the user
// clicks its button (a pager's _NET_ACTIVE_WINDOW with a fresh server
// time, which every window manager honours), asking again every few
// seconds, until the window manager names it active and it has the input
// focus.
bool ActivateFromTaskBar(unsigned long window);

class VirtualDesktop {
 public:
  explicit VirtualDesktop(const WindowManager& manager);
  ~VirtualDesktop();
  VirtualDesktop(const VirtualDesktop&) = delete;
  VirtualDesktop& operator=(const VirtualDesktop&) = delete;

  // Empty once the display and its window manager are up; else what failed.
  const std::string& Error() const { return error_; }
  const std::string& Name() const { return name_; }  // ":163"
  // A folder of this desktop's own (the window manager's home too).
  const std::string& Folder() const { return folder_; }
  bool HasWindowManager() const { return !manager_.command.empty(); }
  // Whether its X server and window manager still run, and the end of the
  // window manager's log: for a failing test's message.
  std::string Describe();

 private:
  bool StartServer();
  bool StartBus();
  bool StartWindowManager();
  // Sets an environment variable for the desktop's lifetime.
  void Set(const char* name, const std::string& value);

  WindowManager manager_;
  std::string error_;
  std::string name_;
  std::string folder_;
  std::vector<std::pair<std::string, std::optional<std::string>>> saved_;  // the variables as they were
  Child server_;
  Child bus_;
  Child windowManager_;
};

}  // namespace strumlet::x11_test
