// The countdown tick by tick: what each run mode shows and does, from start
// to end, with no one acting on the main window.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::RunTicks;
using strumlet::testing::U;

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
    for (const auto& t : c.targets) h.os.desktop.AddWindow({.caption = U(t.c_str())});
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
  EXPECT_EQ(h.main().Run.Counter, 0);
  h.os.desktop.AddWindow({.caption = u"Target"});
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
  h.os.desktop.AddWindow({.caption = u"Target"});
  rt::fake::Tick(h.app, h.main().Timer1, 2);  // -1 reload, 1: found
  EXPECT_TRUE(h.main().mOnce.Value());
  rt::fake::Tick(h.app, h.main().Timer1);  // 0: send
  EXPECT_EQ(h.os.Texts("SendKeys"), std::vector<rt::ustring>{u"x"});
  rt::fake::Tick(h.app, h.main().Timer1);
  EXPECT_FALSE(h.main().Loaded());
  EXPECT_EQ(h.app.ExitCode(), 0);
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

TEST(Countdown, ANegativeIntervalShowsTheIntervalLessOneAndNeverSends) {
  const struct {
    const char* command;
    const char* shown;
    const char16_t* caption;
  } cases[] = {
      {"/T/x/-3/loop", "-4", u"-4 Strumlet"},
      {"/T/x/-3", "-4", u"-4 Strumlet"},
      {"/T/x/-1/persist", "-2", u"-2 Strumlet"},
      {"/T/x/-0.4/loop", "-1", u"-1 Strumlet"},
      {"/T/x/-32768/loop", "-32769", u"-32769 Strumlet"},
      {"/T/x/-5/loop/y", "-6", u"-6 Strumlet"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    Harness h(U(c.command));
    h.os.desktop.AddWindow({.caption = u"T"});
    h.Start();
    h.os.calls.clear();
    EXPECT_EQ(RunTicks(h, 4), (std::vector<std::string>(4, c.shown)));
    EXPECT_EQ(h.main().Caption(), c.caption);
    EXPECT_EQ(h.main().Label2.Caption(), u"Window Caption:") << "no failure, no send";
    EXPECT_TRUE(h.main().Loaded());
  }
}

// Pause texts are read as the interval is: exactly, however many digits.
TEST(Countdown, PauseTextsOfManyDigits) {
  const std::string zeros(400, '0');
  const struct {
    std::string script;
    std::vector<std::string> ticks;
    int exitCode;
  } cases[] = {
      {"a{0." + zeros + "1}b", {"1 AppActivate:T", "0 SendKeys:a Sleep:0 SendKeys:b", "1 END"}, 0},
      {"a{3" + zeros + "e-400}b", {"1 AppActivate:T", "0 SendKeys:a Sleep:3000 SendKeys:b", "1 END"}, 0},
      {"a{32.5" + zeros + "}b", {"1 AppActivate:T", "0 SendKeys:a Sleep:32000 SendKeys:b", "1 END"}, 0},
      {"a{32.5" + zeros + "1}b", {"1 AppActivate:T", "0 SendKeys:a END"}, 1},
      {"a{1" + zeros + "e-10}b", {"1 AppActivate:T", "0 SendKeys:a END"}, 1},
      {"a{1e-" + zeros + "1}b", {"1 AppActivate:T", "0 SendKeys:a Sleep:0 SendKeys:b", "1 END"}, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script.substr(0, 12));
    Harness h(U(("/T/" + c.script + "/2").c_str()));
    h.os.desktop.AddWindow({.caption = u"T"});
    h.Start();
    h.os.calls.clear();
    EXPECT_EQ(RunTicks(h, 3), c.ticks);
    EXPECT_FALSE(h.main().Loaded());
    EXPECT_EQ(h.app.ExitCode(), c.exitCode);
  }
}

}  // namespace
