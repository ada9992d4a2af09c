// The one wait of every end-to-end suite: what a test waits for (a window
// appears, text arrives, a program ends) is a condition polled under a
// generous limit, never a fixed sleep. Portable: the suites under Wine, on
// X11 and on Wayland all use it.
#pragma once

#include <chrono>
#include <functional>
#include <optional>

namespace strumlet::e2e {

using namespace std::chrono_literals;

// Polls `condition` every 10 ms until it holds (true) or `limit` has passed
// (false). The condition is tried once more after the limit, so that a
// slow poll on a busy machine never turns a late success into a failure.
bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds limit = 60s);

// Keeps a test's clicks single. Toolkits take a second press near the first
// within their double-click time (Qt's is 400 ms) as a double click, which in
// a text box selects the word under the pointer instead of placing the
// cursor; a test that clicks one spot twice in quick succession (into a text
// box to read it, say) would then read a word. As a user would, a second
// click at the same spot waits that time out; clicks elsewhere do not wait.
class SingleClicks {
 public:
  // Returns once a press at (x, y) on the screen cannot pair with the last.
  void Before(int x, int y);
  // The press at (x, y) has reached the display server.
  void Pressed(int x, int y);

 private:
  struct Press {
    int x, y;
    std::chrono::steady_clock::time_point at;
  };
  std::optional<Press> last_;
};

}  // namespace strumlet::e2e
