// The shared scenarios' driver on a headless sway: the real strumlet on its
// Wayland services, its windows found in sway's tree by process and title,
// keys from the test's own keyboard (wtype) into the window sway has
// focused, clicks from the test's own pointer at the place the form's
// layout gives a control. A text box and a message box are read by their
// Ctrl+C, a pixel by grim, the clipboard by wl-paste. The targets are foot
// in raw mode and the Qt 6 editor.
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <functional>

#include "../e2e/e2e_text.h"
#include "../e2e/form_layout.h"
#include "../e2e/program_under_test.h"
#include "../e2e/typing_corpus.h"
#include "platform/twips.h"
#include "sway_desktop.h"

namespace strumlet::e2e {

namespace {

namespace sway = wayland_e2e;
using sway::Sway;
using sway::SwayWindow;

std::optional<SwayWindow> Window(WindowId id) {
  return Sway::Find([&](const SwayWindow& w) { return w.id == static_cast<long>(id); });
}

std::string Modifier(const std::string& name) {
  if (name == "Control") return "ctrl";
  if (name == "Shift") return "shift";
  if (name == "Alt") return "alt";
  return name;
}

// The colour (0xRRGGBB) of one pixel of the screen, as grim takes it.
std::optional<std::uint32_t> ScreenPixel(int x, int y) {
  int code = 0;
  const std::string ppm = sway::Run("grim -t ppm -g '" + std::to_string(x) + "," + std::to_string(y) + " 1x1' - 2>/dev/null", &code);
  // "P6\n1 1\n255\n" and three bytes.
  if (code != 0 || ppm.size() < 3 || ppm.compare(0, 2, "P6") != 0) return std::nullopt;
  const auto* rgb = reinterpret_cast<const unsigned char*>(ppm.data() + ppm.size() - 3);
  return (static_cast<std::uint32_t>(rgb[0]) << 16) | (static_cast<std::uint32_t>(rgb[1]) << 8) | rgb[2];
}

// The background of a focused window's title bar, in sway's default
// colours (the test plan's sway keeps them).
constexpr std::uint32_t kFocusedTitleBar = 0x285577;

// Sway tells where a window goes as soon as it has decided, but shows it
// there, and sends it the pointer's clicks there, only once the windows
// concerned have taken their new sizes (or a moment has passed). A click
// right after a window appeared can meet an empty place. A user clicks
// what the screen shows: the window's title bar drawn where sway says,
// focused.
bool DrawnWhereSwaySays(long id) {
  return WaitFor([&] {
    std::optional<SwayWindow> w = Sway::Find([&](const SwayWindow& s) { return s.id == id; });
    if (!w || w->width < 16 || w->y < 4) return false;
    return ScreenPixel(w->x + w->width - 8, w->y - 4) == kFocusedTitleBar;
  }, 10s);
}

class SwayProgram : public ProgramUnderTest {
 public:
  SwayProgram(FormLayout& layout, sway::UserPointer& pointer, const std::vector<std::string>& arguments,
              const std::vector<std::string>& environment)
      : layout_(layout), pointer_(pointer), program_(arguments, environment) {}

  bool Running() override { return program_.Running(); }
  int WaitExit(std::chrono::milliseconds limit) override { return program_.WaitExit(limit); }
  // The main window: its caption ends in "Strumlet", and it has the main
  // form's proportions (a message box, titled "Strumlet" too, has not).
  WindowId AwaitMain(std::chrono::milliseconds limit) override {
    auto main = Sway::Await([&](const SwayWindow& w) { return w.pid == program_.Pid() && EndsInName(w.title) && MainShaped(w); },
                            limit);
    return main ? static_cast<WindowId>(main->id) : 0;
  }
  WindowId AwaitWindow(const std::string& caption, std::chrono::milliseconds limit) override {
    auto window = program_.AwaitTitle(caption, limit);
    return window ? static_cast<WindowId>(window->id) : 0;
  }
  std::vector<WindowId> Windows(const std::string& caption) override {
    std::vector<WindowId> shown;
    for (const SwayWindow& w : Sway::Windows()) {
      if (w.pid == program_.Pid() && w.title == caption && !w.scratchpad) shown.push_back(static_cast<WindowId>(w.id));
    }
    return shown;
  }
  std::string Title(WindowId window) override {
    auto w = Window(window);
    return w ? w->title : "";
  }
  bool IsActive(WindowId window) override {
    auto w = Window(window);
    return w && w->focused;
  }
  bool Gone(WindowId window) override { return !Window(window).has_value(); }
  bool IsMinimised(WindowId) override { return false; }
  Size ClientSize(WindowId window) override {
    auto w = Window(window);
    return w ? Size{w->surfaceWidth, w->surfaceHeight} : Size{};
  }
  // Sway's kill asks the window to close, as its close box would. When it
  // does not go, the test's log says what sway answered and which windows
  // the program has.
  void Close(WindowId window) override {
    int code = 0;
    const std::string answer = sway::Run("swaymsg " + sway::Quote("[con_id=" + std::to_string(window) + "] kill") + " 2>&1", &code);
    if (code == 0 && WaitFor([&] { return Gone(window); }, 30s)) return;
    std::fprintf(stderr, "closing window %lu: sway answered %d %s; still running: %s; its windows:%s\n",
                 static_cast<unsigned long>(window), code, answer.c_str(), program_.Running() ? "yes" : "no",
                 Shown().c_str());
  }

  WindowId AwaitMessageBox(std::chrono::milliseconds limit) override {
    auto box = Sway::Await([&](const SwayWindow& w) { return w.pid == program_.Pid() && w.title == "Strumlet" && !MainShaped(w); },
                           limit);
    if (!box && limit > 0ms) {
      std::fprintf(stderr, "no message box came; the last click: %s; the program's windows:%s\n", lastClick_.c_str(),
                   Shown().c_str());
    }
    return box ? static_cast<WindowId>(box->id) : 0;
  }
  std::optional<MessageBoxContent> ReadMessageBox(WindowId box) override {
    std::optional<std::string> copy = Copy(box, [] { return true; });
    if (!copy) return std::nullopt;
    CopiedBox parts = ParseCopiedBox(*copy);
    return MessageBoxContent{parts.title, parts.text, parts.buttons};
  }
  bool CloseMessageBox(WindowId box) override {
    if (!Sway::Focus(static_cast<long>(box))) return false;
    sway::UserKeyboard::Key("Return");
    return WaitFor([&] { return Gone(box); });
  }

  // With the pointer at the control's middle; without a pointer, by the
  // access key of its caption.
  bool Click(WindowId form, int id) override {
    const rt::Control* control = layout_.Find(id);
    if (!control) return false;
    if (!pointer_.Ready()) {
      const std::string key = FormLayout::AccessKey(*control);
      return !key.empty() && Key(form, {key, {"Alt"}});
    }
    if (!Sway::Focus(static_cast<long>(form))) return false;
    // Not drawn within the limit, it is clicked all the same; standard error
    // tells, once, before the click.
    const bool drawn = DrawnWhereSwaySays(static_cast<long>(form));
    if (!drawn) {
      std::fprintf(stderr, "window %lu not seen drawn where sway puts it:%s\n", static_cast<unsigned long>(form),
                   Shown(form).c_str());
    }
    auto middle = ScreenPoint(form, *control, 1, 2);
    if (!middle) return false;
    lastClick_ = "control " + std::to_string(id) + " at (" + std::to_string(middle->first) + "," +
                 std::to_string(middle->second) + ") of window" + Shown(form);
    return pointer_.ClickAt(middle->first, middle->second);
  }
  bool Key(WindowId form, const Keystroke& key) override {
    if (!Sway::Focus(static_cast<long>(form))) return false;
    std::vector<std::string> modifiers;
    for (const std::string& m : key.modifiers) modifiers.push_back(Modifier(m));
    sway::UserKeyboard::Key(key.key, modifiers);
    return true;
  }
  bool PasteInto(WindowId form, int id) override {
    if (!pointer_.Ready() || !Click(form, id)) return false;
    sway::UserKeyboard::Key("a", {"ctrl"});
    sway::UserKeyboard::Key("v", {"ctrl"});
    return true;
  }

  // Only a text box's text can be copied out of it. Qt's widgets tell no
  // other client their state or place.
  std::optional<std::string> Text(WindowId form, int id) override {
    const rt::Control* control = layout_.Find(id);
    if (!control || control->Kind() != rt::ControlKind::TextBox || !pointer_.Ready()) return std::nullopt;
    return Copy(form, [&] {
      if (!Click(form, id)) return false;
      sway::UserKeyboard::Key("a", {"ctrl"});
      return true;
    });
  }
  std::optional<bool> Checked(WindowId, int) override { return std::nullopt; }
  std::optional<bool> Enabled(WindowId, int) override { return std::nullopt; }
  std::optional<Box> ControlBox(WindowId, int) override { return std::nullopt; }
  std::optional<std::uint32_t> CornerColor(WindowId form, int id) override {
    const rt::Control* control = layout_.Find(id);
    if (!control) return std::nullopt;
    auto corner = ScreenPoint(form, *control, 1, 1);
    if (!corner) return std::nullopt;
    return ScreenPixel(corner->first - 2, corner->second - 2);
  }

 private:
  // The point of the screen at that fraction of the control's width and
  // height, where the form's layout puts it at the window's scale.
  std::optional<std::pair<int, int>> ScreenPoint(WindowId form, const rt::Control& control, int numerator, int denominator) {
    auto w = Window(form);
    const int width = control.Parent().ClientWidth;
    if (!w || width <= 0) return std::nullopt;
    const int dpi = (w->surfaceWidth * 1440 + width / 2) / width;
    const rt::TwipsRect& b = control.Bounds();
    return std::pair{w->x + rt::TwipsToPixels(b.left, dpi) + rt::TwipsToPixels(b.width, dpi) * numerator / denominator,
                     w->y + rt::TwipsToPixels(b.top, dpi) + rt::TwipsToPixels(b.height, dpi) * numerator / denominator};
  }

  // What the window's Ctrl+C puts on the clipboard, after `select` (false
  // when it could not). Copying changes nothing in the program, so a copy
  // that did not come through (the key came before the focus) is tried
  // again.
  std::optional<std::string> Copy(WindowId window, const std::function<bool()>& select) {
    std::optional<std::string> copy;
    for (int attempt = 0; attempt < 6 && !copy; ++attempt) {
      if (!Sway::Focus(static_cast<long>(window))) return std::nullopt;
      sway::Run("wl-copy --clear");
      if (!select()) return std::nullopt;
      sway::UserKeyboard::Key("c", {"ctrl"});
      WaitFor([&] { return (copy = sway::Clipboard()).has_value() && !copy->empty(); }, 5s);
      if (copy && copy->empty()) copy.reset();
    }
    return copy;
  }

  // For a failure's log: the program's windows (or the one given) as sway
  // has them, with their places.
  std::string Shown(WindowId only = 0) {
    std::string shown;
    for (const SwayWindow& w : Sway::Windows()) {
      if (w.pid != program_.Pid() || (only != 0 && w.id != static_cast<long>(only))) continue;
      shown += " [" + std::to_string(w.id) + " \"" + w.title + "\" at (" + std::to_string(w.x) + "," + std::to_string(w.y) +
               ") " + std::to_string(w.width) + "x" + std::to_string(w.height) + ", surface " +
               std::to_string(w.surfaceWidth) + "x" + std::to_string(w.surfaceHeight) + (w.focused ? ", focused" : "") + "]";
    }
    return shown.empty() ? " none" : shown;
  }

  static bool EndsInName(const std::string& title) {
    return title.size() >= 8 && title.compare(title.size() - 8, 8, "Strumlet") == 0;
  }
  // Width to height as the main form's client area, to a pixel or two.
  bool MainShaped(const SwayWindow& w) {
    const rt::Form& main = layout_.Main();
    const long across = static_cast<long>(w.surfaceWidth) * main.ClientHeight;
    const long down = static_cast<long>(w.surfaceHeight) * main.ClientWidth;
    return w.surfaceHeight > 0 && std::labs(across - down) <= 2L * main.ClientWidth;
  }

  FormLayout& layout_;
  sway::UserPointer& pointer_;
  std::string lastClick_ = "none";
  sway::Program program_;
};

// foot in raw mode (every byte as the terminal sends it: Enter is a
// carriage return) or the Qt 6 editor; both write what arrived to a file.
class SwayTarget : public TextTarget {
 public:
  SwayTarget(sway::TextTarget::Kind kind, const std::string& title, std::string enter)
      : target_(kind, title), enter_(std::move(enter)), atOnce_(kind == sway::TextTarget::Kind::Foot) {}
  bool Ready() const override { return target_.Ready(); }
  std::string Text() const override { return target_.Text(); }
  std::string Enter() const override { return enter_; }
  // What foot reads goes to its file at once; the Qt editor writes its
  // file when its text has changed.
  bool ReadAtOnce() const override { return atOnce_; }

 private:
  sway::TextTarget target_;
  std::string enter_;
  bool atOnce_;
};

class SwayDesktop : public Desktop {
 public:
  ~SwayDesktop() override { Sway::SetLayout("us"); }

  std::unique_ptr<ProgramUnderTest> Start(const std::vector<std::string>& arguments, const StartOptions& options) override {
    std::vector<std::string> environment;
    if (options.dpi > 0) environment.push_back("QT_FONT_DPI=" + std::to_string(options.dpi));
    return std::make_unique<SwayProgram>(layout_, pointer_, arguments, environment);
  }
  std::size_t LongestArgumentText() override { return 32 * 4096 - 1; }
  bool Minimises() const override { return false; }
  std::string CannotClick(int id) override {
    const rt::Control* control = layout_.Find(id);
    if (control && (pointer_.Ready() || !FormLayout::AccessKey(*control).empty())) return "";
    return "the test's pointer is not on the seat, and the control \"" + (control ? control->Name() : std::to_string(id)) +
           "\" has no access key";
  }
  bool SeesControls() const override { return false; }
  std::optional<int> ScreenDpi() override { return std::nullopt; }

  std::optional<std::string> Clipboard() override { return sway::Clipboard(); }
  bool SetClipboard(const std::string& text) override {
    const std::string file = linux_e2e::ScratchFile("clipboard");
    std::ofstream(file, std::ios::binary) << text;
    int code = 0;
    sway::Run("wl-copy < " + sway::Quote(file), &code);
    std::remove(file.c_str());
    return code == 0;
  }
  std::string ComposedLine(const std::string& settings) override {
    return std::string(STRUMLET_EXE) + " " + sway::Quote(settings);
  }

  std::unique_ptr<TextTarget> OpenTarget(const std::string& title, TargetKind kind) override {
    if (kind == TargetKind::Editor) return std::make_unique<SwayTarget>(sway::TextTarget::Kind::Qt, title, "\n");
    return std::make_unique<SwayTarget>(sway::TextTarget::Kind::Foot, title, "\r");
  }

  std::vector<std::string> Layouts() override { return {std::begin(kLayouts), std::end(kLayouts)}; }
  bool SetLayout(const std::string& layout) override { return Sway::SetLayout(layout); }

 private:
  FormLayout layout_;
  // Up before any program starts, so that every program has bound it.
  sway::UserPointer pointer_;
};

}  // namespace

std::unique_ptr<Desktop> MakeDesktop() { return std::make_unique<SwayDesktop>(); }

}  // namespace strumlet::e2e
