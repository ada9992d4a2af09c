// The real program driven from outside, as a user (or a batch file) drives
// it, behind one interface that every platform's end-to-end suite realises:
// Windows under Wine (tests/wine), X11 (tests/linux), and the scenarios
// written once against it (tests/e2e/scenarios_*.cpp). Portable: no
// platform header. Text is UTF-8 throughout; controls are named by the ids
// their native controls carry (mainwin/form1_ids.h, info/form2_ids.h,
// info/frm_about_ids.h, windows/form3_ids.h).
//
// What a platform cannot see from outside is said, not guessed: such a
// reading returns nothing (std::nullopt), and a scenario that needs it
// checks it where it is seen or skips with the reason.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "wait_for.h"

namespace strumlet::e2e {

// A top-level window of the program (its main window, the help, About and
// window-list windows, a message box); 0 when there is none.
using WindowId = std::uint64_t;

// A key as the user presses it: an X keysym name ("Escape", "Return",
// "F1", "space", "Down", "Home", or a letter or digit such as "a" or "7"),
// with modifiers held around it ("Shift", "Control", "Alt").
struct Keystroke {
  Keystroke(std::string name, std::vector<std::string> held = {}) : key(std::move(name)), modifiers(std::move(held)) {}
  std::string key;
  std::vector<std::string> modifiers;
};

struct Size {
  int width = 0;
  int height = 0;
};

// A rectangle in pixels, from the client area's top-left corner.
struct Box {
  int x = 0, y = 0, width = 0, height = 0;
};

// A message box as the user reads it: its title, text (lines separated by
// "\n") and buttons (their captions without access-key marks, separated by
// blanks).
struct MessageBoxContent {
  std::string title;
  std::string text;
  std::string buttons;
  bool operator==(const MessageBoxContent&) const = default;
};
inline std::ostream& operator<<(std::ostream& out, const MessageBoxContent& box) {
  return out << "title \"" << box.title << "\", text \"" << box.text << "\", buttons \"" << box.buttons << "\"";
}

// One run of the program, started by Desktop::Start and ended (if still
// running) when it goes.
class ProgramUnderTest {
 public:
  virtual ~ProgramUnderTest() = default;

  virtual bool Running() = 0;
  // The exit code, or -1 when the program has not ended within the limit.
  virtual int WaitExit(std::chrono::milliseconds limit = 90s) = 0;

  // The main window, once it is shown (its caption ends in "Strumlet").
  virtual WindowId AwaitMain(std::chrono::milliseconds limit = 45s) = 0;
  // A window of the program with that caption ("Help", "About Strumlet",
  // "Window list"), once it is shown.
  virtual WindowId AwaitWindow(const std::string& caption, std::chrono::milliseconds limit = 45s) = 0;
  // The shown windows of the program with that caption.
  virtual std::vector<WindowId> Windows(const std::string& caption) = 0;
  // A window's caption ("4 Strumlet" while the count shows 4).
  virtual std::string Title(WindowId window) = 0;
  // Whether the window is the active one (it has the keyboard).
  virtual bool IsActive(WindowId window) = 0;
  // Whether the window has been closed.
  virtual bool Gone(WindowId window) = 0;
  virtual bool IsMinimised(WindowId window) = 0;
  virtual Size ClientSize(WindowId window) = 0;
  // Closes the window as its close box does.
  virtual void Close(WindowId window) = 0;

  // The program's message box, once it is shown; what it says; closing it
  // with OK (true once it has gone).
  virtual WindowId AwaitMessageBox(std::chrono::milliseconds limit = 45s) = 0;
  virtual std::optional<MessageBoxContent> ReadMessageBox(WindowId box) = 0;
  virtual bool CloseMessageBox(WindowId box) = 0;

  // Clicks the control with that id (a button, or into a text box), on a
  // form brought to the front first; false when the form could not be
  // brought there.
  virtual bool Click(WindowId form, int id) = 0;
  // Brings the form to the front and presses the key.
  virtual bool Key(WindowId form, const Keystroke& key) = 0;
  // Selects everything in the text box and pastes the clipboard over it.
  virtual bool PasteInto(WindowId form, int id) = 0;

  // What a control shows: its text (a text box's, a label's or a button's
  // caption), whether it is checked, enabled, its place, and the colour
  // (0xRRGGBB) at its inner bottom-right corner as the screen shows it.
  virtual std::optional<std::string> Text(WindowId form, int id) = 0;
  virtual std::optional<bool> Checked(WindowId form, int id) = 0;
  virtual std::optional<bool> Enabled(WindowId form, int id) = 0;
  virtual std::optional<Box> ControlBox(WindowId form, int id) = 0;
  virtual std::optional<std::uint32_t> CornerColor(WindowId form, int id) = 0;
};

// A program the tests type into, which records what arrived.
class TextTarget {
 public:
  virtual ~TextTarget() = default;
  // The window is up and has the keyboard focus.
  virtual bool Ready() const = 0;
  virtual std::string Text() const = 0;
  // What the Enter key (the notation's "~") leaves in it.
  virtual std::string Enter() const = 0;
  // Whether its text is read from its window, complete the moment the
  // program has ended; else it is read from what the target writes, a
  // little later.
  virtual bool ReadAtOnce() const = 0;
  bool WaitText(const std::string& text, std::chrono::milliseconds limit = 60s) const {
    return WaitFor([&] { return Text() == text; }, limit);
  }
};

enum class TargetKind {
  // The platform's usual target (a raw xterm on X11, Notepad under Wine).
  Usual,
  // A text editor: Enter starts a new line, named keys edit the text.
  Editor,
  // A terminal in raw mode, which records every byte the keys send (a
  // Windows console keeps what arrives to itself: none there).
  Terminal,
};

struct StartOptions {
  // The screen's dots per inch for this run; 0 leaves the desktop's.
  int dpi = 0;
};

// The desktop the program runs on: it starts the program, holds the
// clipboard, the keyboard layout and the targets.
class Desktop {
 public:
  virtual ~Desktop() = default;

  // Starts the program with the words after its path, as a shell passes
  // them; where a command line is one text (Windows), they are joined by
  // blanks into the argument text. No words: no arguments.
  virtual std::unique_ptr<ProgramUnderTest> Start(const std::vector<std::string>& arguments,
                                                  const StartOptions& options = {}) = 0;

  // The longest argument text (in UTF-8 bytes) the platform can start the
  // program with: a Windows command line holds 32,767 characters, path
  // included; Linux takes 128 KiB in one argument.
  virtual std::size_t LongestArgumentText() = 0;

  // Whether controls are read as they are, at once and without acting as
  // the user (no focus moved, no key pressed). Where they are not, a
  // control's text is read by copying it (text boxes only), and checks
  // that must be made within a running countdown's first seconds cannot be.
  virtual bool SeesControls() const = 0;
  // Whether windows can be minimised here (sway has no such state: it
  // ignores a window's wish to be).
  virtual bool Minimises() const = 0;
  // Empty when ProgramUnderTest::Click reaches the control with that id;
  // else why it cannot (a seat without a pointer clicks nothing, and keys
  // reach only the controls with access keys).
  virtual std::string CannotClick(int id) = 0;
  // The screen's dots per inch, when the platform tells.
  virtual std::optional<int> ScreenDpi() = 0;

  // The clipboard as another program reads it, also after the program that
  // put it there has ended.
  virtual std::optional<std::string> Clipboard() = 0;
  virtual bool SetClipboard(const std::string& text) = 0;
  // The command line the program's composer writes for these settings
  // ("/caption /keys /interval[ /loop| /persist][ /notarget]").
  virtual std::string ComposedLine(const std::string& settings) = 0;

  // A target window titled `title`, ready for keys; null where the
  // platform has none of that kind.
  virtual std::unique_ptr<TextTarget> OpenTarget(const std::string& title, TargetKind kind = TargetKind::Usual) = 0;

  // The keyboard layouts a typing scenario runs under, each set in turn
  // (false when it could not be). Where the layout is set from outside for
  // the whole run (Wine reads it at its start), that one alone.
  virtual std::vector<std::string> Layouts() = 0;
  virtual bool SetLayout(const std::string& layout) = 0;
};

// The desktop of the suite's platform, defined once per platform.
std::unique_ptr<Desktop> MakeDesktop();

}  // namespace strumlet::e2e
