// Activating a window on Windows.
#include <algorithm>
#include <string>

#include "platform/activation.h"
#include "platform/foreground_lock.h"
#include "platform/key_typer.h"
#include "platform/win32/system.h"
#include "platform/win32/system_clock.h"

namespace rt::win32 {

namespace {

HWND H(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle W(HWND window) { return reinterpret_cast<WindowHandle>(window); }

class Win32Windows : public Win32WindowQueries, private ForegroundLock {
 public:
  bool EqualIgnoringCase(ustring_view a, ustring_view b) override {
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    std::wstring wa(a.begin(), a.end()), wb(b.begin(), b.end());
    return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
  }

  WindowHandle LastActivePopup(WindowHandle window) override { return W(GetLastActivePopup(H(window))); }

  bool IsMinimized(WindowHandle window) override { return IsIconic(H(window)) != 0; }

  void Restore(WindowHandle window) override {
    // Asynchronous, so that a target that stops answering cannot block us.
    ShowWindowAsync(H(window), SW_RESTORE);
    WaitUntil(Time(), [&] { return !IsIconic(H(window)); }, 1000);
  }

  bool IsHung(WindowHandle window) override {
    return IsHungWindow(H(window));
  }

  WindowHandle Foreground() override { return W(GetForegroundWindow()); }

  // Round the foreground lock: a background program's plain request is
  // usually refused.
  bool SetForeground(WindowHandle window) override { return GoRoundForegroundLock(*this, *this, window); }

  void BringToTop(WindowHandle window) override { BringWindowToTop(H(window)); }

  Clock& Time() override { return SystemClock(); }

 private:
  void RequestForeground(WindowHandle window) override { SetForegroundWindow(H(window)); }

  bool AttachToForeground(WindowHandle foreground, bool attach) override {
    DWORD theirs = GetWindowThreadProcessId(H(foreground), nullptr);
    DWORD ours = GetCurrentThreadId();
    if (theirs == 0 || theirs == ours) return false;
    return AttachThreadInput(ours, theirs, attach ? TRUE : FALSE) != 0;
  }

  void InjectNeutralInput() override {
    // An unassigned virtual key: no program acts on it, but it makes this
    // process the one that received the last input.
    INPUT inputs[2] = {};
    inputs[0].type = INPUT_KEYBOARD;
    inputs[0].ki.wVk = kVkMarker;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
  }
};

}  // namespace

std::unique_ptr<WindowActivation> MakeWin32Windows() { return std::make_unique<Win32Windows>(); }

void Win32System::AppActivate(ustring_view caption) { ActivateWindow(caption, *windows_); }
bool Win32System::AppInFront(ustring_view caption) { return rt::AppInFront(caption, *windows_); }

}  // namespace rt::win32
