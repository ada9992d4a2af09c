// The desktop's windows on a wlroots-family compositor, from its toplevel
// list (zwlr_foreign_toplevel_manager_v1), in the program's terms.
//
// - The tree: the desktop (a handle of its own) and below it every
//   application window the compositor lists, but the program's own (app id
//   "strumlet"); toplevels have no children. The compositor tells no
//   stacking order: the window activated most recently comes first, and a
//   new window counts as activated when it appeared.
// - Caption: the title; class: the app id; owner: the parent toplevel (a
//   dialog's main window); visible: listed and not closed, minimised or
//   not; enabled: always (no modal state is told); placement: unknown, an
//   empty rectangle.
// - Foreground: the activated toplevel. Activation asks the compositor and
//   counts once it reports the window activated.
// Handles are never reused: a closed window's handle names nothing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/activation.h"
#include "platform/key_typer.h"
#include "platform/wayland/wl_connection.h"

struct zwlr_foreign_toplevel_manager_v1;
struct zwlr_foreign_toplevel_handle_v1;

namespace rt::wayland {

// The app id of the program's own windows.
inline constexpr const char* kOwnAppId = "strumlet";

class WaylandWindows : public WindowActivation {
 public:
  // Binds the toplevel list on the connection, if the compositor has one.
  explicit WaylandWindows(Connection& connection);
  ~WaylandWindows() override;
  WaylandWindows(const WaylandWindows&) = delete;
  WaylandWindows& operator=(const WaylandWindows&) = delete;

  bool Available() const { return manager_ != nullptr; }

  WindowHandle Desktop() override { return kDesktop; }
  WindowHandle FirstChild(WindowHandle window) override;
  WindowHandle NextSibling(WindowHandle window) override;
  WindowHandle Owner(WindowHandle window) override;
  ustring Caption(WindowHandle window) override;
  ustring ClassName(WindowHandle window) override;
  bool Visible(WindowHandle window) override;
  bool Enabled(WindowHandle window) override { return Exists(window); }
  bool Exists(WindowHandle window) override;
  PlacementRect Placement(WindowHandle) override { return {}; }

  bool EqualIgnoringCase(ustring_view a, ustring_view b) override;
  WindowHandle LastActivePopup(WindowHandle window) override { return window; }
  bool IsMinimized(WindowHandle window) override;
  void Restore(WindowHandle window) override;
  // No compositor tells whether another client reads its input.
  bool IsHung(WindowHandle) override { return false; }
  WindowHandle Foreground() override;
  bool SetForeground(WindowHandle window) override;
  // The compositor acts on the request when it next runs, and the client
  // then redraws: seconds on a loaded machine.
  std::uint64_t SettleMs() override { return 3000; }
  void BringToTop(WindowHandle) override {}
  Clock& Time() override { return connection_.Time(); }

  // Where keys go now: the activated window, and as its program the root of
  // its chain of parents (a dialog belongs with its main window).
  KeyFocus Focus();

  // Reads what the compositor has sent meanwhile, without waiting.
  void Update();

  struct Toplevel {
    WindowHandle id = 0;
    zwlr_foreign_toplevel_handle_v1* handle = nullptr;
    std::string title, appId;
    bool minimized = false, activated = false, closed = false;
    WindowHandle parent = 0;
    std::uint64_t activatedAt = 0;  // order of activation, new windows included
    // What has come since the last done event.
    std::string pendingTitle, pendingAppId;
    bool pendingMinimized = false, pendingActivated = false, pendingState = false;
    WindowHandle pendingParent = 0;
    bool pendingParentSet = false;
    WaylandWindows* owner = nullptr;
  };

 private:
  static constexpr WindowHandle kDesktop = 1;
  Toplevel* Find(WindowHandle window);
  friend struct ToplevelEvents;

  Connection& connection_;
  zwlr_foreign_toplevel_manager_v1* manager_ = nullptr;
  std::map<WindowHandle, std::unique_ptr<Toplevel>> toplevels_;
  WindowHandle nextId_ = 2;
  std::uint64_t clock_ = 0;
  std::vector<WindowHandle> snapshot_;
};

}  // namespace rt::wayland
