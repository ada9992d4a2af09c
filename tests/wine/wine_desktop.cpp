// The shared scenarios' driver under Wine: the real strumlet.exe, its
// windows and controls read by their ids from another process (WM_GETTEXT,
// BM_GETCHECK), clicks and keys as program_driver.h sends them, the
// clipboard through the Windows clipboard, and Notepad as the target.
#include <algorithm>
#include <cctype>
#include <cstdlib>

#include "../e2e/program_under_test.h"
#include "platform/text.h"
#include "program_driver.h"

namespace strumlet::e2e {

namespace {

std::wstring Wide(const std::string& utf8) {
  rt::ustring u = rt::FromUtf8(utf8);
  return std::wstring(u.begin(), u.end());
}

std::string Utf8(const std::wstring& wide) { return rt::ToUtf8(rt::ustring(wide.begin(), wide.end())); }

HWND Hwnd(WindowId window) { return reinterpret_cast<HWND>(static_cast<std::uintptr_t>(window)); }
WindowId Id(HWND window) { return static_cast<WindowId>(reinterpret_cast<std::uintptr_t>(window)); }

// The virtual key of a key named as X names it.
WORD VirtualKey(const std::string& name) {
  static const struct {
    const char* name;
    WORD key;
  } named[] = {{"Escape", VK_ESCAPE}, {"Return", VK_RETURN}, {"F1", VK_F1},     {"space", VK_SPACE},
               {"Down", VK_DOWN},     {"Up", VK_UP},         {"Home", VK_HOME}, {"Tab", VK_TAB},
               {"Shift", VK_SHIFT},   {"Control", VK_CONTROL}, {"Alt", VK_MENU}};
  for (const auto& n : named) {
    if (name == n.name) return n.key;
  }
  if (name.size() == 1 && std::isalnum(static_cast<unsigned char>(name[0]))) {
    return static_cast<WORD>(std::toupper(static_cast<unsigned char>(name[0])));
  }
  return 0;
}

// Sets the prefix's screen DPI for the programs started while it lives.
class ScreenDpi {
 public:
  explicit ScreenDpi(DWORD dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    DWORD size = sizeof(old_);
    had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS;
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
  }
  ~ScreenDpi() {
    if (had_) RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof(old_));
    else RegDeleteValueW(key_, L"LogPixels");
    RegCloseKey(key_);
  }
  ScreenDpi(const ScreenDpi&) = delete;
  ScreenDpi& operator=(const ScreenDpi&) = delete;

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 96;
  bool had_ = false;
};

class WineProgram : public ProgramUnderTest {
 public:
  WineProgram(const std::wstring& arguments, int dpi)
      : dpi_(dpi > 0 ? std::make_unique<ScreenDpi>(static_cast<DWORD>(dpi)) : nullptr), program_(arguments) {}

  bool Running() override { return program_.Running(); }
  int WaitExit(std::chrono::milliseconds limit) override { return program_.WaitExit(limit); }
  WindowId AwaitMain(std::chrono::milliseconds limit) override { return Id(program_.MainWindow(limit)); }
  WindowId AwaitWindow(const std::string& caption, std::chrono::milliseconds limit) override {
    return Id(program_.WaitWindow(Wide(caption), limit));
  }
  std::vector<WindowId> Windows(const std::string& caption) override {
    std::vector<WindowId> shown;
    for (HWND w : wine::TopWindows(program_.Pid(), L"", Wide(caption))) {
      if (IsWindowVisible(w)) shown.push_back(Id(w));
    }
    return shown;
  }
  std::string Title(WindowId window) override { return Utf8(wine::TextOf(Hwnd(window))); }
  bool IsActive(WindowId window) override { return GetForegroundWindow() == Hwnd(window); }
  bool Gone(WindowId window) override { return !IsWindow(Hwnd(window)) || !IsWindowVisible(Hwnd(window)); }
  bool IsMinimised(WindowId window) override { return IsIconic(Hwnd(window)) != 0; }
  Size ClientSize(WindowId window) override {
    RECT client{};
    GetClientRect(Hwnd(window), &client);
    return {client.right, client.bottom};
  }
  void Close(WindowId window) override { PostMessageW(Hwnd(window), WM_CLOSE, 0, 0); }

  WindowId AwaitMessageBox(std::chrono::milliseconds limit) override { return Id(program_.WaitMessageBox(limit)); }
  std::optional<MessageBoxContent> ReadMessageBox(WindowId box) override {
    if (!IsWindow(Hwnd(box))) return std::nullopt;
    std::string text = Utf8(wine::Program::MessageBoxText(Hwnd(box)));
    for (std::size_t at; (at = text.find("\r\n")) != std::string::npos;) text.erase(at, 1);
    std::string ok = Utf8(wine::TextOf(GetDlgItem(Hwnd(box), IDOK)));
    for (std::size_t at; (at = ok.find('&')) != std::string::npos;) ok.erase(at, 1);
    return MessageBoxContent{Utf8(wine::TextOf(Hwnd(box))), text, ok};
  }
  bool CloseMessageBox(WindowId box) override {
    wine::Program::PressOk(Hwnd(box));
    return WaitFor([&] { return !IsWindow(Hwnd(box)); });
  }

  // A button is clicked by its message; a text box is clicked into with the
  // mouse's messages, on the form in front.
  bool Click(WindowId form, int id) override {
    HWND control = program_.Control(Hwnd(form), id);
    if (!control) return false;
    wchar_t cls[32] = {};
    GetClassNameW(control, cls, 31);
    if (std::wstring(cls) != L"Edit") {
      wine::Click(control);
      return true;
    }
    if (!Raise(Hwnd(form))) return false;
    // The button's own messages, in its middle: whatever covers that point
    // of the screen (a window still on its way to the back) is not hit.
    RECT r{};
    GetClientRect(control, &r);
    const LPARAM middle = MAKELPARAM(r.right / 2, r.bottom / 2);
    PostMessageW(control, WM_LBUTTONDOWN, MK_LBUTTON, middle);
    PostMessageW(control, WM_LBUTTONUP, 0, middle);
    return true;
  }
  bool Key(WindowId form, const Keystroke& key) override {
    if (!Raise(Hwnd(form))) return false;
    std::vector<WORD> down;
    for (const std::string& m : key.modifiers) down.push_back(VirtualKey(m));
    wine::Keys(down, VirtualKey(key.key));
    return true;
  }
  bool PasteInto(WindowId form, int id) override {
    HWND box = program_.Control(Hwnd(form), id);
    if (!box) return false;
    // Sent, not posted: done when the call returns.
    SendMessageW(box, EM_SETSEL, 0, -1);
    SendMessageW(box, WM_PASTE, 0, 0);
    return true;
  }

  std::optional<std::string> Text(WindowId form, int id) override {
    HWND control = program_.Control(Hwnd(form), id);
    if (!control) return std::nullopt;
    return Utf8(wine::TextOf(control));
  }
  std::optional<bool> Checked(WindowId form, int id) override {
    if (!program_.Control(Hwnd(form), id)) return std::nullopt;
    return program_.IsChecked(Hwnd(form), id);
  }
  std::optional<bool> Enabled(WindowId form, int id) override {
    HWND control = program_.Control(Hwnd(form), id);
    if (!control) return std::nullopt;
    return IsWindowEnabled(control) != 0;
  }
  std::optional<Box> ControlBox(WindowId form, int id) override {
    HWND control = program_.Control(Hwnd(form), id);
    if (!control) return std::nullopt;
    RECT r{};
    GetWindowRect(control, &r);
    POINT origin{0, 0};
    ClientToScreen(Hwnd(form), &origin);
    return Box{r.left - origin.x, r.top - origin.y, r.right - r.left, r.bottom - r.top};
  }
  std::optional<std::uint32_t> CornerColor(WindowId form, int id) override {
    HWND control = program_.Control(Hwnd(form), id);
    if (!control) return std::nullopt;
    RECT r{};
    GetWindowRect(control, &r);
    HDC screen = GetDC(nullptr);
    COLORREF c = GetPixel(screen, r.right - 2, r.bottom - 2);
    ReleaseDC(nullptr, screen);
    if (c == CLR_INVALID) return std::nullopt;
    return (static_cast<std::uint32_t>(GetRValue(c)) << 16) | (static_cast<std::uint32_t>(GetGValue(c)) << 8) | GetBValue(c);
  }

 private:
  // Brings the form to the front. Another program's window that took the
  // foreground (the target of a send) keeps it against a plain request;
  // then the request is made with the foreground window's input attached
  // and after an input of the test's own, as the program's own activation
  // makes it.
  static bool Raise(HWND form) {
    if (wine::Foreground(form, 5s)) return true;
    MSG message;
    PeekMessageW(&message, nullptr, 0, 0, PM_NOREMOVE);  // a queue of the test's own
    return WaitFor([&] {
      HWND foreground = GetForegroundWindow();
      const DWORD theirs = foreground ? GetWindowThreadProcessId(foreground, nullptr) : 0, ours = GetCurrentThreadId();
      const bool attached = theirs != 0 && theirs != ours && AttachThreadInput(ours, theirs, TRUE);
      BringWindowToTop(form);
      SetForegroundWindow(form);
      if (attached) AttachThreadInput(ours, theirs, FALSE);
      // An unassigned virtual key: nothing acts on it, but the test is the
      // process with the last input.
      INPUT marker[2] = {};
      marker[0].type = marker[1].type = INPUT_KEYBOARD;
      marker[0].ki.wVk = marker[1].ki.wVk = 0xE8;
      marker[1].ki.dwFlags = KEYEVENTF_KEYUP;
      SendInput(2, marker, sizeof(INPUT));
      SetForegroundWindow(form);
      return WaitFor([&] { return GetForegroundWindow() == form; }, 2s);
    }, 30s);
  }

  std::unique_ptr<ScreenDpi> dpi_;
  wine::Program program_;
};

// Notepad, titled as the test asks.
class NotepadTarget : public TextTarget {
 public:
  explicit NotepadTarget(const std::string& title) {
    const std::wstring caption = Wide(title);
    ready_ = notepad_.Ready() && SetWindowTextW(notepad_.Window(), caption.c_str()) &&
             WaitFor([&] { return wine::TextOf(notepad_.Window()) == caption; }) && wine::Foreground(notepad_.Window());
  }
  bool Ready() const override { return ready_; }
  std::string Text() const override { return Utf8(notepad_.Text()); }
  std::string Enter() const override { return "\r\n"; }
  bool ReadAtOnce() const override { return true; }

 private:
  wine::Notepad notepad_;
  bool ready_ = false;
};

class WineDesktop : public Desktop {
 public:
  std::unique_ptr<ProgramUnderTest> Start(const std::vector<std::string>& arguments, const StartOptions& options) override {
    std::string text;
    for (std::size_t i = 0; i < arguments.size(); ++i) text += (i ? " " : "") + arguments[i];
    return std::make_unique<WineProgram>(Wide(text), options.dpi);
  }
  // The path in quotes and the blank after it come first.
  std::size_t LongestArgumentText() override {
    return 32767 - 1 - (wine::TestFolder() + L"\\" STRUMLET_EXE_W).size() - 3;
  }
  bool Minimises() const override { return true; }
  std::string CannotClick(int) override { return ""; }
  bool SeesControls() const override { return true; }
  std::optional<int> ScreenDpi() override {
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    return dpi;
  }

  std::optional<std::string> Clipboard() override {
    if (!OpenClipboard(nullptr)) return std::nullopt;
    std::optional<std::string> text;
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
      if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
        text = Utf8(p);
        GlobalUnlock(data);
      }
    }
    CloseClipboard();
    return text;
  }
  bool SetClipboard(const std::string& text) override {
    const std::wstring wide = Wide(text);
    if (!OpenClipboard(nullptr)) return false;
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (wide.size() + 1) * sizeof(wchar_t));
    bool set = false;
    if (memory) {
      std::copy(wide.c_str(), wide.c_str() + wide.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
      GlobalUnlock(memory);
      set = SetClipboardData(CF_UNICODETEXT, memory) != nullptr;
    }
    CloseClipboard();
    return set;
  }
  std::string ComposedLine(const std::string& settings) override {
    return Utf8(wine::TestFolder()) + "\\strumlet.exe " + settings;
  }

  std::unique_ptr<TextTarget> OpenTarget(const std::string& title, TargetKind kind) override {
    if (kind == TargetKind::Terminal) return nullptr;
    return std::make_unique<NotepadTarget>(title);
  }

  // Wine reads the X keyboard layout when each program starts: the test
  // command sets it for the whole run and names it in STRUMLET_LAYOUT.
  std::vector<std::string> Layouts() override { return {Current()}; }
  bool SetLayout(const std::string& layout) override { return layout == Current(); }

 private:
  static std::string Current() {
    const char* layout = std::getenv("STRUMLET_LAYOUT");
    return layout ? layout : "us";
  }
};

}  // namespace

std::unique_ptr<Desktop> MakeDesktop() { return std::make_unique<WineDesktop>(); }

}  // namespace strumlet::e2e
