#include "platform/win32/system.h"

#include <algorithm>
#include <string>
#include <vector>

#include "strumlet_version.h"
#include "platform/command_text.h"
#include "platform/errors.h"
#include "platform/win32/native_text.h"
#include "platform/win32/optional_functions.h"
#include "platform/win32/system_clock.h"

namespace rt::win32 {

namespace {

HWND H(WindowHandle window) { return reinterpret_cast<HWND>(window); }
WindowHandle W(HWND window) { return reinterpret_cast<WindowHandle>(window); }

BOOL CALLBACK CollectWindow(HWND window, LPARAM list) {
  reinterpret_cast<std::vector<WindowHandle>*>(list)->push_back(W(window));
  return TRUE;
}

}  // namespace

bool IsHungWindow(HWND window) {
  if (const auto isHung = optional::IsHungAppWindow()) return isHung(window) != 0;
  // The older way: a thread that takes over a second to answer is hung.
  DWORD_PTR result = 0;
  return SendMessageTimeoutW(window, WM_NULL, 0, 0, SMTO_ABORTIFHUNG, 1000, &result) == 0;
}

Win32System::Win32System() : windows_(MakeWin32Windows()) {
  // A message-only window owns what this program puts on the clipboard.
  clipboardOwner_ = CreateWindowExW(0, L"STATIC", L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr, GetModuleHandleW(nullptr), nullptr);
}

Win32System::~Win32System() {
  if (clipboardOwner_) DestroyWindow(clipboardOwner_);
}

void Win32System::MsgBox(ustring_view prompt, ustring_view title) {
  // Task-modal: every window of the program is disabled while the box is
  // open; its message loop still runs the program's timers.
  MessageBoxW(nullptr, Wide(prompt).c_str(), Wide(title).c_str(), MB_OK | MB_TASKMODAL | MB_SETFOREGROUND);
}

bool Win32System::SetClipboardText(ustring_view text) {
  // Another program may hold the clipboard open for a moment: retry briefly.
  if (!WaitUntil(SystemClock(), [&] { return OpenClipboard(clipboardOwner_) != 0; }, 500, 25)) return false;
  bool ok = EmptyClipboard() != 0;
  if (ok) {
    std::size_t bytes = (text.size() + 1) * sizeof(wchar_t);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, bytes);
    ok = memory != nullptr;
    if (ok) {
      auto* target = static_cast<wchar_t*>(GlobalLock(memory));
      ok = target != nullptr;
      if (ok) {
        for (std::size_t i = 0; i < text.size(); ++i) target[i] = static_cast<wchar_t>(text[i]);
        target[text.size()] = L'\0';
        GlobalUnlock(memory);
        ok = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
      }
      if (!ok) GlobalFree(memory);
    }
  }
  CloseClipboard();
  return ok;
}

Clock& Win32System::Time() { return SystemClock(); }

WindowHandle Win32WindowQueries::Desktop() { return W(::GetDesktopWindow()); }
// The desktop's children come from one listing (EnumWindows, one request to
// the system where GetWindow costs one for each window), which NextSibling
// then follows; other windows' children are asked one by one.
WindowHandle Win32WindowQueries::FirstChild(WindowHandle window) {
  if (H(window) != ::GetDesktopWindow()) return W(::GetWindow(H(window), GW_CHILD));
  topLevel_.clear();
  ::EnumWindows(CollectWindow, reinterpret_cast<LPARAM>(&topLevel_));
  cursor_ = 0;
  return topLevel_.empty() ? 0 : topLevel_.front();
}

WindowHandle Win32WindowQueries::NextSibling(WindowHandle window) {
  // A window that is gone has no sibling, as GetWindow answers.
  if (!::IsWindow(H(window))) return 0;
  if (cursor_ >= topLevel_.size() || topLevel_[cursor_] != window) {
    auto it = std::find(topLevel_.begin(), topLevel_.end(), window);
    if (it == topLevel_.end()) return W(::GetWindow(H(window), GW_HWNDNEXT));
    cursor_ = static_cast<std::size_t>(it - topLevel_.begin());
  }
  ++cursor_;
  return cursor_ < topLevel_.size() ? topLevel_[cursor_] : 0;
}
// GetParent: the parent of a child window, the owner of a popup-style one.
WindowHandle Win32WindowQueries::Owner(WindowHandle window) { return W(::GetParent(H(window))); }

// The whole caption. For another program's window the system reads the text
// it keeps itself, without sending that program a message (asking for the
// length first would send one: WM_GETTEXTLENGTH). A caption that fills the
// buffer is read again into a larger one.
ustring Win32WindowQueries::Caption(WindowHandle window) {
  wchar_t buffer[256];
  int n = ::GetWindowTextW(H(window), buffer, 256);
  if (n < 255) return ustring(buffer, buffer + (n > 0 ? n : 0));
  std::wstring large;
  for (std::size_t size = 1024; size <= (1u << 24); size *= 4) {
    large.assign(size, L'\0');
    n = ::GetWindowTextW(H(window), large.data(), static_cast<int>(size));
    if (n < 0) n = 0;
    if (static_cast<std::size_t>(n) < size - 1) break;
  }
  return ustring(large.begin(), large.begin() + n);
}

ustring Win32WindowQueries::ClassName(WindowHandle window) {
  // A class name has at most 256 characters.
  wchar_t buffer[258] = {};
  int n = ::GetClassNameW(H(window), buffer, 258);
  return ustring(buffer, buffer + (n > 0 ? n : 0));
}

bool Win32WindowQueries::Visible(WindowHandle window) { return ::IsWindowVisible(H(window)) != 0; }
bool Win32WindowQueries::Enabled(WindowHandle window) { return ::IsWindowEnabled(H(window)) != 0; }
bool Win32WindowQueries::Exists(WindowHandle window) { return ::IsWindow(H(window)) != 0; }

PlacementRect Win32WindowQueries::Placement(WindowHandle window) {
  WINDOWPLACEMENT placement{};
  placement.length = sizeof(placement);
  ::GetWindowPlacement(H(window), &placement);
  const RECT& r = placement.rcNormalPosition;
  return {r.left, r.top, r.right, r.bottom};
}

AppInfo CurrentAppInfo() {
  AppInfo info;
  std::wstring path(MAX_PATH, L'\0');
  for (;;) {
    DWORD n = GetModuleFileNameW(nullptr, path.data(), static_cast<DWORD>(path.size()));
    if (n < path.size()) {
      path.resize(n);
      break;
    }
    path.resize(path.size() * 2);
  }
  std::size_t slash = path.find_last_of(L"\\/");
  std::wstring folder = slash == std::wstring::npos ? std::wstring() : path.substr(0, slash);
  std::wstring file = slash == std::wstring::npos ? path : path.substr(slash + 1);
  std::size_t dot = file.find_last_of(L'.');
  if (dot != std::wstring::npos) file.resize(dot);
  info.folder.assign(folder.begin(), folder.end());
  info.exeName.assign(file.begin(), file.end());
  info.title = u"Strumlet";
  info.major = STRUMLET_VERSION_MAJOR;
  info.minor = STRUMLET_VERSION_MINOR;
  info.revision = STRUMLET_VERSION_REVISION;
  const wchar_t* commandLine = GetCommandLineW();
  std::wstring whole(commandLine ? commandLine : L"");
  info.command = ArgumentText(ustring(whole.begin(), whole.end()));
  return info;
}

}  // namespace rt::win32
