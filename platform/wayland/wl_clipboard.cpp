#include "platform/wayland/wl_clipboard.h"

#include <poll.h>
#include <unistd.h>
#include <wayland-client.h>

#include <cerrno>
#include <csignal>
#include <cstring>
#include <functional>

#include "platform/posix/holder_process.h"
#include "platform/wayland/wl_connection.h"
#include "wlr-data-control-unstable-v1-client-protocol.h"

namespace rt::wayland {

namespace {

// The types the text is offered in: those of Wayland toolkits, and those
// XWayland passes on to X11 programs.
constexpr const char* kTextTypes[] = {"text/plain;charset=utf-8", "text/plain", "UTF8_STRING", "TEXT", "STRING"};
// How long a reader may take to read the text, a piece at a time.
constexpr int kWriteLimitMs = 5000;

struct Holder {
  std::string text;
  bool cancelled = false;
  bool finished = false;
  zwlr_data_control_offer_v1* lastOffer = nullptr;
};

// Writes the text to a reader, without letting a reader that stops reading
// hold the clipboard up for ever.
void Serve(const std::string& text, int fd) {
  const char* data = text.data();
  std::size_t left = text.size();
  while (left > 0) {
    pollfd p{fd, POLLOUT, 0};
    int ready = poll(&p, 1, kWriteLimitMs);
    if (ready < 0 && errno == EINTR) continue;
    if (ready <= 0) break;
    ssize_t n = write(fd, data, left);
    if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
    if (n <= 0) break;
    data += n;
    left -= static_cast<std::size_t>(n);
  }
  close(fd);
}

void OnSend(void* data, zwlr_data_control_source_v1*, const char*, int32_t fd) {
  Serve(static_cast<Holder*>(data)->text, fd);
}
void OnCancelled(void* data, zwlr_data_control_source_v1*) { static_cast<Holder*>(data)->cancelled = true; }
const zwlr_data_control_source_v1_listener kSource = {OnSend, OnCancelled};

// The device announces every selection, ours included, as an offer that is
// not needed here.
void OnDataOffer(void*, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1*) {}
void OnSelection(void* data, zwlr_data_control_device_v1*, zwlr_data_control_offer_v1* offer) {
  auto* h = static_cast<Holder*>(data);
  if (h->lastOffer) zwlr_data_control_offer_v1_destroy(h->lastOffer);
  h->lastOffer = offer;
}
void OnFinished(void* data, zwlr_data_control_device_v1*) { static_cast<Holder*>(data)->finished = true; }
const zwlr_data_control_device_v1_listener kDevice = {OnDataOffer, OnSelection, OnFinished};

// Serves `text` as the selection until another client takes it.
int Hold(std::string text, const std::function<bool()>& ready) {
  // A reader that closes its end early must not end the holder.
  signal(SIGPIPE, SIG_IGN);
  auto connection = Connection::Open();
  if (!connection || !connection->Seat()) return 1;
  auto* manager = static_cast<zwlr_data_control_manager_v1*>(
      connection->Bind(&zwlr_data_control_manager_v1_interface, 1));
  if (!manager) return 1;
  Holder holder;
  holder.text = std::move(text);
  zwlr_data_control_source_v1* source = zwlr_data_control_manager_v1_create_data_source(manager);
  zwlr_data_control_source_v1_add_listener(source, &kSource, &holder);
  for (const char* type : kTextTypes) zwlr_data_control_source_v1_offer(source, type);
  zwlr_data_control_device_v1* device = zwlr_data_control_manager_v1_get_data_device(manager, connection->Seat());
  zwlr_data_control_device_v1_add_listener(device, &kDevice, &holder);
  zwlr_data_control_device_v1_set_selection(device, source);
  // Set once the compositor has handled the request without cancelling it.
  if (!connection->Roundtrip() || !connection->Roundtrip() || holder.cancelled || holder.finished || !ready()) {
    zwlr_data_control_source_v1_destroy(source);
    zwlr_data_control_device_v1_destroy(device);
    zwlr_data_control_manager_v1_destroy(manager);
    connection->Flush();
    return 1;
  }
  while (!holder.cancelled && !holder.finished && connection->Dispatch(-1)) {
  }
  if (holder.lastOffer) zwlr_data_control_offer_v1_destroy(holder.lastOffer);
  zwlr_data_control_source_v1_destroy(source);
  zwlr_data_control_device_v1_destroy(device);
  zwlr_data_control_manager_v1_destroy(manager);
  connection->Flush();
  return 0;
}

}  // namespace

bool StartClipboardHolder(const std::string& utf8, const std::string& executable) {
  posix::HolderStart start;
  start.modeVariable = kClipboardHolderVariable;
  start.executable = executable;
  return posix::StartHolder(start, utf8);
}

int RunClipboardHolder() {
  return posix::RunHolder([](std::string text, const std::function<bool()>& ready) { return Hold(std::move(text), ready); });
}

}  // namespace rt::wayland
