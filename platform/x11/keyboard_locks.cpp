#include "platform/x11/keyboard_locks.h"

#include "platform/x11/keyboard_watchdog.h"

namespace rt::x11 {

namespace {
constexpr unsigned kAllMods = 0xFF;
}  // namespace

void KeyboardLocks::Lift() {
  XkbStateRec st{};
  XkbGetState(display_, XkbUseCoreKbd, &st);
  group_ = st.group;
  userLocked_ = st.locked_mods;
  watchdog_.Locks(userLocked_, -1);
  if (userLocked_) XkbLockModifiers(display_, XkbUseCoreKbd, kAllMods, 0);
  XSync(display_, False);
}

void KeyboardLocks::OnState(const XkbStateNotifyEvent& st) {
  if (!following_) return;
  bool locked = st.locked_mods != 0, switched = st.group != group_;
  if (locked) {
    userLocked_ = st.locked_mods;
    XkbLockModifiers(display_, XkbUseCoreKbd, kAllMods, 0);
  }
  if (switched) {
    userGroup_ = st.locked_group;
    XkbLockGroup(display_, XkbUseCoreKbd, static_cast<unsigned>(group_));
  }
  if (locked || switched) {
    watchdog_.Locks(userLocked_, userGroup_);
    XFlush(display_);
  }
}

void KeyboardLocks::PutBack() {
  following_ = false;
  XkbLockModifiers(display_, XkbUseCoreKbd, kAllMods, userLocked_);
  if (userGroup_ >= 0) XkbLockGroup(display_, XkbUseCoreKbd, static_cast<unsigned>(userGroup_));
}

}  // namespace rt::x11
