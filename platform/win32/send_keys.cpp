// Typing on Windows: SendInput on the keyboard layout of the target's thread
// (the foreground window's), which the typer asks what its keys type, and
// the target's own input state, read through its input queue, to see how far
// it has read.
#include "platform/win32/system.h"
// After windows.h.
#include <tlhelp32.h>

#include <algorithm>
#include <iterator>
#include <string>
#include <vector>

#include "platform/key_typer.h"
#include "platform/win32/system_clock.h"

namespace rt::win32 {

namespace {

// ToUnicodeEx flag: leave the keyboard state (a pending dead key) as it is.
constexpr UINT kKeepKeyboardState = 0x4;

// The classes of console windows: Windows' own, and Wine's.
constexpr const wchar_t* kConsoleClasses[] = {L"ConsoleWindowClass", L"WineConsoleClass"};

BOOL WINAPI IgnoreConsoleEvent(DWORD) { return TRUE; }

// The process that started another one, or 0.
DWORD ParentProcess(DWORD process) {
  HANDLE snapshot = CreateToolhelp32Snapshot(TH32CS_SNAPPROCESS, 0);
  if (snapshot == INVALID_HANDLE_VALUE) return 0;
  PROCESSENTRY32W entry{};
  entry.dwSize = sizeof(entry);
  DWORD parent = 0;
  for (BOOL more = Process32FirstW(snapshot, &entry); more; more = Process32NextW(snapshot, &entry)) {
    if (entry.th32ProcessID == process) parent = entry.th32ParentProcessID;
  }
  CloseHandle(snapshot);
  return parent;
}

// This program attached, for a moment, to the console that a console window
// shows, with its input open. A console's window belongs to one of its
// programs (Windows) or to the console host that the program started
// (Wine). Console events (Ctrl+C, the console closing) are ignored
// meanwhile: they are meant for the console's programs.
class ConsoleAttachment {
 public:
  explicit ConsoleAttachment(HWND window) {
    SetConsoleCtrlHandler(IgnoreConsoleEvent, TRUE);
    // A console the program was given by the one that started it (Wine
    // gives one to a program started from a console; this program writes
    // nothing to it) is let go, since a program has one console at most.
    FreeConsole();
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    for (DWORD candidate : {process, ParentProcess(process)}) {
      if (candidate == 0 || !AttachConsole(candidate)) continue;
      if (GetConsoleWindow() == window) {
        attached_ = true;
        input_ = CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                             OPEN_EXISTING, 0, nullptr);
        return;
      }
      FreeConsole();
    }
  }
  ~ConsoleAttachment() {
    if (input_ != INVALID_HANDLE_VALUE) CloseHandle(input_);
    if (attached_) FreeConsole();
    SetConsoleCtrlHandler(IgnoreConsoleEvent, FALSE);
  }
  ConsoleAttachment(const ConsoleAttachment&) = delete;
  ConsoleAttachment& operator=(const ConsoleAttachment&) = delete;

  bool Attached() const { return attached_ && input_ != INVALID_HANDLE_VALUE; }
  HANDLE Input() const { return input_; }

 private:
  bool attached_ = false;
  HANDLE input_ = INVALID_HANDLE_VALUE;
};

class Win32Keyboard : public KeyboardTarget {
 public:
  Win32Keyboard() {
    target_ = GetForegroundWindow();
    thread_ = target_ ? GetWindowThreadProcessId(target_, nullptr) : 0;
    layout_ = GetKeyboardLayout(thread_);
    own_ = thread_ == 0 || thread_ == GetCurrentThreadId();
    console_ = !own_ && IsConsoleWindow();
    // Our thread shares the target's input queue for the whole send, from
    // before its first event to after the target has read the last: the
    // queue's key state is then the one the target reads its keys with.
    // (Attaching while keys are on their way would disturb that state.)
    // Never attached to a thread that does not respond.
    if (!own_ && !IsHungWindow(target_)) {
      DropOwnKeyInput();
      linked_ = attached_ = AttachThreadInput(GetCurrentThreadId(), thread_, TRUE) != 0;
    }
  }

  ~Win32Keyboard() override {
    if (linked_) AttachThreadInput(GetCurrentThreadId(), thread_, FALSE);
  }
  Win32Keyboard(const Win32Keyboard&) = delete;
  Win32Keyboard& operator=(const Win32Keyboard&) = delete;

  KeyOutput Translate(std::uint16_t vk, bool shift) override {
    BYTE state[256] = {};
    if (shift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    return TranslateIn(vk, state);
  }

  // AltGr as the system takes it: Ctrl and Alt both down. Wine answers
  // nothing for it, as its injected Ctrl+Alt types nothing.
  KeyOutput TranslateAltGr(std::uint16_t vk, bool shift) override {
    BYTE state[256] = {};
    if (shift) state[VK_SHIFT] = state[VK_LSHIFT] = 0x80;
    state[VK_CONTROL] = state[VK_LCONTROL] = state[VK_MENU] = state[VK_RMENU] = 0x80;
    return TranslateIn(vk, state);
  }

  bool IsConsole() override { return console_; }

  bool CanWrite(char16_t ch, std::uint16_t& vk) override {
    if (!console_) return false;
    SHORT key = VkKeyScanExW(static_cast<wchar_t>(ch), layout_);
    if (key == -1) return false;
    vk = static_cast<std::uint16_t>(key & 0xFF);
    return true;
  }

  std::uint16_t ScanCode(std::uint16_t vk) override {
    return static_cast<std::uint16_t>(MapVirtualKeyExW(vk, MAPVK_VK_TO_VSC, layout_));
  }

  bool IsKeyDown(std::uint16_t vk) override { return GetAsyncKeyState(vk) < 0; }

  // Through the shared queue, this is the target's Caps Lock (our own
  // thread's state would not show a change made by another program).
  bool CapsLockOn() override { return (GetKeyState(VK_CAPITAL) & 1) != 0; }

  // Attaching resets the shared key state (Wine clears it, Caps Lock
  // included, until the state next changes).
  bool CapsLockKnown() override { return !attached_; }

  std::size_t Inject(const std::vector<InputEvent>& events) override {
    if (std::any_of(events.begin(), events.end(), [](const InputEvent& e) {
          return !e.unicode && !e.direct && !e.up && e.vk == VK_CAPITAL;
        })) {
      RefreshFocusKeyState();
    }
    std::vector<INPUT> inputs;
    std::size_t done = 0;
    auto flush = [&] {
      UINT sent = inputs.empty() ? 0 : SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
      bool all = sent == inputs.size();
      done += sent;
      inputs.clear();
      return all;
    };
    for (std::size_t i = 0; i < events.size(); ++i) {
      const InputEvent& e = events[i];
      if (e.direct) {
        std::size_t end = i;
        while (end < events.size() && events[end].direct) ++end;
        if (!flush() || !WriteToConsole(events, i, end)) return done;
        done += end - i;
        i = end - 1;
        continue;
      }
      INPUT in{};
      in.type = INPUT_KEYBOARD;
      in.ki.wVk = e.unicode ? 0 : e.vk;
      in.ki.wScan = e.code;
      in.ki.dwFlags = (e.unicode ? KEYEVENTF_UNICODE : 0) | (e.up ? KEYEVENTF_KEYUP : 0) | (e.extended ? KEYEVENTF_EXTENDEDKEY : 0);
      inputs.push_back(in);
    }
    flush();
    return done;
  }

  TargetKey ReadKey(std::uint16_t vk) override {
    // Our own queue is read only after the send, so it cannot be watched.
    if (own_) return TargetKey::Unobservable;
    if (!IsWindow(target_)) return TargetKey::Gone;
    if (!attached_) return IsHungWindow(target_) ? TargetKey::Busy : TargetKey::Unobservable;
    if (IsHungWindow(target_)) return TargetKey::Busy;
    return GetKeyState(vk) < 0 ? TargetKey::Down : TargetKey::Up;
  }

  Clock& Time() override { return SystemClock(); }

  KeyFocus Focus() override {
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    if (foreground) GetWindowThreadProcessId(foreground, &process);
    return {reinterpret_cast<WindowHandle>(foreground), process};
  }

  bool WindowExists(WindowHandle window) override { return IsWindow(reinterpret_cast<HWND>(window)) != 0; }

 private:
  KeyOutput TranslateIn(std::uint16_t vk, BYTE* state) {
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
    bool plain = !(state[VK_SHIFT] & 0x80) && !(state[VK_CONTROL] & 0x80);
    if (plain && (MapVirtualKeyExW(vk, MAPVK_VK_TO_CHAR, layout_) & 0x80000000u)) out.dead = true;
    for (int i = 0; i < n && i < 8; ++i) out.text.push_back(static_cast<char16_t>(buffer[i]));
    return out;
  }

  // Under Wine a thread's key state copies the desktop's changes only when
  // the thread reads its state or has read all its key input (and not
  // while a thread sharing its input holds key input unread): a thread in
  // the background misses them meanwhile. If such a thread, having missed
  // a switch of Caps Lock, reads the next switch's press and release
  // together, it ends with the lock the other way round from the
  // desktop's, for good: its catching up finds the desktop as it last
  // copied it, and the press switches its stale view. So before a Caps
  // Lock press the key state of the thread that will read it is read once,
  // which brings it up to date: through the attachment for the target,
  // through a moment's attachment for another program's window (the focus
  // left mid-send and the lock is being switched back). Windows keeps each
  // thread's state current and loses nothing by the read.
  void RefreshFocusKeyState() {
    HWND foreground = GetForegroundWindow();
    DWORD process = 0;
    const DWORD thread = foreground ? GetWindowThreadProcessId(foreground, &process) : 0;
    const DWORD ours = GetCurrentThreadId();
    if (thread == 0 || thread == ours) return;
    if (thread == thread_) {
      if (attached_) GetKeyState(VK_CAPITAL);
      return;
    }
    DWORD targetProcess = 0;
    GetWindowThreadProcessId(target_, &targetProcess);
    if (process == targetProcess || IsHungWindow(foreground)) return;
    if (!AttachThreadInput(ours, thread, TRUE)) return;
    GetKeyState(VK_CAPITAL);
    AttachThreadInput(ours, thread, FALSE);
    // Under Wine that took this thread off the target's input: what it
    // reads from now on is not the target's.
    attached_ = false;
  }

  // Key input that this thread has not read (its own windows' keys, such
  // as the unassigned key of an activation a moment ago) would, under
  // Wine, keep the shared key state from taking any change for the whole
  // send. It is taken off the queue unread; nothing else is dispatched.
  static void DropOwnKeyInput() {
    MSG message;
    while (PeekMessageW(&message, nullptr, WM_KEYFIRST, WM_KEYLAST, PM_REMOVE | PM_QS_INPUT)) {
    }
  }

  // A console: a console window, or a thread that shows no focus window of
  // its own (its window belongs to the system's console host).
  bool IsConsoleWindow() {
    wchar_t cls[64] = {};
    int n = GetClassNameW(target_, cls, static_cast<int>(std::size(cls)));
    std::wstring name(cls, cls + (n > 0 ? n : 0));
    for (const wchar_t* console : kConsoleClasses) {
      if (name == console) return true;
    }
    GUITHREADINFO info{};
    info.cbSize = sizeof(info);
    return GetGUIThreadInfo(thread_, &info) && info.hwndFocus == nullptr;
  }

  // Writes the characters events[begin, end) into the input of the console
  // that the target window shows, each as a press and release of its key:
  // the console's own input, where a key the system cannot inject (Wine's
  // console reads AltGr from no injected chord) still arrives as typed.
  bool WriteToConsole(const std::vector<InputEvent>& events, std::size_t begin, std::size_t end) {
    ConsoleAttachment console(target_);
    if (!console.Attached()) return false;
    std::vector<INPUT_RECORD> records;
    for (std::size_t i = begin; i < end; ++i) {
      for (bool down : {true, false}) {
        INPUT_RECORD r{};
        r.EventType = KEY_EVENT;
        r.Event.KeyEvent.bKeyDown = down;
        r.Event.KeyEvent.wRepeatCount = 1;
        r.Event.KeyEvent.wVirtualKeyCode = events[i].vk;
        r.Event.KeyEvent.wVirtualScanCode = ScanCode(events[i].vk);
        r.Event.KeyEvent.uChar.UnicodeChar = static_cast<wchar_t>(events[i].code);
        records.push_back(r);
      }
    }
    DWORD written = 0;
    return WriteConsoleInputW(console.Input(), records.data(), static_cast<DWORD>(records.size()), &written) &&
           written == records.size();
  }

  HWND target_ = nullptr;
  DWORD thread_ = 0;
  HKL layout_ = nullptr;
  bool own_ = true;
  bool console_ = false;
  bool attached_ = false;  // our thread reads the target's input state
  bool linked_ = false;    // the attachment made, undone at the end
};

}  // namespace

void Win32System::SendKeys(ustring_view keys, bool wait) {
  Win32Keyboard keyboard;
  TypeKeys(keys, keyboard, wait);
}

}  // namespace rt::win32
