// The message loop: every form gets dialog navigation (Tab, arrow keys,
// access keys) and the forms' keyboard rules (platform/dialog_keys.h): key
// preview on release, the default and cancel buttons on press.
#include "platform/dialog_keys.h"
#include "platform/win32/backend.h"
#include "platform/win32/control_window.h"
#include "platform/win32/form_window.h"
#include "platform/win32/window_class.h"

namespace rt::win32 {

namespace {

// The modifier keys held now, as a shift mask.
int ShiftMask() {
  int mask = 0;
  for (int bit : kModifierBits) {
    if (GetKeyState(ModifierVirtualKey(bit)) < 0) mask |= bit;
  }
  return mask;
}

FormWindow* LiveFormOf(HWND window) {
  HWND root = window ? GetAncestor(window, GA_ROOT) : nullptr;
  FormWindow* form = root ? FormOf(root) : nullptr;
  return form && !form->Dead() ? form : nullptr;
}

}  // namespace

void Win32Backend::Run(App& app) {
  MSG msg;
  while (app.AnyLoaded()) {
    BOOL got = GetMessageW(&msg, nullptr, 0, 0);
    if (got == 0 || got == -1) break;
    FormWindow* form = LiveFormOf(msg.hwnd);
    bool navigation = form != nullptr;
    bool used = false;
    if (form && (msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP)) {
      // The form sees the released key first; the focused control still gets
      // it as usual.
      DialogKeys::KeyReleased(app, form->Model(), static_cast<int>(msg.wParam), ShiftMask());
    } else if (form && (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN)) {
      ControlWindow* focused = form->FindByHwnd(GetFocus());
      KeyDownAnswer answer =
          DialogKeys::KeyPressed(form->Model(), static_cast<int>(msg.wParam), ShiftMask(), focused ? &focused->Model() : nullptr);
      used = answer.click != nullptr;
      navigation = answer.toNavigation;
    }
    // A handler may have unloaded the form: its window only waits to be
    // destroyed.
    if (form && form->Dead()) navigation = false;
    if (!used && !(navigation && IsDialogMessageW(form->Hwnd(), &msg))) {
      TranslateMessage(&msg);
      DispatchMessageW(&msg);
    }
    app.Idle();
  }
  app.Idle();
}

}  // namespace rt::win32
