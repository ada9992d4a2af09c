// A connection of the program's own to the Wayland compositor, apart from
// the toolkit's: the globals the system services need (the seat, the
// virtual keyboard manager, the toplevel list, the clipboard manager), waits
// that read and dispatch the compositor's events under a time limit, and the
// clock of the services on it.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "platform/clock.h"

struct wl_display;
struct wl_registry;
struct wl_seat;
struct wl_interface;

namespace rt::wayland {

// The interfaces the Wayland edition needs, and what each gives.
struct Protocol {
  const char* name;
  const char* gives;
};
inline constexpr Protocol kVirtualKeyboard{"zwp_virtual_keyboard_manager_v1", "typing"};
inline constexpr Protocol kToplevels{"zwlr_foreign_toplevel_management_v1",
                                     "the window list and bringing a window to the front"};
inline constexpr Protocol kDataControl{"zwlr_data_control_manager_v1", "the clipboard"};

class Connection;

// The clock of the Wayland services (platform/clock.h): the POSIX clock's
// time, and sleeps that read and dispatch the connection's events
// meanwhile (the compositor disconnects a client that leaves its events
// unread for long), returning once some have come. Without a connection, or
// on a broken one, a plain sleep.
class ConnectionClock : public Clock {
 public:
  explicit ConnectionClock(Connection* connection) : connection_(connection) {}
  std::uint64_t NowMs() override;
  void Sleep(std::uint64_t ms) override;

 private:
  Connection* connection_;
};

class Connection {
 public:
  // Connects to the compositor WAYLAND_DISPLAY names (or `name`); nullptr
  // when there is none.
  static std::unique_ptr<Connection> Open(const char* name = nullptr);
  ~Connection();
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  wl_display* Display() const { return display_; }
  wl_seat* Seat() const { return seat_; }
  int Fd() const;

  // Binds the global with that interface at most at `version`; nullptr when
  // the compositor offers none. The version bound is given back.
  void* Bind(const wl_interface* interface, std::uint32_t version, std::uint32_t* bound = nullptr);
  bool Offers(const char* interface) const;
  // The protocols of the three above that the compositor lacks.
  std::vector<Protocol> Missing() const;

  // Sends what is queued, waiting while the compositor's socket is full.
  bool Flush();
  // Reads and dispatches the events that arrive within `milliseconds` (0:
  // those there are). False once the connection is broken.
  bool Dispatch(int milliseconds);
  // A round trip: true once the compositor has handled every request sent
  // before it (and sent the events they caused), within `milliseconds`.
  bool Roundtrip(int milliseconds = 10000);
  bool Broken() const { return broken_; }
  // The clock whose sleeps read this connection.
  Clock& Time() { return clock_; }

  struct Global {
    std::uint32_t name;
    std::string interface;
    std::uint32_t version;
  };

  // The registry's events.
  static void OnGlobal(void* data, wl_registry* registry, std::uint32_t name, const char* interface,
                       std::uint32_t version);
  static void OnGlobalRemove(void* data, wl_registry* registry, std::uint32_t name);

 private:
  Connection() = default;

  wl_display* display_ = nullptr;
  wl_registry* registry_ = nullptr;
  wl_seat* seat_ = nullptr;
  std::vector<Global> globals_;
  bool broken_ = false;
  ConnectionClock clock_{this};
};

}  // namespace rt::wayland
