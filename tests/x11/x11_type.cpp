// strumlet_x11_type NOTATION: types the key notation (UTF-8) into the window
// that has the input focus and returns once the window has read it.
// Exit code 0 when typed, 1 when the send failed (the reason on stderr),
// 2 for a wrong command line.
#include <cstdio>
#include <exception>
#include <string>

#include "platform/errors.h"
#include "platform/text.h"
#include "platform/x11/x_keyboard.h"

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s KEYS\n", argv[0]);
    return 2;
  }
  try {
    rt::x11::SendKeys(rt::FromUtf8(argv[1]), true);
  } catch (const rt::RuntimeError& e) {
    std::fprintf(stderr, "not typed: %s\n", e.what());
    return 1;
  }
  return 0;
}
