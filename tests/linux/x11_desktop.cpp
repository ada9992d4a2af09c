// The shared scenarios' driver on X11: the real strumlet on the suite's
// virtual display, driven with XTest as a user drives it. A control is
// found by its id in the program's own layout (the forms laid out on the
// fake platform, in twips), and clicked in its middle; what a text box holds
// is read by copying it (click, Ctrl+A, Ctrl+C), a message box by its Ctrl+C;
// the clipboard as another X client reads it. The targets are a raw xterm
// and the Qt editor.
#include <utility>

#include "../e2e/e2e_text.h"
#include "../e2e/program_under_test.h"
#include "../e2e/form_layout.h"
#include "desktop.h"
#include "platform/twips.h"
#include "platform/x11/clipboard_holder.h"
#include "typing_cases.h"

namespace strumlet::e2e {

namespace {

using linux_e2e::Screen;
using linux_e2e::XWindow;

using Layout = FormLayout;

std::string Modifier(const std::string& name) {
  if (name == "Shift" || name == "Control" || name == "Alt") return name + "_L";
  return name;
}

class X11Program : public ProgramUnderTest {
 public:
  X11Program(Screen& screen, Layout& layout, const std::vector<std::string>& arguments,
             const std::vector<std::string>& environment)
      : screen_(screen), layout_(layout), program_(arguments, environment) {}

  bool Running() override { return program_.Running(); }
  int WaitExit(std::chrono::milliseconds limit) override { return program_.WaitExit(limit); }
  WindowId AwaitMain(std::chrono::milliseconds limit) override { return screen_.AwaitMain(program_.Pid(), limit); }
  WindowId AwaitWindow(const std::string& caption, std::chrono::milliseconds limit) override {
    return screen_.AwaitTitle(program_.Pid(), caption, limit);
  }
  std::vector<WindowId> Windows(const std::string& caption) override {
    std::vector<WindowId> shown;
    for (XWindow w : screen_.WindowsOf(program_.Pid())) {
      if (screen_.Title(w) == caption) shown.push_back(w);
    }
    return shown;
  }
  std::string Title(WindowId window) override { return screen_.Title(window); }
  // Closed, or hidden: no longer among the window manager's clients.
  bool IsActive(WindowId window) override { return screen_.Active() == window && screen_.HasInputFocus(window); }
  bool Gone(WindowId window) override {
    for (XWindow w : screen_.WindowsOf(program_.Pid())) {
      if (w == window) return !screen_.Exists(window);
    }
    return true;
  }
  bool IsMinimised(WindowId window) override { return screen_.IsMinimised(window); }
  Size ClientSize(WindowId window) override {
    linux_e2e::Box client = screen_.Client(window);
    return {client.width, client.height};
  }
  void Close(WindowId window) override { screen_.Close(window); }

  WindowId AwaitMessageBox(std::chrono::milliseconds limit) override {
    return screen_.AwaitMessageBox(program_.Pid(), limit);
  }
  // Ctrl+C copies a message box as on Windows: its title, text and buttons
  // between rules.
  std::optional<MessageBoxContent> ReadMessageBox(WindowId box) override {
    std::optional<std::string> copy = screen_.CopyMessageBox(box);
    if (!copy) return std::nullopt;
    CopiedBox parts = ParseCopiedBox(*copy);
    return MessageBoxContent{parts.title, parts.text, parts.buttons};
  }
  bool CloseMessageBox(WindowId box) override {
    if (!screen_.Activate(box)) return false;
    screen_.Key("Return");
    return WaitFor([&] { return !screen_.Exists(box); });
  }

  bool Click(WindowId form, int id) override {
    const rt::Control* control = layout_.Find(id);
    if (!control || !Raise(form, control)) return false;
    screen_.Click(form, control->Parent().ClientWidth, *control);
    return true;
  }
  bool Key(WindowId form, const Keystroke& key) override {
    if (!Raise(form, nullptr)) return false;
    std::vector<std::string> modifiers;
    for (const std::string& m : key.modifiers) modifiers.push_back(Modifier(m));
    screen_.Key(key.key, modifiers);
    return true;
  }
  bool PasteInto(WindowId form, int id) override {
    if (!Click(form, id)) return false;
    screen_.Key("a", {"Control_L"});
    screen_.Key("v", {"Control_L"});
    return true;
  }

  // Only a text box's text can be copied out of it.
  std::optional<std::string> Text(WindowId form, int id) override {
    const rt::Control* control = layout_.Find(id);
    if (!control || control->Kind() != rt::ControlKind::TextBox) return std::nullopt;
    return screen_.CopyText(form, control->Parent().ClientWidth, *control);
  }
  // Qt's widgets tell no other X client their state or place.
  std::optional<bool> Checked(WindowId, int) override { return std::nullopt; }
  std::optional<bool> Enabled(WindowId, int) override { return std::nullopt; }
  std::optional<Box> ControlBox(WindowId, int) override { return std::nullopt; }
  std::optional<std::uint32_t> CornerColor(WindowId form, int id) override {
    const rt::Control* control = layout_.Find(id);
    if (!control) return std::nullopt;
    return static_cast<std::uint32_t>(screen_.CornerColor(form, control->Parent().ClientWidth, *control));
  }

 private:
  // Activates the form as a click on it would. The main window restored
  // from the task bar is moved into its place (openbox animates it) after
  // it has become active: a click waits for that.
  bool Raise(WindowId form, const rt::Control* control) {
    if (!screen_.Activate(form)) return false;
    const rt::Form& main = layout_.Main();
    if (!control || &control->Parent() != &main) return true;
    const int dpi = screen_.Dpi(form, main.ClientWidth);
    return screen_.AwaitPlace(form, rt::TwipsToPixels(main.StartLeft, dpi), rt::TwipsToPixels(main.StartTop, dpi));
  }

  Screen& screen_;
  Layout& layout_;
  linux_e2e::Program program_;
};

// A raw xterm (every byte as the terminal sends it: Enter is a carriage
// return) or the Qt editor (which writes its text to a file as it changes).
template <typename Window>
class X11Target : public TextTarget {
 public:
  X11Target(const std::string& title, std::string enter, bool atOnce)
      : window_(title), enter_(std::move(enter)), atOnce_(atOnce) {}
  bool Ready() const override { return window_.Ready(); }
  std::string Text() const override { return window_.Text(); }
  std::string Enter() const override { return enter_; }
  bool ReadAtOnce() const override { return atOnce_; }

 private:
  Window window_;
  std::string enter_;
  bool atOnce_;
};

class X11Desktop : public Desktop {
 public:
  std::unique_ptr<ProgramUnderTest> Start(const std::vector<std::string>& arguments, const StartOptions& options) override {
    std::vector<std::string> environment;
    // Qt takes the screen's logical DPI from the font DPI.
    if (options.dpi > 0) environment.push_back("QT_FONT_DPI=" + std::to_string(options.dpi));
    return std::make_unique<X11Program>(screen_, layout_, arguments, environment);
  }
  // The kernel's limit of one argument (MAX_ARG_STRLEN), less its end.
  std::size_t LongestArgumentText() override { return 32 * 4096 - 1; }
  bool Minimises() const override { return true; }
  std::string CannotClick(int) override { return ""; }
  bool SeesControls() const override { return false; }
  std::optional<int> ScreenDpi() override { return std::nullopt; }

  std::optional<std::string> Clipboard() override { return screen_.Clipboard(); }
  bool SetClipboard(const std::string& text) override { return rt::x11::StartClipboardHolder(STRUMLET_EXE, text); }
  // For a POSIX shell: the path, and the settings as one single-quoted word.
  std::string ComposedLine(const std::string& settings) override {
    std::string quoted;
    for (char c : settings) quoted += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return std::string(STRUMLET_EXE) + " '" + quoted + "'";
  }

  std::unique_ptr<TextTarget> OpenTarget(const std::string& title, TargetKind kind) override {
    if (kind == TargetKind::Editor) return std::make_unique<X11Target<linux_e2e::QtEditor>>(title, "\n", false);
    return std::make_unique<X11Target<linux_e2e::Xterm>>(title, "\r", true);
  }

  std::vector<std::string> Layouts() override { return {std::begin(kLayouts), std::end(kLayouts)}; }
  bool SetLayout(const std::string& layout) override { return keyboard_.SetLayout(layout); }

 private:
  Screen screen_;
  Layout layout_;
  // Back to us when the desktop goes.
  linux_e2e::Keyboard keyboard_;
};

}  // namespace

std::unique_ptr<Desktop> MakeDesktop() { return std::make_unique<X11Desktop>(); }

}  // namespace strumlet::e2e
