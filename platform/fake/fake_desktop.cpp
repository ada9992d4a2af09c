#include "platform/fake/fake_desktop.h"

#include <algorithm>
#include <stdexcept>

namespace rt::fake {

char16_t UpperCaseUnit(char16_t c) {
  auto minus = [c](int n) { return static_cast<char16_t>(c - n); };
  if (c >= u'a' && c <= u'z') return minus(0x20);
  if (c >= 0x00E0 && c <= 0x00FE && c != 0x00F7) return minus(0x20);
  if (c == 0x00FF) return 0x0178;
  // Latin Extended-A: pairs of capital and small letter, the capital first,
  // on even code points up to U+0137 and from U+014A to U+0177, on odd ones
  // from U+0139 to U+0148 and from U+0179 to U+017E.
  if ((c >= 0x0100 && c <= 0x012F) || (c >= 0x0132 && c <= 0x0137) || (c >= 0x014A && c <= 0x0177)) {
    return (c & 1) ? minus(1) : c;
  }
  if ((c >= 0x0139 && c <= 0x0148) || (c >= 0x0179 && c <= 0x017E)) return (c & 1) ? c : minus(1);
  if (c == 0x03AC) return 0x0386;
  if (c >= 0x03AD && c <= 0x03AF) return minus(0x25);
  if (c == 0x03C2) return 0x03A3;  // the final sigma
  if (c >= 0x03B1 && c <= 0x03CB) return minus(0x20);
  if (c == 0x03CC) return 0x038C;
  if (c == 0x03CD || c == 0x03CE) return minus(0x3F);
  if (c >= 0x0430 && c <= 0x044F) return minus(0x20);
  if (c >= 0x0450 && c <= 0x045F) return minus(0x50);
  return c;
}

bool EqualIgnoringCase(ustring_view a, ustring_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (UpperCaseUnit(a[i]) != UpperCaseUnit(b[i])) return false;
  }
  return true;
}

FakeDesktop::FakeDesktop(FakeClock* clock) : clock_(clock ? *clock : ownClock_) {
  Node& desktop = nodes_[kDesktop];
  desktop.window = FakeWindow{.caption = u"", .className = u"#32769", .placement = {}};
  clock_.Watch(*this);
}

FakeDesktop::~FakeDesktop() { clock_.Unwatch(*this); }

FakeDesktop::Node* FakeDesktop::Find(WindowHandle window) {
  auto it = nodes_.find(window);
  return it == nodes_.end() ? nullptr : &it->second;
}

const FakeDesktop::Node* FakeDesktop::Find(WindowHandle window) const {
  auto it = nodes_.find(window);
  return it == nodes_.end() ? nullptr : &it->second;
}

WindowHandle FakeDesktop::Insert(WindowHandle parent, FakeWindow window, std::size_t position) {
  Node* p = Find(parent);
  if (!p) throw std::invalid_argument("no such parent window");
  WindowHandle handle = next_++;
  auto& kids = p->children;
  kids.insert(kids.begin() + static_cast<std::ptrdiff_t>(std::min(position, kids.size())), handle);
  Node& node = nodes_[handle];
  node.window = std::move(window);
  node.parent = parent;
  if (parent != kDesktop) node.window.owner = 0;
  return handle;
}

WindowHandle FakeDesktop::AddWindow(FakeWindow window) {
  std::size_t position = nodes_[kDesktop].children.size();
  if (window.owner != 0) {
    const auto& top = nodes_[kDesktop].children;
    auto it = std::find(top.begin(), top.end(), window.owner);
    if (it == top.end()) throw std::invalid_argument("the owner is not a top-level window");
    position = static_cast<std::size_t>(it - top.begin());
  }
  return Insert(kDesktop, std::move(window), position);
}

WindowHandle FakeDesktop::AddChild(WindowHandle parent, FakeWindow window) {
  Node* p = Find(parent);
  return Insert(parent, std::move(window), p ? p->children.size() : 0);
}

WindowHandle FakeDesktop::OpenModalDialog(WindowHandle owner, ustring caption) {
  WindowHandle dialog = AddWindow(FakeWindow{.caption = std::move(caption), .className = u"#32770", .owner = owner});
  Window(owner).enabled = false;
  nodes_[owner].lastActivePopup = dialog;
  return dialog;
}

void FakeDesktop::CloseWindow(WindowHandle window) {
  if (window == kDesktop || !Find(window)) return;
  // Everything that goes with it: its subtree, and what it owns (with theirs).
  std::vector<WindowHandle> doomed = {window};
  for (std::size_t i = 0; i < doomed.size(); ++i) {
    for (WindowHandle child : nodes_[doomed[i]].children) doomed.push_back(child);
    for (auto& [handle, node] : nodes_) {
      if (node.parent == kDesktop && node.window.owner == doomed[i] &&
          std::find(doomed.begin(), doomed.end(), handle) == doomed.end()) {
        doomed.push_back(handle);
      }
    }
  }
  for (WindowHandle gone : doomed) {
    std::erase(nodes_[nodes_[gone].parent].children, gone);
  }
  for (WindowHandle gone : doomed) nodes_.erase(gone);
  if (!Find(foreground_)) foreground_ = 0;
  if (!Find(coming_)) coming_ = 0;
}

FakeWindow& FakeDesktop::Window(WindowHandle window) {
  Node* n = Find(window);
  if (!n) throw std::invalid_argument("no such window");
  return n->window;
}

std::vector<WindowHandle> FakeDesktop::TopLevelWindows() const { return Find(kDesktop)->children; }

void FakeDesktop::UserActivates(WindowHandle window) {
  if (!Find(window)) return;
  foreground_ = window;
  coming_ = 0;
  lastInputOurs_ = false;
  Raise(window);
}

WindowHandle FakeDesktop::FirstChild(WindowHandle window) {
  Node* n = Find(window);
  return n && !n->children.empty() ? n->children.front() : 0;
}

WindowHandle FakeDesktop::NextSibling(WindowHandle window) {
  Node* n = Find(window);
  if (!n || window == kDesktop) return 0;
  const auto& kids = nodes_[n->parent].children;
  auto it = std::find(kids.begin(), kids.end(), window);
  return it == kids.end() || it + 1 == kids.end() ? 0 : *(it + 1);
}

WindowHandle FakeDesktop::Owner(WindowHandle window) {
  Node* n = Find(window);
  if (!n || window == kDesktop) return 0;
  if (n->parent == kDesktop) return n->window.owner;
  return n->window.childStyle ? n->parent : 0;
}

ustring FakeDesktop::Caption(WindowHandle window) {
  Node* n = Find(window);
  return n ? n->window.caption : ustring();
}

ustring FakeDesktop::ClassName(WindowHandle window) {
  Node* n = Find(window);
  return n ? n->window.className : ustring();
}

bool FakeDesktop::Visible(WindowHandle window) {
  // Shown, and so is everything it lies inside; minimised windows count.
  for (;;) {
    Node* n = Find(window);
    if (!n || !n->window.visible) return false;
    if (window == kDesktop) return true;
    window = n->parent;
  }
}

bool FakeDesktop::Enabled(WindowHandle window) {
  Node* n = Find(window);
  return n && n->window.enabled;
}

bool FakeDesktop::Exists(WindowHandle window) { return Find(window) != nullptr; }

PlacementRect FakeDesktop::Placement(WindowHandle window) {
  Node* n = Find(window);
  return n ? n->window.placement : PlacementRect{};
}

WindowHandle FakeDesktop::LastActivePopup(WindowHandle window) {
  Node* n = Find(window);
  if (!n) return 0;
  return Find(n->lastActivePopup) ? n->lastActivePopup : window;
}

bool FakeDesktop::IsMinimized(WindowHandle window) {
  Node* n = Find(window);
  return n && n->window.minimized;
}

void FakeDesktop::Restore(WindowHandle window) {
  log.push_back("restore");
  if (Node* n = Find(window)) n->window.minimized = false;
}

bool FakeDesktop::IsHung(WindowHandle window) {
  Node* n = Find(window);
  return n && n->window.hung;
}

WindowHandle FakeDesktop::TopLevelOf(WindowHandle window) {
  while (Node* n = Find(window)) {
    if (n->parent == kDesktop || n->parent == 0) break;
    window = n->parent;
  }
  return window;
}

void FakeDesktop::Raise(WindowHandle window) {
  WindowHandle root = RootOwner(*this, TopLevelOf(window));
  auto& top = nodes_[kDesktop].children;
  std::stable_partition(top.begin(), top.end(), [&](WindowHandle w) { return RootOwner(*this, w) == root; });
}

bool FakeDesktop::SetForeground(WindowHandle window) {
  return GoRoundForegroundLock(*this, *this, window) || claimsSuccess;
}

void FakeDesktop::RequestForeground(WindowHandle window) {
  std::string way = attached > 0 ? kAttach : lastInputOurs_ ? kInput : kPlain;
  log.push_back("set:" + way);
  Node* n = Find(window);
  if (!n || window == kDesktop || !grants.count(way)) return;
  coming_ = 0;
  if (foregroundDelayMs > 0) {
    coming_ = window;
    comesAt_ = clock_.NowMs() + foregroundDelayMs;
    return;
  }
  ComeToFront(window);
}

void FakeDesktop::Passed(std::uint64_t now) {
  if (coming_ == 0 || now < comesAt_) return;
  WindowHandle window = coming_;
  coming_ = 0;
  ComeToFront(window);
}

void FakeDesktop::ComeToFront(WindowHandle window) {
  foreground_ = TopLevelOf(window);
  Raise(window);
  // An owned window that comes to the front is its root owner's last active
  // popup from now on.
  WindowHandle root = RootOwner(*this, foreground_);
  if (root != foreground_) nodes_[root].lastActivePopup = foreground_;
}

void FakeDesktop::BringToTop(WindowHandle window) {
  if (Find(window)) Raise(window);
}

bool FakeDesktop::AttachToForeground(WindowHandle foreground, bool attach) {
  if (!Find(foreground)) return false;
  log.push_back(attach ? "attach" : "detach");
  attached += attach ? 1 : -1;
  return true;
}

void FakeDesktop::InjectNeutralInput() {
  log.push_back("input");
  lastInputOurs_ = true;
}

}  // namespace rt::fake
