// Activating a window on Windows.
#include <algorithm>
#include <chrono>
#include <string>
#include <thread>

#include "platform/activation.h"
#include "platform/win32/system.h"

namespace rt::win32 {

namespace {

HWND H(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle W(HWND window) { return reinterpret_cast<WindowHandle>(window); }

using IsHungAppWindowFn = BOOL(WINAPI*)(HWND);

BOOL CALLBACK CollectTopWindow(HWND window, LPARAM param) {
  if (!::IsWindowVisible(window)) return TRUE;
  // The whole title, however long: a caption matches only in full.
  int length = ::GetWindowTextLengthW(window);
  if (length <= 0) return TRUE;
  std::wstring title(static_cast<std::size_t>(length) + 1, L'\0');
  int n = ::GetWindowTextW(window, title.data(), length + 1);
  if (n <= 0) return TRUE;
  reinterpret_cast<std::vector<WindowSystem::TopWindow>*>(param)->push_back(
      {W(window), ustring(title.begin(), title.begin() + std::min(n, length))});
  return TRUE;
}

class Win32Windows : public WindowSystem {
 public:
  std::vector<TopWindow> VisibleTopWindows() override {
    std::vector<TopWindow> windows;
    EnumWindows(CollectTopWindow, reinterpret_cast<LPARAM>(&windows));
    return windows;
  }

  bool EqualIgnoringCase(ustring_view a, ustring_view b) override {
    if (a.size() != b.size()) return false;
    if (a.empty()) return true;
    std::wstring wa(a.begin(), a.end()), wb(b.begin(), b.end());
    return CompareStringOrdinal(wa.data(), static_cast<int>(wa.size()), wb.data(), static_cast<int>(wb.size()), TRUE) == CSTR_EQUAL;
  }

  bool IsEnabled(WindowHandle window) override { return ::IsWindowEnabled(H(window)) != 0; }

  WindowHandle ActivePopup(WindowHandle window) override {
    HWND popup = GetLastActivePopup(H(window));
    if (popup && popup != H(window) && ::IsWindowVisible(popup) && ::IsWindowEnabled(popup)) return W(popup);
    return 0;
  }

  bool IsMinimized(WindowHandle window) override { return IsIconic(H(window)) != 0; }

  void Restore(WindowHandle window) override {
    // Asynchronous, so that a target that stops answering cannot block us.
    ShowWindowAsync(H(window), SW_RESTORE);
    WaitUntil([&] { return !IsIconic(H(window)); }, 1000);
  }

  bool IsHung(WindowHandle window) override {
    static const auto isHung = reinterpret_cast<IsHungAppWindowFn>(
        reinterpret_cast<void*>(GetProcAddress(GetModuleHandleW(L"user32.dll"), "IsHungAppWindow")));
    if (isHung) return isHung(H(window)) != 0;
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(H(window), WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) == 0;
  }

  WindowHandle Foreground() override { return W(GetForegroundWindow()); }

  WindowHandle RootOwner(WindowHandle window) override { return W(GetAncestor(H(window), GA_ROOTOWNER)); }

  bool SetForeground(WindowHandle window) override { return SetForegroundWindow(H(window)) != 0; }

  void BringToTop(WindowHandle window) override { BringWindowToTop(H(window)); }

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
    inputs[0].ki.wVk = 0xE8;
    inputs[1] = inputs[0];
    inputs[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, inputs, sizeof(INPUT));
  }

  bool WaitUntil(const std::function<bool()>& done, int milliseconds) override {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
      if (done()) return true;
      if (std::chrono::steady_clock::now() >= end) return false;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
};

}  // namespace

void Win32System::AppActivate(ustring_view caption) {
  Win32Windows windows;
  ActivateWindow(caption, windows);
}

}  // namespace rt::win32
