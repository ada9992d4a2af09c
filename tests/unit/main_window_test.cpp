// The main window: pausing, resuming and restarting the countdown, and a
// window the system cannot create.
#include <gtest/gtest.h>

#include <string>

#include "test_support.h"

namespace {

using strumlet::testing::Harness;

TEST(MainWindow, PauseResumeAndRestart) {
  Harness h(u"/T/x/9/loop");
  h.Start();
  strumlet::Form1& f = h.main();
  h.backend.Activate(f);
  rt::fake::Tick(h.app, f.Timer1, 2);
  ASSERT_EQ(f.Run.Counter, 7);

  rt::fake::Click(h.app, f.Command2);
  EXPECT_FALSE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Command2.Caption(), u"&Resume Counter");
  rt::fake::Tick(h.app, f.Timer1, 3);
  EXPECT_EQ(f.Run.Counter, 7) << "paused: the count stands still";
  rt::fake::Click(h.app, f.Command2);
  EXPECT_TRUE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
  EXPECT_EQ(f.Run.Counter, 7) << "resumed from where it was";

  f.Timer1.SetTimerEnabled(false);
  f.Text3.SetText(u"30");
  rt::fake::Click(h.app, f.Command1);
  EXPECT_TRUE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
  EXPECT_EQ(f.Run.Counter, 30);
  EXPECT_EQ(f.Label1.Caption(), u"7") << "shown at the next tick";

  f.Text3.SetText(u"soon");
  rt::fake::Click(h.app, f.Command1);
  EXPECT_EQ(f.Run.Counter, 30) << "a bad interval leaves the count";
  ASSERT_EQ(h.os.Texts("MsgBox").size(), 1u);
}

// The system refuses the timer while the countdown runs, or when the user
// resumes it: the countdown stands paused, the button says so by offering to
// resume, and resuming asks the system again.
TEST(MainWindow, ATimerTheSystemRefusesLeavesTheCountdownPausedAndResumable) {
  struct Case {
    const char* name;
    bool pausedFirst;
  };
  for (const Case& c : {Case{"while counting", false}, Case{"on resuming", true}}) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    h.backend.Activate(f);
    rt::fake::Tick(h.app, f.Timer1, 2);
    if (c.pausedFirst) {
      rt::fake::Click(h.app, f.Command2);
      rt::fake::Click(h.app, f.Command2);
    }
    rt::fake::Refuse(h.app, f.Timer1, u"no timers left");

    EXPECT_FALSE(f.Timer1.TimerEnabled());
    EXPECT_EQ(f.Command2.Caption(), u"&Resume Counter");
    ASSERT_EQ(h.os.Texts("MsgBox").size(), 1u);
    EXPECT_EQ(h.os.Texts("MsgBox")[0], u"no timers left");
    rt::fake::Tick(h.app, f.Timer1, 3);
    EXPECT_EQ(f.Run.Counter, 7) << "the count stands still";

    rt::fake::Click(h.app, f.Command2);
    EXPECT_TRUE(f.Timer1.TimerEnabled());
    EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
    rt::fake::Tick(h.app, f.Timer1);
    EXPECT_EQ(f.Run.Counter, 6) << "counting again";
  }
}

TEST(MainWindow, AWindowTheSystemCannotCreateEndsTheProgramWithAMessage) {
  const struct {
    const char* name;
    const char* refused;  // the form whose window is refused
    bool opensHelpFirst;
  } cases[] = {
      {"the main window at start", "Form1", false},
      {"the About window", "frmAbout", true},
      {"the window list", "Form3", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.backend.refuseWindows = {c.refused};
    h.Start();
    strumlet::Form1& f = h.main();
    if (std::string(c.refused) != "Form1") {
      ASSERT_TRUE(f.Loaded());
      if (c.opensHelpFirst) rt::fake::Click(h.app, f.Command3);
      rt::fake::Click(h.app, std::string(c.refused) == "frmAbout" ? f.Command5 : f.Command7);
    }
    ASSERT_EQ(h.os.Texts("MsgBox").size(), 1u);
    EXPECT_NE(h.os.Texts("MsgBox")[0].find(u"could not create the window"), rt::ustring::npos);
    EXPECT_FALSE(h.app.AnyLoaded()) << "no window is left running without its native window";
    EXPECT_TRUE(h.backend.quit) << "the message loop ends";
    EXPECT_EQ(h.program.ExitCode(), 3);
    EXPECT_FALSE(f.Loaded());
  }
}

}  // namespace
