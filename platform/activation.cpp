#include "platform/activation.h"

#include "platform/errors.h"

namespace rt {

WindowHandle FindWindowByCaption(ustring_view caption, WindowSystem& system) {
  std::vector<WindowSystem::TopWindow> windows = system.VisibleTopWindows();
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

namespace {

// Detaches on every path once attached.
class InputAttachment {
 public:
  InputAttachment(WindowSystem& system, WindowHandle foreground)
      : system_(system), foreground_(foreground), attached_(system.AttachToForeground(foreground, true)) {}
  ~InputAttachment() {
    if (attached_) system_.AttachToForeground(foreground_, false);
  }
  InputAttachment(const InputAttachment&) = delete;
  InputAttachment& operator=(const InputAttachment&) = delete;

 private:
  WindowSystem& system_;
  WindowHandle foreground_;
  bool attached_;
};

constexpr int kSettleMs = 400;

}  // namespace

void ActivateWindow(ustring_view caption, WindowSystem& system) {
  WindowHandle target = FindWindowByCaption(caption, system);
  if (target == 0) throw RuntimeError(ErrorCode::NotFound, "no window has that caption");

  if (!system.IsEnabled(target)) {
    if (WindowHandle popup = system.ActivePopup(target)) target = popup;
  }
  if (system.IsHung(target)) throw RuntimeError(ErrorCode::NotFound, "the window does not respond");
  if (system.IsMinimized(target)) system.Restore(target);

  WindowHandle root = system.RootOwner(target);
  auto done = [&] {
    WindowHandle fg = system.Foreground();
    return fg != 0 && system.RootOwner(fg) == root && !system.IsMinimized(target);
  };

  system.SetForeground(target);
  if (system.WaitUntil(done, kSettleMs)) return;

  WindowHandle foreground = system.Foreground();
  if (foreground != 0 && !system.IsHung(foreground)) {
    {
      InputAttachment attachment(system, foreground);
      system.BringToTop(target);
      system.SetForeground(target);
    }
    if (system.WaitUntil(done, kSettleMs)) return;
  }

  system.InjectNeutralInput();
  system.SetForeground(target);
  if (system.WaitUntil(done, kSettleMs)) return;

  throw RuntimeError(ErrorCode::NotFound, "the window could not be brought to the foreground");
}

}  // namespace rt
