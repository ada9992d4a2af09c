#include "platform/activation.h"

#include "platform/errors.h"

namespace rt {

namespace {

// A bound on the windows a walk over one level visits, and on the length of
// an owner chain: far more than a desktop holds (Windows has room for 65,536
// window handles in all), so that a desktop that changes under the walk, or
// owners that name each other in a circle (X11 allows it), cannot keep it
// going for ever.
constexpr int kMaxSteps = 65536;

}  // namespace

std::vector<TopWindow> VisibleTopWindows(WindowQueries& windows) {
  std::vector<TopWindow> out;
  int steps = 0;
  for (WindowHandle w = windows.FirstChild(windows.Desktop()); w != 0 && steps < kMaxSteps;
       w = windows.NextSibling(w), ++steps) {
    if (!windows.Visible(w)) continue;
    ustring title = windows.Caption(w);
    if (!title.empty()) out.push_back({w, std::move(title)});
  }
  return out;
}

WindowHandle RootOwner(WindowQueries& windows, WindowHandle window) {
  for (int steps = 0; steps < kMaxSteps; ++steps) {
    WindowHandle owner = windows.Owner(window);
    if (owner == 0) break;
    window = owner;
  }
  return window;
}

WindowHandle FindWindowByCaption(ustring_view caption, WindowActivation& system) {
  std::vector<TopWindow> windows = VisibleTopWindows(system);
  for (const auto& w : windows) {
    if (system.EqualIgnoringCase(w.title, caption)) return w.handle;
  }
  if (caption.empty()) return 0;
  for (const auto& w : windows) {
    if (w.title.size() >= caption.size() && system.EqualIgnoringCase(ustring_view(w.title).substr(0, caption.size()), caption)) {
      return w.handle;
    }
  }
  return 0;
}

bool InFront(WindowActivation& system, WindowHandle window) {
  WindowHandle foreground = system.Foreground();
  return foreground != 0 && RootOwner(system, foreground) == RootOwner(system, window);
}

namespace {

// The modal dialog a disabled window waits on: its last active popup, when
// that is another window that is shown and takes input.
WindowHandle ModalPopup(WindowActivation& system, WindowHandle window) {
  WindowHandle popup = system.LastActivePopup(window);
  if (popup != 0 && popup != window && system.Visible(popup) && system.Enabled(popup)) return popup;
  return 0;
}

}  // namespace

void ActivateWindow(ustring_view caption, WindowActivation& system) {
  WindowHandle target = FindWindowByCaption(caption, system);
  if (target == 0) throw RuntimeError(ErrorCode::NotFound, "no window has that caption");

  if (!system.Enabled(target)) {
    if (WindowHandle popup = ModalPopup(system, target)) target = popup;
  }
  if (system.IsHung(target)) throw RuntimeError(ErrorCode::NotFound, "the window does not respond");
  if (system.IsMinimized(target)) system.Restore(target);

  system.SetForeground(target);
  if (WaitUntil(system.Time(), [&] { return InFront(system, target) && !system.IsMinimized(target); }, system.SettleMs())) return;
  throw RuntimeError(ErrorCode::NotFound, "the window could not be brought to the foreground");
}

bool AppInFront(ustring_view caption, WindowActivation& system) {
  WindowHandle target = FindWindowByCaption(caption, system);
  return target != 0 && InFront(system, target);
}

}  // namespace rt
