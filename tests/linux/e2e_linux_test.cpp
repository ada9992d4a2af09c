// The real Linux program on a real X server (Xvfb with openbox), typing
// into a real xterm whose shell copies every byte it reads, raw, to a file.
#include <gtest/gtest.h>

#include <X11/XKBlib.h>
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

#include "platform/activation.h"
#include "platform/text.h"
#include "platform/x11/x11_windows.h"
#include "platform/x11/x_keyboard.h"

#ifndef STRUMLET_EXE
#error "STRUMLET_EXE names the program under test"
#endif
#ifndef QT_TEXT_TARGET
#error "QT_TEXT_TARGET names the Qt text editor the tests type into"
#endif

namespace {

using namespace std::chrono_literals;

bool WaitFor(const std::function<bool()>& done, std::chrono::milliseconds limit) {
  auto deadline = std::chrono::steady_clock::now() + limit;
  while (!done()) {
    if (std::chrono::steady_clock::now() > deadline) return false;
    std::this_thread::sleep_for(10ms);
  }
  return true;
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

pid_t Spawn(const std::vector<std::string>& args) {
  pid_t pid = fork();
  if (pid == 0) {
    std::vector<char*> argv;
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);
    execvp(argv[0], argv.data());
    _exit(127);
  }
  return pid;
}

// The desktop as another program sees it.
struct Desktop {
  Desktop() : display(XOpenDisplay(nullptr)), windows(display, 0) {}
  ~Desktop() { XCloseDisplay(display); }
  rt::WindowHandle Find(const std::u16string& title) { return rt::FindWindowByCaption(title, windows); }
  Display* display;
  rt::x11::X11Windows windows;
};

// An xterm titled `title` that appends every byte it receives to a file.
// Alt comes as ESC before the key (metaSendsEscape), as terminals send it
// today; xterm's default would set the byte's eighth bit instead, which -u8
// turns into a Latin-1 character (Alt+x: "\xC3\xB8").
class Target {
 public:
  explicit Target(const std::string& title) : file_("/tmp/strumlet_e2e_" + std::to_string(getpid()) + "_" + std::to_string(++count_)) {
    unlink(file_.c_str());
    close(open(file_.c_str(), O_CREAT | O_WRONLY, 0644));
    std::string ready = file_ + ".ready";
    pid_ = Spawn({"xterm", "-u8", "-xrm", "XTerm*metaSendsEscape: true", "-T", title, "-e", "sh", "-c",
                  "stty raw -echo && : > '" + ready + "'; exec cat >> '" + file_ + "'"});
    ready_ = WaitFor([&] { return desktop_.Find(rt::FromUtf8(title)) != 0; }, 30s) &&
             // Once stty has run, the terminal keeps every byte for cat,
             // however late cat starts.
             WaitFor([&] { return access(ready.c_str(), F_OK) == 0; }, 30s) &&
             // Openbox gives a new window the focus.
             WaitFor([&] { return desktop_.windows.Foreground() == desktop_.Find(rt::FromUtf8(title)); }, 30s);
    unlink(ready.c_str());
  }
  ~Target() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    unlink(file_.c_str());
  }
  bool Ready() const { return ready_; }
  std::string Text() const { return ReadFile(file_); }
  bool WaitText(const std::string& text, std::chrono::milliseconds limit = 60s) const {
    return WaitFor([&] { return Text() == text; }, limit);
  }
  rt::WindowHandle Window(const std::string& title) { return desktop_.Find(rt::FromUtf8(title)); }
  Desktop& desktop() { return desktop_; }

 private:
  static inline int count_ = 0;
  Desktop desktop_;
  std::string file_;
  pid_t pid_ = 0;
  bool ready_ = false;
};

// A Qt text editor titled `title` (qt_text_target) that writes its text to
// a file whenever it changes. Unlike xterm it answers _NET_WM_PING.
class QtTarget {
 public:
  explicit QtTarget(const std::string& title)
      : file_("/tmp/strumlet_e2e_qt_" + std::to_string(getpid()) + "_" + std::to_string(++count_)) {
    unlink(file_.c_str());
    pid_ = Spawn({QT_TEXT_TARGET, title, file_});
    // The file appears once the window is up and its event loop runs.
    ready_ = WaitFor([&] { return access(file_.c_str(), F_OK) == 0; }, 30s) &&
             WaitFor([&] { return desktop_.Find(rt::FromUtf8(title)) != 0; }, 30s) &&
             WaitFor([&] { return desktop_.windows.Foreground() == desktop_.Find(rt::FromUtf8(title)); }, 30s);
  }
  ~QtTarget() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
    unlink(file_.c_str());
  }
  bool Ready() const { return ready_; }
  std::string Text() const { return ReadFile(file_); }
  bool WaitText(const std::string& text, std::chrono::milliseconds limit = 60s) const {
    return WaitFor([&] { return Text() == text; }, limit);
  }

 private:
  static inline int count_ = 0;
  Desktop desktop_;
  std::string file_;
  pid_t pid_ = 0;
  bool ready_ = false;
};

class Program {
 public:
  explicit Program(std::vector<std::string> args) {
    args.insert(args.begin(), STRUMLET_EXE);
    pid_ = Spawn(args);
  }
  ~Program() {
    if (pid_ > 0) {
      kill(pid_, SIGTERM);
      waitpid(pid_, nullptr, 0);
    }
  }
  // The exit code, or -1 when it has not ended within the limit.
  int WaitExit(std::chrono::milliseconds limit = 90s) {
    int status = 0;
    bool ended = WaitFor([&] { return waitpid(pid_, &status, WNOHANG) == pid_; }, limit);
    if (!ended) return -1;
    pid_ = 0;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }

 private:
  pid_t pid_ = 0;
};

TEST(LinuxSend, OnceTypesThePieceWithItsPauseAndEndsWithExitCodeZero) {
  Target target("Editor Target");
  ASSERT_TRUE(target.Ready());
  Program program({"/editor target/hello{1}world~/2"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "helloworld\r");
}

TEST(LinuxSend, TheArgumentsMayComeSplitByTheShell) {
  Target target("Split Target");
  ASSERT_TRUE(target.Ready());
  Program program({"/Split", "Target/a", "b/2"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "a b");
}

TEST(LinuxSend, TheNotationArrivesByteForByte) {
  Target target("Notation Target");
  ASSERT_TRUE(target.Ready());
  Program program({"/Notation Target/+hello +(ab)~{TAB}^a%x{LEFT}{x 3}{+}{%}{{}{}}{(}{)}{~}{^}caf\xC3\xA9 \xE2\x82\xAC/2"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "Hello AB\r\t\001\033x\033[Dxxx+%{}()~^caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(LinuxSend, AMissingTargetEndsTheOnceRunWithExitCodeOne) {
  Program program({"/No Such Window 4711/abc/2"});
  EXPECT_EQ(program.WaitExit(), 1);
}

TEST(LinuxSend, PersistWaitsForTheWindowThenSendsOnce) {
  Program program({"/Late Target/found it/2/persist"});
  Target target("Late Target");
  ASSERT_TRUE(target.Ready());
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "found it");
}

TEST(LinuxSend, LoopSendsAgainAndACoveredOrMinimisedTargetIsBroughtBack) {
  Target target("Loop Target");
  ASSERT_TRUE(target.Ready());
  Target cover("Cover Window");
  ASSERT_TRUE(cover.Ready());
  Program program({"/Loop Target/ab/2/loop"});
  EXPECT_TRUE(target.WaitText("ab")) << target.Text();
  XIconifyWindow(target.desktop().display, static_cast<Window>(target.Window("Loop Target")), 0);
  XFlush(target.desktop().display);
  EXPECT_TRUE(target.WaitText("abab")) << target.Text();
  EXPECT_EQ(cover.Text(), "") << "nothing went to the other window";
}

// The keyboard's state as another X client sees and changes it: the layout
// (us again when the test ends), Caps Lock, and keys held through XTest.
class Keyboard {
 public:
  Keyboard() : display_(XOpenDisplay(nullptr)) {}
  ~Keyboard() {
    if (CapsLock()) ToggleCapsLock();
    for (int kc : held_) XTestFakeKeyEvent(display_, static_cast<unsigned>(kc), False, CurrentTime);
    XSync(display_, False);
    XCloseDisplay(display_);
    std::system("setxkbmap us");
  }
  bool SetLayout(const std::string& layout) { return std::system(("setxkbmap " + layout).c_str()) == 0; }
  bool CapsLock() {
    XkbStateRec state{};
    XkbGetState(display_, XkbUseCoreKbd, &state);
    return (state.locked_mods & LockMask) != 0;
  }
  void ToggleCapsLock() { Tap(XK_Caps_Lock); }
  // Presses the key and keeps it down, as a user (or another tool) would.
  void Hold(KeySym sym) {
    int kc = XKeysymToKeycode(display_, sym);
    XTestFakeKeyEvent(display_, static_cast<unsigned>(kc), True, CurrentTime);
    XSync(display_, False);
    held_.push_back(kc);
  }
  bool IsDown(KeySym sym) {
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    int kc = XKeysymToKeycode(display_, sym);
    return (keys[kc / 8] & (1 << (kc % 8))) != 0;
  }

 private:
  void Tap(KeySym sym) {
    unsigned kc = XKeysymToKeycode(display_, sym);
    XTestFakeKeyEvent(display_, kc, True, CurrentTime);
    XTestFakeKeyEvent(display_, kc, False, CurrentTime);
    XSync(display_, False);
  }
  Display* display_;
  std::vector<int> held_;
};

// The layouts the program is tried under, and a text with characters outside
// their keymaps: ä (on de only) and ✓ (on none).
const char* const kLayouts[] = {"us", "de", "fr"};
const char kMixedCase[] = "Hello World 42 \xC3\xA4 \xE2\x9C\x93 abc";

TEST(LinuxSend, CapsLockOnBeforehandLeavesTheTextAsWrittenAndIsOnAgainAfterwards) {
  for (const char* layout : kLayouts) {
    SCOPED_TRACE(layout);
    Keyboard keyboard;
    ASSERT_TRUE(keyboard.SetLayout(layout));
    const std::string title = std::string("Caps Target ") + layout;
    Target target(title);
    ASSERT_TRUE(target.Ready());
    keyboard.ToggleCapsLock();
    ASSERT_TRUE(WaitFor([&] { return keyboard.CapsLock(); }, 10s));
    Program program({"/" + title + "/" + kMixedCase + "/2"});
    EXPECT_EQ(program.WaitExit(), 0);
    EXPECT_TRUE(target.WaitText(kMixedCase)) << target.Text();
    EXPECT_TRUE(keyboard.CapsLock()) << "Caps Lock is on again";
  }
}

TEST(LinuxSend, AShiftHeldByAnotherClientIsReleasedNotPressedAgain) {
  for (const char* layout : kLayouts) {
    SCOPED_TRACE(layout);
    Keyboard keyboard;
    ASSERT_TRUE(keyboard.SetLayout(layout));
    const std::string title = std::string("Shift Target ") + layout;
    Target target(title);
    ASSERT_TRUE(target.Ready());
    keyboard.Hold(XK_Shift_L);
    ASSERT_TRUE(keyboard.IsDown(XK_Shift_L));
    Program program({"/" + title + "/" + kMixedCase + "/2"});
    EXPECT_EQ(program.WaitExit(), 0);
    EXPECT_TRUE(target.WaitText(kMixedCase)) << target.Text();
    EXPECT_FALSE(keyboard.IsDown(XK_Shift_L)) << "the held Shift is up after the send";
  }
}

// Characters that no key of us, de or fr types with at most Shift (ä ö ü ß €
// are de's), 66 different ones, more than there are spare keycodes, twice
// over: spare keycodes are rebound while the text goes out, each after the
// editor has answered a ping for the keys that used it.
std::string OutsideTheKeymaps() {
  std::u16string one;
  for (char16_t c = u'\u0430'; c <= u'\u044F'; ++c) one += c;  // а..я
  for (char16_t c = u'\u03B1'; c <= u'\u03C9'; ++c) one += c;  // α..ω
  one += u"\u00E4\u00F6\u00FC\u00DF\u20AC\u2713\u2192\u03A9\u2026";  // äöüß€✓→Ω…
  return rt::ToUtf8(one + one);
}

TEST(LinuxSend, TheNotationAndCharactersOutsideTheKeymapArriveExactlyInAQtEditor) {
  // The notation and what the editor holds for it: keys that type, named
  // keys that edit (Left, Backspace, End), Enter as a new line.
  const struct {
    const char* keys;
    const char* text;
  } corpus[] = {
      {"abcxyz ABCXYZ 0123456789", "abcxyz ABCXYZ 0123456789"},
      {"!@#$&*_=-[]\\;:'\",.<>?|`", "!@#$&*_=-[]\\;:'\",.<>?|`"},
      {"{{}{}}{+}{^}{%}{~}{(}{)}", "{}+^%~()"},
      {"a~b{ENTER}{TAB}c", "a\nb\n\tc"},
      {"+(abc)d +e", "ABCd E"},
      {"{h 10}", "hhhhhhhhhh"},
      {"abc{LEFT}{BS}x{END}", "axc"},
  };
  std::string keys, text;
  for (const auto& c : corpus) {
    keys += std::string(c.keys) + "~";
    text += std::string(c.text) + "\n";
  }
  keys += OutsideTheKeymaps();
  text += OutsideTheKeymaps();
  ASSERT_GE(rt::FromUtf8(OutsideTheKeymaps()).size(), 128u);
  for (const char* layout : kLayouts) {
    SCOPED_TRACE(layout);
    Keyboard keyboard;
    ASSERT_TRUE(keyboard.SetLayout(layout));
    const std::string title = std::string("Qt Target ") + layout;
    QtTarget target(title);
    ASSERT_TRUE(target.Ready());
    // The editor has the focus: the typing's barrier is its ping, xterm's
    // is a guard time.
    EXPECT_TRUE(rt::x11::XKeyboard().TargetAnswersPing());
    Program program({"/" + title + "/" + keys + "/2"});
    EXPECT_EQ(program.WaitExit(), 0);
    EXPECT_TRUE(target.WaitText(text)) << target.Text();
  }
}

TEST(LinuxSend, XtermAnswersNoPing) {
  Target target("Ping Target");
  ASSERT_TRUE(target.Ready());
  EXPECT_FALSE(rt::x11::XKeyboard().TargetAnswersPing());
}

}  // namespace
