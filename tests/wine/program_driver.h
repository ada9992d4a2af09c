// Starts the real strumlet.exe and reads its windows from another process,
// as a user (or a batch file) would see them. Every wait polls a condition
// under a generous time limit; nothing relies on a fixed sleep.
#pragma once

#include <windows.h>

#include <chrono>
#include <functional>
#include <string>
#include <vector>

#include "../e2e/wait_for.h"

namespace strumlet::wine {

using namespace std::chrono_literals;
using e2e::WaitFor;

// Text of another process's window or control (WM_GETTEXT).
std::wstring TextOf(HWND window);

// The top-level windows of a process whose class is `cls` (any class when
// empty) and, unless empty, whose caption is `caption`.
std::vector<HWND> TopWindows(DWORD processId, const std::wstring& cls = L"", const std::wstring& caption = L"");

class Program {
 public:
  // Starts strumlet.exe (beside the test executable) with the argument text.
  explicit Program(const std::wstring& arguments);
  ~Program();
  Program(const Program&) = delete;
  Program& operator=(const Program&) = delete;

  DWORD Pid() const { return info_.dwProcessId; }
  // The main window, once it exists (null after the time limit).
  HWND MainWindow(std::chrono::milliseconds limit = 45s);
  // A visible top-level window of the program with that caption.
  HWND WaitWindow(const std::wstring& caption, std::chrono::milliseconds limit = 45s);
  // A message box of the program (class #32770) and the text it shows.
  HWND WaitMessageBox(std::chrono::milliseconds limit = 45s);
  static std::wstring MessageBoxText(HWND box);
  static void PressOk(HWND box);

  HWND Control(HWND form, int id) const { return GetDlgItem(form, id); }
  std::wstring ControlText(HWND form, int id) const { return TextOf(Control(form, id)); }
  bool IsChecked(HWND form, int id) const;

  // Waits for the process to end; returns its exit code, or -1 on time-out.
  int WaitExit(std::chrono::milliseconds limit = 60s);
  // Closes the main window as the close box does, and waits for the end.
  int Close(HWND main);
  bool Running() const;

 private:
  PROCESS_INFORMATION info_{};
};

// Clicks a button of another process (BM_CLICK).
void Click(HWND button);
// Clicks into a control with the mouse, as the user would.
void ClickInto(HWND control);

// Presses and releases a key with modifiers held around it, as the user
// would, into the foreground window.
void Keys(const std::vector<WORD>& down, WORD key);

// Brings a window of another process to the front, as a user's click on it
// does, and waits until it is the foreground window.
bool Foreground(HWND window, std::chrono::milliseconds limit = 30s);

// As Foreground, and then waits out a late activation: under Wine the
// window manager's answer to an earlier activation can arrive after the
// request and take the foreground back. Brings the window forward again
// until it keeps the foreground for a second.
bool SettledForeground(HWND window, std::chrono::milliseconds limit = 60s);

// The folder of the running test executable.
std::wstring TestFolder();

}  // namespace strumlet::wine

namespace strumlet::wine {

// Wine's Notepad, started fresh for one test and ended by the test.
class Notepad {
 public:
  Notepad();
  ~Notepad();
  Notepad(const Notepad&) = delete;
  Notepad& operator=(const Notepad&) = delete;

  bool Ready() const { return window_ != nullptr && edit_ != nullptr; }
  HWND Window() const { return window_; }
  // The text in Notepad's edit box.
  std::wstring Text() const { return edit_ ? TextOf(edit_) : L""; }
  // Waits until the text equals `expected`; false after the time limit.
  bool WaitText(const std::wstring& expected, std::chrono::milliseconds limit = 45s) const;

 private:
  PROCESS_INFORMATION info_{};
  HWND window_ = nullptr;
  HWND edit_ = nullptr;
};

}  // namespace strumlet::wine

namespace strumlet::wine {

// A console window running cmd.exe in the test's folder, with that title,
// ended by the test.
class Console {
 public:
  explicit Console(const std::wstring& title);
  ~Console();
  Console(const Console&) = delete;
  Console& operator=(const Console&) = delete;

  // The console window, once it shows the title (null after the limit).
  HWND Window(std::chrono::milliseconds limit = 45s);

 private:
  PROCESS_INFORMATION info_{};
  std::wstring title_;
};

// The content of a file, empty when there is none.
std::string FileContent(const std::wstring& path);

// What the next program's keys type: a plain A key into Notepad, read back;
// empty when it typed nothing in time.
std::wstring WhatAKeyTypes(Notepad& notepad, std::chrono::milliseconds limit = 30s);

// Whether a plain A types a capital into Notepad within the limit: Caps Lock
// is on for it. Under load Wine can apply a Caps Lock toggle to Notepad's
// key state after a key that came later, so a probe that typed something
// else is taken back and made again until the limit. Each probe goes into
// `history` (what it typed, and into which foreground window); `afterSmall`
// is called after each probe that typed a small a.
bool TypesCapitals(Notepad& notepad, std::chrono::milliseconds limit, std::wstring& history,
                   const std::function<void()>& afterSmall = {});

// Caps Lock switched on for a test and off again afterwards, whatever the
// test found: the state is known from what a key typed into Notepad. On()
// is false when Caps Lock could not be switched on, or was found on already
// (left on by an earlier program); History() says which.
class CapsLockOn {
 public:
  explicit CapsLockOn(Notepad& notepad);
  ~CapsLockOn();
  CapsLockOn(const CapsLockOn&) = delete;
  CapsLockOn& operator=(const CapsLockOn&) = delete;
  bool On() const { return on_; }
  // What each probe typed, and into which foreground window.
  const std::wstring& History() const { return history_; }

 private:
  Notepad& notepad_;
  bool on_ = false;
  std::wstring history_;
};

}  // namespace strumlet::wine
