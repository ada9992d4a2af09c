#include "virtual_desktop.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

namespace strumlet::x11_test {

namespace {

// The display numbers these desktops take: above the ones the project's
// scripts use, so that they never meet.
constexpr int kFirstDisplay = 160;
constexpr int kLastDisplay = 299;

bool Exists(const std::string& path) {
  struct stat st;
  return stat(path.c_str(), &st) == 0;
}

std::string Tail(const std::string& path) {
  std::ifstream in(path);
  std::stringstream all;
  all << in.rdbuf();
  std::string text = all.str();
  return text.size() > 600 ? text.substr(text.size() - 600) : text;
}

// The window that the window manager names as its own on the root, once it
// names one that names itself too (EWMH's check that it is alive).
bool WindowManagerReady(Display* display) {
  auto check = [&](Window w, Window& out) {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool ok = XGetWindowProperty(display, w, XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", False), 0, 1, False,
                                 XA_WINDOW, &type, &format, &items, &after, &data) == Success &&
              data && format == 32 && items == 1;
    if (ok) out = static_cast<Window>(*reinterpret_cast<unsigned long*>(data));
    if (data) XFree(data);
    return ok;
  };
  auto ignore = XSetErrorHandler([](Display*, XErrorEvent*) { return 0; });
  Window named = 0, again = 0;
  bool ready = check(DefaultRootWindow(display), named) && named != 0 && check(named, again) && again == named;
  XSync(display, False);
  XSetErrorHandler(ignore);
  return ready;
}

}  // namespace

const std::vector<WindowManager>& WindowManagers() {
  static const std::vector<WindowManager> all = {
      {"openbox", {"openbox"}},
      {"xfwm4", {"xfwm4", "--compositor=off"}},
      {"mutter", {"mutter", "--x11", "--replace", "--sm-disable"}},
      {"icewm", {"icewm"}},
      // No wallpaper: fluxbox's default one needs a program that is not
      // there, and says so in a window of its own.
      {"fluxbox", {"fluxbox"}, {{".fluxbox/overlay", "background: none\n"}}},
      {"none", {}},
  };
  return all;
}

const WindowManager& WindowManagerNamed(const std::string& name) {
  for (const WindowManager& m : WindowManagers()) {
    if (m.name == name) return m;
  }
  return WindowManagers().back();
}

bool Installed(const std::string& program) {
  if (program.find('/') != std::string::npos) return access(program.c_str(), X_OK) == 0;
  const char* path = std::getenv("PATH");
  std::stringstream dirs(path ? path : "/usr/bin:/bin");
  std::string dir;
  while (std::getline(dirs, dir, ':')) {
    if (!dir.empty() && access((dir + "/" + program).c_str(), X_OK) == 0) return true;
  }
  return false;
}

bool PlacedByItsProgram(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  XSizeHints hints{};
  long supplied = 0;
  bool placed = XGetWMNormalHints(display, static_cast<Window>(window), &hints, &supplied) &&
                (hints.flags & (USPosition | PPosition)) != 0;
  XCloseDisplay(display);
  return placed;
}

void MoveClient(unsigned long window, int x, int y) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return;
  XMoveWindow(display, static_cast<Window>(window), x, y);
  XCloseDisplay(display);
}

bool ActivateFromTaskBar(unsigned long window) {
  Display* display = XOpenDisplay(nullptr);
  if (!display) return false;
  Window root = DefaultRootWindow(display);
  Window own = XCreateSimpleWindow(display, root, 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display, own, PropertyChangeMask);
  Atom active = XInternAtom(display, "_NET_ACTIVE_WINDOW", False);
  auto request = [&] {
    // The server's time now, from a property change of our own.
    XChangeProperty(display, own, XA_WM_NAME, XA_STRING, 8, PropModeAppend, nullptr, 0);
    XEvent changed;
    XWindowEvent(display, own, PropertyChangeMask, &changed);
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = static_cast<Window>(window);
    event.xclient.message_type = active;
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;
    event.xclient.data.l[1] = static_cast<long>(changed.xproperty.time);
    XSendEvent(display, root, False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display);
  };
  auto done = [&] {
    Atom type = None;
    int format = 0;
    unsigned long items = 0, after = 0;
    unsigned char* data = nullptr;
    bool named = XGetWindowProperty(display, root, active, 0, 1, False, XA_WINDOW, &type, &format, &items, &after,
                                    &data) == Success &&
                 data && items == 1 && *reinterpret_cast<unsigned long*>(data) == window;
    if (data) XFree(data);
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display, &focus, &revert);
    return named && focus == static_cast<Window>(window);
  };
  bool ok = false;
  for (int attempt = 0; attempt < 12 && !ok; ++attempt) {
    if (!done()) request();
    ok = WaitFor(done, 5s);
  }
  XDestroyWindow(display, own);
  XCloseDisplay(display);
  return ok;
}

Child& Child::operator=(Child&& other) noexcept {
  if (this != &other) {
    Stop();
    pid_ = other.pid_;
    other.pid_ = 0;
  }
  return *this;
}

bool Child::Running() {
  if (pid_ <= 0) return false;
  siginfo_t info{};
  // Looks without reaping it: its group stays its own until Stop.
  return waitid(P_PID, static_cast<id_t>(pid_), &info, WEXITED | WNOHANG | WNOWAIT) == 0 && info.si_pid == 0;
}

void Child::Stop() {
  if (pid_ <= 0) return;
  kill(-pid_, SIGCONT);  // a stopped program ends too
  kill(-pid_, SIGTERM);
  WaitFor([&] { return !Running(); }, 5s);
  // The leader, not yet reaped, keeps the group's number from being reused.
  kill(-pid_, SIGKILL);
  waitpid(pid_, nullptr, 0);
  pid_ = 0;
}

Child Start(const std::vector<std::string>& args, const std::vector<std::string>& environment, const std::string& output,
            const std::string& errors) {
  pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    // Ends with the test, should the test be killed before it can end it.
    prctl(PR_SET_PDEATHSIG, SIGKILL);
    for (const std::string& e : environment) {
      // "NAME=" takes the variable away.
      if (e.back() == '=') {
        unsetenv(e.substr(0, e.size() - 1).c_str());
      } else {
        putenv(const_cast<char*>(e.c_str()));
      }
    }
    int in = open("/dev/null", O_RDONLY);
    int out = open(output.empty() ? "/dev/null" : output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    int err = open(errors.empty() ? "/dev/null" : errors.c_str(), O_WRONLY | O_CREAT | O_APPEND, 0644);
    dup2(in, 0);
    dup2(out, 1);
    dup2(err, 2);
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  if (pid > 0) setpgid(pid, pid);
  return Child(pid);
}

VirtualDesktop::VirtualDesktop(const WindowManager& manager) : manager_(manager) {
  char folder[] = "/tmp/strumlet-desktop-XXXXXX";
  if (!mkdtemp(folder)) {
    error_ = "no temporary folder";
    return;
  }
  folder_ = folder;
  if (!manager_.command.empty() && !Installed(manager_.command.front())) {
    error_ = manager_.name + " is not installed (scripts/deps.sh installs it)";
    return;
  }
  if (!StartServer()) return;
  Set("DISPLAY", name_);
  if (!StartBus()) return;
  StartWindowManager();
}

VirtualDesktop::~VirtualDesktop() {
  windowManager_.Stop();
  bus_.Stop();
  server_.Stop();
  for (const auto& [name, value] : saved_) {
    if (value) {
      setenv(name.c_str(), value->c_str(), 1);
    } else {
      unsetenv(name.c_str());
    }
  }
  std::error_code ignored;
  if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::string VirtualDesktop::Describe() {
  std::string said = "the X server " + std::string(server_.Running() ? "runs" : "has ended");
  if (!HasWindowManager()) return said;
  return said + ", " + manager_.name + (windowManager_.Running() ? " runs" : " has ended") + "; its log ends:\n" +
         Tail(folder_ + "/" + manager_.name + ".log");
}

bool VirtualDesktop::StartServer() {
  for (int n = kFirstDisplay; n <= kLastDisplay; ++n) {
    std::string number = std::to_string(n);
    std::string lock = "/tmp/.X" + number + "-lock";
    if (Exists(lock) || Exists("/tmp/.X11-unix/X" + number)) continue;
    std::string name = ":" + number;
    // -noreset: the server stays as it is when its last client leaves (the
    // probe below, a test's connections), instead of starting afresh.
    server_ = Start({"Xvfb", name, "-screen", "0", "1280x1024x24", "-nolisten", "tcp", "-noreset", "-dpi", "96"}, {},
                    "", folder_ + "/xvfb.log");
    bool up = WaitFor(
        [&] {
          if (!server_.Running()) return true;
          Display* d = XOpenDisplay(name.c_str());
          if (d) XCloseDisplay(d);
          return d != nullptr;
        },
        30s);
    // Ours only if its lock names our server: another one may have taken
    // the number between the look and the start.
    std::ifstream lockFile(lock);
    long owner = 0;
    lockFile >> owner;
    if (up && server_.Running() && owner == server_.Pid()) {
      name_ = name;
      return true;
    }
    server_.Stop();
  }
  error_ = "no virtual display could be started: " + Tail(folder_ + "/xvfb.log");
  return false;
}

void VirtualDesktop::Set(const char* name, const std::string& value) {
  const char* old = std::getenv(name);
  saved_.emplace_back(name, old ? std::optional<std::string>(old) : std::nullopt);
  setenv(name, value.c_str(), 1);
}

bool VirtualDesktop::StartBus() {
  // The services it starts on demand (xfwm4's settings store) are its
  // children, in its group, and end with it.
  const std::string socket = folder_ + "/bus";
  bus_ = Start({"dbus-daemon", "--session", "--nofork", "--nopidfile", "--address=unix:path=" + socket}, {}, "",
               folder_ + "/bus.log");
  if (!WaitFor([&] { return Exists(socket) || !bus_.Running(); }, 30s) || !bus_.Running()) {
    error_ = "no D-Bus session could be started: " + Tail(folder_ + "/bus.log");
    return false;
  }
  Set("DBUS_SESSION_BUS_ADDRESS", "unix:path=" + socket);
  return true;
}

bool VirtualDesktop::StartWindowManager() {
  if (manager_.command.empty()) return true;
  for (const auto& [path, text] : manager_.files) {
    std::filesystem::path file = std::filesystem::path(folder_) / path;
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file) << text;
  }
  const std::string log = folder_ + "/" + manager_.name + ".log";
  windowManager_ = Start(manager_.command, {"HOME=" + folder_, "XDG_CONFIG_HOME=" + folder_ + "/.config",
                                   "XDG_CACHE_HOME=" + folder_ + "/.cache", "SESSION_MANAGER="},
                         log, log);
  Display* display = nullptr;
  bool ready = WaitFor(
                   [&] {
                     if (!display) display = XOpenDisplay(name_.c_str());
                     return (display && WindowManagerReady(display)) || !windowManager_.Running();
                   },
                   90s) &&
               windowManager_.Running();
  if (display) XCloseDisplay(display);
  if (!ready) error_ = manager_.name + " did not start: " + Tail(log);
  return ready;
}

}  // namespace strumlet::x11_test
