#include "program_driver.h"

#include <algorithm>

#include "platform/resource_ids.h"

namespace strumlet::wine {

std::wstring TextOf(HWND window) {
  DWORD_PTR length = 0;
  if (!SendMessageTimeoutW(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 5000, &length)) return L"<no answer>";
  std::wstring text(length + 1, L'\0');
  DWORD_PTR copied = 0;
  SendMessageTimeoutW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()), SMTO_ABORTIFHUNG, 5000, &copied);
  text.resize(copied);
  return text;
}

namespace {

struct Search {
  DWORD pid;
  std::wstring cls;
  std::wstring caption;
  std::vector<HWND> found;
};

BOOL CALLBACK Collect(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  DWORD pid = 0;
  GetWindowThreadProcessId(window, &pid);
  if (pid != search->pid) return TRUE;
  if (!search->cls.empty()) {
    wchar_t cls[256] = {};
    GetClassNameW(window, cls, 255);
    if (search->cls != cls) return TRUE;
  }
  if (!search->caption.empty() && TextOf(window) != search->caption) return TRUE;
  search->found.push_back(window);
  return TRUE;
}

}  // namespace

std::vector<HWND> TopWindows(DWORD processId, const std::wstring& cls, const std::wstring& caption) {
  Search search{processId, cls, caption, {}};
  EnumWindows(Collect, reinterpret_cast<LPARAM>(&search));
  return search.found;
}

std::wstring TestFolder() {
  wchar_t path[MAX_PATH] = {};
  GetModuleFileNameW(nullptr, path, MAX_PATH);
  std::wstring folder(path);
  return folder.substr(0, folder.find_last_of(L"\\/"));
}

namespace {

// Every process a test starts is put in this job, which ends them all when
// the test process ends, however it ends.
HANDLE TestJob() {
  static HANDLE job = [] {
    HANDLE j = CreateJobObjectW(nullptr, nullptr);
    JOBOBJECT_EXTENDED_LIMIT_INFORMATION limits{};
    limits.BasicLimitInformation.LimitFlags = JOB_OBJECT_LIMIT_KILL_ON_JOB_CLOSE;
    if (j) SetInformationJobObject(j, JobObjectExtendedLimitInformation, &limits, sizeof(limits));
    return j;
  }();
  return job;
}

}  // namespace

Program::Program(const std::wstring& arguments) {
  std::wstring exe = TestFolder() + L"\\" STRUMLET_EXE_W;
  std::wstring commandLine = L"\"" + exe + L"\"";
  if (!arguments.empty()) commandLine += L" " + arguments;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(exe.c_str(), commandLine.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_)) {
    info_ = {};
    return;
  }
  if (HANDLE job = TestJob()) AssignProcessToJobObject(job, info_.hProcess);
}

Program::~Program() {
  if (info_.hProcess) {
    if (Running()) {
      TerminateProcess(info_.hProcess, 99);
      WaitForSingleObject(info_.hProcess, 10000);
    }
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

bool Program::Running() const { return info_.hProcess && WaitForSingleObject(info_.hProcess, 0) == WAIT_TIMEOUT; }

HWND Program::MainWindow(std::chrono::milliseconds limit) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND w : TopWindows(Pid(), STRUMLET_FORM_CLASS)) {
          std::wstring caption = TextOf(w);
          // "Strumlet", or "<count> Strumlet" once the countdown runs.
          if (caption == L"Strumlet" || (caption.size() > 9 && caption.substr(caption.size() - 9) == L" Strumlet")) {
            if (IsWindowVisible(w)) found = w;
          }
        }
        return found != nullptr;
      },
      limit);
  return found;
}

HWND Program::WaitWindow(const std::wstring& caption, std::chrono::milliseconds limit) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND w : TopWindows(Pid(), L"", caption)) {
          if (IsWindowVisible(w)) found = w;
        }
        return found != nullptr;
      },
      limit);
  return found;
}

HWND Program::WaitMessageBox(std::chrono::milliseconds limit) {
  HWND found = nullptr;
  WaitFor(
      [&] {
        for (HWND w : TopWindows(Pid(), L"#32770")) {
          if (IsWindowVisible(w)) found = w;
        }
        return found != nullptr;
      },
      limit);
  return found;
}

std::wstring Program::MessageBoxText(HWND box) {
  // The prompt is the box's static control with the id 0xFFFF.
  return TextOf(GetDlgItem(box, 0xFFFF));
}

void Program::PressOk(HWND box) { PostMessageW(box, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0); }

bool Program::IsChecked(HWND form, int id) const {
  DWORD_PTR state = 0;
  SendMessageTimeoutW(Control(form, id), BM_GETCHECK, 0, 0, SMTO_ABORTIFHUNG, 5000, &state);
  return state == BST_CHECKED;
}

int Program::Close(HWND main) {
  PostMessageW(main, WM_CLOSE, 0, 0);
  return WaitExit();
}

void Click(HWND button) { PostMessageW(button, BM_CLICK, 0, 0); }

void ClickInto(HWND control) {
  RECT r{};
  GetWindowRect(control, &r);
  SetCursorPos((r.left + r.right) / 2, (r.top + r.bottom) / 2);
  INPUT in[2] = {};
  in[0].type = in[1].type = INPUT_MOUSE;
  in[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
  in[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
  SendInput(2, in, sizeof(INPUT));
}

void Keys(const std::vector<WORD>& down, WORD key) {
  std::vector<INPUT> inputs;
  auto add = [&](WORD vk, bool up) {
    INPUT in{};
    in.type = INPUT_KEYBOARD;
    in.ki.wVk = vk;
    in.ki.dwFlags = up ? KEYEVENTF_KEYUP : 0;
    inputs.push_back(in);
  };
  for (WORD m : down) add(m, false);
  add(key, false);
  add(key, true);
  for (auto it = std::rbegin(down); it != std::rend(down); ++it) add(*it, true);
  SendInput(static_cast<UINT>(inputs.size()), inputs.data(), sizeof(INPUT));
}

bool Foreground(HWND window, std::chrono::milliseconds limit) {
  // A request can be lost when the window manager is busy with an earlier
  // one, so it is made again every few seconds until the window has come.
  using Clock = std::chrono::steady_clock;
  auto asked = Clock::now() - 1h;
  return WaitFor([&] {
    if (GetForegroundWindow() == window) return true;
    if (Clock::now() - asked >= 3s) {
      SetForegroundWindow(window);
      asked = Clock::now();
    }
    return false;
  }, limit);
}

bool SettledForeground(HWND window, std::chrono::milliseconds limit) {
  using Clock = std::chrono::steady_clock;
  const auto deadline = Clock::now() + limit;
  while (Clock::now() < deadline) {
    if (!Foreground(window, std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()))) return false;
    // The window counts as settled once it has kept the foreground for a
    // second; a late answer from the window manager takes it within that.
    const auto held_from = Clock::now();
    bool kept = true;
    while (Clock::now() - held_from < 1s) {
      if (GetForegroundWindow() != window) {
        kept = false;
        break;
      }
      Sleep(20);
    }
    if (kept) return true;
  }
  return false;
}

int Program::WaitExit(std::chrono::milliseconds limit) {
  if (!info_.hProcess) return -1;
  if (WaitForSingleObject(info_.hProcess, static_cast<DWORD>(limit.count())) != WAIT_OBJECT_0) return -1;
  DWORD code = 0;
  GetExitCodeProcess(info_.hProcess, &code);
  return static_cast<int>(code);
}

}  // namespace strumlet::wine

namespace strumlet::wine {

Notepad::Notepad() {
  wchar_t commandLine[] = L"notepad.exe";
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  if (!CreateProcessW(nullptr, commandLine, nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup, &info_)) {
    info_ = {};
    return;
  }
  if (HANDLE job = TestJob()) AssignProcessToJobObject(job, info_.hProcess);
  WaitFor([&] {
    for (HWND w : TopWindows(info_.dwProcessId, L"", L"Untitled - Notepad")) {
      if (IsWindowVisible(w)) window_ = w;
    }
    return window_ != nullptr;
  });
  if (window_) edit_ = FindWindowExW(window_, nullptr, L"Edit", nullptr);
}

Notepad::~Notepad() {
  if (info_.hProcess) {
    // It holds unsaved text: ended, not closed (closing would ask to save).
    TerminateProcess(info_.hProcess, 0);
    WaitForSingleObject(info_.hProcess, 10000);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

bool Notepad::WaitText(const std::wstring& expected, std::chrono::milliseconds limit) const {
  return WaitFor([&] { return Text() == expected; }, limit);
}

}  // namespace strumlet::wine

namespace strumlet::wine {

Console::Console(const std::wstring& title) : title_(title) {
  std::wstring commandLine = L"cmd.exe /k title " + title;
  STARTUPINFOW startup{};
  startup.cb = sizeof(startup);
  std::wstring folder = TestFolder();
  if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, FALSE, CREATE_NEW_CONSOLE, nullptr, folder.c_str(),
                      &startup, &info_)) {
    info_ = {};
    return;
  }
  if (HANDLE job = TestJob()) AssignProcessToJobObject(job, info_.hProcess);
}

Console::~Console() {
  if (info_.hProcess) {
    TerminateProcess(info_.hProcess, 0);
    WaitForSingleObject(info_.hProcess, 10000);
    CloseHandle(info_.hProcess);
    CloseHandle(info_.hThread);
  }
}

HWND Console::Window(std::chrono::milliseconds limit) {
  HWND window = nullptr;
  if (info_.hProcess) WaitFor([&] { return (window = FindWindowW(nullptr, title_.c_str())) != nullptr; }, limit);
  return window;
}

std::string FileContent(const std::wstring& path) {
  HANDLE file = CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                            OPEN_EXISTING, 0, nullptr);
  if (file == INVALID_HANDLE_VALUE) return "";
  std::string content(4096, '\0');
  DWORD read = 0;
  if (!ReadFile(file, content.data(), static_cast<DWORD>(content.size()), &read, nullptr)) read = 0;
  CloseHandle(file);
  content.resize(read);
  return content;
}

std::wstring WhatAKeyTypes(Notepad& notepad, std::chrono::milliseconds limit) {
  std::wstring before = notepad.Text();
  if (!Foreground(notepad.Window(), limit)) return L"";
  Keys({}, 'A');
  std::wstring typed;
  WaitFor([&] {
    std::wstring now = notepad.Text();
    if (now.size() <= before.size()) return false;
    typed = now.substr(before.size());
    return true;
  }, limit);
  return typed;
}

namespace {

// Takes back what a probe typed, so that Notepad holds what it held before.
void TakeBack(Notepad& notepad, const std::wstring& typed) {
  const std::size_t keep = notepad.Text().size() - std::min(typed.size(), notepad.Text().size());
  for (std::size_t i = 0; i < typed.size(); ++i) Keys({}, VK_BACK);
  WaitFor([&] { return notepad.Text().size() <= keep; }, 10s);
}

// What a plain A types, noted in the history with the foreground window.
std::wstring Probe(Notepad& notepad, std::chrono::milliseconds limit, std::wstring& history) {
  std::wstring typed = WhatAKeyTypes(notepad, limit);
  // The first probes say it all; a long history is cut.
  if (history.size() < 1000) {
    history += L"[" + (typed.empty() ? L"nothing" : typed) + L" in " + TextOf(GetForegroundWindow()) + L"]";
  } else if (history.back() != L'.') {
    history += L"...";
  }
  return typed;
}

}  // namespace

bool TypesCapitals(Notepad& notepad, std::chrono::milliseconds limit, std::wstring& history,
                   const std::function<void()>& afterSmall) {
  return WaitFor([&] {
    const std::wstring typed = Probe(notepad, 10s, history);
    if (typed == L"A") return true;
    TakeBack(notepad, typed);
    if (typed == L"a" && afterSmall) afterSmall();
    return false;
  }, limit);
}

CapsLockOn::CapsLockOn(Notepad& notepad) : notepad_(notepad) {
  using Clock = std::chrono::steady_clock;
  // Caps Lock must be off to begin with: found on, it was left on by an
  // earlier program, and the test fails on that rather than hiding it.
  const std::wstring first = Probe(notepad, 30s, history_);
  TakeBack(notepad, first);
  if (first != L"a") return;
  Keys({}, VK_CAPITAL);
  auto toggled = Clock::now();
  // Should the probes keep typing "a" long after the toggle, it was lost,
  // and it is pressed again.
  on_ = TypesCapitals(notepad, 60s, history_, [&] {
    if (Clock::now() - toggled <= 5s) return;
    history_ += L"[Caps Lock pressed again]";
    Keys({}, VK_CAPITAL);
    toggled = Clock::now();
  });
}

CapsLockOn::~CapsLockOn() {
  // Probed as the set-up probes: a toggle that is late to arrive must not
  // leave Caps Lock on for the next test.
  std::wstring probes;
  if (TypesCapitals(notepad_, 10s, probes)) Keys({}, VK_CAPITAL);
}

}  // namespace strumlet::wine
