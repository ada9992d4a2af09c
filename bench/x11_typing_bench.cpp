// Typing 5,000 printable ASCII characters into a raw-mode xterm on $DISPLAY,
// through the typing engine on XTest and through `xdotool type --delay 0`
// in the same run: characters per second for both (counted until the last
// byte has arrived in the file the terminal writes), their ratio, and the
// characters lost or changed. Run it on a throwaway display:
//   scripts/bench_x11.sh [characters]
#include <X11/Xlib.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <random>
#include <string>
#include <thread>

#include "platform/text.h"
#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/x_keyboard.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

template <typename F>
bool WaitFor(F done, std::chrono::milliseconds limit) {
  auto end = Clock::now() + limit;
  while (!done()) {
    if (Clock::now() > end) return false;
    std::this_thread::sleep_for(std::chrono::milliseconds(2));
  }
  return true;
}

Window FindTitle(Display* dpy, Window w, const char* title, int depth) {
  char* name = nullptr;
  if (XFetchName(dpy, w, &name) && name) {
    bool match = std::string(name) == title;
    XFree(name);
    if (match) return w;
  }
  Window root = 0, parent = 0, *children = nullptr, found = 0;
  unsigned n = 0;
  if (depth > 0 && XQueryTree(dpy, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n && !found; ++i) found = FindTitle(dpy, children[i], title, depth - 1);
    if (children) XFree(children);
  }
  return found;
}

int Quiet(Display*, XErrorEvent*) { return 0; }

// Characters that arrived as sent, from the start, and the rest lost.
std::size_t Lost(const std::string& sent, const std::string& got) {
  std::size_t same = 0;
  while (same < sent.size() && same < got.size() && sent[same] == got[same]) ++same;
  return sent.size() - same;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5000;
  Display* dpy = XOpenDisplay(nullptr);
  if (!dpy) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  XSetErrorHandler(Quiet);
  char dir[] = "/tmp/strumlet-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  std::string out = std::string(dir) + "/out", ready = std::string(dir) + "/ready";
  pid_t pid = fork();
  if (pid == 0) {
    std::string shell = "stty raw -echo; : > '" + ready + "'; exec cat >> '" + out + "'";
    execlp("xterm", "xterm", "-u8", "-T", "BenchTarget", "-e", "sh", "-c", shell.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  Window w = 0;
  bool up = WaitFor([&] { return (w = FindTitle(dpy, DefaultRootWindow(dpy), "BenchTarget", 4)) != 0; },
                    std::chrono::seconds(60)) &&
            WaitFor([&] { return std::ifstream(ready).good(); }, std::chrono::seconds(60)) &&
            WaitFor(
                [&] {
                  XSetInputFocus(dpy, w, RevertToParent, CurrentTime);
                  XSync(dpy, False);
                  Window focus = 0;
                  int revert = 0;
                  XGetInputFocus(dpy, &focus, &revert);
                  return focus == w;
                },
                std::chrono::seconds(30));
  int rc = 0;
  if (!up) {
    std::fprintf(stderr, "the xterm target did not come up\n");
    rc = 1;
  } else {
    std::mt19937 random(12345);
    std::string text, notation;
    for (std::size_t i = 0; i < count; ++i) {
      char c = static_cast<char>(0x20 + random() % 95);
      text += c;
      if (std::string("+^%~(){}[]").find(c) != std::string::npos) notation += std::string("{") + c + "}";
      else notation += c;
    }
    auto measure = [&](auto send) {
      std::ofstream(out, std::ios::trunc).close();
      auto start = Clock::now();
      send();
      WaitFor([&] { return ReadFile(out).size() >= text.size(); }, std::chrono::seconds(120));
      double s = std::chrono::duration<double>(Clock::now() - start).count();
      std::string got = ReadFile(out);
      // Anything more arrives within the guard of the last read: none expected.
      return std::make_pair(s, Lost(text, got));
    };
    // The program starts its keyboard watchdog once, at its first send.
    rt::x11::KeyboardWatchdog watchdog("");
    rt::x11::KeyboardOptions options;
    options.watchdog = &watchdog;
    auto [engineS, engineLost] = measure([&] { rt::x11::SendKeys(rt::FromUtf8(notation), true, options); });
    auto [xdoS, xdoLost] = measure([&] {
      std::string cmd = "xdotool type --delay 0 -- \"$STRUMLET_BENCH_TEXT\"";
      setenv("STRUMLET_BENCH_TEXT", text.c_str(), 1);
      if (std::system(cmd.c_str()) != 0) std::fprintf(stderr, "xdotool failed\n");
    });
    double engineRate = static_cast<double>(count) / engineS, xdoRate = static_cast<double>(count) / xdoS;
    std::printf("typing %zu characters into xterm\n", count);
    std::printf("  engine (XTest):          %8.0f chars/s  (%.2f s), lost %zu\n", engineRate, engineS, engineLost);
    std::printf("  xdotool type --delay 0:  %8.0f chars/s  (%.2f s), lost %zu\n", xdoRate, xdoS, xdoLost);
    std::printf("  ratio engine/xdotool:    %8.2f\n", engineRate / xdoRate);
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  std::remove(out.c_str());
  std::remove(ready.c_str());
  rmdir(dir);
  XCloseDisplay(dpy);
  return rc;
}
