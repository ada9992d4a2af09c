#include "platform/x11/x11_window_facts.h"

#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>
#include <X11/Xutil.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>
#include <memory>
#include <string>
#include <unordered_set>

namespace rt::x11 {

namespace {

// Properties are read up to this many 32-bit units (256 KiB): a caption is
// read whole, however long.
constexpr std::uint32_t kPropertyUnits = 1u << 16;
// How deep below a window manager's frame the client may lie.
constexpr int kFrameDepth = 4;
// Windows whose requests go out together before their answers are read: a
// bound on what the connection holds at once.
constexpr std::size_t kBatchWindows = 256;

template <typename T>
using Reply = std::unique_ptr<T, decltype(&std::free)>;

// A reply, or null when the request failed (its error is dropped).
template <typename T, typename Cookie, typename Fn>
Reply<T> Take(xcb_connection_t* c, Cookie cookie, Fn replyFn) {
  xcb_generic_error_t* error = nullptr;
  T* reply = replyFn(c, cookie, &error);
  std::free(error);
  return Reply<T>(reply, &std::free);
}

struct Property {
  Atom type = None;
  int format = 0;
  std::string bytes;  // format 8
  std::vector<unsigned long> items;  // format 32
};

Property TakeProperty(xcb_connection_t* c, xcb_get_property_cookie_t cookie) {
  Property p;
  auto reply = Take<xcb_get_property_reply_t>(c, cookie, xcb_get_property_reply);
  if (!reply || reply->type == XCB_NONE) return p;
  p.type = reply->type;
  p.format = reply->format;
  const auto* data = static_cast<const unsigned char*>(xcb_get_property_value(reply.get()));
  int length = xcb_get_property_value_length(reply.get());
  if (p.format == 8) {
    p.bytes.assign(reinterpret_cast<const char*>(data), static_cast<std::size_t>(length));
  } else if (p.format == 32) {
    const auto* values = reinterpret_cast<const std::uint32_t*>(data);
    p.items.assign(values, values + length / 4);
  }
  return p;
}

xcb_get_property_cookie_t Ask(xcb_connection_t* c, Window window, Atom property, Atom type) {
  return xcb_get_property(c, 0, static_cast<xcb_window_t>(window), static_cast<xcb_atom_t>(property),
                          static_cast<xcb_atom_t>(type), 0, kPropertyUnits);
}

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

std::vector<Window> WindowReader::StackFromTree() {
  xcb_connection_t* c = XGetXCBConnection(display_);
  // The tree below the root's children, a level at a time (each level one
  // batch): which windows have WM_STATE, and the children of those that do
  // not, as deep as a client may lie inside its frame.
  std::unordered_map<Window, std::vector<Window>> children;  // bottom to top
  std::unordered_map<Window, bool> hasState;
  auto tree = [&](const std::vector<Window>& parents) {
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (Window w : parents) cookies.push_back(xcb_query_tree(c, static_cast<xcb_window_t>(w)));
    for (std::size_t i = 0; i < parents.size(); ++i) {
      auto reply = Take<xcb_query_tree_reply_t>(c, cookies[i], xcb_query_tree_reply);
      std::vector<Window>& list = children[parents[i]];
      if (!reply) continue;
      const xcb_window_t* kids = xcb_query_tree_children(reply.get());
      list.assign(kids, kids + xcb_query_tree_children_length(reply.get()));
    }
  };
  tree({root_});
  // The root's children that may be clients or frames, topmost first. Some
  // window managers make their frames override-redirect (icewm), like the
  // menus and tooltips that are no clients: such a child counts only
  // through a client inside it.
  std::vector<Window> top;
  std::unordered_set<Window> unmanaged;
  {
    const std::vector<Window>& all = children[root_];
    std::vector<xcb_get_window_attributes_cookie_t> cookies;
    for (Window w : all) cookies.push_back(xcb_get_window_attributes(c, static_cast<xcb_window_t>(w)));
    for (std::size_t i = 0; i < all.size(); ++i) {
      auto a = Take<xcb_get_window_attributes_reply_t>(c, cookies[i], xcb_get_window_attributes_reply);
      if (!a || a->_class == XCB_WINDOW_CLASS_INPUT_ONLY) continue;
      top.push_back(all[i]);
      if (a->override_redirect) unmanaged.insert(all[i]);
    }
    std::reverse(top.begin(), top.end());
  }
  std::vector<Window> level = top;
  for (int depth = 0; depth <= kFrameDepth && !level.empty(); ++depth) {
    std::vector<xcb_get_property_cookie_t> cookies;
    for (Window w : level) cookies.push_back(Ask(c, w, atoms_.wmState, atoms_.wmState));
    std::vector<Window> deeper;
    for (std::size_t i = 0; i < level.size(); ++i) {
      bool has = !TakeProperty(c, cookies[i]).items.empty();
      hasState[level[i]] = has;
      if (!has && depth < kFrameDepth) deeper.push_back(level[i]);
    }
    tree(deeper);
    level.clear();
    for (Window w : deeper) level.insert(level.end(), children[w].begin(), children[w].end());
  }
  // The client inside a frame: the frame itself when it has WM_STATE, else
  // the first such window below it, topmost children first.
  auto clientOf = [&](auto& self, Window frame, int depth) -> Window {
    if (hasState[frame]) return frame;
    if (depth == 0) return 0;
    const std::vector<Window>& kids = children[frame];
    for (std::size_t i = kids.size(); i-- > 0;) {
      if (Window found = self(self, kids[i], depth - 1)) return found;
    }
    return 0;
  };
  std::vector<Window> stack;
  for (Window w : top) {
    if (Window client = clientOf(clientOf, w, kFrameDepth)) {
      stack.push_back(client);
    } else if (!unmanaged.count(w)) {
      stack.push_back(w);
    }
  }
  return stack;
}

std::vector<Window> WindowReader::Stack() {
  // Which windows are clients: the window manager's list. Some window
  // managers leave the stacking order of that list behind the real one
  // (icewm, fluxbox) or write it only once windows have been restacked
  // (xfwm4): the order is the one the server keeps, that of the frames.
  std::vector<unsigned long> listed = Cardinals(root_, atoms_.netClientListStacking, XA_WINDOW);
  if (listed.empty()) listed = Cardinals(root_, atoms_.netClientList, XA_WINDOW);
  if (listed.empty()) return StackFromTree();
  return StackListed(std::vector<Window>(listed.begin(), listed.end()));
}

std::vector<Window> WindowReader::StackListed(const std::vector<Window>& listed) {
  xcb_connection_t* c = XGetXCBConnection(display_);
  // The root's children, bottom to top: the frames.
  std::unordered_map<Window, std::size_t> height;
  {
    auto reply = Take<xcb_query_tree_reply_t>(c, xcb_query_tree(c, static_cast<xcb_window_t>(root_)), xcb_query_tree_reply);
    if (reply) {
      const xcb_window_t* kids = xcb_query_tree_children(reply.get());
      for (int i = 0; i < xcb_query_tree_children_length(reply.get()); ++i) height[kids[i]] = static_cast<std::size_t>(i);
    }
  }
  // Each client's frame: its ancestor among the root's children, found by
  // climbing a level at a time for all clients at once (one batch a level).
  std::unordered_map<Window, std::size_t> placeOf;  // client -> its frame's height
  std::vector<std::pair<Window, Window>> climbing;   // client, the ancestor reached
  for (Window w : listed) {
    if (height.count(w)) {
      placeOf[w] = height[w];  // not reparented
    } else {
      climbing.emplace_back(w, w);
    }
  }
  for (int depth = 0; depth < kFrameDepth && !climbing.empty(); ++depth) {
    std::vector<xcb_query_tree_cookie_t> cookies;
    for (const auto& [client, at] : climbing) cookies.push_back(xcb_query_tree(c, static_cast<xcb_window_t>(at)));
    std::vector<std::pair<Window, Window>> still;
    for (std::size_t i = 0; i < climbing.size(); ++i) {
      auto reply = Take<xcb_query_tree_reply_t>(c, cookies[i], xcb_query_tree_reply);
      if (!reply || reply->parent == XCB_NONE || reply->parent == static_cast<xcb_window_t>(root_)) continue;
      auto it = height.find(reply->parent);
      if (it != height.end()) {
        placeOf[climbing[i].first] = it->second;
      } else {
        still.emplace_back(climbing[i].first, reply->parent);
      }
    }
    climbing = std::move(still);
  }
  // Topmost first; clients whose frames lie elsewhere (a window manager
  // with a virtual root of its own) after them, as the list stacks them.
  std::vector<Window> placed, elsewhere;
  std::unordered_set<Window> seen;
  for (auto it = listed.rbegin(); it != listed.rend(); ++it) {
    if (!seen.insert(*it).second) continue;
    (placeOf.count(*it) ? placed : elsewhere).push_back(*it);
  }
  std::stable_sort(placed.begin(), placed.end(), [&](Window a, Window b) { return placeOf[a] > placeOf[b]; });
  placed.insert(placed.end(), elsewhere.begin(), elsewhere.end());
  return placed;
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
