// Typing on Windows: SendInput on the keyboard layout of the foreground
// window's thread, paced by the target's own message processing.
#include <vector>

#include "platform/key_typer.h"
#include "platform/win32/system.h"

namespace rt::win32 {

namespace {

class Win32Keyboard : public KeyboardTarget {
 public:
  Win32Keyboard() {
    HWND foreground = GetForegroundWindow();
    DWORD thread = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0;
    layout_ = GetKeyboardLayout(thread);
  }

  bool KeyForChar(char16_t ch, std::uint16_t& vk, int& modifiers) override {
    SHORT scan = VkKeyScanExW(static_cast<wchar_t>(ch), layout_);
    if (scan == -1) return false;
    int state = (scan >> 8) & 0xFF;
    // Hankaku and the layout's own shift keys cannot be pressed from here.
    if (state & ~7) return false;
    vk = static_cast<std::uint16_t>(scan & 0xFF);
    modifiers = state;
    return true;
  }

  std::uint16_t ScanCode(std::uint16_t vk) override {
    return static_cast<std::uint16_t>(MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_));
  }

  bool IsKeyDown(std::uint16_t vk) override { return GetAsyncKeyState(vk) < 0; }

  bool CapsLockOn() override { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

  std::size_t Inject(const std::vector<InputEvent>& events) override {
    std::vector<INPUT> inputs(events.size());
    for (std::size_t i = 0; i < events.size(); ++i) {
      const InputEvent& e = events[i];
      INPUT& in = inputs[i];
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = e.unicode ? 0 : e.vk;
      in.ki.wScan = e.code;
      in.ki.dwFlags = (e.unicode ? KEYEVENTF_UNICODE : 0) | (e.up ? KEYEVENTF_KEYUP : 0) | (e.extended ? KEYEVENTF_EXTENDEDKEY : 0);
    }
    return SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
  }

  bool WaitForTarget() override {
    HWND foreground = GetForegroundWindow();
    if (!foreground) return true;
    DWORD process = 0;
    GetWindowThreadProcessId(foreground, &process);
    if (process == GetCurrentProcessId()) return true;  // our own queue drains when the send is over
    // A round trip proves the target's thread is pumping messages; waiting
    // for it to be idle means the keys in its queue have been taken in. Both
    // are bounded, so a hung target cannot hang the sender.
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(foreground, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 5000, &result)) return false;
    HANDLE handle = OpenProcess(SYNCHRONIZE | PROCESS_QUERY_INFORMATION, FALSE, process);
    if (handle) {
      WaitForInputIdle(handle, 2000);
      CloseHandle(handle);
    }
    return true;
  }

 private:
  HKL layout_ = nullptr;
};

}  // namespace

void Win32System::SendKeys(ustring_view keys, bool wait) {
  Win32Keyboard keyboard;
  TypeKeys(keys, keyboard, wait);
}

}  // namespace rt::win32
