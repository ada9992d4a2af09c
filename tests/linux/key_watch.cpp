#include "key_watch.h"

#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <poll.h>

namespace strumlet::linux_e2e {

KeyWatch::KeyWatch() : display_(XOpenDisplay(nullptr)) {
  if (!display_) return;
  int event = 0, error = 0, major = 2, minor = 1;
  if (!XQueryExtension(display_, "XInputExtension", &opcode_, &event, &error) ||
      XIQueryVersion(display_, &major, &minor) != Success) {
    XCloseDisplay(display_);
    display_ = nullptr;
    return;
  }
  unsigned char bits[XIMaskLen(XI_LASTEVENT)] = {};
  XISetMask(bits, XI_RawKeyPress);
  XIEventMask mask{XIAllMasterDevices, static_cast<int>(sizeof bits), bits};
  XISelectEvents(display_, DefaultRootWindow(display_), &mask, 1);
  // A window of its own, whose property changes carry the server's time.
  own_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display_, own_, PropertyChangeMask);
  XSync(display_, False);
}

KeyWatch::~KeyWatch() {
  if (display_) XCloseDisplay(display_);
}

bool KeyWatch::Read(int keycode, int waitMs, unsigned long* time) {
  if (XPending(display_) == 0 && waitMs > 0) {
    pollfd fd{ConnectionNumber(display_), POLLIN, 0};
    poll(&fd, 1, waitMs);
  }
  while (XPending(display_) > 0) {
    XEvent event;
    XNextEvent(display_, &event);
    XGenericEventCookie* cookie = &event.xcookie;
    if (cookie->type != GenericEvent || cookie->extension != opcode_ || !XGetEventData(display_, cookie)) continue;
    bool found = false;
    if (cookie->evtype == XI_RawKeyPress) {
      auto* raw = static_cast<XIRawEvent*>(cookie->data);
      ++presses_;
      if (keycode && raw->detail == keycode) {
        *time = raw->time;
        presses_ = 1;
        found = true;
      }
    }
    XFreeEventData(display_, cookie);
    // The presses after it are counted at the next call.
    if (found) return true;
  }
  return false;
}

unsigned long KeyWatch::AwaitPress(unsigned long keysym, std::chrono::milliseconds limit) {
  int keycode = XKeysymToKeycode(display_, keysym);
  if (!keycode) return 0;
  auto deadline = std::chrono::steady_clock::now() + limit;
  unsigned long time = 0;
  while (std::chrono::steady_clock::now() < deadline) {
    if (Read(keycode, 50, &time)) return time ? time : 1;
  }
  return 0;
}

int KeyWatch::Presses() {
  XSync(display_, False);
  unsigned long unused = 0;
  Read(0, 0, &unused);
  return presses_;
}

unsigned long KeyWatch::ServerTime() {
  Atom atom = XInternAtom(display_, "STRUMLET_E2E_TIME", False);
  XChangeProperty(display_, own_, atom, atom, 8, PropModeAppend, nullptr, 0);
  XSync(display_, False);
  XEvent event;
  // Presses that come meanwhile stay queued for Read.
  XWindowEvent(display_, own_, PropertyChangeMask, &event);
  return event.xproperty.time;
}

}  // namespace strumlet::linux_e2e
