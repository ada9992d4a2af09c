// second_keyboard: a keyboard of its own on the Wayland seat, as a user's
// second device, driven by commands on standard input, one a line:
//   lock / unlock   Caps Lock on or off for this keyboard
//   hold-shift      presses the left Shift and keeps it down
//   tap C           presses and releases the US key that types C
// Each command has reached the compositor before the next is read. At the
// end of its input it releases what it holds and leaves the seat.
#include <wayland-client.h>
#include <sys/mman.h>
#include <unistd.h>

#include <cstdio>
#include <iostream>
#include <string>

#include "platform/wayland/keymap_text.h"
#include "platform/wayland/wl_connection.h"
#include "virtual-keyboard-unstable-v1-client-protocol.h"

using namespace rt::wayland;

int main() {
  auto connection = Connection::Open();
  if (!connection || !connection->Seat()) return 3;
  auto* manager = static_cast<zwp_virtual_keyboard_manager_v1*>(
      connection->Bind(&zwp_virtual_keyboard_manager_v1_interface, 1));
  if (!manager) return 3;
  zwp_virtual_keyboard_v1* keyboard = zwp_virtual_keyboard_manager_v1_create_virtual_keyboard(manager, connection->Seat());
  Keymap keymap;
  std::string text = keymap.Text();
  int fd = memfd_create("second-keyboard", MFD_CLOEXEC);
  if (fd < 0 || write(fd, text.c_str(), text.size() + 1) != static_cast<ssize_t>(text.size() + 1)) return 3;
  zwp_virtual_keyboard_v1_keymap(keyboard, 1, fd, static_cast<std::uint32_t>(text.size() + 1));
  close(fd);
  connection->Roundtrip();
  // A keyboard that appears on a seat without one makes clients bind their
  // keyboards afresh: its keys wait until they have (as the program's do).
  rt::Pause(connection->Time(), 300);
  const std::uint32_t lock = 1u << 1;
  std::uint32_t depressed = 0, locked = 0;
  bool shiftDown = false;
  auto key = [&](int keycode, bool down) {
    zwp_virtual_keyboard_v1_key(keyboard, static_cast<std::uint32_t>(connection->Time().NowMs()), static_cast<std::uint32_t>(keycode - 8),
                                down ? 1 : 0);
  };
  auto mods = [&] { zwp_virtual_keyboard_v1_modifiers(keyboard, depressed, 0, locked, 0); };
  std::string line;
  while (std::getline(std::cin, line)) {
    if (line == "lock" || line == "unlock") {
      locked = line == "lock" ? lock : 0;
      mods();
    } else if (line == "hold-shift") {
      key(keymap.KeycodeOf(0x10), true);
      shiftDown = true;
      depressed |= kShiftMask;
      mods();
    } else if (line.rfind("tap ", 0) == 0 && line.size() == 5) {
      char c = line[4];
      for (std::uint16_t vk = 0x20; vk <= 0xDE; ++vk) {
        if (keymap.Translate(vk, false) == static_cast<unsigned char>(c)) {
          key(keymap.KeycodeOf(vk), true);
          key(keymap.KeycodeOf(vk), false);
          break;
        }
      }
    }
    connection->Roundtrip();
  }
  if (shiftDown) key(keymap.KeycodeOf(0x10), false);
  depressed = 0;
  mods();
  zwp_virtual_keyboard_v1_destroy(keyboard);
  connection->Roundtrip();
  return 0;
}
