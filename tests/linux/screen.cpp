// The X server as the test sees it: windows, their places and pixels,
// activation and the ping that says a program has read its events.
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <cstdio>

#include "desktop.h"
#include "platform/twips.h"

namespace strumlet::linux_e2e {

namespace {
int IgnoreErrors(Display*, XErrorEvent*) { return 0; }
}  // namespace

Screen::Screen() : display_(XOpenDisplay(nullptr)) {
  if (!display_) return;
  // Windows go away while the test looks at them.
  XSetErrorHandler(IgnoreErrors);
  own_ = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 0, 0, 1, 1, 0, 0, 0);
  XSelectInput(display_, own_, PropertyChangeMask);
  // Answers to pings come to the root window, with the structure mask (Qt)
  // or the substructure mask (GTK, Chromium).
  XSelectInput(display_, DefaultRootWindow(display_), StructureNotifyMask | SubstructureNotifyMask);
}

Screen::~Screen() {
  if (display_) XCloseDisplay(display_);
}

unsigned long Screen::A(const char* name) { return XInternAtom(display_, name, False); }

std::vector<unsigned long> Screen::Property(XWindow window, const char* name, unsigned long type, int format) {
  std::vector<unsigned long> out;
  Atom actual = None;
  int actualFormat = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display_, window, A(name), 0, 1 << 16, False, type, &actual, &actualFormat, &items, &after,
                         &data) == Success &&
      data && actualFormat == format) {
    for (unsigned long i = 0; i < items; ++i) {
      out.push_back(format == 32 ? reinterpret_cast<unsigned long*>(data)[i] : reinterpret_cast<unsigned char*>(data)[i]);
    }
  }
  if (data) XFree(data);
  return out;
}

std::vector<XWindow> Screen::WindowsOf(pid_t pid) {
  std::vector<XWindow> out;
  for (unsigned long w : Property(DefaultRootWindow(display_), "_NET_CLIENT_LIST", XA_WINDOW, 32)) {
    std::vector<unsigned long> owner = Property(w, "_NET_WM_PID", XA_CARDINAL, 32);
    if (!owner.empty() && static_cast<pid_t>(owner[0]) == pid) out.push_back(w);
  }
  return out;
}

std::string Screen::Title(XWindow window) {
  std::string title;
  for (unsigned long c : Property(window, "_NET_WM_NAME", A("UTF8_STRING"), 8)) title += static_cast<char>(c);
  // xterm sets only WM_NAME, in whichever encoding the title needs.
  XTextProperty name{};
  if (title.empty() && XGetWMName(display_, window, &name) && name.value) {
    char** list = nullptr;
    int count = 0;
    if (Xutf8TextPropertyToTextList(display_, &name, &list, &count) >= Success && list) {
      for (int i = 0; i < count; ++i) title += list[i];
      XFreeStringList(list);
    }
    XFree(name.value);
  }
  return title;
}

bool Screen::IsDialog(XWindow window) {
  for (unsigned long t : Property(window, "_NET_WM_WINDOW_TYPE", XA_ATOM, 32)) {
    if (t == A("_NET_WM_WINDOW_TYPE_DIALOG")) return true;
  }
  return false;
}

bool Screen::IsMinimised(XWindow window) {
  for (unsigned long s : Property(window, "_NET_WM_STATE", XA_ATOM, 32)) {
    if (s == A("_NET_WM_STATE_HIDDEN")) return true;
  }
  return false;
}

bool Screen::Exists(XWindow window) {
  XWindowAttributes attributes;
  return XGetWindowAttributes(display_, window, &attributes) != 0;
}

XWindow Screen::Await(pid_t pid, const std::function<bool(XWindow)>& accept, std::chrono::milliseconds limit) {
  XWindow found = 0;
  WaitFor(
      [&] {
        for (XWindow w : WindowsOf(pid)) {
          if (accept(w)) {
            found = w;
            return true;
          }
        }
        return false;
      },
      limit);
  return found;
}

XWindow Screen::AwaitTitle(pid_t pid, const std::string& title, std::chrono::milliseconds limit) {
  return Await(pid, [&](XWindow w) { return Title(w) == title; }, limit);
}

XWindow Screen::AwaitMain(pid_t pid, std::chrono::milliseconds limit) {
  return Await(
      pid,
      [&](XWindow w) {
        std::string t = Title(w);
        return !IsDialog(w) && t.size() >= 8 && t.compare(t.size() - 8, 8, "Strumlet") == 0;
      },
      limit);
}

XWindow Screen::AwaitMessageBox(pid_t pid, std::chrono::milliseconds limit) {
  return Await(pid, [&](XWindow w) { return IsDialog(w) && Title(w) == "Strumlet"; }, limit);
}

Box Screen::Client(XWindow window) {
  Box box;
  XWindowAttributes attributes;
  if (!XGetWindowAttributes(display_, window, &attributes)) return box;
  Window child = 0;
  XTranslateCoordinates(display_, window, DefaultRootWindow(display_), 0, 0, &box.x, &box.y, &child);
  box.width = attributes.width;
  box.height = attributes.height;
  return box;
}

Box Screen::Frame(XWindow window) {
  Box box = Client(window);
  std::vector<unsigned long> e = Property(window, "_NET_FRAME_EXTENTS", XA_CARDINAL, 32);
  if (e.size() == 4) {
    box.x -= static_cast<int>(e[0]);
    box.y -= static_cast<int>(e[2]);
    box.width += static_cast<int>(e[0] + e[1]);
    box.height += static_cast<int>(e[2] + e[3]);
  }
  return box;
}

int Screen::Dpi(XWindow window, int clientWidthTwips) {
  return (Client(window).width * 1440 + clientWidthTwips / 2) / clientWidthTwips;
}

unsigned long Screen::Pixel(XWindow window, int x, int y) {
  XImage* image = XGetImage(display_, window, x, y, 1, 1, AllPlanes, ZPixmap);
  if (!image) return ~0UL;
  XColor color{};
  color.pixel = XGetPixel(image, 0, 0);
  XDestroyImage(image);
  XQueryColor(display_, DefaultColormap(display_, DefaultScreen(display_)), &color);
  return (static_cast<unsigned long>(color.red >> 8) << 16) | (static_cast<unsigned long>(color.green >> 8) << 8) |
         (color.blue >> 8);
}

unsigned long Screen::CornerColor(XWindow window, int clientWidthTwips, const rt::Control& control) {
  int dpi = Dpi(window, clientWidthTwips);
  const rt::TwipsRect& b = control.Bounds();
  return Pixel(window, rt::TwipsToPixels(b.left, dpi) + rt::TwipsToPixels(b.width, dpi) - 2,
               rt::TwipsToPixels(b.top, dpi) + rt::TwipsToPixels(b.height, dpi) - 2);
}

XWindow Screen::Active() {
  std::vector<unsigned long> active = Property(DefaultRootWindow(display_), "_NET_ACTIVE_WINDOW", XA_WINDOW, 32);
  return active.empty() ? 0 : active[0];
}

bool Screen::HasInputFocus(XWindow window) {
  Window focus = 0;
  int revert = 0;
  XGetInputFocus(display_, &focus, &revert);
  for (int depth = 0; depth < 64 && focus != None && focus != PointerRoot; ++depth) {
    if (focus == window) return true;
    Window root = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display_, focus, &root, &parent, &children, &count)) return false;
    if (children) XFree(children);
    if (parent == root) return false;
    focus = parent;
  }
  return false;
}

bool Screen::Activate(XWindow window) {
  auto focused = [&] {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    XWindowAttributes attributes;
    return Active() == window && focus == window && XGetWindowAttributes(display_, window, &attributes) &&
           attributes.map_state == IsViewable && !IsMinimised(window);
  };
  bool wasMinimised = IsMinimised(window);
  auto request = [&] {
    XEvent event{};
    event.xclient.type = ClientMessage;
    event.xclient.window = window;
    event.xclient.message_type = A("_NET_ACTIVE_WINDOW");
    event.xclient.format = 32;
    event.xclient.data.l[0] = 2;  // as a pager, on the user's behalf
    event.xclient.data.l[1] = CurrentTime;
    XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
    XFlush(display_);
  };
  // A request can come to nothing: asked while a message box of the window
  // was still closing, openbox focuses the box, and the focus it falls back
  // to when the box goes need not be the window. As a user clicks again, the
  // request is repeated while the window has not got the focus.
  auto requested = std::chrono::steady_clock::now();
  if (!focused()) request();
  // A window coming back from the task bar is animated into its place
  // (openbox moves it there while it is already active): settled once it
  // has stayed put for a second.
  Box last{-1, -1, -1, -1};
  auto since = std::chrono::steady_clock::now();
  auto settled = [&] {
    if (!focused()) {
      if (std::chrono::steady_clock::now() - requested >= 3s) {
        request();
        requested = std::chrono::steady_clock::now();
      }
      return false;
    }
    if (!wasMinimised) return true;
    Box now = Client(window);
    auto t = std::chrono::steady_clock::now();
    if (now.x != last.x || now.y != last.y || now.width != last.width || now.height != last.height) {
      last = now;
      since = t;
      return false;
    }
    return t - since >= 1s;
  };
  // Active on the server is not yet active in the program: once it has
  // answered a ping, it has read the events that made it so.
  if (!WaitFor(settled, 30s)) {
    Window focus = 0;
    int revert = 0;
    XGetInputFocus(display_, &focus, &revert);
    XWindowAttributes attributes{};
    XGetWindowAttributes(display_, window, &attributes);
    std::fprintf(stderr, "window 0x%lx did not become active: active 0x%lx, focus 0x%lx, map state %d, minimised %d\n", window,
                 Active(), focus, attributes.map_state, IsMinimised(window) ? 1 : 0);
    return false;
  }
  return Ping(window);
}

bool Screen::Ping(XWindow window) {
  Atom* protocols = nullptr;
  int count = 0;
  bool answers = false;
  if (XGetWMProtocols(display_, window, &protocols, &count)) {
    for (int i = 0; i < count; ++i) answers = answers || protocols[i] == A("_NET_WM_PING");
    XFree(protocols);
  }
  if (!answers) return false;
  static long serial = 0;
  long mine = ++serial;
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = A("WM_PROTOCOLS");
  event.xclient.format = 32;
  event.xclient.data.l[0] = static_cast<long>(A("_NET_WM_PING"));
  event.xclient.data.l[1] = mine;
  event.xclient.data.l[2] = static_cast<long>(window);
  XSendEvent(display_, window, False, NoEventMask, &event);
  XFlush(display_);
  // The answer goes to the root window. A window that has gone (closed
  // by the very key or click) answers no more.
  return WaitFor(
      [&] {
        if (!Exists(window)) return true;
        XEvent reply;
        while (XCheckTypedEvent(display_, ClientMessage, &reply)) {
          if (reply.xclient.message_type == A("WM_PROTOCOLS") &&
              static_cast<Atom>(reply.xclient.data.l[0]) == A("_NET_WM_PING") && reply.xclient.data.l[1] == mine) {
            return true;
          }
        }
        return false;
      },
      30s);
}

void Screen::Minimise(XWindow window) {
  XIconifyWindow(display_, window, DefaultScreen(display_));
  XFlush(display_);
}

void Screen::Close(XWindow window) {
  XEvent event{};
  event.xclient.type = ClientMessage;
  event.xclient.window = window;
  event.xclient.message_type = A("_NET_CLOSE_WINDOW");
  event.xclient.format = 32;
  event.xclient.data.l[1] = 2;
  XSendEvent(display_, DefaultRootWindow(display_), False, SubstructureRedirectMask | SubstructureNotifyMask, &event);
  XFlush(display_);
}


}  // namespace strumlet::linux_e2e
