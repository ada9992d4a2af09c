// The order of the desktop's clients: the server's stacking of their
// frames, read in batches (one a level of the window tree).
#include <X11/Xatom.h>
#include <X11/Xlib-xcb.h>

#include <algorithm>
#include <unordered_map>
#include <unordered_set>

#include "platform/x11/x11_window_facts.h"
#include "platform/x11/xcb_replies.h"

namespace rt::x11 {

namespace {

using xcb::Ask;
using xcb::Take;
using xcb::TakeProperty;

// How deep below a window manager's frame the client may lie.
constexpr int kFrameDepth = 4;

}  // namespace

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

}  // namespace rt::x11
