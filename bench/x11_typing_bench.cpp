// Typing printable ASCII text (lines of 60 characters) into real programs on
// $DISPLAY, through the typing engine on XTest and through
// `xdotool type --delay 0` in the same run: characters per second for both,
// counted until the whole text shows in the target, their ratio, and the
// characters lost or changed. The targets are the test suite's: a raw-mode
// xterm, the GTK 3 text view, Chromium's text area. Each measurement gets a
// fresh target; the two typists take turns, round after round. Run it on a
// throwaway display:
//   scripts/bench_x11.sh [characters] [rounds] [xterm] [gtk] [chromium]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "chromium_target.h"
#include "desktop.h"
#include "gtk_target.h"
#include "platform/text.h"
#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/x_keyboard.h"

namespace {

using namespace strumlet::linux_e2e;
using Clock = std::chrono::steady_clock;

// Characters that arrived as sent, from the start, and the rest lost.
std::size_t Lost(const std::string& sent, const std::string& got) {
  std::size_t same = 0;
  while (same < sent.size() && same < got.size() && sent[same] == got[same]) ++same;
  return sent.size() - same;
}

struct Measure {
  double seconds = 0;
  std::size_t lost = 0;
};

struct Text {
  std::string notation;  // for the engine: line ends as ~ (Enter)
  std::string plain;     // line ends as \n, as an editor holds them
  std::string xdotool;   // line ends as \r: xdotool types \n as Linefeed,
                         // which editors ignore, and \r as Return
};

Text MakeText(std::size_t count) {
  std::mt19937 random(12345);
  Text t;
  for (std::size_t i = 0; i < count; ++i) {
    if (i % 61 == 60) {
      t.plain += '\n';
      t.notation += '~';
      t.xdotool += '\r';
      continue;
    }
    char c = static_cast<char>(0x20 + random() % 95);
    t.plain += c;
    t.xdotool += c;
    if (std::string("+^%~(){}[]").find(c) != std::string::npos) t.notation += std::string("{") + c + "}";
    else t.notation += c;
  }
  return t;
}

// Types into a fresh target and waits until all of `expected` shows.
template <typename Open, typename Send>
Measure Run(Open open, Send send, const std::string& expected) {
  std::unique_ptr<TextTarget> target = open();
  Measure m;
  if (!target->Ready()) {
    std::fprintf(stderr, "the target did not come up\n");
    m.lost = expected.size();
    return m;
  }
  auto start = Clock::now();
  send();
  // Until all has come, or nothing more for 15 s.
  std::string last;
  auto changed = Clock::now();
  WaitFor([&] {
    std::string now = target->Text();
    if (now != last) {
      last = now;
      changed = Clock::now();
    }
    return now.size() >= expected.size() || Clock::now() - changed > 15s;
  }, 600s);
  m.seconds = std::chrono::duration<double>(changed - start).count();
  const std::string got = target->Text();
  m.lost = Lost(expected, got);
  if (m.lost) {
    std::size_t at = expected.size() - m.lost;
    std::fprintf(stderr, "  %zu of %zu characters arrived, first difference at %zu: sent \"%s\", arrived \"%s\"\n",
                 got.size(), expected.size(), at, expected.substr(at, 20).c_str(),
                 at < got.size() ? got.substr(at, 20).c_str() : "");
  }
  return m;
}

void Report(const char* name, std::size_t count, const std::vector<Measure>& engine,
            const std::vector<Measure>& xdotool) {
  double engineS = 0, xdoS = 0;
  std::size_t engineLost = 0, xdoLost = 0;
  std::printf("typing %zu characters into %s\n", count, name);
  for (std::size_t r = 0; r < engine.size(); ++r) {
    std::printf("  round %zu: engine %7.0f chars/s (%.2f s, lost %zu), xdotool %7.0f chars/s (%.2f s, lost %zu), "
                "ratio %.2f\n",
                r + 1, static_cast<double>(count) / engine[r].seconds, engine[r].seconds, engine[r].lost,
                static_cast<double>(count) / xdotool[r].seconds, xdotool[r].seconds, xdotool[r].lost,
                xdotool[r].seconds / engine[r].seconds);
    engineS += engine[r].seconds;
    xdoS += xdotool[r].seconds;
    engineLost += engine[r].lost;
    xdoLost += xdotool[r].lost;
  }
  std::printf("  all rounds: engine (XTest) %7.0f chars/s, lost %zu; xdotool type --delay 0 %7.0f chars/s, lost %zu; "
              "ratio engine/xdotool %.2f\n",
              static_cast<double>(count * engine.size()) / engineS, engineLost,
              static_cast<double>(count * xdotool.size()) / xdoS, xdoLost, xdoS / engineS);
  std::fflush(stdout);
}

}  // namespace

int main(int argc, char** argv) {
  std::size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 5000;
  int rounds = argc > 2 ? std::atoi(argv[2]) : 2;
  std::vector<std::string> names;
  for (int i = 3; i < argc; ++i) names.push_back(argv[i]);
  if (names.empty()) names = {"xterm", "gtk", "chromium"};
  if (!std::getenv("DISPLAY")) {
    std::fprintf(stderr, "no X display\n");
    return 1;
  }
  const Text text = MakeText(count);
  setenv("STRUMLET_BENCH_TEXT", text.xdotool.c_str(), 1);
  // The program starts its keyboard watchdog once, at its first send.
  rt::x11::KeyboardWatchdog watchdog("");
  rt::x11::KeyboardOptions options;
  options.watchdog = &watchdog;
  auto engine = [&] { rt::x11::SendKeys(rt::FromUtf8(text.notation), true, options); };
  auto xdotool = [&] {
    if (std::system("xdotool type --delay 0 -- \"$STRUMLET_BENCH_TEXT\"") != 0) std::fprintf(stderr, "xdotool failed\n");
  };
  int rc = 0;
  for (const std::string& name : names) {
    std::function<std::unique_ptr<TextTarget>()> open;
    std::string expected = text.plain;
    if (name == "xterm") {
      open = [] { return std::make_unique<Xterm>("Bench Target"); };
      // A terminal reads Enter as a carriage return.
      for (char& c : expected) c = c == '\n' ? '\r' : c;
    } else if (name == "gtk") {
      open = [] { return std::make_unique<GtkEditor>("Bench Target"); };
    } else if (name == "chromium") {
      open = [] { return std::make_unique<ChromiumEditor>("Bench Target"); };
    } else {
      std::fprintf(stderr, "unknown target %s (xterm, gtk, chromium)\n", name.c_str());
      return 2;
    }
    std::vector<Measure> byEngine, byXdotool;
    for (int r = 0; r < rounds; ++r) {
      byEngine.push_back(Run(open, engine, expected));
      byXdotool.push_back(Run(open, xdotool, expected));
      if (byEngine.back().lost) rc = 1;
    }
    Report(name.c_str(), count, byEngine, byXdotool);
  }
  return rc;
}
