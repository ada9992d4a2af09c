#include "platform/wayland/wl_connection.h"

#include <poll.h>
#include <wayland-client.h>

#include <algorithm>
#include <cerrno>
#include <climits>

#include "platform/posix/posix_clock.h"

namespace rt::wayland {

namespace {

const wl_registry_listener kRegistryListener = {&Connection::OnGlobal, &Connection::OnGlobalRemove};

}  // namespace

std::uint64_t ConnectionClock::NowMs() { return posix::MonotonicClock().NowMs(); }

void ConnectionClock::Sleep(std::uint64_t ms) {
  if (connection_ && !connection_->Broken() &&
      connection_->Dispatch(static_cast<int>(std::min<std::uint64_t>(ms, INT_MAX)))) {
    return;
  }
  posix::MonotonicClock().Sleep(ms);
}

void Connection::OnGlobal(void* data, wl_registry*, std::uint32_t name, const char* interface, std::uint32_t version) {
  static_cast<Connection*>(data)->globals_.push_back({name, interface, version});
}

void Connection::OnGlobalRemove(void* data, wl_registry*, std::uint32_t name) {
  auto& globals = static_cast<Connection*>(data)->globals_;
  std::erase_if(globals, [&](const Global& g) { return g.name == name; });
}

std::unique_ptr<Connection> Connection::Open(const char* name) {
  std::unique_ptr<Connection> c(new Connection);
  c->display_ = wl_display_connect(name);
  if (!c->display_) return nullptr;
  c->registry_ = wl_display_get_registry(c->display_);
  wl_registry_add_listener(c->registry_, &kRegistryListener, c.get());
  if (!c->Roundtrip()) return nullptr;
  // The first seat: where the user's keyboard and focus are.
  c->seat_ = static_cast<wl_seat*>(c->Bind(&wl_seat_interface, 1));
  return c;
}

Connection::~Connection() {
  if (!display_) return;
  if (seat_) wl_seat_destroy(seat_);
  if (registry_) wl_registry_destroy(registry_);
  wl_display_flush(display_);
  wl_display_disconnect(display_);
}

int Connection::Fd() const { return wl_display_get_fd(display_); }

void* Connection::Bind(const wl_interface* interface, std::uint32_t version, std::uint32_t* bound) {
  for (const Global& g : globals_) {
    if (g.interface == interface->name) {
      std::uint32_t v = g.version < version ? g.version : version;
      if (bound) *bound = v;
      return wl_registry_bind(registry_, g.name, interface, v);
    }
  }
  return nullptr;
}

bool Connection::Offers(const char* interface) const {
  for (const Global& g : globals_) {
    if (g.interface == interface) return true;
  }
  return false;
}

std::vector<Protocol> Connection::Missing() const {
  std::vector<Protocol> missing;
  // The toplevel list is announced by its manager's name.
  for (const Protocol& p : {kVirtualKeyboard, kToplevels, kDataControl}) {
    std::string global = p.name;
    if (global == kToplevels.name) global = "zwlr_foreign_toplevel_manager_v1";
    if (!Offers(global.c_str())) missing.push_back(p);
  }
  return missing;
}

bool Connection::Flush() {
  if (broken_) return false;
  for (;;) {
    if (wl_display_flush(display_) >= 0) return true;
    if (errno != EAGAIN) {
      broken_ = true;
      return false;
    }
    // The compositor reads slower than we write: wait until it has room.
    pollfd p{Fd(), POLLOUT, 0};
    if (poll(&p, 1, 10000) <= 0) {
      broken_ = true;
      return false;
    }
  }
}

bool Connection::Dispatch(int milliseconds) {
  if (broken_) return false;
  while (wl_display_prepare_read(display_) != 0) {
    if (wl_display_dispatch_pending(display_) < 0) {
      broken_ = true;
      return false;
    }
  }
  if (!Flush()) {
    wl_display_cancel_read(display_);
    return false;
  }
  pollfd p{Fd(), POLLIN, 0};
  int ready = poll(&p, 1, milliseconds);
  if (ready > 0) {
    if (wl_display_read_events(display_) < 0) broken_ = true;
  } else {
    wl_display_cancel_read(display_);
  }
  if (!broken_ && wl_display_dispatch_pending(display_) < 0) broken_ = true;
  if (wl_display_get_error(display_) != 0) broken_ = true;
  return !broken_;
}

bool Connection::Roundtrip(int milliseconds) {
  bool done = false;
  wl_callback* callback = wl_display_sync(display_);
  static const wl_callback_listener listener = {
      [](void* data, wl_callback*, std::uint32_t) { *static_cast<bool*>(data) = true; }};
  wl_callback_add_listener(callback, &listener, &done);
  Deadline end(Time(), static_cast<std::uint64_t>(std::max(0, milliseconds)));
  while (!done && !end.Passed() && Dispatch(static_cast<int>(end.LeftMs()))) {
  }
  wl_callback_destroy(callback);
  return done;
}

}  // namespace rt::wayland
