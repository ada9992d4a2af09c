// The real Linux program on a real X server (Xvfb with openbox), typing
// into a real xterm whose shell copies every byte it reads, raw, to a file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "desktop.h"
#include "platform/text.h"
#include "platform/x11/x_keyboard.h"

// Xlib last: its macros (None, Bool) clash with the names above.
#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace {

using namespace strumlet::linux_e2e;

TEST(LinuxSend, OnceTypesThePieceWithItsPauseAndEndsWithExitCodeZero) {
  Xterm target("Editor Target");
  ASSERT_TRUE(target.Ready());
  Program program({"/editor target/hello{1}world~/2"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "helloworld\r");
}

TEST(LinuxSend, TheArgumentsMayComeSplitByTheShell) {
  Xterm target("Split Target");
  ASSERT_TRUE(target.Ready());
  Program program({"/Split", "Target/a", "b/2"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "a b");
}

TEST(LinuxSend, TheNotationArrivesByteForByte) {
  Xterm target("Notation Target");
  ASSERT_TRUE(target.Ready());
  Program program({"/Notation Target/+hello +(ab)~{TAB}^a%x{LEFT}{x 3}{+}{%}{{}{}}{(}{)}{~}{^}caf\xC3\xA9 \xE2\x82\xAC/2"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "Hello AB\r\t\001\033x\033[Dxxx+%{}()~^caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(LinuxSend, AMissingTargetShowsTheRedStatusAndOnceEndsWithExitCodeOne) {
  {
    strumlet::linux_e2e::Screen screen;
    strumlet::testing::Harness layout;
    strumlet::Form1& f = layout.main();
    Program program({"/No Such Window 4711/abc/3/loop"});
    XWindow main = screen.AwaitMain(program.Pid());
    ASSERT_NE(main, 0u);
    EXPECT_TRUE(WaitFor([&] { return screen.CornerColor(main, f.ClientWidth, f.Label2) == 0xFF0000u; }, 45s))
        << std::hex << screen.CornerColor(main, f.ClientWidth, f.Label2);
    EXPECT_TRUE(program.Running()) << "a Loop run goes on";
  }
  Program once({"/No Such Window 4711/abc/2"});
  EXPECT_EQ(once.WaitExit(), 1);
}

TEST(LinuxSend, PersistWaitsForTheWindowThenSendsOnce) {
  Program program({"/Late Target/found it/2/persist"});
  Xterm target("Late Target");
  ASSERT_TRUE(target.Ready());
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "found it");
}

TEST(LinuxSend, LoopSendsAgainAndACoveredOrMinimisedTargetIsBroughtBack) {
  Xterm target("Loop Target");
  ASSERT_TRUE(target.Ready());
  Xterm cover("Cover Window");
  ASSERT_TRUE(cover.Ready());
  Program program({"/Loop Target/ab/2/loop"});
  EXPECT_TRUE(target.WaitText("ab")) << target.Text();
  strumlet::linux_e2e::Screen screen;
  screen.Minimise(target.Window());
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
    Xterm target(title);
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
    Xterm target(title);
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
    QtEditor target(title);
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
  Xterm target("Ping Target");
  ASSERT_TRUE(target.Ready());
  EXPECT_FALSE(rt::x11::XKeyboard().TargetAnswersPing());
}

}  // namespace
