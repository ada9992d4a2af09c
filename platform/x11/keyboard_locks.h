// The locks (Caps Lock, Num Lock, Shift Lock, ...) and the keyboard group
// for the time of a send. The keymap is read as it types with no lock, so
// every lock is lifted when the send begins and locked again when it ends,
// with XkbLockModifiers from the state recorded at the start (never with a
// key tap, which would reach the target after keys still on their way); the
// watchdog is told what to put back. A lock or group change made by anyone
// else during the send (the user's Caps Lock, a layout switch) is undone for
// the send and becomes what is put back at its end.
#pragma once

#include <X11/XKBlib.h>
#include <X11/Xlib.h>

namespace rt::x11 {

class KeyboardWatchdog;

class KeyboardLocks {
 public:
  KeyboardLocks(Display* display, KeyboardWatchdog& watchdog) : display_(display), watchdog_(watchdog) {}

  // Records the state, tells the watchdog, and lifts every lock; the group
  // in force is the send's. Changes reported before Follow() are the
  // send's own.
  void Lift();
  void Follow() { following_ = true; }
  // The group the send types in.
  int Group() const { return group_; }
  // A state notice (locks and group only are selected).
  void OnState(const XkbStateNotifyEvent& state);
  // Locks again what was locked (and the group, if it was changed here).
  void PutBack();

 private:
  Display* display_;
  KeyboardWatchdog& watchdog_;
  int group_ = 0;
  unsigned userLocked_ = 0;
  int userGroup_ = -1;  // the locked group to put back, -1: untouched
  bool following_ = false;
};

}  // namespace rt::x11
