// The Wayland edition driven from outside on a headless sway, as a user
// drives it: windows found in sway's tree (swaymsg) by their process and
// title, the pointer and the keyboard through sway's seat commands and a
// keyboard of the test's own, what arrived read back from files the targets
// write and from the clipboard (wl-paste), and the program's exit code.
// Every wait polls a condition under a generous limit. Needs WAYLAND_DISPLAY
// and SWAYSOCK (scripts/lib.sh start_sway).
#pragma once

#include <sys/types.h>

#include <chrono>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "../linux/process.h"

namespace strumlet::wayland_e2e {

using namespace std::chrono_literals;
using linux_e2e::Process;
using linux_e2e::ReadFile;
using linux_e2e::WaitFor;

// The output of a shell command, and its exit code.
std::string Run(const std::string& command, int* code = nullptr);
std::string Quote(const std::string& text);

// A window in sway's tree.
struct SwayWindow {
  long id = 0;
  pid_t pid = 0;
  std::string title, appId;
  bool focused = false;
  bool scratchpad = false;  // hidden in the scratchpad
  int x = 0, y = 0, width = 0, height = 0;  // the content, on the screen
  // The window's own size: a window of a fixed size is smaller than its
  // tile, drawn from the tile's corner.
  int surfaceWidth = 0, surfaceHeight = 0;
};

class Sway {
 public:
  // Whether a sway answers on SWAYSOCK.
  static bool Ready();
  // Whether a sway is expected: SWAYSOCK is set, as the test plan's fixture
  // sets it. Expected but not answering, it is a failure, not a skip.
  static bool Expected();
  static std::vector<SwayWindow> Windows();
  static std::optional<SwayWindow> Find(const std::function<bool(const SwayWindow&)>& match);
  static std::optional<SwayWindow> Await(const std::function<bool(const SwayWindow&)>& match,
                                         std::chrono::milliseconds limit = 45s);
  static std::optional<SwayWindow> Focused();
  static bool Command(const std::string& command);
  // Gives the window the focus and waits until sway says it has it.
  static bool Focus(long id);
  static bool ToScratchpad(long id);
  // The layout of the seat's keyboards (us, de, fr): it reaches the
  // keyboards sway configures, not those that bring their own keymap.
  static bool SetLayout(const std::string& layout);
};

// A keyboard of the test's own (wtype), as another device of the user.
class UserKeyboard {
 public:
  // Presses and releases a key (an xkb keysym name) with modifiers held
  // ("ctrl", "shift", "alt"), into the focused window.
  static void Key(const std::string& key, const std::vector<std::string>& modifiers = {});
  static void Type(const std::string& text);
};

// A second keyboard on the seat (second_keyboard), as a user's own: Caps
// Lock and held keys are its own state, which the program's keyboard must
// neither take on nor change. Commands go to it in order.
class SecondKeyboard {
 public:
  SecondKeyboard();
  ~SecondKeyboard();
  SecondKeyboard(const SecondKeyboard&) = delete;
  SecondKeyboard& operator=(const SecondKeyboard&) = delete;
  bool Started() const { return pipe_ != nullptr; }
  void LockCaps(bool on);
  void HoldShift();
  // Presses and releases the key of a US keyboard that types `c`.
  void Tap(char c);

 private:
  void Send(const std::string& command);
  FILE* pipe_;
};

// A pointer of the test's own on the seat (virtual_pointer), as a user's
// mouse. Sway's headless seat has none: while one is up, clients bind a
// pointer, so it is made before the programs it clicks into start.
class UserPointer {
 public:
  UserPointer();
  ~UserPointer();
  UserPointer(const UserPointer&) = delete;
  UserPointer& operator=(const UserPointer&) = delete;
  // Whether the pointer is on the seat.
  bool Ready() const { return ready_; }
  // A left click at a point of the screen; true once sway has taken it.
  bool ClickAt(int x, int y);

 private:
  bool Answered(std::size_t commands) const;
  std::string answers_;
  FILE* pipe_ = nullptr;
  std::size_t sent_ = 0;
  bool ready_ = false;
  e2e::SingleClicks clicks_;
};

// The clipboard as another client reads it, nothing when it is empty.
std::optional<std::string> Clipboard();

// A program the tests type into, whose text is kept in a file: once it is
// Ready, its window is up and has the focus.
class TextTarget {
 public:
  enum class Kind { Foot, Gtk, Qt };
  TextTarget(Kind kind, const std::string& title);
  TextTarget(const TextTarget&) = delete;
  TextTarget& operator=(const TextTarget&) = delete;
  ~TextTarget();

  bool Ready() const { return ready_; }
  long Window() const { return window_; }
  std::string Text() const { return ReadFile(file_); }
  bool WaitText(const std::string& text, std::chrono::milliseconds limit = 60s) const;
  static const char* Name(Kind kind);

 private:
  std::string file_;
  std::unique_ptr<Process> process_;
  long window_ = 0;
  bool ready_ = false;
};

// The real strumlet on the Wayland backend, started with its argument text.
class Program : public Process {
 public:
  explicit Program(std::vector<std::string> args, const std::vector<std::string>& environment = {})
      : Program(std::move(args), environment, linux_e2e::ScratchFile("stderr")) {}
  std::string Errors() const { return ReadFile(errors_); }
  // The main window: a window of this process whose title ends in "Strumlet".
  std::optional<SwayWindow> AwaitMain(std::chrono::milliseconds limit = 45s);
  std::optional<SwayWindow> AwaitTitle(const std::string& title, std::chrono::milliseconds limit = 45s);

 private:
  Program(std::vector<std::string> args, const std::vector<std::string>& environment, std::string errors);
  std::string errors_;
};

}  // namespace strumlet::wayland_e2e
