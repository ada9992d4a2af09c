#include "platform/wayland/wl_windows.h"

#include <locale.h>
#include <wayland-client.h>
#include <wctype.h>

#include <algorithm>

#include "wlr-foreign-toplevel-management-unstable-v1-client-protocol.h"

namespace rt::wayland {

struct ToplevelEvents {
  static WaylandWindows::Toplevel* T(void* data) { return static_cast<WaylandWindows::Toplevel*>(data); }

  static void Title(void* data, zwlr_foreign_toplevel_handle_v1*, const char* title) { T(data)->pendingTitle = title; }
  static void AppId(void* data, zwlr_foreign_toplevel_handle_v1*, const char* id) { T(data)->pendingAppId = id; }
  static void OutputEnter(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void OutputLeave(void*, zwlr_foreign_toplevel_handle_v1*, wl_output*) {}
  static void State(void* data, zwlr_foreign_toplevel_handle_v1*, wl_array* states) {
    auto* t = T(data);
    t->pendingMinimized = t->pendingActivated = false;
    t->pendingState = true;
    const auto* values = static_cast<const std::uint32_t*>(states->data);
    for (std::size_t i = 0; i < states->size / sizeof(std::uint32_t); ++i) {
      if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_MINIMIZED) t->pendingMinimized = true;
      if (values[i] == ZWLR_FOREIGN_TOPLEVEL_HANDLE_V1_STATE_ACTIVATED) t->pendingActivated = true;
    }
  }
  static void Done(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto* t = T(data);
    t->title = t->pendingTitle;
    t->appId = t->pendingAppId;
    if (t->pendingParentSet) t->parent = t->pendingParent;
    if (t->pendingState) {
      if (t->pendingActivated && !t->activated) t->activatedAt = ++t->owner->clock_;
      t->activated = t->pendingActivated;
      t->minimized = t->pendingMinimized;
    }
  }
  static void Closed(void* data, zwlr_foreign_toplevel_handle_v1*) {
    auto* t = T(data);
    t->closed = true;
    t->activated = false;
    zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
    t->handle = nullptr;
  }
  static void Parent(void* data, zwlr_foreign_toplevel_handle_v1*, zwlr_foreign_toplevel_handle_v1* parent) {
    auto* t = T(data);
    t->pendingParentSet = true;
    t->pendingParent = 0;
    if (parent) {
      auto* p = static_cast<WaylandWindows::Toplevel*>(zwlr_foreign_toplevel_handle_v1_get_user_data(parent));
      if (p) t->pendingParent = p->id;
    }
  }
  static constexpr zwlr_foreign_toplevel_handle_v1_listener kHandle = {Title, AppId, OutputEnter, OutputLeave,
                                                                       State, Done,  Closed,      Parent};

  static void Created(void* data, zwlr_foreign_toplevel_manager_v1*, zwlr_foreign_toplevel_handle_v1* handle) {
    auto* self = static_cast<WaylandWindows*>(data);
    auto t = std::make_unique<WaylandWindows::Toplevel>();
    t->id = self->nextId_++;
    t->handle = handle;
    t->owner = self;
    t->activatedAt = ++self->clock_;
    zwlr_foreign_toplevel_handle_v1_add_listener(handle, &kHandle, t.get());
    self->toplevels_[t->id] = std::move(t);
  }
  static void Finished(void* data, zwlr_foreign_toplevel_manager_v1* manager) {
    auto* self = static_cast<WaylandWindows*>(data);
    zwlr_foreign_toplevel_manager_v1_destroy(manager);
    self->manager_ = nullptr;
  }
  static constexpr zwlr_foreign_toplevel_manager_v1_listener kManager = {Created, Finished};
};

WaylandWindows::WaylandWindows(Connection& connection) : connection_(connection) {
  manager_ = static_cast<zwlr_foreign_toplevel_manager_v1*>(
      connection_.Bind(&zwlr_foreign_toplevel_manager_v1_interface, 3));
  if (!manager_) return;
  zwlr_foreign_toplevel_manager_v1_add_listener(manager_, &ToplevelEvents::kManager, this);
  // The windows that exist come at once, each with its properties.
  connection_.Roundtrip();
  connection_.Roundtrip();
}

WaylandWindows::~WaylandWindows() {
  for (auto& [id, t] : toplevels_) {
    if (t->handle) zwlr_foreign_toplevel_handle_v1_destroy(t->handle);
  }
  if (manager_) zwlr_foreign_toplevel_manager_v1_stop(manager_);
  connection_.Flush();
}

void WaylandWindows::Update() { connection_.Dispatch(0); }

WaylandWindows::Toplevel* WaylandWindows::Find(WindowHandle window) {
  auto it = toplevels_.find(window);
  return it == toplevels_.end() ? nullptr : it->second.get();
}

WindowHandle WaylandWindows::FirstChild(WindowHandle window) {
  if (window != kDesktop) return 0;
  // What the compositor has said up to now.
  connection_.Roundtrip();
  std::vector<Toplevel*> listed;
  for (auto& [id, t] : toplevels_) {
    if (!t->closed && t->appId != kOwnAppId) listed.push_back(t.get());
  }
  std::stable_sort(listed.begin(), listed.end(),
                   [](const Toplevel* a, const Toplevel* b) { return a->activatedAt > b->activatedAt; });
  snapshot_.clear();
  for (Toplevel* t : listed) snapshot_.push_back(t->id);
  return snapshot_.empty() ? 0 : snapshot_.front();
}

WindowHandle WaylandWindows::NextSibling(WindowHandle window) {
  auto it = std::find(snapshot_.begin(), snapshot_.end(), window);
  if (it == snapshot_.end() || it + 1 == snapshot_.end()) return 0;
  return *(it + 1);
}

WindowHandle WaylandWindows::Owner(WindowHandle window) {
  Toplevel* t = Find(window);
  return t && !t->closed ? t->parent : 0;
}

ustring WaylandWindows::Caption(WindowHandle window) {
  Toplevel* t = Find(window);
  return t && !t->closed ? FromUtf8(t->title) : ustring();
}

ustring WaylandWindows::ClassName(WindowHandle window) {
  Toplevel* t = Find(window);
  return t && !t->closed ? FromUtf8(t->appId) : ustring();
}

bool WaylandWindows::Visible(WindowHandle window) { return window == kDesktop || Exists(window); }

bool WaylandWindows::Exists(WindowHandle window) {
  if (window == kDesktop) return true;
  Toplevel* t = Find(window);
  return t && !t->closed;
}

bool WaylandWindows::EqualIgnoringCase(ustring_view a, ustring_view b) {
  if (a.size() != b.size()) return false;
  // Unit by unit through the upper-case table of a UTF-8 locale, whatever
  // locale the program runs in.
  static locale_t utf8 = newlocale(LC_CTYPE_MASK, "C.UTF-8", static_cast<locale_t>(0));
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i] == b[i]) continue;
    wint_t x = a[i], y = b[i];
    x = utf8 ? towupper_l(x, utf8) : towupper(x);
    y = utf8 ? towupper_l(y, utf8) : towupper(y);
    if (x != y) return false;
  }
  return true;
}

bool WaylandWindows::IsMinimized(WindowHandle window) {
  Update();
  Toplevel* t = Find(window);
  return t && !t->closed && t->minimized;
}

void WaylandWindows::Restore(WindowHandle window) {
  Toplevel* t = Find(window);
  if (!t || t->closed) return;
  zwlr_foreign_toplevel_handle_v1_unset_minimized(t->handle);
  connection_.Flush();
  WaitUntil(Time(), [&] { return !IsMinimized(window); }, 1000);
}

WindowHandle WaylandWindows::Foreground() {
  Update();
  Toplevel* active = nullptr;
  for (auto& [id, t] : toplevels_) {
    if (t->activated && !t->closed && (!active || t->activatedAt > active->activatedAt)) active = t.get();
  }
  return active ? active->id : 0;
}

bool WaylandWindows::SetForeground(WindowHandle window) {
  Toplevel* t = Find(window);
  if (!t || t->closed || !connection_.Seat()) return false;
  zwlr_foreign_toplevel_handle_v1_activate(t->handle, connection_.Seat());
  return connection_.Flush();
}

KeyFocus WaylandWindows::Focus() {
  WindowHandle window = Foreground();
  if (!window) return {};
  WindowHandle root = RootOwner(*this, window);
  return {window, static_cast<std::uint64_t>(root)};
}

}  // namespace rt::wayland
