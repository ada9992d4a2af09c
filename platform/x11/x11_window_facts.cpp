#include "platform/x11/x11_window_facts.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <string>

#include "platform/x11/xcb_replies.h"

namespace rt::x11 {

namespace {

using xcb::Ask;
using xcb::Property;
using xcb::Take;
using xcb::TakeProperty;

// Windows whose requests go out together before their answers are read: a
// bound on what the connection holds at once.
constexpr std::size_t kBatchWindows = 256;

// WM_NAME in whatever encoding it was set (Latin-1, compound text, UTF-8),
// converted as Xlib converts text properties.
ustring LegacyName(Display* display, const Property& p) {
  if (p.format != 8 || p.bytes.empty()) return {};
  std::string value = p.bytes;  // a terminating zero behind the bytes
  XTextProperty text{};
  text.value = reinterpret_cast<unsigned char*>(value.data());
  text.encoding = p.type;
  text.format = 8;
  text.nitems = value.size();
  char** list = nullptr;
  int count = 0;
  ustring name;
  if (Xutf8TextPropertyToTextList(display, &text, &list, &count) >= Success && list && count > 0) {
    name = FromUtf8(list[0]);
  }
  if (list) XFreeStringList(list);
  return name;
}

// The class part of WM_CLASS: the second of its two strings.
ustring ClassPart(const Property& p) {
  if (p.format != 8) return {};
  std::size_t end = p.bytes.find('\0');
  if (end == std::string::npos) return {};
  std::string rest = p.bytes.substr(end + 1);
  return FromUtf8(std::string_view(rest.c_str()));
}

// Every request about one window, sent before any answer is read.
struct Asked {
  xcb_get_window_attributes_cookie_t attributes;
  xcb_get_geometry_cookie_t geometry;
  xcb_translate_coordinates_cookie_t place;
  xcb_get_property_cookie_t netName, klass, transient, wmState, netState, types, pid, extents;
};

}  // namespace

Atoms::Atoms(Display* display) {
  const char* names[] = {"UTF8_STRING",
                         "_NET_WM_NAME",
                         "WM_STATE",
                         "_NET_WM_STATE",
                         "_NET_WM_STATE_MODAL",
                         "_NET_WM_STATE_HIDDEN",
                         "_NET_WM_WINDOW_TYPE",
                         "_NET_WM_WINDOW_TYPE_DESKTOP",
                         "_NET_WM_WINDOW_TYPE_DOCK",
                         "_NET_WM_PID",
                         "_NET_FRAME_EXTENTS",
                         "_NET_CLIENT_LIST_STACKING",
                         "_NET_CLIENT_LIST",
                         "_NET_WORKAREA",
                         "_NET_SUPPORTING_WM_CHECK",
                         "_NET_ACTIVE_WINDOW",
                         "_NET_CURRENT_DESKTOP",
                         "_NET_WM_DESKTOP",
                         "WM_PROTOCOLS",
                         "_NET_WM_PING",
                         "STRUMLET_TIMESTAMP"};
  Atom* fields[] = {&utf8String,           &netWmName,          &wmState,         &netWmState,
                    &netWmStateModal,      &netWmStateHidden,   &netWmWindowType, &netWmWindowTypeDesktop,
                    &netWmWindowTypeDock,  &netWmPid,           &netFrameExtents, &netClientListStacking, &netClientList,
                    &netWorkarea,          &netSupportingWmCheck, &netActiveWindow, &netCurrentDesktop,
                    &netWmDesktop,         &wmProtocols,        &netWmPing,       &timestamp};
  constexpr int count = static_cast<int>(sizeof names / sizeof names[0]);
  static_assert(sizeof fields / sizeof fields[0] == count);
  Atom atoms[count] = {};
  // One round trip for all of them.
  XInternAtoms(display, const_cast<char**>(names), count, False, atoms);
  for (int i = 0; i < count; ++i) *fields[i] = atoms[i];
}

bool WindowFacts::HasState(Atom state) const { return std::find(netState.begin(), netState.end(), state) != netState.end(); }

bool WindowFacts::HasType(Atom type) const { return std::find(types.begin(), types.end(), type) != types.end(); }

const WindowFacts* DesktopFacts::Find(Window window) const {
  auto it = index.find(window);
  return it == index.end() ? nullptr : &facts[it->second];
}

WindowReader::WindowReader(Display* display, long ownPid)
    : display_(display), ownPid_(ownPid), root_(DefaultRootWindow(display)), atoms_(display) {}

std::vector<WindowFacts> WindowReader::Read(const std::vector<Window>& windows) {
  xcb_connection_t* c = XGetXCBConnection(display_);
  std::vector<WindowFacts> out(windows.size());
  std::vector<Asked> asked;
  for (std::size_t begin = 0; begin < windows.size(); begin += kBatchWindows) {
    std::size_t end = std::min(windows.size(), begin + kBatchWindows);
    asked.clear();
    for (std::size_t i = begin; i < end; ++i) {
      auto w = static_cast<xcb_window_t>(windows[i]);
      Asked a;
      a.attributes = xcb_get_window_attributes(c, w);
      a.geometry = xcb_get_geometry(c, w);
      a.place = xcb_translate_coordinates(c, w, static_cast<xcb_window_t>(root_), 0, 0);
      a.netName = Ask(c, windows[i], atoms_.netWmName, atoms_.utf8String);
      a.klass = Ask(c, windows[i], XA_WM_CLASS, XA_STRING);
      a.transient = Ask(c, windows[i], XA_WM_TRANSIENT_FOR, XA_WINDOW);
      a.wmState = Ask(c, windows[i], atoms_.wmState, atoms_.wmState);
      a.netState = Ask(c, windows[i], atoms_.netWmState, XA_ATOM);
      a.types = Ask(c, windows[i], atoms_.netWmWindowType, XA_ATOM);
      a.pid = Ask(c, windows[i], atoms_.netWmPid, XA_CARDINAL);
      a.extents = Ask(c, windows[i], atoms_.netFrameExtents, XA_CARDINAL);
      asked.push_back(a);
    }
    for (std::size_t i = begin; i < end; ++i) {
      const Asked& a = asked[i - begin];
      WindowFacts& f = out[i];
      auto attributes = Take<xcb_get_window_attributes_reply_t>(c, a.attributes, xcb_get_window_attributes_reply);
      auto geometry = Take<xcb_get_geometry_reply_t>(c, a.geometry, xcb_get_geometry_reply);
      auto place = Take<xcb_translate_coordinates_reply_t>(c, a.place, xcb_translate_coordinates_reply);
      Property netName = TakeProperty(c, a.netName), klass = TakeProperty(c, a.klass),
               transient = TakeProperty(c, a.transient), wmState = TakeProperty(c, a.wmState),
               netState = TakeProperty(c, a.netState), types = TakeProperty(c, a.types), pid = TakeProperty(c, a.pid),
               extents = TakeProperty(c, a.extents);
      if (!attributes) continue;  // no such window
      f.exists = true;
      f.viewable = attributes->map_state == XCB_MAP_STATE_VIEWABLE;
      f.overrideRedirect = attributes->override_redirect != 0;
      f.inputOnly = attributes->_class == XCB_WINDOW_CLASS_INPUT_ONLY;
      if (geometry) {
        f.width = geometry->width;
        f.height = geometry->height;
      }
      if (place) {
        f.x = place->dst_x;
        f.y = place->dst_y;
      }
      if (netName.type == atoms_.utf8String && netName.format == 8) f.caption = FromUtf8(netName.bytes);
      f.className = ClassPart(klass);
      if (!transient.items.empty()) f.transientFor = static_cast<Window>(transient.items[0]);
      if (!wmState.items.empty()) f.wmState = static_cast<long>(wmState.items[0]);
      for (unsigned long s : netState.items) f.netState.push_back(static_cast<Atom>(s));
      for (unsigned long t : types.items) f.types.push_back(static_cast<Atom>(t));
      if (!pid.items.empty()) f.pid = static_cast<long>(pid.items[0]);
      if (extents.items.size() == 4) {
        f.hasFrameExtents = true;
        for (int k = 0; k < 4; ++k) f.frameExtents[k] = static_cast<long>(extents.items[k]);
      }
    }
  }
  // WM_NAME where there is no _NET_WM_NAME (xterm and other programs that
  // set only the old name), in one more batch.
  std::vector<std::size_t> unnamed;
  std::vector<xcb_get_property_cookie_t> names;
  for (std::size_t i = 0; i < windows.size(); ++i) {
    if (!out[i].exists || !out[i].caption.empty()) continue;
    unnamed.push_back(i);
    names.push_back(Ask(c, windows[i], XA_WM_NAME, AnyPropertyType));
  }
  for (std::size_t k = 0; k < unnamed.size(); ++k) out[unnamed[k]].caption = LegacyName(display_, TakeProperty(c, names[k]));
  return out;
}

std::vector<unsigned long> WindowReader::Cardinals(Window window, Atom property, Atom type) {
  xcb_connection_t* c = XGetXCBConnection(display_);
  Property p = TakeProperty(c, Ask(c, window, property, type));
  return p.format == 32 ? p.items : std::vector<unsigned long>{};
}

DesktopFacts WindowReader::ReadDesktop() {
  DesktopFacts desktop;
  std::vector<unsigned long> area = Cardinals(root_, atoms_.netWorkarea, XA_CARDINAL);
  if (area.size() >= 2) {
    desktop.workX = static_cast<long>(area[0]);
    desktop.workY = static_cast<long>(area[1]);
  }
  std::vector<Window> stack = Stack();
  std::vector<WindowFacts> facts = Read(stack);
  for (std::size_t i = 0; i < stack.size(); ++i) {
    const WindowFacts& f = facts[i];
    if (f.HasType(atoms_.netWmWindowTypeDesktop) || f.HasType(atoms_.netWmWindowTypeDock)) continue;
    if (f.pid == ownPid_) continue;
    if (desktop.index.count(stack[i])) continue;  // listed twice
    desktop.index.emplace(stack[i], desktop.clients.size());
    desktop.clients.push_back(stack[i]);
    desktop.facts.push_back(std::move(facts[i]));
  }
  return desktop;
}

FramedRect OuterRect(const WindowFacts& f, long workX, long workY) {
  long left = 0, right = 0, top = 0, bottom = 0;
  if (f.hasFrameExtents) {
    left = f.frameExtents[0];
    right = f.frameExtents[1];
    top = f.frameExtents[2];
    bottom = f.frameExtents[3];
  }
  return {f.x - left - workX, f.y - top - workY, f.x + f.width + right - workX, f.y + f.height + bottom - workY};
}

}  // namespace rt::x11
