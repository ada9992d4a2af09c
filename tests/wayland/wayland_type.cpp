// strumlet_wayland_type NOTATION...: types each piece of key notation (UTF-8)
// into the focused window of the Wayland compositor, on one virtual keyboard,
// and returns once the compositor has taken every key.
// Exit code 0 when typed, 1 when a send failed (the reason on stderr), 2 for
// a wrong command line, 3 without a compositor.
#include <cstdio>
#include <cstdlib>
#include <string>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/wayland/wl_keyboard.h"
#include "platform/wayland/wl_windows.h"

int main(int argc, char** argv) {
  if (argc < 2) {
    std::fprintf(stderr, "usage: %s KEYS...\n", argv[0]);
    return 2;
  }
  auto connection = rt::wayland::Connection::Open();
  if (!connection) {
    std::fprintf(stderr, "no Wayland compositor\n");
    return 3;
  }
  rt::wayland::WaylandWindows windows(*connection);
  rt::wayland::KeyboardOptions options;
  if (const char* ready = std::getenv("STRUMLET_READY_MS")) options.readyMs = std::atoi(ready);
  rt::wayland::WaylandKeyboard keyboard(*connection, &windows, options);
  for (int i = 1; i < argc; ++i) {
    try {
      rt::wayland::SendKeys(keyboard, rt::FromUtf8(argv[i]), true);
    } catch (const rt::RuntimeError& e) {
      std::fprintf(stderr, "not typed: %s\n", e.what());
      return 1;
    }
  }
  return 0;
}
