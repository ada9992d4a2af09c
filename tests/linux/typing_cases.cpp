#include "typing_cases.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>

namespace strumlet::linux_e2e {

Keyboard::Keyboard() : display_(XOpenDisplay(nullptr)) {}

Keyboard::~Keyboard() {
  if (display_) {
    if (CapsLock()) ToggleCapsLock();
    for (int kc : held_) XTestFakeKeyEvent(display_, static_cast<unsigned>(kc), False, CurrentTime);
    XSync(display_, False);
    XCloseDisplay(display_);
  }
  std::system("setxkbmap us");
}

bool Keyboard::SetLayout(const std::string& layout) { return std::system(("setxkbmap " + layout).c_str()) == 0; }

bool Keyboard::CapsLock() {
  XkbStateRec state{};
  XkbGetState(display_, XkbUseCoreKbd, &state);
  return (state.locked_mods & LockMask) != 0;
}

void Keyboard::ToggleCapsLock() { Tap(XK_Caps_Lock); }

void Keyboard::Hold(unsigned long keysym) {
  int kc = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, static_cast<unsigned>(kc), True, CurrentTime);
  XSync(display_, False);
  held_.push_back(kc);
}

bool Keyboard::IsDown(unsigned long keysym) {
  char keys[32] = {};
  XQueryKeymap(display_, keys);
  int kc = XKeysymToKeycode(display_, keysym);
  return (keys[kc / 8] & (1 << (kc % 8))) != 0;
}

void Keyboard::Tap(unsigned long keysym) {
  unsigned kc = XKeysymToKeycode(display_, keysym);
  XTestFakeKeyEvent(display_, kc, True, CurrentTime);
  XTestFakeKeyEvent(display_, kc, False, CurrentTime);
  XSync(display_, False);
}

}  // namespace strumlet::linux_e2e
