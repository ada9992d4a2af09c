// The operating system's services on Windows.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "platform/activation.h"
#include "platform/system.h"

namespace rt::win32 {

// The window queries on Windows (system.cpp). The activation's own
// operations are added by the class that MakeWin32Windows makes
// (activate.cpp).
class Win32WindowQueries : public WindowActivation {
 public:
  WindowHandle Desktop() override;
  WindowHandle FirstChild(WindowHandle window) override;
  WindowHandle NextSibling(WindowHandle window) override;
  WindowHandle Owner(WindowHandle window) override;
  ustring Caption(WindowHandle window) override;
  ustring ClassName(WindowHandle window) override;
  bool Visible(WindowHandle window) override;
  bool Enabled(WindowHandle window) override;
  bool Exists(WindowHandle window) override;
  PlacementRect Placement(WindowHandle window) override;

 private:
  // The desktop's children as FirstChild(desktop) listed them, topmost
  // first, and where NextSibling last was in that list.
  std::vector<WindowHandle> topLevel_;
  std::size_t cursor_ = 0;
};

// The desktop's windows, with everything activation needs.
std::unique_ptr<WindowActivation> MakeWin32Windows();

class Win32System : public System {
 public:
  Win32System();
  ~Win32System() override;
  Win32System(const Win32System&) = delete;
  Win32System& operator=(const Win32System&) = delete;

  void MsgBox(ustring_view prompt, ustring_view title) override;
  bool SetClipboardText(ustring_view text) override;
  void SendKeys(ustring_view keys, bool wait) override;
  void AppActivate(ustring_view caption) override;
  bool AppInFront(ustring_view caption) override;
  Clock& Time() override;
  WindowQueries& Windows() override { return *windows_; }

 private:
  HWND clipboardOwner_ = nullptr;
  std::unique_ptr<WindowActivation> windows_;
};

// Whether the window's thread has stopped answering messages.
bool IsHungWindow(HWND window);

// The facts about the running executable, and its argument text.
AppInfo CurrentAppInfo();

}  // namespace rt::win32
