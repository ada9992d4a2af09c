// One send from its start to its end: the program's watchdog (or one for
// this send alone), the reason for a failure on standard error, a signal
// raised again once the keyboard is back as it was, and the program's end
// when the connection to the X server is lost.
#include <cstdio>
#include <cstdlib>

#include "platform/app.h"
#include "platform/errors.h"
#include "platform/exit_code.h"
#include "platform/x11/keyboard_watchdog.h"
#include "platform/x11/send_signals.h"
#include "platform/x11/x_keyboard.h"

namespace rt::x11 {

void SendKeys(ustring_view keys, bool wait, const KeyboardOptions& options) {
  KeyboardOptions own = options;
  std::unique_ptr<KeyboardWatchdog> watchdog;
  if (!own.watchdog) {
    watchdog = std::make_unique<KeyboardWatchdog>(own.display);
    own.watchdog = watchdog.get();
  }
  int sig = 0;
  bool lost = false;
  {
    XKeyboard keyboard(own);
    try {
      TypeKeys(keys, keyboard, wait);
    } catch (const RuntimeError& e) {
      sig = keyboard.Interruption();
      lost = keyboard.ConnectionLost();
      if (!sig && !lost) {
        std::string why = keyboard.Refusal().empty() ? e.what() : keyboard.Refusal();
        std::fprintf(stderr, "Strumlet: the keys were not sent: %s.\n", why.c_str());
        throw;
      }
    }
    if (!sig) sig = keyboard.Interruption();
    lost = lost || keyboard.ConnectionLost();
  }
  if (lost) {
    std::fprintf(stderr, "Strumlet: the connection to the X display was lost.\n");
    std::fflush(stderr);
    std::_Exit(ToInt(ExitCode::NoWindow));
  }
  RaiseAgain(sig);
}

}  // namespace rt::x11
