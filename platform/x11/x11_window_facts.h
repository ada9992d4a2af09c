// What the program reads about the desktop's windows on X11, read in
// batches: every request for every window goes out before the first answer
// is awaited, so that reading a desktop costs a few round trips to the
// server, however many windows it holds (through the XCB connection under
// the caller's Xlib one; XCB hands each request's error back with its reply,
// so nothing here reaches the process's X error handler).
//
// The client list: the clients the window manager lists
// (_NET_CLIENT_LIST_STACKING, or _NET_CLIENT_LIST), topmost first in the
// order the server stacks their frames (the root's children that hold
// them); those whose frames are not the root's children come last. With no
// such list, the root's children topmost first; a child that is a window
// manager's frame stands for the client inside it (the window with
// WM_STATE, at most a few levels down). Desktop and dock windows (the background and
// the panels) and the program's own windows (by _NET_WM_PID) are left out.
#pragma once

#include <X11/Xlib.h>

#include <array>
#include <cstdint>
#include <unordered_map>
#include <vector>

#include "platform/text.h"

namespace rt::x11 {

// The atoms the window queries and the activation use, interned at once.
struct Atoms {
  explicit Atoms(Display* display);
  Atom utf8String, netWmName, wmState, netWmState, netWmStateModal, netWmStateHidden, netWmWindowType,
      netWmWindowTypeDesktop, netWmWindowTypeDock, netWmPid, netFrameExtents, netClientListStacking, netClientList,
      netWorkarea,
      netSupportingWmCheck, netActiveWindow, netCurrentDesktop, netWmDesktop, wmProtocols, netWmPing, timestamp;
};

// One window as the program sees it. A window that does not exist (or went
// away while it was read) has `exists` false and nothing else.
struct WindowFacts {
  bool exists = false;
  bool viewable = false;          // mapped, and every window it lies in too
  bool overrideRedirect = false;  // a menu or tooltip no window manager frames
  bool inputOnly = false;
  ustring caption;                // _NET_WM_NAME, else WM_NAME
  ustring className;              // the class part of WM_CLASS
  Window transientFor = 0;        // WM_TRANSIENT_FOR
  long wmState = -1;              // WM_STATE's state; -1 when it has none
  std::vector<Atom> netState;     // _NET_WM_STATE
  std::vector<Atom> types;        // _NET_WM_WINDOW_TYPE
  long pid = -1;                  // _NET_WM_PID
  int x = 0, y = 0;               // the window's corner on the root
  int width = 0, height = 0;
  bool hasFrameExtents = false;
  std::array<long, 4> frameExtents{};  // left, right, top, bottom

  bool HasState(Atom state) const;
  bool HasType(Atom type) const;
};

// The desktop at one moment: the clients topmost first, each with its facts.
struct DesktopFacts {
  std::vector<Window> clients;
  std::vector<WindowFacts> facts;  // facts[i] is about clients[i]
  std::unordered_map<Window, std::size_t> index;
  // The work area's corner (_NET_WORKAREA's first two numbers; 0, 0 without).
  long workX = 0, workY = 0;

  const WindowFacts* Find(Window window) const;
};

class WindowReader {
 public:
  // `ownPid`: windows of this process are left out of the client list.
  WindowReader(Display* display, long ownPid);

  const Atoms& Names() const { return atoms_; }

  // The facts of these windows, in their order.
  std::vector<WindowFacts> Read(const std::vector<Window>& windows);
  // The client list and every client's facts, with the work area.
  DesktopFacts ReadDesktop();
  // A property's 32-bit items (CARDINAL, WINDOW, ATOM), empty when the
  // window or the property is not there.
  std::vector<unsigned long> Cardinals(Window window, Atom property, Atom type);

 private:
  // The client candidates, topmost first, before anything is left out.
  std::vector<Window> Stack();
  // The root's children (no window manager lists the clients), each frame
  // standing for the client inside it.
  std::vector<Window> StackFromTree();
  // The listed clients in the order of their frames.
  std::vector<Window> StackListed(const std::vector<Window>& listed);

  Display* display_;
  long ownPid_;
  Window root_;
  Atoms atoms_;
};

// A window's outer rectangle (the window manager's frame included) measured
// from the work area's corner.
struct FramedRect {
  long left = 0, top = 0, right = 0, bottom = 0;
};
FramedRect OuterRect(const WindowFacts& facts, long workX, long workY);

}  // namespace rt::x11
