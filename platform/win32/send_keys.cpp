// Typing on Windows: SendInput on the keyboard layout of the target's thread
// (the foreground window's), which the typer asks what its keys type, and
// the target's own input state, read through its input queue, to see how far
// it has read.
#include <vector>

#include "platform/key_typer.h"
#include "platform/win32/system.h"

namespace rt::win32 {

namespace {

// ToUnicodeEx flag: leave the keyboard state (a pending dead key) as it is.
constexpr UINT kKeepKeyboardState = 0x4;

class Win32Keyboard : public KeyboardTarget {
 public:
  Win32Keyboard() {
    target_ = GetForegroundWindow();
    thread_ = target_ ? GetWindowThreadProcessId(target_, nullptr) : 0;
    layout_ = GetKeyboardLayout(thread_);
    own_ = thread_ == 0 || thread_ == GetCurrentThreadId();
    // Our thread shares the target's input queue for the whole send, from
    // before its first event to after the target has read the last: the
    // queue's key state is then the one the target reads its keys with.
    // (Attaching while keys are on their way would disturb that state.)
    // Never attached to a thread that does not respond.
    if (!own_ && !IsHungWindow(target_)) attached_ = AttachThreadInput(GetCurrentThreadId(), thread_, TRUE) != 0;
  }

  ~Win32Keyboard() override {
    if (attached_) AttachThreadInput(GetCurrentThreadId(), thread_, FALSE);
  }
  Win32Keyboard(const Win32Keyboard&) = delete;
  Win32Keyboard& operator=(const Win32Keyboard&) = delete;

  KeyOutput Translate(std::uint16_t vk, bool shift) override {
    BYTE state[256] = {};
    if (shift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    UINT scan = MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_);
    wchar_t buffer[8] = {};
    int n = ToUnicodeEx(vk, scan, state, buffer, 8, kKeepKeyboardState, layout_);
    KeyOutput out;
    if (n < 0) {
      out.dead = true;
      out.text.assign(1, static_cast<char16_t>(buffer[0]));
      // Systems that ignore the flag keep the dead key pending: a second
      // press of it types it and ends the wait.
      for (int i = 0; i < 4 && n < 0; ++i) n = ToUnicodeEx(vk, scan, state, buffer, 8, kKeepKeyboardState, layout_);
      return out;
    }
    if (!shift && (MapVirtualKeyExW(vk, MAPVK_VK_TO_CHAR, layout_) & 0x80000000u)) out.dead = true;
    for (int i = 0; i < n && i < 8; ++i) out.text.push_back(static_cast<char16_t>(buffer[i]));
    return out;
  }

  std::uint16_t ScanCode(std::uint16_t vk) override {
    return static_cast<std::uint16_t>(MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_));
  }

  bool IsKeyDown(std::uint16_t vk) override { return GetAsyncKeyState(vk) < 0; }

  // Through the shared queue, this is the target's Caps Lock (our own
  // thread's state would not show a change made by another program).
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

  TargetKey ReadKey(std::uint16_t vk) override {
    // Our own queue is read only after the send, so it cannot be watched.
    if (own_) return TargetKey::Unobservable;
    if (!IsWindow(target_)) return TargetKey::Gone;
    if (!attached_) return IsHungWindow(target_) ? TargetKey::Busy : TargetKey::Unobservable;
    if (IsHungWindow(target_)) return TargetKey::Busy;
    return GetKeyState(vk) < 0 ? TargetKey::Down : TargetKey::Up;
  }

  std::uint64_t Milliseconds() override { return GetTickCount64(); }

  void Nap() override { ::Sleep(1); }

 private:
  HWND target_ = nullptr;
  DWORD thread_ = 0;
  HKL layout_ = nullptr;
  bool own_ = true;
  bool attached_ = false;
};

}  // namespace

void Win32System::SendKeys(ustring_view keys, bool wait) {
  Win32Keyboard keyboard;
  TypeKeys(keys, keyboard, wait);
}

}  // namespace rt::win32
