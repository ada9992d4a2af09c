// The operating system's services on a wlroots-family Wayland compositor,
// on a connection of their own, whatever toolkit draws the program's
// windows: typing (wl_keyboard.h), activation and the desktop's windows
// (wl_windows.h), the clipboard (wl_clipboard.h). The message box is the
// toolkit's, so it is left to a subclass. This header includes no Wayland
// header.
#pragma once

#include <memory>
#include <vector>

#include "platform/system.h"
#include "platform/wayland/wl_connection.h"

namespace rt::wayland {

class WaylandWindows;
class WaylandKeyboard;

class WaylandSystem : public System {
 public:
  // Connects to the compositor WAYLAND_DISPLAY names. Check Connected().
  WaylandSystem();
  ~WaylandSystem() override;
  WaylandSystem(const WaylandSystem&) = delete;
  WaylandSystem& operator=(const WaylandSystem&) = delete;

  bool Connected() const { return connection_ != nullptr; }
  // The protocols the compositor lacks.
  std::vector<Protocol> Missing() const;

  bool SetClipboardText(ustring_view text) override;
  void SendKeys(ustring_view keys, bool wait) override;
  void AppActivate(ustring_view caption) override;
  bool AppInFront(ustring_view caption) override;
  // Reads the compositor's events while it sleeps.
  Clock& Time() override;
  WindowQueries& Windows() override;

  // The connection, for the toolkit's event loop to watch: Dispatch() reads
  // what has come (the compositor disconnects a client that leaves its
  // events unread for long).
  int Fd() const;
  void Dispatch();

 private:
  std::unique_ptr<Connection> connection_;
  std::unique_ptr<WaylandWindows> windows_;
  std::unique_ptr<WaylandKeyboard> keyboard_;
};

}  // namespace rt::wayland
