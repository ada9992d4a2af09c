#include <gtest/gtest.h>

#include <functional>
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

constexpr const char16_t* kNotFound = u"Window not found!";
constexpr const char16_t* kCaption = u"Window Caption";

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

TEST(Countdown, ClosingTheMainWindowClosesTheOthers) {
  Harness h(u"/T/x/");
  h.Start();
  ASSERT_EQ(h.app.Forms().size(), 2u);
  h.main().Unload();
  EXPECT_TRUE(h.app.Forms().empty());
  EXPECT_TRUE(h.backend.quit);
  EXPECT_EQ(h.app.ExitCode(), 0);
}

// A run with the user acting between ticks: each step does its action, then
// runs one tick per expected line, then the status label must read as given
// (empty: not looked at).
struct Step {
  std::function<void(Harness&)> action;
  std::vector<std::string> ticks;
  const char16_t* label = u"";
};

struct ScenarioCase {
  const char* name;
  const char* command;
  std::vector<std::string> targets;
  std::vector<Step> steps;
  int exitCode;  // when the run has ended; -1: it must still run
};

void Edit(Harness& h, rt::TextBox& box, const char16_t* text) {
  box.UserSetText(text);
  h.app.Idle();
}

void RunScenarios(const std::vector<ScenarioCase>& cases) {
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(U(c.command));
    for (const auto& t : c.targets) h.os.desktop.AddWindow({.caption = U(t.c_str())});
    h.Start();
    h.os.calls.clear();
    int n = 0;
    for (const Step& step : c.steps) {
      SCOPED_TRACE("step " + std::to_string(++n));
      if (step.action) step.action(h);
      EXPECT_EQ(RunTicks(h, static_cast<int>(step.ticks.size())), step.ticks);
      if (*step.label) {
        EXPECT_EQ(h.main().Label2.Caption(), step.label);
      }
    }
    if (c.exitCode < 0) {
      EXPECT_TRUE(h.main().Loaded());
    } else {
      EXPECT_FALSE(h.main().Loaded());
      EXPECT_EQ(h.app.ExitCode(), c.exitCode);
    }
  }
}

TEST(Countdown, AScriptNeverSplitIsSplitByAnEditOfText2) {
  // The bad interval stops start-up before the split; Loop keeps the ticks
  // failing until the interval is usable, and the send fails until an edit
  // of the script splits it.
  RunScenarios({
      {"loop",
       "/T/ab/x/loop",
       {"T"},
       {
           {nullptr, {"-1"}, kNotFound},
           {[](Harness& h) { Edit(h, h.main().Text3, u"2"); }, {"-1", "1 AppActivate:T", "0", "-1"}, kNotFound},
           {[](Harness& h) { Edit(h, h.main().Text2, u"abc"); }, {"1 AppActivate:T", "0 SendKeys:abc"}, kCaption},
       },
       -1},
      // The activation turns Persist into Once, so the failed send of the
      // unsplit script ends the run, as one without any send.
      {"persist, Text2 not edited",
       "/T/a{1}b/x/persist",
       {"T"},
       {
           {[](Harness& h) { Edit(h, h.main().Text3, u" 2 "); }, {"-1", "1 AppActivate:T", "0 END"}, kNotFound},
       },
       2},
      {"persist, Text2 edited in time",
       "/T/a{1}b/x/persist",
       {"T"},
       {
           {[](Harness& h) { Edit(h, h.main().Text3, u" 2 "); }, {"-1"}, u"Window Caption:"},
           {[](Harness& h) { Edit(h, h.main().Text2, u"a{1}bc"); },
            {"1 AppActivate:T", "0 SendKeys:a Sleep:1000 SendKeys:bc"},
            kCaption},
           {nullptr, {"1 END"}},
       },
       0},
  });
}

TEST(Countdown, AnIntervalEditedToABadValueFailsAtTheNextReload) {
  std::vector<ScenarioCase> cases;
  for (const char16_t* bad : {u"abc", u"", u"32768", u"-32769", u"2,5"}) {
    // Loop: the send before the reload goes out; from then on every tick
    // shows -1 and "Window not found!" until the interval is corrected.
    cases.push_back({"loop",
                     "/T/x/3/loop",
                     {"T"},
                     {
                         {nullptr, {"2"}},
                         {[bad](Harness& h) { Edit(h, h.main().Text3, bad); }, {"1 AppActivate:T", "0 SendKeys:x"}, kNotFound},
                         {nullptr, {"-1", "-1", "-1"}, kNotFound},
                         {[](Harness& h) { Edit(h, h.main().Text3, u"2"); }, {"-1", "1 AppActivate:T", "0 SendKeys:x"}, kCaption},
                     },
                     -1});
    // Once: the send has gone out, so the failed reload ends the run as a
    // finished one.
    cases.push_back({"once",
                     "/T/x/3",
                     {"T"},
                     {
                         {nullptr, {"2"}},
                         {[bad](Harness& h) { Edit(h, h.main().Text3, bad); }, {"1 AppActivate:T", "0 SendKeys:x END"}},
                     },
                     0});
  }
  // The count in progress is left alone by an edit, bad or good.
  cases.push_back({"a good edit waits for the reload",
                   "/T/x/4/loop",
                   {"T"},
                   {
                       {[](Harness& h) { Edit(h, h.main().Text3, u"2"); }, {"3", "2", "1 AppActivate:T", "0 SendKeys:x"}},
                       {nullptr, {"1 AppActivate:T", "0 SendKeys:x"}},
                   },
                   -1});
  RunScenarios(cases);
}

TEST(Countdown, PersistAfterTheNotFoundStep) {
  auto appears = [](Harness& h) { h.os.desktop.AddWindow({.caption = u"T"}); };
  auto persist = [](Harness& h) { rt::fake::Click(h.app, h.main().mPersist); };
  RunScenarios({
      // A missing target: the not-found step leaves Persist running, and the
      // activation is tried again every interval until the window is there.
      {"retries until found",
       "/T/x/3/persist",
       {},
       {
           {nullptr, {"2", "1 AppActivate:T", "-1", "2", "1 AppActivate:T", "-1"}, kNotFound},
           {appears, {"2", "1 AppActivate:T", "0 SendKeys:x"}, kCaption},
           {nullptr, {"2 END"}, kNotFound},
       },
       0},
      // A finished Once run switched to Persist: the not-found step clears
      // the finished flag and the countdown starts over.
      {"finished once, then persist",
       "/T/x/3",
       {"T"},
       {
           {nullptr, {"2", "1 AppActivate:T", "0 SendKeys:x"}, kCaption},
           {persist, {"2"}, kNotFound},
           {nullptr, {"-1", "2", "1 AppActivate:T", "0 SendKeys:x"}, kCaption},
           {nullptr, {"2 END"}, kNotFound},
       },
       0},
      // The same, but the window has gone: Persist keeps retrying.
      {"finished once, then persist, target gone",
       "/T/x/2",
       {"T"},
       {
           {nullptr, {"1 AppActivate:T", "0 SendKeys:x"}},
           {[](Harness& h) {
              for (rt::WindowHandle w : h.os.desktop.TopLevelWindows()) h.os.desktop.CloseWindow(w);
              rt::fake::Click(h.app, h.main().mPersist);
            },
            {"1", "-1", "1 AppActivate:T", "-1", "1 AppActivate:T"},
            kNotFound},
       },
       -1},
  });
}

TEST(Countdown, Check1SwitchedDuringARun) {
  auto check = [](Harness& h) { rt::fake::Click(h.app, h.main().Check1); };
  RunScenarios({
      {"loop: no activation while checked, again once unchecked",
       "/T/x/3/loop",
       {"T"},
       {
           {nullptr, {"2"}},
           {check, {"1", "0 SendKeys:x", "2"}},
           {check, {"1 AppActivate:T", "0 SendKeys:x"}},
       },
       -1},
      {"once with the target missing: checked in time, it sends and ends",
       "/Missing/x/3",
       {},
       {
           {nullptr, {"2"}},
           {check, {"1", "0 SendKeys:x", "2 END"}},
       },
       0},
      {"a no-target start unchecked: the activation comes back",
       "/Missing/x/2/loop/y",
       {},
       {
           {nullptr, {"1", "0 SendKeys:x"}},
           {check, {"1 AppActivate:Missing", "-1", "1 AppActivate:Missing"}, kNotFound},
       },
       -1},
      {"persist with no target never ends; unchecked, it finds its window",
       "/T/x/2/persist/y",
       {"T"},
       {
           {nullptr, {"1", "0 SendKeys:x", "1", "0 SendKeys:x"}},
           {check, {"1 AppActivate:T", "0 SendKeys:x", "1 END"}},
       },
       0},
  });

  Harness h(u"/T/x/3/loop");
  h.Start();
  rt::fake::Click(h.app, h.main().Check1);
  EXPECT_EQ(h.main().Run.NoTarget, -1);
  EXPECT_FALSE(h.main().Text1.Enabled());
  rt::fake::Click(h.app, h.main().Check1);
  EXPECT_EQ(h.main().Run.NoTarget, 0);
  EXPECT_TRUE(h.main().Text1.Enabled());
}

TEST(Countdown, SendNowWithTheTargetMissing) {
  auto sendNow = [](Harness& h) { rt::fake::Click(h.app, h.main().SendNow); };
  RunScenarios({
      {"loop: the send is skipped and the interval starts over",
       "/T/x/20/loop",
       {},
       {
           {nullptr, {"19"}},
           {sendNow, {"1 AppActivate:T", "-1", "19", "18"}, kNotFound},
       },
       -1},
      {"persist: the same",
       "/T/x/20/persist",
       {},
       {
           {sendNow, {"1 AppActivate:T", "-1", "19"}, kNotFound},
       },
       -1},
      {"once: the run ends without a send",
       "/T/x/20",
       {},
       {
           {sendNow, {"1 AppActivate:T END"}},
       },
       1},
      {"no target: Send Now sends without an activation",
       "/T/x/20/once/y",
       {},
       {
           {sendNow, {"1", "0 SendKeys:x", "19 END"}},
       },
       0},
  });
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
