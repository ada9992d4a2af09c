// virtual_pointer: a pointer of its own on the Wayland seat, as a user's
// mouse, driven by commands on standard input, one a line:
//   click X Y W H   moves to the point (X, Y) of a W by H screen and
//                   clicks the left button there
// Each command has reached the compositor before the next is read; "ok" or
// "failed" on standard output answers it. At the end of its input it
// leaves the seat.
#include <wayland-client.h>

#include <cstdio>
#include <iostream>
#include <sstream>
#include <string>

#include "platform/wayland/wl_connection.h"
#include "wlr-virtual-pointer-unstable-v1-client-protocol.h"

using namespace rt::wayland;

int main() {
  auto connection = Connection::Open();
  if (!connection || !connection->Seat()) return 3;
  auto* manager = static_cast<zwlr_virtual_pointer_manager_v1*>(
      connection->Bind(&zwlr_virtual_pointer_manager_v1_interface, 1));
  if (!manager) return 3;
  zwlr_virtual_pointer_v1* pointer = zwlr_virtual_pointer_manager_v1_create_virtual_pointer(manager, connection->Seat());
  if (!connection->Roundtrip()) return 3;
  std::cout << "ready" << std::endl;
  const std::uint32_t kLeftButton = 0x110;
  auto now = [&] { return static_cast<std::uint32_t>(connection->Time().NowMs()); };
  std::string line;
  while (std::getline(std::cin, line)) {
    std::istringstream words(line);
    std::string command;
    long x = -1, y = -1, width = 0, height = 0;
    words >> command >> x >> y >> width >> height;
    if (command != "click" || !words || x < 0 || y < 0 || x >= width || y >= height) {
      std::cout << "failed" << std::endl;
      continue;
    }
    zwlr_virtual_pointer_v1_motion_absolute(pointer, now(), static_cast<std::uint32_t>(x), static_cast<std::uint32_t>(y),
                                            static_cast<std::uint32_t>(width), static_cast<std::uint32_t>(height));
    zwlr_virtual_pointer_v1_frame(pointer);
    zwlr_virtual_pointer_v1_button(pointer, now(), kLeftButton, 1);
    zwlr_virtual_pointer_v1_frame(pointer);
    zwlr_virtual_pointer_v1_button(pointer, now(), kLeftButton, 0);
    zwlr_virtual_pointer_v1_frame(pointer);
    std::cout << (connection->Roundtrip() ? "ok" : "failed") << std::endl;
  }
  zwlr_virtual_pointer_v1_destroy(pointer);
  zwlr_virtual_pointer_manager_v1_destroy(manager);
  connection->Roundtrip();
  return 0;
}
