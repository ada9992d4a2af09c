#include "platform/x11/x11_frames.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>

#include "platform/x11/x11_errors.h"

namespace rt::x11 {

namespace {

// The window's rectangle on the screen, its border included.
std::optional<ScreenRect> OnScreen(Display* display, Window window) {
  Window root = 0, child = 0;
  int x = 0, y = 0, rootX = 0, rootY = 0;
  unsigned width = 0, height = 0, border = 0, depth = 0;
  if (!XGetGeometry(display, window, &root, &x, &y, &width, &height, &border, &depth)) return std::nullopt;
  if (!XTranslateCoordinates(display, window, root, 0, 0, &rootX, &rootY, &child)) return std::nullopt;
  int b = static_cast<int>(border);
  return ScreenRect{rootX - b, rootY - b, static_cast<int>(width) + 2 * b, static_cast<int>(height) + 2 * b};
}

}  // namespace

std::optional<ScreenRect> OuterFrame(Display* display, unsigned long window) {
  ErrorTrap trap(display);
  Window client = static_cast<Window>(window);
  Window root = DefaultRootWindow(display);
  std::optional<ScreenRect> rect;
  // The frame extents, when the window manager announces them.
  Atom type = None;
  int format = 0;
  unsigned long items = 0, after = 0;
  unsigned char* data = nullptr;
  if (XGetWindowProperty(display, client, XInternAtom(display, "_NET_FRAME_EXTENTS", False), 0, 4, False, XA_CARDINAL,
                         &type, &format, &items, &after, &data) == Success &&
      data && format == 32 && items == 4) {
    // Xlib hands 32-bit items over as longs: left, right, top, bottom.
    const auto* e = reinterpret_cast<const unsigned long*>(data);
    Window r = 0, c = 0;
    int x = 0, y = 0;
    unsigned width = 0, height = 0, border = 0, depth = 0;
    if (XGetGeometry(display, client, &r, &x, &y, &width, &height, &border, &depth) &&
        XTranslateCoordinates(display, client, root, 0, 0, &x, &y, &c)) {
      int left = static_cast<int>(e[0]), right = static_cast<int>(e[1]);
      int top = static_cast<int>(e[2]), bottom = static_cast<int>(e[3]);
      rect = ScreenRect{x - left, y - top, static_cast<int>(width) + left + right, static_cast<int>(height) + top + bottom};
    }
  }
  if (data) XFree(data);
  if (rect) return trap.Failed() ? std::nullopt : rect;
  // Else the ancestor that is a child of the root: the frame, or the window
  // itself when nothing has reparented it.
  Window frame = client;
  for (int depth = 0; depth < 16; ++depth) {
    Window r = 0, parent = 0, *children = nullptr;
    unsigned count = 0;
    if (!XQueryTree(display, frame, &r, &parent, &children, &count)) return std::nullopt;
    if (children) XFree(children);
    if (parent == root || parent == 0) break;
    frame = parent;
  }
  rect = OnScreen(display, frame);
  return trap.Failed() ? std::nullopt : rect;
}

}  // namespace rt::x11
