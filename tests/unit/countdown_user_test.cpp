// The countdown with the user acting on the main window between ticks:
// editing the interval and the script, switching the run mode and No target,
// clicking Send Now.
#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <vector>

#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::kCaption;
using strumlet::testing::kNotFound;
using strumlet::testing::RunTicks;
using strumlet::testing::U;

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

}  // namespace
