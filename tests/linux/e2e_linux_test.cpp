// The real Linux program on a real X server (Xvfb with openbox), typing
// into a real xterm whose shell copies every byte it reads, raw, to a file.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "desktop.h"
#include "typing_cases.h"
#include "platform/text.h"
#include "platform/x11/x_keyboard.h"

// Xlib last: its macros (None, Bool) clash with the names above.
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

TEST(LinuxSend, TheNotationAndCharactersOutsideTheKeymapArriveExactlyInAQtEditor) {
  const std::string keys = EditorCorpusKeys(), text = EditorCorpusText();
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
