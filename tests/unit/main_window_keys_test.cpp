// The main window's keys (Esc pauses, F1 resumes, Shift+Esc closes), and
// the same keys in the Help and About windows.
#include <gtest/gtest.h>

#include "mainwin/form1_ids.h"
#include "test_support.h"

namespace {

using strumlet::testing::Harness;

constexpr int kEsc = 27;
constexpr int kF1 = 112;
// The control that has the focus when the main window first opens: the
// first one in tab order that takes it.
constexpr int kFirstFocus = strumlet::form1_ids::kText1;

TEST(MainWindow, KeysActOnReleaseWhileTheWindowIsActive) {
  const struct {
    const char* name;
    bool startPaused;
    int key, shift;
    bool active;
    bool runningAfter;
    int focus;  // control that has the focus after
    bool closed;
  } cases[] = {
      {"Esc pauses", false, kEsc, 0, true, false, strumlet::form1_ids::kSendNow, false},
      {"Esc while paused stays paused", true, kEsc, 0, true, false, strumlet::form1_ids::kSendNow, false},
      {"F1 resumes", true, kF1, 0, true, true, strumlet::form1_ids::kCommand2, false},
      {"Shift+F1 resumes", true, kF1, 1, true, true, strumlet::form1_ids::kCommand2, false},
      {"Ctrl+F1 resumes", true, kF1, 2, true, true, strumlet::form1_ids::kCommand2, false},
      {"F1 while running", false, kF1, 0, true, true, strumlet::form1_ids::kCommand2, false},
      {"Ctrl+Esc does nothing", false, kEsc, 2, true, true, kFirstFocus, false},
      {"Alt+Esc does nothing", false, kEsc, 4, true, true, kFirstFocus, false},
      {"Shift+Ctrl+Esc does nothing", false, kEsc, 3, true, true, kFirstFocus, false},
      {"Shift+Esc closes", false, kEsc, 1, true, true, 0, true},
      {"not active: Esc does nothing", false, kEsc, 0, false, true, kFirstFocus, false},
      {"not active: Shift+Esc does nothing", false, kEsc, 1, false, true, kFirstFocus, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    if (!c.active) h.backend.ActivateOtherProgram();
    if (c.startPaused) rt::fake::Click(h.app, f.Command2);
    rt::fake::Tick(h.app, f.Timer1);
    int counter = f.Run.Counter;
    // Only the release: the key went down in another window.
    rt::fake::KeyUp(h.app, h.backend, c.key, c.shift);
    EXPECT_EQ(f.Loaded(), !c.closed);
    if (c.closed) continue;
    EXPECT_EQ(f.Timer1.TimerEnabled(), c.runningAfter);
    EXPECT_EQ(f.Command2.Caption(), c.runningAfter ? u"P&ause Counter" : u"&Resume Counter");
    EXPECT_EQ(f.Run.Counter, counter) << "keys never change the count";
    EXPECT_EQ(h.backend.State(f).focusedControl, c.focus);
  }
}

TEST(MainWindow, ShiftEscClosesEveryWindowNewestFirst) {
  Harness h;
  h.Start();
  strumlet::Form1& f = h.main();
  rt::fake::Click(h.app, f.Command3);
  rt::fake::Click(h.app, f.Command5);
  rt::fake::Click(h.app, f.Command3);
  ASSERT_EQ(h.app.Forms().size(), 3u) << "one help and one About window";
  auto* help = f.HelpWindow.IfLoaded();
  auto* about = f.AboutWindow.IfLoaded();
  h.backend.Activate(f);
  rt::fake::Press(h.app, h.backend, kEsc, 1);
  EXPECT_TRUE(h.app.Forms().empty());
  EXPECT_TRUE(help->Discarded());
  EXPECT_TRUE(about->Discarded());
  EXPECT_TRUE(h.backend.quit);
}

TEST(MainWindow, EscClicksCommand2AndItsReleaseStillReachesFormKeyUp) {
  const struct {
    const char* name;
    bool startPaused;
    bool runningAfterDown;  // Command2 toggled the countdown
  } cases[] = {
      {"running", false, false},
      {"paused", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    ASSERT_EQ(h.backend.ActiveForm(), &f) << "the main window opens active";
    if (c.startPaused) rt::fake::Click(h.app, f.Command2);
    rt::fake::KeyDown(h.app, h.backend, kEsc, 0);
    EXPECT_EQ(f.Timer1.TimerEnabled(), c.runningAfterDown);
    EXPECT_EQ(f.Command2.Caption(), c.runningAfterDown ? u"P&ause Counter" : u"&Resume Counter");
    EXPECT_EQ(h.backend.State(f).focusedControl, kFirstFocus) << "the press alone does not move the focus";
    rt::fake::KeyUp(h.app, h.backend, kEsc, 0);
    EXPECT_FALSE(f.Timer1.TimerEnabled()) << "Esc always ends paused";
    EXPECT_EQ(f.Command2.Caption(), u"&Resume Counter");
    EXPECT_EQ(h.backend.State(f).focusedControl, strumlet::form1_ids::kSendNow) << "Form_KeyUp ran";
  }
}

TEST(MainWindow, KeysInTheHelpAndAboutWindowsLeaveTheCountdownAlone) {
  enum Window { kHelp, kAbout };
  const struct {
    const char* name;
    Window window;
    bool startPaused;
    int key, shift;
    bool pressed;  // pressed there too, not only released
  } cases[] = {
      {"F1 in Help while paused", kHelp, true, kF1, 0, true},
      {"F1 in About while paused", kAbout, true, kF1, 0, true},
      {"Esc released in Help while running", kHelp, false, kEsc, 0, false},
      {"Esc released in About while running", kAbout, false, kEsc, 0, false},
      {"Shift+Esc released in Help", kHelp, false, kEsc, 1, false},
      {"Shift+Esc released in About", kAbout, false, kEsc, 1, false},
      {"Ctrl+Esc in Help", kHelp, false, kEsc, 2, true},
      {"Ctrl+Esc in About", kAbout, true, kEsc, 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    if (c.startPaused) rt::fake::Click(h.app, f.Command2);
    rt::fake::Click(h.app, c.window == kHelp ? f.Command3 : f.Command5);
    rt::Form* window = c.window == kHelp ? static_cast<rt::Form*>(f.HelpWindow.IfLoaded()) : f.AboutWindow.IfLoaded();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(h.backend.ActiveForm(), window) << "a window that opens is active";
    int focus = h.backend.State(f).focusedControl;
    if (c.pressed) {
      rt::fake::Press(h.app, h.backend, c.key, c.shift);
    } else {
      rt::fake::KeyUp(h.app, h.backend, c.key, c.shift);
    }
    EXPECT_TRUE(f.Loaded());
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(f.Timer1.TimerEnabled(), !c.startPaused);
    EXPECT_EQ(f.Command2.Caption(), c.startPaused ? u"&Resume Counter" : u"P&ause Counter");
    EXPECT_EQ(h.backend.State(f).focusedControl, focus);
  }
}

TEST(MainWindow, EscClosesHelpAndAboutThroughTheirCancelButtons) {
  for (bool help : {true, false}) {
    SCOPED_TRACE(help ? "Help" : "About");
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    rt::fake::Click(h.app, help ? f.Command3 : f.Command5);
    rt::Form* window = help ? static_cast<rt::Form*>(f.HelpWindow.IfLoaded()) : f.AboutWindow.IfLoaded();
    ASSERT_NE(window, nullptr);
    rt::fake::KeyDown(h.app, h.backend, kEsc, 0);
    EXPECT_TRUE(window->Discarded());
    EXPECT_EQ(h.backend.ActiveForm(), &f) << "the main window is active again";
    EXPECT_TRUE(f.Timer1.TimerEnabled()) << "the press alone leaves the countdown";
  }
}

}  // namespace
