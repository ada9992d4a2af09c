// The real Linux program on a real X server (Xvfb with openbox), typing
// into a real xterm whose shell copies every byte it reads, raw, to a file:
// what only the X11 edition has (the shared scenarios are in ../e2e).
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "desktop.h"
#include "typing_cases.h"
#include "platform/text.h"
#include "platform/x11/x_keyboard.h"

// Xlib last: its macros (None, Bool) clash with the names above.
#include <X11/keysym.h>

namespace {

using namespace strumlet::linux_e2e;

TEST(LinuxSend, TheArgumentsMayComeSplitByTheShell) {
  Xterm target("Split Target");
  ASSERT_TRUE(target.Ready());
  Program program({"/Split", "Target/a", "b/2"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "a b");
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

// The typing's barrier: a Qt editor's ping; xterm's is a guard time.
TEST(LinuxSend, AQtEditorAnswersPingAndXtermDoesNot) {
  {
    QtEditor target("Qt Ping Target");
    ASSERT_TRUE(target.Ready());
    EXPECT_TRUE(rt::x11::XKeyboard().TargetAnswersPing());
  }
  Xterm target("Ping Target");
  ASSERT_TRUE(target.Ready());
  EXPECT_FALSE(rt::x11::XKeyboard().TargetAnswersPing());
}

TEST(LinuxStartup, WithoutADisplayItEndsWithExitCodeThreeAndSaysWhy) {
  for (const char* display : {"DISPLAY=", "DISPLAY=:65000"}) {
    SCOPED_TRACE(display);
    std::string errors = ScratchFile("stderr");
    Process program(Spawn({STRUMLET_EXE, "/Some window/keys/2"}, {display}, errors));
    EXPECT_EQ(program.WaitExit(), 3);
    EXPECT_NE(ReadFile(errors).find("Strumlet: cannot open the X display"), std::string::npos) << ReadFile(errors);
    unlink(errors.c_str());
  }
}

}  // namespace
