#include "typing_cases.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdlib>

#include "platform/text.h"

namespace strumlet::linux_e2e {

const EditorCase kEditorCorpus[7] = {
    {"abcxyz ABCXYZ 0123456789", "abcxyz ABCXYZ 0123456789"},
    {"!@#$&*_=-[]\\;:'\",.<>?|`", "!@#$&*_=-[]\\;:'\",.<>?|`"},
    {"{{}{}}{+}{^}{%}{~}{(}{)}", "{}+^%~()"},
    {"a~b{ENTER}{TAB}c", "a\nb\n\tc"},
    {"+(abc)d +e", "ABCd E"},
    {"{h 10}", "hhhhhhhhhh"},
    {"abc{LEFT}{BS}x{END}", "axc"},
};

std::string OutsideTheKeymaps() {
  std::u16string one;
  for (char16_t c = u'\u0430'; c <= u'\u044F'; ++c) one += c;  // а..я
  for (char16_t c = u'\u03B1'; c <= u'\u03C9'; ++c) one += c;  // α..ω
  one += u"\u00E4\u00F6\u00FC\u00DF\u20AC\u2713\u2192\u03A9\u2026";  // äöüß€✓→Ω…
  return rt::ToUtf8(one + one);
}

std::string EditorCorpusKeys() {
  std::string keys;
  for (const EditorCase& c : kEditorCorpus) keys += std::string(c.keys) + "~";
  return keys + OutsideTheKeymaps();
}

std::string EditorCorpusText() {
  std::string text;
  for (const EditorCase& c : kEditorCorpus) text += std::string(c.text) + "\n";
  return text + OutsideTheKeymaps();
}

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
