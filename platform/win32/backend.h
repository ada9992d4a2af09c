// The Windows backend: forms become top-level windows of the class
// "StrumletForm" (form_window.h), controls become the system's native controls
// (EDIT, STATIC, BUTTON, LISTBOX; peers.h), placed from twips by the window's
// DPI in the system's message font. The message loop (message_loop.cpp) gives
// every form dialog navigation (Tab, arrow keys, access keys, Enter and Esc)
// and key preview.
#pragma once

#include <windows.h>

#include "platform/app.h"

namespace rt::win32 {

class Win32Backend : public Backend {
 public:
  explicit Win32Backend(HINSTANCE instance);
  ~Win32Backend() override;
  Win32Backend(const Win32Backend&) = delete;
  Win32Backend& operator=(const Win32Backend&) = delete;
  bool Realise(Form& form) override;
  void AllUnloaded() override;
  // Runs the message loop until no form is loaded.
  void Run(App& app);

  HINSTANCE Instance() const { return instance_; }
  // The hidden application window that owns the forms without a taskbar
  // button, made at its first use (null if it cannot be made).
  HWND ApplicationWindow();

 private:
  HINSTANCE instance_;
  HWND applicationWindow_ = nullptr;
};

}  // namespace rt::win32
