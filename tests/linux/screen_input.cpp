// What the test does on the X server as the user: clicks and keys through
// XTest, and the clipboard it reads and copies to.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XTest.h>

#include <cstdio>

#include "desktop.h"
#include "platform/twips.h"

namespace strumlet::linux_e2e {

void Screen::ClickAt(XWindow window, int x, int y) {
  Box client = Client(window);
  clicks_.Before(client.x + x, client.y + y);
  XTestFakeMotionEvent(display_, DefaultScreen(display_), client.x + x, client.y + y, CurrentTime);
  XTestFakeButtonEvent(display_, 1, True, CurrentTime);
  XTestFakeButtonEvent(display_, 1, False, CurrentTime);
  XSync(display_, False);
  clicks_.Pressed(client.x + x, client.y + y);
  AwaitPointerLetGo();
  // The click has been read before anything else comes: Qt gets the
  // pointer and the keyboard on separate ways (XInput 2 and core events),
  // and a key right after a click can otherwise overtake it.
  Ping(window);
}

// A window manager that acts on clicks into its clients (openbox focuses
// and raises on a press there) binds the button on them with a synchronous
// grab. The server holds the click until the window manager lets it through
// to the program (ReplayPointer); keys are not held meanwhile. With the
// window manager slow to run, a key right after the click can reach the
// program first, into the control that had the focus before. The pointer
// can be grabbed once no grab holds it: neither the window manager's nor
// the program's own from the press to the release.
void Screen::AwaitPointerLetGo() {
  const XWindow root = DefaultRootWindow(display_);
  const bool letGo = WaitFor([&] {
    if (XGrabPointer(display_, root, False, 0, GrabModeAsync, GrabModeAsync, None, None, CurrentTime) != GrabSuccess) {
      return false;
    }
    XUngrabPointer(display_, CurrentTime);
    XSync(display_, False);
    return true;
  });
  if (!letGo) std::fprintf(stderr, "the pointer stayed grabbed after a click\n");
}

void Screen::Click(XWindow window, int clientWidthTwips, const rt::Control& control) {
  int dpi = Dpi(window, clientWidthTwips);
  rt::TwipsRect b = control.Bounds();
  // A frame's controls are placed from its corner.
  for (const rt::Control* c = control.Container(); c; c = c->Container()) {
    b.left += c->Bounds().left;
    b.top += c->Bounds().top;
  }
  ClickAt(window, rt::TwipsToPixels(b.left + b.width / 2, dpi), rt::TwipsToPixels(b.top + b.height / 2, dpi));
}

void Screen::Key(const std::string& key, const std::vector<std::string>& modifiers) {
  auto code = [&](const std::string& name) { return XKeysymToKeycode(display_, XStringToKeysym(name.c_str())); };
  for (const std::string& m : modifiers) XTestFakeKeyEvent(display_, code(m), True, CurrentTime);
  XTestFakeKeyEvent(display_, code(key), True, CurrentTime);
  XTestFakeKeyEvent(display_, code(key), False, CurrentTime);
  for (auto m = modifiers.rbegin(); m != modifiers.rend(); ++m) XTestFakeKeyEvent(display_, code(*m), False, CurrentTime);
  XSync(display_, False);
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  if (focus != None && focus != PointerRoot) Ping(focus);
}

void Screen::Type(const std::string& ascii) {
  for (char c : ascii) {
    KeySym sym = static_cast<KeySym>(static_cast<unsigned char>(c));
    KeyCode code = XKeysymToKeycode(display_, sym);
    // A keysym on the key's second level needs Shift.
    int levels = 0;
    KeySym* map = XGetKeyboardMapping(display_, code, 1, &levels);
    bool shifted = map && levels > 1 && map[0] != sym && map[1] == sym;
    if (map) XFree(map);
    if (shifted) Key(XKeysymToString(sym), {"Shift_L"});
    else Key(XKeysymToString(sym));
  }
}

void Screen::TakeClipboard() {
  XSetSelectionOwner(display_, A("CLIPBOARD"), own_, CurrentTime);
  XSync(display_, False);
}

bool Screen::ClipboardIsOurs() { return XGetSelectionOwner(display_, A("CLIPBOARD")) == own_; }

std::optional<std::string> Screen::Clipboard() {
  if (XGetSelectionOwner(display_, A("CLIPBOARD")) == None) return std::nullopt;
  Atom property = A("STRUMLET_E2E_CLIPBOARD");
  XConvertSelection(display_, A("CLIPBOARD"), A("UTF8_STRING"), property, own_, CurrentTime);
  XFlush(display_);
  std::optional<std::string> text;
  WaitFor(
      [&] {
        XEvent event;
        if (!XCheckTypedWindowEvent(display_, own_, SelectionNotify, &event)) return false;
        if (event.xselection.property != None) {
          std::string out;
          for (unsigned long c : Property(own_, "STRUMLET_E2E_CLIPBOARD", AnyPropertyType, 8)) out += static_cast<char>(c);
          XDeleteProperty(display_, own_, property);
          text = out;
        }
        return true;
      },
      20s);
  return text;
}

std::optional<std::string> Screen::CopyText(XWindow window, int clientWidthTwips, const rt::Control& box) {
  // Copying changes nothing in the program, so a copy that did not come
  // through (the keys reached the box before it had the focus) is tried
  // again.
  for (int attempt = 0; attempt < 6; ++attempt) {
    if (!Activate(window)) return std::nullopt;
    TakeClipboard();
    Click(window, clientWidthTwips, box);
    Key("a", {"Control_L"});
    Key("c", {"Control_L"});
    if (WaitFor([&] { return !ClipboardIsOurs() && XGetSelectionOwner(display_, A("CLIPBOARD")) != None; }, 5s)) {
      return Clipboard();
    }
  }
  return std::nullopt;
}

std::optional<std::string> Screen::CopyMessageBox(XWindow box) {
  for (int attempt = 0; attempt < 6; ++attempt) {
    if (!Activate(box)) return std::nullopt;
    TakeClipboard();
    Key("c", {"Control_L"});
    if (WaitFor([&] { return !ClipboardIsOurs() && XGetSelectionOwner(display_, A("CLIPBOARD")) != None; }, 5s)) {
      return Clipboard();
    }
  }
  return std::nullopt;
}

bool Screen::AwaitPlace(XWindow window, int x, int y) {
  return WaitFor([&] {
    Box b = Client(window);
    return b.x == x && b.y == y;
  });
}


}  // namespace strumlet::linux_e2e
