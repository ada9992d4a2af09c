#include "keyboard_state.h"

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <cstdio>
#include <cstdlib>

#include "platform/text.h"

namespace strumlet::linux_e2e {

namespace {

int IgnoreErrors(Display*, XErrorEvent*) { return 0; }

Atom RecordAtom(Display* display) { return XInternAtom(display, "STRUMLET_BOUND_KEYS", False); }

}  // namespace

KeyboardState::KeyboardState() : display_(XOpenDisplay(nullptr)) { XSetErrorHandler(IgnoreErrors); }

KeyboardState::~KeyboardState() {
  if (display_) XCloseDisplay(display_);
}

std::string KeyboardState::KeysDown() {
  char keys[32] = {};
  XQueryKeymap(display_, keys);
  std::string down;
  for (int kc = 0; kc < 256; ++kc) {
    if (keys[kc / 8] & (1 << (kc % 8))) down += std::to_string(kc) + " ";
  }
  return down;
}

bool KeyboardState::ShiftDown() {
  char keys[32] = {};
  XQueryKeymap(display_, keys);
  int kc = XKeysymToKeycode(display_, XK_Shift_L);
  return (keys[kc / 8] & (1 << (kc % 8))) != 0;
}

std::string KeyboardState::Keymap() {
  std::string dump;
  FILE* p = popen("xkbcomp -xkb \"$DISPLAY\" - 2>/dev/null", "r");
  if (!p) return dump;
  char buffer[4096];
  std::size_t n;
  while ((n = fread(buffer, 1, sizeof buffer, p)) > 0) dump.append(buffer, n);
  pclose(p);
  return dump;
}

bool KeyboardState::CapsLock() {
  XkbStateRec state{};
  XkbGetState(display_, XkbUseCoreKbd, &state);
  return (state.locked_mods & LockMask) != 0;
}

void KeyboardState::ToggleCapsLock() {
  unsigned kc = XKeysymToKeycode(display_, XK_Caps_Lock);
  XTestFakeKeyEvent(display_, kc, True, CurrentTime);
  XTestFakeKeyEvent(display_, kc, False, CurrentTime);
  XSync(display_, False);
}

int KeyboardState::Group() {
  XkbStateRec state{};
  XkbGetState(display_, XkbUseCoreKbd, &state);
  return state.group;
}

void KeyboardState::LockGroup(int group) {
  XkbLockGroup(display_, XkbUseCoreKbd, static_cast<unsigned>(group));
  XSync(display_, False);
}

std::vector<int> KeyboardState::EmptyKeycodes() {
  std::vector<int> empty;
  XkbDescPtr xkb = XkbGetMap(display_, XkbKeySymsMask, XkbUseCoreKbd);
  if (!xkb) return empty;
  for (int kc = xkb->min_key_code; kc <= xkb->max_key_code && kc <= 255; ++kc) {
    if (XkbKeyNumSyms(xkb, kc) == 0) empty.push_back(kc);
  }
  XkbFreeKeyboard(xkb, 0, True);
  return empty;
}

std::array<unsigned long, 2> KeyboardState::Syms(int keycode) {
  int per = 0;
  KeySym* syms = XGetKeyboardMapping(display_, static_cast<KeyCode>(keycode), 1, &per);
  std::array<unsigned long, 2> out{NoSymbol, NoSymbol};
  if (syms) {
    if (per > 0) out[0] = syms[0];
    if (per > 1) out[1] = syms[1];
    XFree(syms);
  }
  return out;
}

void KeyboardState::Bind(int keycode, unsigned long sym0, unsigned long sym1) {
  KeySym syms[2] = {sym0, sym1};
  XChangeKeyboardMapping(display_, keycode, 2, syms, 1);
  XSync(display_, False);
}

std::vector<unsigned long> KeyboardState::Record() {
  std::vector<unsigned long> out;
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, DefaultRootWindow(display_), RecordAtom(display_), 0, 1 << 16, False, XA_CARDINAL,
                         &type, &format, &items, &after, &data) == Success &&
      data && format == 32) {
    for (unsigned long i = 0; i < items; ++i) out.push_back(reinterpret_cast<unsigned long*>(data)[i]);
  }
  if (data) XFree(data);
  return out;
}

void KeyboardState::WriteRecord(const std::vector<unsigned long>& record) {
  std::vector<long> data(record.begin(), record.end());
  XChangeProperty(display_, DefaultRootWindow(display_), RecordAtom(display_), XA_CARDINAL, 32, PropModeReplace,
                  reinterpret_cast<unsigned char*>(data.data()), static_cast<int>(data.size()));
  XSync(display_, False);
}

unsigned long KeyboardState::NewWindow() {
  Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
  XSync(display_, False);
  return w;
}

void KeyboardState::DestroyWindow(unsigned long window) {
  XDestroyWindow(display_, window);
  XSync(display_, False);
}

void KeyboardState::KillClient(unsigned long resource) {
  XKillClient(display_, resource);
  XSync(display_, False);
}

unsigned long UnicodeKeysym(char32_t cp) { return 0x01000000UL | cp; }

namespace {

std::u16string OutsideLetters() {
  std::u16string letters;
  for (char16_t c = u'\u03B1'; c <= u'\u03C9'; ++c) letters += c;  // α..ω
  for (char16_t c = u'\u0391'; c <= u'\u03A9'; ++c) {
    if (c != u'\u03A2') letters += c;  // Α..Ω
  }
  for (char16_t c = u'\u0430'; c <= u'\u044F'; ++c) letters += c;  // а..я
  return letters;
}

}  // namespace

namespace {

std::vector<std::string> SendCommand(const std::string& title, const std::string& script, const std::string& program,
                                     std::vector<std::string> shell) {
  shell.push_back(program);
  shell.push_back("/" + title + "/" + script + "/2/persist");
  return shell;
}

}  // namespace

Send::Send(const std::string& title, const std::string& script, const std::string& program,
           const std::vector<std::string>& shell, const std::string& errorFile)
    : process(Spawn(SendCommand(title, script, program, shell), {}, errorFile)) {
  Screen screen;
  XWindow main = screen.AwaitMain(process.Pid());
  mainUp = main != 0 && WaitFor([&] { return screen.HasInputFocus(main); }, 45s);
}

bool AwaitMidSend(const TextTarget& target, KeyboardState& keyboard) {
  return WaitFor([&] { return target.Text().size() > 4 && keyboard.ShiftDown() && !keyboard.Record().empty(); }, 60s);
}

bool IsPrefix(const std::string& part, const std::string& whole) {
  return part.size() <= whole.size() && whole.compare(0, part.size(), part) == 0;
}

std::string ShiftedOutsideScript() { return "+(ab" + rt::ToUtf8(OutsideLetters()) + ")"; }

std::string ShiftedOutsideText() { return "AB" + rt::ToUtf8(OutsideLetters()); }

}  // namespace strumlet::linux_e2e
