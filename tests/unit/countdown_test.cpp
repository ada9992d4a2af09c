#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/errors.h"
#include "test_support.h"

namespace {

using rt::fake::Call;
using strumlet::testing::Harness;
using strumlet::testing::U;

// What one tick did, as a line: the count shown, then the system calls.
std::vector<std::string> RunTicks(Harness& h, int ticks) {
  std::vector<std::string> lines;
  for (int t = 1; t <= ticks && h.main().Loaded(); ++t) {
    std::size_t before = h.os.calls.size();
    rt::fake::Tick(h.app, h.main().Timer1);
    std::string line = rt::ToUtf8(h.main().Label1.Caption());
    for (std::size_t i = before; i < h.os.calls.size(); ++i) {
      const Call& c = h.os.calls[i];
      line += " " + c.what + ":" + (c.what == "Sleep" ? std::to_string(c.number) : rt::ToUtf8(c.text));
    }
    if (!h.main().Loaded()) line += " END";
    lines.push_back(line);
  }
  return lines;
}

struct TimelineCase {
  const char* name;
  const char* command;
  std::vector<std::string> targets;  // windows AppActivate finds
  int ticks;
  std::vector<std::string> expected;
  int exitCode;
};

TEST(Countdown, TimelinesTickByTick) {
  const TimelineCase cases[] = {
      {"loop, target present",
       "/Target/hello{2}world~/5/loop",
       {"Target"},
       10,
       {"4", "3", "2", "1 AppActivate:Target", "0 SendKeys:hello Sleep:2000 SendKeys:world~", "4", "3", "2",
        "1 AppActivate:Target", "0 SendKeys:hello Sleep:2000 SendKeys:world~"},
       0},
      {"once sends, then ends",
       "/Target/x/5",
       {"Target"},
       9,
       {"4", "3", "2", "1 AppActivate:Target", "0 SendKeys:x", "4 END"},
       0},
      {"once with the target missing ends at once",
       "/Target/x/5",
       {},
       9,
       {"4", "3", "2", "1 AppActivate:Target END"},
       1},
      {"loop with the target missing keeps its rhythm",
       "/Target/x/5/loop",
       {},
       10,
       {"4", "3", "2", "1 AppActivate:Target", "-1", "4", "3", "2", "1 AppActivate:Target", "-1"},
       0},
      {"interval 2 activates and sends in turn",
       "/Target/x/2/loop",
       {"Target"},
       4,
       {"1 AppActivate:Target", "0 SendKeys:x", "1 AppActivate:Target", "0 SendKeys:x"},
       0},
      {"interval 1 never activates",
       "/Target/x/1/loop",
       {"Target"},
       3,
       {"0 SendKeys:x", "0 SendKeys:x", "0 SendKeys:x"},
       0},
      {"interval 0 never sends",
       "/Target/x/0/loop",
       {"Target"},
       3,
       {"-1", "-1", "-1"},
       0},
      {"no target in persist sends every interval and never ends",
       "/Target/x/2/persist/y",
       {},
       6,
       {"1", "0 SendKeys:x", "1", "0 SendKeys:x", "1", "0 SendKeys:x"},
       0},
      {"a pause at the start types nothing first",
       "/T/{3}abc/2",
       {"T"},
       3,
       {"1 AppActivate:T", "0 SendKeys: Sleep:3000 SendKeys:abc", "1 END"},
       0},
      {"pauses of 0 and 32 seconds work, 32.5 rounds to 32",
       "/T/a{0}b{32}c{32.5}d/2",
       {"T"},
       2,
       {"1 AppActivate:T", "0 SendKeys:a Sleep:0 SendKeys:b Sleep:32000 SendKeys:c Sleep:32000 SendKeys:d"},
       0},
      {"a pause of 33 seconds overflows after what came before",
       "/T/a{33}b/2",
       {"T"},
       2,
       {"1 AppActivate:T", "0 SendKeys:a END"},
       1},
      {"32.6 rounds to 33 and overflows",
       "/T/a{32.6}b/2/loop",
       {"T"},
       3,
       {"1 AppActivate:T", "0 SendKeys:a", "-1"},
       0},
      {"a negative pause is an error, never a sleep of 49 days",
       "/T/a{-1}b/2",
       {"T"},
       2,
       {"1 AppActivate:T", "0 SendKeys:a END"},
       1},
      {"an argument error ends a once run at the first tick",
       "/T/x/",
       {"T"},
       3,
       {"-1 END"},
       2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(U(c.command));
    for (const auto& t : c.targets) h.os.activatable.push_back(U(t.c_str()));
    h.Start();
    h.os.calls.clear();
    EXPECT_EQ(RunTicks(h, c.ticks), c.expected);
    EXPECT_EQ(h.app.ExitCode(), c.exitCode);
    EXPECT_EQ(h.backend.quit, !h.main().Loaded());
  }
}

TEST(Countdown, DisplayAndStatusLabel) {
  Harness h(u"/Target/x/3/loop");
  h.Start();
  rt::fake::Tick(h.app, h.main().Timer1);
  EXPECT_EQ(h.main().Caption(), u"2 Strumlet");
  EXPECT_EQ(h.backend.State(h.main()).caption, u"2 Strumlet");
  rt::fake::Tick(h.app, h.main().Timer1);  // count 1: the target is missing
  EXPECT_EQ(h.main().Label2.Caption(), u"Window not found!");
  EXPECT_EQ(h.main().Label2.BackColor(), rt::kRed);
  EXPECT_EQ(h.main().Counter, 0);
  h.os.activatable = {u"Target"};
  rt::fake::Tick(h.app, h.main().Timer1, 3);  // -1 reload 3, then 2, 1 activates
  EXPECT_EQ(h.main().Label2.Caption(), u"Window not found!") << "red until the next send";
  rt::fake::Tick(h.app, h.main().Timer1);
  EXPECT_EQ(h.main().Caption(), u"0 Strumlet");
  EXPECT_EQ(h.main().Label2.Caption(), u"Window Caption");
  EXPECT_EQ(h.main().Label2.BackColor(), rt::kButtonFace);
}

TEST(Countdown, PersistSwitchesToOnceWhenTheWindowAppears) {
  Harness h(u"/Target/x/2/persist");
  h.Start();
  rt::fake::Tick(h.app, h.main().Timer1);  // 1: missing
  EXPECT_TRUE(h.main().mPersist.Value());
  h.os.activatable = {u"Target"};
  rt::fake::Tick(h.app, h.main().Timer1, 2);  // -1 reload, 1: found
  EXPECT_TRUE(h.main().mOnce.Value());
  rt::fake::Tick(h.app, h.main().Timer1);  // 0: send
  EXPECT_EQ(h.os.Texts("SendKeys"), std::vector<rt::ustring>{u"x"});
  rt::fake::Tick(h.app, h.main().Timer1);
  EXPECT_FALSE(h.main().Loaded());
  EXPECT_EQ(h.app.ExitCode(), 0);
}

TEST(Countdown, SendNow) {
  Harness h(u"/Target/x/20/loop");
  h.os.activatable = {u"Target"};
  h.Start();
  strumlet::Form1& f = h.main();
  f.Timer1.SetTimerEnabled(false);
  f.Command2.SetCaption(u"&Resume Counter");
  rt::fake::Click(h.app, f.SendNow);
  EXPECT_TRUE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Counter, 2);
  EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
  EXPECT_EQ(RunTicks(h, 2), (std::vector<std::string>{"1 AppActivate:Target", "0 SendKeys:x"}));
}

TEST(Countdown, SendNowAfterAOnceSendDoesNotSendAgain) {
  Harness h(u"/Target/x/2");
  h.os.activatable = {u"Target"};
  h.Start();
  rt::fake::Tick(h.app, h.main().Timer1, 2);
  EXPECT_EQ(h.main().RunFinished, 1);
  rt::fake::Click(h.app, h.main().SendNow);
  rt::fake::Tick(h.app, h.main().Timer1);
  EXPECT_FALSE(h.main().Loaded());
  EXPECT_EQ(h.os.Texts("SendKeys").size(), 1u);
}

TEST(Countdown, LoopAfterAOnceSendStaysFinished) {
  Harness h(u"/Target/x/2");
  h.os.activatable = {u"Target"};
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
  h.os.activatable = {u"Target"};
  h.os.onSendKeys = [](rt::ustring_view keys) {
    if (keys == u"def") throw rt::RuntimeError(rt::ErrorCode::SendFailed, "refused");
  };
  h.Start();
  rt::fake::Tick(h.app, h.main().Timer1, 2);
  EXPECT_FALSE(h.main().Loaded());
  EXPECT_EQ(h.app.ExitCode(), 1);
  EXPECT_EQ(h.os.Texts("SendKeys"), std::vector<rt::ustring>{u"abc"}) << "what was typed before stays";
}

TEST(Countdown, ClosingTheMainWindowClosesTheOthers) {
  Harness h(u"/T/x/");
  h.Start();
  ASSERT_EQ(h.app.Forms().size(), 2u);
  h.main().Unload();
  EXPECT_TRUE(h.app.Forms().empty());
  EXPECT_TRUE(h.backend.quit);
  EXPECT_EQ(h.app.ExitCode(), 0);
}

}  // namespace
