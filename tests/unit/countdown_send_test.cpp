// The sends of the countdown: Send Now, what arrives at the target, a send
// that fails, and how the target is found.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/activation.h"
#include "platform/errors.h"
#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::kCaption;
using strumlet::testing::kNotFound;
using strumlet::testing::RunTicks;

TEST(Countdown, SendNow) {
  Harness h(u"/Target/x/20/loop");
  h.os.desktop.AddWindow({.caption = u"Target"});
  h.Start();
  strumlet::Form1& f = h.main();
  f.Timer1.SetTimerEnabled(false);
  f.Command2.SetCaption(u"&Resume Counter");
  rt::fake::Click(h.app, f.SendNow);
  EXPECT_TRUE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Run.Counter, 2);
  EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
  EXPECT_EQ(RunTicks(h, 2), (std::vector<std::string>{"1 AppActivate:Target", "0 SendKeys:x"}));
}

TEST(Countdown, SendNowAfterAOnceSendDoesNotSendAgain) {
  Harness h(u"/Target/x/2");
  h.os.desktop.AddWindow({.caption = u"Target"});
  h.Start();
  rt::fake::Tick(h.app, h.main().Timer1, 2);
  EXPECT_EQ(h.main().Run.RunFinished, 1);
  rt::fake::Click(h.app, h.main().SendNow);
  rt::fake::Tick(h.app, h.main().Timer1);
  EXPECT_FALSE(h.main().Loaded());
  EXPECT_EQ(h.os.Texts("SendKeys").size(), 1u);
}

TEST(Countdown, LoopAfterAOnceSendStaysFinished) {
  Harness h(u"/Target/x/2");
  h.os.desktop.AddWindow({.caption = u"Target"});
  h.Start();
  rt::fake::Tick(h.app, h.main().Timer1, 2);
  rt::fake::Click(h.app, h.main().mLoop);
  rt::fake::Tick(h.app, h.main().Timer1, 6);
  EXPECT_TRUE(h.main().Loaded());
  EXPECT_EQ(h.os.Texts("SendKeys").size(), 1u);
  EXPECT_EQ(h.main().Label2.Caption(), u"Window not found!");
  EXPECT_EQ(h.main().Label1.Caption(), u"-1");
}

TEST(Countdown, AFailedSendTakesTheNotFoundStep) {
  Harness h(u"/Target/abc{1}def/2");
  h.os.desktop.AddWindow({.caption = u"Target"});
  h.os.onSendKeys = [](rt::ustring_view keys) {
    if (keys == u"def") throw rt::RuntimeError(rt::ErrorCode::SendFailed, "refused");
  };
  h.Start();
  rt::fake::Tick(h.app, h.main().Timer1, 2);
  EXPECT_FALSE(h.main().Loaded());
  EXPECT_EQ(h.app.ExitCode(), 1);
  EXPECT_EQ(h.os.Texts("SendKeys"), std::vector<rt::ustring>{u"abc"}) << "what was typed before stays";
  EXPECT_EQ(h.os.keyboard.text, u"abc");
}

// What happens to the foreground in the second between the activation and
// the send: the keys go to the named window or nowhere.
TEST(Countdown, TheKeysGoToTheActivatedWindowWhateverCameInFrontMeanwhile) {
  enum class Meanwhile { Nothing, OtherProgramInFront, TargetsDialogInFront, TargetClosed };
  const struct {
    const char* name;
    Meanwhile meanwhile;
    std::vector<std::string> ticks;
    bool sentInTarget;  // the keys were typed with the target's program in front
  } cases[] = {
      {"nothing moved", Meanwhile::Nothing, {"1 AppActivate:Target", "0 SendKeys:x"}, true},
      {"another program came in front",
       Meanwhile::OtherProgramInFront,
       {"1 AppActivate:Target", "0 AppActivate:Target SendKeys:x"},
       true},
      {"a dialog of the target's program came in front",
       Meanwhile::TargetsDialogInFront,
       {"1 AppActivate:Target", "0 SendKeys:x"},
       true},
      {"the target closed", Meanwhile::TargetClosed, {"1 AppActivate:Target", "0 AppActivate:Target END"}, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/Target/x/2");
    rt::WindowHandle target = h.os.desktop.AddWindow({.caption = u"Target"});
    rt::WindowHandle other = h.os.desktop.AddWindow({.caption = u"Other"});
    bool sentInTarget = false;
    h.os.onSendKeys = [&](rt::ustring_view) { sentInTarget = rt::InFront(h.os.desktop, target); };
    h.Start();
    std::vector<std::string> ticks = RunTicks(h, 1);
    switch (c.meanwhile) {
      case Meanwhile::Nothing: break;
      case Meanwhile::OtherProgramInFront: h.os.desktop.UserActivates(other); break;
      case Meanwhile::TargetsDialogInFront:
        h.os.desktop.UserActivates(h.os.desktop.AddWindow({.caption = u"Find", .owner = target}));
        break;
      case Meanwhile::TargetClosed: h.os.desktop.CloseWindow(target); break;
    }
    for (const std::string& line : RunTicks(h, 1)) ticks.push_back(line);
    EXPECT_EQ(ticks, c.ticks);
    EXPECT_EQ(sentInTarget, c.sentInTarget);
    RunTicks(h, 1);  // a Once run that has sent ends on the next tick
    EXPECT_FALSE(h.main().Loaded());
    EXPECT_EQ(h.app.ExitCode(), c.sentInTarget ? 0 : 1);
  }
}

// The pieces go through the notation and the typing engine onto the fake
// keyboard: what arrives, and where invalid notation or a refused injection
// stops a Once run.
TEST(Countdown, ThePiecesArriveAsTheNotationSays) {
  const struct {
    const char* name;
    const char16_t* command;
    long refuseAt;  // the system refuses that event, or -1
    const char16_t* arrived;
    std::vector<std::string> keys;
    int exitCode;
  } cases[] = {
      // The target reads Enter as a line break, as an edit box does.
      {"pieces and Enter", u"/Target/hello {1}world~/2", -1, u"hello world\n", {}, 0},
      {"Shift on a group", u"/Target/+(ab)c/2", -1, u"ABc", {}, 0},
      {"named keys", u"/Target/a{LEFT 2}{F4}/2", -1, u"a", {"Left", "Left", "F4"}, 0},
      {"a stray brace types nothing of its piece", u"/Target/abc{1}de}f/2", -1, u"abc", {}, 1},
      {"an unknown key word", u"/Target/{NOSUCHKEY}/2", -1, u"", {}, 1},
      // What went out before the refused event stays typed.
      {"the system refuses an event", u"/Target/abcdef/2", 3, u"ab", {}, 1},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(c.command);
    h.os.desktop.AddWindow({.caption = u"Target"});
    h.os.keyboard.refuseAt = c.refuseAt;
    h.Start();
    rt::fake::Tick(h.app, h.main().Timer1, 3);
    h.os.keyboard.Drain();
    EXPECT_FALSE(h.main().Loaded());
    EXPECT_EQ(h.app.ExitCode(), c.exitCode);
    EXPECT_EQ(h.os.keyboard.text, c.arrived);
    EXPECT_EQ(h.os.keyboard.keys, c.keys);
    EXPECT_TRUE(h.os.keyboard.KeysDown().empty()) << "no key is left held down";
  }
}

// The target is found by the activation's own caption matching over the
// fake desktop: the whole title ignoring case, else a title's beginning,
// topmost first, visible windows with a caption only; a disabled window's
// modal dialog is activated in its place.
TEST(Countdown, TheTargetIsFoundAsActivationMatchesCaptions) {
  const struct {
    const char16_t* caption;
    int found;  // index into the desktop below, or -1
  } cases[] = {
      {u"Untitled - Notepad", 1},  // the whole title, before a longer one above it
      {u"UNTITLED - NOTEPAD", 1},
      {u"untitled", 0},            // a beginning: the topmost such window
      {u"Calc", 2},
      {u"Notepad", -1},            // inside a title, not at its beginning
      {u"Hidden tool", -1},        // not visible
      {u"Minimised editor", 4},    // restored and brought to the front
      {u"\u00c4RGER.TXT", 5},      // case beyond ASCII
      {u"Report", 7},              // its modal dialog
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(rt::ToUtf8(c.caption));
    Harness h(u"/" + rt::ustring(c.caption) + u"/x/2/loop");
    std::vector<rt::WindowHandle> windows = {
        h.os.desktop.AddWindow({.caption = u"Untitled - Notepad (2)"}),
        h.os.desktop.AddWindow({.caption = u"Untitled - Notepad"}),
        h.os.desktop.AddWindow({.caption = u"Calculator"}),
        h.os.desktop.AddWindow({.caption = u"Hidden tool", .visible = false}),
        h.os.desktop.AddWindow({.caption = u"Minimised editor", .minimized = true}),
        h.os.desktop.AddWindow({.caption = u"\u00e4rger.txt - Editor"}),
        h.os.desktop.AddWindow({.caption = u"Report"}),
    };
    windows.push_back(h.os.desktop.OpenModalDialog(windows[6], u"Print"));
    h.Start();
    rt::fake::Tick(h.app, h.main().Timer1, 2);
    if (c.found < 0) {
      EXPECT_EQ(h.main().Label2.Caption(), kNotFound);
      EXPECT_EQ(h.os.desktop.Foreground(), 0u);
      EXPECT_TRUE(h.os.Texts("SendKeys").empty());
    } else {
      EXPECT_EQ(h.main().Label2.Caption(), kCaption);
      EXPECT_EQ(h.os.desktop.Foreground(), windows[c.found]);
      EXPECT_FALSE(h.os.desktop.IsMinimized(windows[c.found]));
      EXPECT_EQ(h.os.keyboard.text, u"x");
    }
  }
}

}  // namespace
