// The operating system's services on Windows.
#pragma once

#include <windows.h>

#include "platform/system.h"

namespace rt::win32 {

class Win32System : public System {
 public:
  Win32System();
  ~Win32System() override;

  void MsgBox(ustring_view prompt, ustring_view title) override;
  bool SetClipboardText(ustring_view text) override;
  void SendKeys(ustring_view keys, bool wait) override;
  void AppActivate(ustring_view caption) override;
  void Sleep(std::uint32_t milliseconds) override;
  WindowHandle GetDesktopWindow() override;
  WindowHandle GetWindow(WindowHandle window, int relation) override;
  ustring WindowText(WindowHandle window) override;
  ustring WindowClassName(WindowHandle window) override;
  WindowHandle GetParent(WindowHandle window) override;
  bool IsWindowVisible(WindowHandle window) override;
  bool IsWindowEnabled(WindowHandle window) override;
  bool IsWindow(WindowHandle window) override;
  PlacementRect GetWindowPlacement(WindowHandle window) override;

 private:
  HWND clipboardOwner_ = nullptr;
};

// The facts about the running executable, and its argument text.
AppInfo CurrentAppInfo();

}  // namespace rt::win32
