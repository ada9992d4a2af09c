#include "platform/win32/backend.h"

#include <algorithm>
#include <memory>
#include <vector>

#include "platform/win32/form_window.h"
#include "platform/win32/peers.h"
#include "platform/win32/window_class.h"

namespace rt::win32 {

Win32Backend::Win32Backend(HINSTANCE instance) : instance_(instance) {}

Win32Backend::~Win32Backend() {
  if (applicationWindow_) DestroyWindow(applicationWindow_);
}

HWND Win32Backend::ApplicationWindow() {
  if (!applicationWindow_) applicationWindow_ = CreateApplicationWindow(instance_);
  return applicationWindow_;
}

bool Win32Backend::Realise(Form& form) {
  auto window = std::make_unique<FormWindow>(*this, form);
  FormWindow& owner = *window;
  form.AttachPeer(std::move(window));
  if (!owner.Hwnd()) return false;
  // Child windows are made in tab order, which is also the order the dialog
  // navigation follows; timers and lines, which have none, come last.
  std::vector<Control*> ordered = form.Controls();
  std::stable_sort(ordered.begin(), ordered.end(), [](Control* a, Control* b) {
    bool aChild = a->Kind() != ControlKind::Timer && a->Kind() != ControlKind::Line;
    bool bChild = b->Kind() != ControlKind::Timer && b->Kind() != ControlKind::Line;
    if (aChild != bChild) return aChild;
    return a->TabIndex() < b->TabIndex();
  });
  const Control* previous = nullptr;
  for (Control* c : ordered) {
    auto peer = MakePeer(owner, *c, previous);
    // The system refused a window: the form cannot be shown.
    if (!peer) return false;
    c->AttachPeer(std::move(peer));
    previous = c;
  }
  owner.ApplyFonts();
  return true;
}

void Win32Backend::AllUnloaded() { PostQuitMessage(0); }

}  // namespace rt::win32
