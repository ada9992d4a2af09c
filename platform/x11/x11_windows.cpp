// The window queries on X11.
#include "platform/x11/x11_windows.h"

#include <X11/Xatom.h>

#include "platform/posix/posix_clock.h"

namespace rt::x11 {

namespace {

constexpr long kWmStateNormal = 1;
constexpr long kWmStateIconic = 3;
// How long the reading of a walk that was left half way keeps answering.
// A walk that runs to its end stops using it at once; this bounds how old
// an answer can be when a walk did not.
constexpr std::uint64_t kWalkLifeMs = 2000;

Window W(WindowHandle handle) { return static_cast<Window>(handle); }
WindowHandle H(Window window) { return static_cast<WindowHandle>(window); }

}  // namespace

X11Windows::X11Windows(Display* display, long ownPid)
    : display_(display), ownPid_(ownPid), root_(DefaultRootWindow(display)), reader_(display, ownPid) {}

Clock& X11Windows::Time() { return posix::MonotonicClock(); }

const DesktopFacts* X11Windows::Walking() {
  if (walk_ && Time().NowMs() - walkTaken_ > kWalkLifeMs) walk_.reset();
  return walk_ ? &*walk_ : nullptr;
}

const WindowFacts& X11Windows::Facts(Window window) {
  if (const DesktopFacts* desktop = Walking()) {
    if (const WindowFacts* f = desktop->Find(window)) return *f;
  }
  fresh_ = window == 0 ? WindowFacts{} : reader_.Read({window}).front();
  return fresh_;
}

bool X11Windows::VisibleFacts(const WindowFacts& f) const {
  if (!f.exists) return false;
  if (f.wmState >= 0) return f.wmState == kWmStateNormal || f.wmState == kWmStateIconic;
  // No window manager has taken it on: shown is mapped.
  return f.viewable;
}

std::unordered_map<Window, Window> X11Windows::ModalPopups(const DesktopFacts& desktop) const {
  std::unordered_map<Window, Window> popups;
  for (std::size_t i = 0; i < desktop.clients.size(); ++i) {
    const WindowFacts& f = desktop.facts[i];
    Window owner = f.transientFor == root_ ? 0 : f.transientFor;
    if (owner == 0 || owner == desktop.clients[i] || !VisibleFacts(f)) continue;
    // Topmost first: the first one found for an owner stays.
    if (f.HasState(reader_.Names().netWmStateModal)) popups.emplace(owner, desktop.clients[i]);
  }
  return popups;
}

bool X11Windows::HasWindowManager() {
  std::vector<unsigned long> check = reader_.Cardinals(root_, reader_.Names().netSupportingWmCheck, XA_WINDOW);
  return !check.empty() && check[0] != 0 && Exists(H(static_cast<Window>(check[0])));
}

WindowHandle X11Windows::Desktop() { return H(root_); }

WindowHandle X11Windows::FirstChild(WindowHandle window) {
  if (W(window) != root_) return 0;
  walk_ = reader_.ReadDesktop();
  walkModal_ = ModalPopups(*walk_);
  walkTaken_ = Time().NowMs();
  if (walk_->clients.empty()) {
    walk_.reset();
    return 0;
  }
  return H(walk_->clients.front());
}

WindowHandle X11Windows::NextSibling(WindowHandle window) {
  const DesktopFacts* desktop = Walking();
  if (!desktop) return 0;
  auto it = desktop->index.find(W(window));
  if (it == desktop->index.end() || it->second + 1 == desktop->clients.size()) {
    // Past the last client: the walk is over.
    walk_.reset();
    return 0;
  }
  return H(desktop->clients[it->second + 1]);
}

WindowHandle X11Windows::Owner(WindowHandle window) {
  if (window == 0 || W(window) == root_) return 0;
  Window owner = Facts(W(window)).transientFor;
  return owner == root_ ? 0 : H(owner);
}

ustring X11Windows::Caption(WindowHandle window) { return Facts(W(window)).caption; }

ustring X11Windows::ClassName(WindowHandle window) { return Facts(W(window)).className; }

bool X11Windows::Visible(WindowHandle window) {
  if (window == 0) return false;
  if (W(window) == root_) return true;
  return VisibleFacts(Facts(W(window)));
}

WindowHandle X11Windows::LastActivePopup(WindowHandle window) {
  std::unordered_map<Window, Window> popups = ModalPopups(reader_.ReadDesktop());
  auto it = popups.find(W(window));
  return it == popups.end() ? window : H(it->second);
}

bool X11Windows::Enabled(WindowHandle window) {
  if (const DesktopFacts* desktop = Walking()) {
    if (const WindowFacts* f = desktop->Find(W(window))) return f->exists && walkModal_.count(W(window)) == 0;
  }
  if (!Exists(window)) return false;
  return LastActivePopup(window) == window;
}

bool X11Windows::Exists(WindowHandle window) {
  if (window == 0) return false;
  return Facts(W(window)).exists;
}

PlacementRect X11Windows::Placement(WindowHandle window) {
  const DesktopFacts* desktop = Walking();
  long workX = 0, workY = 0;
  if (desktop && desktop->Find(W(window))) {
    workX = desktop->workX;
    workY = desktop->workY;
  } else {
    // Measured from the work area's corner.
    std::vector<unsigned long> area = reader_.Cardinals(root_, reader_.Names().netWorkarea, XA_CARDINAL);
    if (area.size() >= 2) {
      workX = static_cast<long>(area[0]);
      workY = static_cast<long>(area[1]);
    }
  }
  const WindowFacts& f = Facts(W(window));
  if (!f.exists) return {};
  // The frame the window manager draws around it counts, as on Windows.
  FramedRect r = OuterRect(f, workX, workY);
  return {static_cast<std::int32_t>(r.left), static_cast<std::int32_t>(r.top), static_cast<std::int32_t>(r.right),
          static_cast<std::int32_t>(r.bottom)};
}

}  // namespace rt::x11
