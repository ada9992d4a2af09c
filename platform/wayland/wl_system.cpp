#include "platform/wayland/wl_system.h"

#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/posix/posix_clock.h"
#include "platform/wayland/wl_clipboard.h"
#include "platform/wayland/wl_keyboard.h"
#include "platform/wayland/wl_windows.h"

namespace rt::wayland {

WaylandSystem::WaylandSystem() : connection_(Connection::Open()) {
  if (!connection_) return;
  windows_ = std::make_unique<WaylandWindows>(*connection_);
  // The keyboard lives as long as the program: clients bind it while the
  // countdown runs, long before the first key.
  keyboard_ = std::make_unique<WaylandKeyboard>(*connection_, windows_.get());
}

WaylandSystem::~WaylandSystem() {
  keyboard_.reset();
  windows_.reset();
}

std::vector<Protocol> WaylandSystem::Missing() const {
  return connection_ ? connection_->Missing() : std::vector<Protocol>{kVirtualKeyboard, kToplevels, kDataControl};
}

bool WaylandSystem::SetClipboardText(ustring_view text) { return StartClipboardHolder(ToUtf8(text)); }

void WaylandSystem::SendKeys(ustring_view keys, bool wait) {
  if (!keyboard_) throw RuntimeError(ErrorCode::SendFailed, "no Wayland compositor");
  wayland::SendKeys(*keyboard_, keys, wait);
}

void WaylandSystem::AppActivate(ustring_view caption) {
  if (!windows_ || !windows_->Available()) {
    throw RuntimeError(ErrorCode::NotFound, "the compositor lists no windows");
  }
  ActivateWindow(caption, *windows_);
}

bool WaylandSystem::AppInFront(ustring_view caption) {
  return windows_ && windows_->Available() && rt::AppInFront(caption, *windows_);
}

Clock& WaylandSystem::Time() { return connection_ ? connection_->Time() : posix::MonotonicClock(); }

WindowQueries& WaylandSystem::Windows() {
  if (!windows_) throw RuntimeError(ErrorCode::NotFound, "no Wayland compositor");
  return *windows_;
}

int WaylandSystem::Fd() const { return connection_ ? connection_->Fd() : -1; }

void WaylandSystem::Dispatch() {
  if (connection_) connection_->Dispatch(0);
}

}  // namespace rt::wayland
