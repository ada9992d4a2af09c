// Typing 5,000 printable ASCII characters into a raw-mode foot on a
// Wayland compositor ($WAYLAND_DISPLAY, sway: the target is focused through
// $SWAYSOCK), through the typing engine on the program's virtual keyboard
// and through `wtype` in the same run: characters per second for both
// (counted until the last byte has arrived in the file the terminal
// writes), their ratio, and the characters lost or changed. The engine's
// keyboard is made before the clock starts, as the program makes it at
// start-up; wtype makes its own each run. Run it on a throwaway sway:
//   scripts/bench_wayland.sh [characters]
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
#include "platform/wayland/wl_keyboard.h"
#include "platform/wayland/wl_windows.h"

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

// Characters that arrived as sent, from the start, and the rest lost.
std::size_t Lost(const std::string& sent, const std::string& got) {
  std::size_t same = 0;
  while (same < sent.size() && same < got.size() && sent[same] == got[same]) ++same;
  return sent.size() - same;
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5000;
  auto connection = rt::wayland::Connection::Open();
  if (!connection) {
    std::fprintf(stderr, "no Wayland compositor\n");
    return 1;
  }
  char dir[] = "/tmp/strumlet-bench-XXXXXX";
  if (!mkdtemp(dir)) return 1;
  std::string out = std::string(dir) + "/out", ready = std::string(dir) + "/ready";
  pid_t pid = fork();
  if (pid == 0) {
    std::string shell = "stty raw -echo; : > '" + ready + "'; exec cat >> '" + out + "'";
    execlp("foot", "foot", "-T", "BenchTarget", "sh", "-c", shell.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  rt::wayland::WaylandWindows windows(*connection);
  rt::wayland::KeyboardOptions options;
  if (const char* pace = std::getenv("STRUMLET_EVENTS_PER_SECOND")) options.eventsPerSecond = std::atoi(pace);
  rt::wayland::WaylandKeyboard keyboard(*connection, &windows, options);
  auto focused = [&] {
    rt::WindowHandle fg = windows.Foreground();
    return fg != 0 && windows.Caption(fg) == u"BenchTarget";
  };
  bool up = WaitFor([&] { return std::ifstream(ready).good(); }, std::chrono::seconds(60)) &&
            WaitFor(
                [&] {
                  std::system("swaymsg '[title=\"^BenchTarget$\"] focus' >/dev/null 2>&1");
                  return rt::WaitUntil(windows.Time(), focused, 500);
                },
                std::chrono::seconds(30));
  int rc = 0;
  if (!up || !keyboard.Ok()) {
    std::fprintf(stderr, "the foot target did not come up, or no virtual keyboard\n");
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
      return std::make_pair(s, Lost(text, ReadFile(out)));
    };
    keyboard.Prepare({});  // the keyboard is known to clients, as at a send
    auto [engineS, engineLost] = measure([&] { rt::wayland::SendKeys(keyboard, rt::FromUtf8(notation), true); });
    auto [wtypeS, wtypeLost] = measure([&] {
      setenv("STRUMLET_BENCH_TEXT", text.c_str(), 1);
      if (std::system("wtype -- \"$STRUMLET_BENCH_TEXT\"") != 0) std::fprintf(stderr, "wtype failed\n");
    });
    double engineRate = static_cast<double>(count) / engineS, wtypeRate = static_cast<double>(count) / wtypeS;
    std::printf("typing %zu characters into foot on a headless sway (the engine at most %d key events a second)\n",
                count, options.eventsPerSecond);
    std::printf("  engine (virtual keyboard): %8.0f chars/s  (%.2f s), lost %zu\n", engineRate, engineS, engineLost);
    std::printf("  wtype:                     %8.0f chars/s  (%.2f s), lost %zu\n", wtypeRate, wtypeS, wtypeLost);
    std::printf("  ratio engine/wtype:        %8.2f\n", engineRate / wtypeRate);
  }
  kill(pid, SIGTERM);
  waitpid(pid, nullptr, 0);
  std::remove(out.c_str());
  std::remove(ready.c_str());
  rmdir(dir);
  return rc;
}
