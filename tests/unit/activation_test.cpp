#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/fake/fake_desktop.h"
#include "platform/foreground_lock.h"
#include "test_support.h"

namespace {

using rt::WindowHandle;
using rt::fake::FakeDesktop;
using rt::fake::FakeWindow;
using strumlet::testing::U;

// Another program's window, in the foreground when a test starts.
WindowHandle OtherProgram(FakeDesktop& desktop) {
  WindowHandle other = desktop.AddWindow({.caption = u"Other program"});
  desktop.UserActivates(other);
  return other;
}

TEST(Activation, FindsTheWholeTitleFirstThenABeginning) {
  FakeDesktop desktop;
  WindowHandle plus = desktop.AddWindow({.caption = u"Untitled - Notepad Plus"});
  WindowHandle lower = desktop.AddWindow({.caption = u"untitled - notepad"});
  desktop.AddWindow({.caption = u"Untitled - Notepad"});
  WindowHandle calc = desktop.AddWindow({.caption = u"Calculator"});
  desktop.AddWindow({.caption = u"Hidden window", .visible = false});
  WindowHandle host = desktop.AddWindow({.caption = u"Host"});
  desktop.AddChild(host, {.caption = u"Child pane"});
  const struct {
    const char16_t* caption;
    WindowHandle found;
  } cases[] = {
      {u"Untitled - Notepad", lower},  // whole title, ignoring case, topmost of two
      {u"UNTITLED - NOTEPAD PLUS", plus},
      {u"Untitled", plus},             // a beginning, topmost
      {u"calc", calc},
      {u"Notepad", 0},                 // not a beginning
      {u"Hidden", 0},                  // not visible
      {u"Child pane", 0},              // not a top-level window
      {u"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(rt::FindWindowByCaption(c.caption, desktop), c.found) << rt::ToUtf8(c.caption);
}

// Titles compare unit by unit through the upper-case table, beyond ASCII.
TEST(Activation, CaptionsMatchIgnoringCaseInEveryScript) {
  const struct {
    const char* title;
    const char* caption;
    bool found;
  } cases[] = {
      {"\xC3\x84rger.txt - Editor", "\xC3\xA4RGER.TXT - EDITOR", true},                    // Ä ä
      {"\xC3\x9F" "e", "\xC3\x9F" "E", true},                                               // ß has no capital of its own
      {"\xC3\x9F", "SS", false},                                                            // no expansion to two letters
      {"\xC5\xBB\xC3\xB3\xC5\x82w", "\xC5\xBC\xC3\x93\xC5\x81W", true},                   // Żółw żÓŁW
      {"\xCE\xA3\xCE\x9F\xCE\xA6\xCE\x99\xCE\x91", "\xCF\x83\xCE\xBF\xCF\x86\xCE\xB9\xCE\xB1", true},  // ΣΟΦΙΑ σοφια
      {"\xCE\x9F\xCE\xA3", "\xCE\xBF\xCF\x82", true},                                       // final sigma
      {"\xCE\x86\xCE\xB8\xCE\xB7\xCE\xBD\xCE\xB1", "\xCE\xAC\xCE\xB8\xCE\xB7\xCE\xBD\xCE\xB1", true},  // Ά ά
      {"\xD0\x9C\xD0\xBE\xD1\x81\xD0\xBA\xD0\xB2\xD0\xB0", "\xD0\xBC\xD0\x9E\xD0\xA1\xD0\x9A\xD0\x92\xD0\x90", true},  // Москва
      {"\xD0\x81\xD0\xBB\xD0\xBA\xD0\xB0", "\xD1\x91\xD0\xBB\xD0\xBA\xD0\xB0", true},     // Ё ё
      {"\xC5\xB8", "\xC3\xBF", true},                                                       // Ÿ ÿ
      {"\xC3\x97", "\xC3\xB7", false},                                                      // × and ÷ are no pair
      {"\xF0\x9F\x98\x80 Smile", "\xF0\x9F\x98\x80 smile", true},                          // surrogates as they are
      {"Stra\xC3\x9F" "e", "Strasse", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.title) + " ~ " + c.caption);
    FakeDesktop desktop;
    OtherProgram(desktop);
    WindowHandle target = desktop.AddWindow({.caption = U(c.title)});
    EXPECT_EQ(rt::FindWindowByCaption(U(c.caption), desktop), c.found ? target : 0);
    if (c.found) {
      rt::ActivateWindow(U(c.caption), desktop);
      EXPECT_EQ(desktop.Foreground(), target);
    } else {
      EXPECT_THROW(rt::ActivateWindow(U(c.caption), desktop), rt::RuntimeError);
    }
  }
}

// Each step waits up to SettleMs (400 ms on the clock) for the window to
// come to the front: a window manager that takes its time is waited for, and
// one that takes longer than that still counts once the window is there.
TEST(ForegroundLock, GoneRoundStepByStepCheckingEachTime) {
  const struct {
    std::set<std::string> grants;
    std::uint64_t delayMs;  // until a granted request shows
    bool succeeds;
    std::vector<std::string> log;
    std::uint64_t tookMs;
  } cases[] = {
      {{"plain"}, 0, true, {"set:plain"}, 0},
      {{"plain"}, 300, true, {"set:plain"}, 300},
      {{"plain"}, 500, true, {"set:plain", "attach", "set:attach", "detach"}, 500},
      {{"attach"}, 0, true, {"set:plain", "attach", "set:attach", "detach"}, 400},
      {{"attach"}, 250, true, {"set:plain", "attach", "set:attach", "detach"}, 650},
      {{"input"}, 0, true, {"set:plain", "attach", "set:attach", "detach", "input", "set:input"}, 800},
      {{}, 0, false, {"set:plain", "attach", "set:attach", "detach", "input", "set:input"}, 1200},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.delayMs);
    FakeDesktop desktop;
    WindowHandle other = OtherProgram(desktop);
    WindowHandle target = desktop.AddWindow({.caption = u"Target"});
    desktop.grants = c.grants;
    desktop.foregroundDelayMs = c.delayMs;
    desktop.log.clear();
    std::uint64_t start = desktop.Time().NowMs();
    EXPECT_EQ(rt::GoRoundForegroundLock(desktop.Lock(), desktop, target), c.succeeds);
    EXPECT_EQ(desktop.Time().NowMs() - start, c.tookMs) << "on the clock";
    EXPECT_EQ(desktop.Foreground(), c.succeeds ? target : other);
    if (c.succeeds) {
      EXPECT_EQ(desktop.TopLevelWindows().front(), target) << "the foreground window comes to the top";
    }
    EXPECT_EQ(desktop.log, c.log);
    EXPECT_EQ(desktop.attached, 0) << "always detached again";
  }
}

TEST(Activation, BelievesOnlyTheForegroundWindow) {
  // A system that refuses every request, and one that also says yes to
  // each: either way the activation fails and the foreground stays.
  for (bool claims : {false, true}) {
    FakeDesktop desktop;
    WindowHandle other = OtherProgram(desktop);
    desktop.AddWindow({.caption = u"Target"});
    desktop.grants = {};
    desktop.claimsSuccess = claims;
    EXPECT_THROW(rt::ActivateWindow(u"Target", desktop), rt::RuntimeError) << claims;
    EXPECT_EQ(desktop.Foreground(), other);
  }
  // One that grants only after this program's own input: the activation
  // asks once, and the backend goes round.
  FakeDesktop desktop;
  OtherProgram(desktop);
  WindowHandle target = desktop.AddWindow({.caption = u"Target"});
  desktop.grants = {"input"};
  rt::ActivateWindow(u"Target", desktop);
  EXPECT_EQ(desktop.Foreground(), target);
}

TEST(Activation, RestoresMinimisedAndGivesWayToModalDialogs) {
  FakeDesktop desktop;
  OtherProgram(desktop);
  WindowHandle editor = desktop.AddWindow({.caption = u"Editor"});
  WindowHandle dialog = desktop.OpenModalDialog(editor, u"Save As");
  rt::ActivateWindow(u"editor", desktop);
  EXPECT_EQ(desktop.Foreground(), dialog) << "the dialog of the disabled window";
  EXPECT_EQ(desktop.TopLevelWindows(), (std::vector<WindowHandle>{dialog, editor, 2})) << "the owner comes up below it";
  desktop.CloseWindow(editor);
  EXPECT_FALSE(desktop.Exists(dialog)) << "an owned window goes with its owner";

  // A disabled window without a dialog to give way to is still the target.
  FakeDesktop waiting;
  OtherProgram(waiting);
  WindowHandle busy = waiting.AddWindow({.caption = u"Busy", .enabled = false});
  waiting.AddWindow({.caption = u"Hidden dialog", .owner = busy, .visible = false});
  rt::ActivateWindow(u"Busy", waiting);
  EXPECT_EQ(waiting.Foreground(), busy);

  FakeDesktop minimised;
  OtherProgram(minimised);
  WindowHandle icon = minimised.AddWindow({.caption = u"Editor", .minimized = true});
  minimised.log.clear();
  rt::ActivateWindow(u"Editor", minimised);
  EXPECT_EQ(minimised.log, (std::vector<std::string>{"restore", "set:plain"}));
  EXPECT_FALSE(minimised.IsMinimized(icon));
  EXPECT_TRUE(minimised.Visible(icon));
}

TEST(Activation, AnOwnedWindowInFrontCountsAsItsOwnersActivation) {
  // The target's own tool window already has the foreground: even with every
  // request refused, the target's program is in front, and that is success.
  FakeDesktop desktop;
  WindowHandle main = desktop.AddWindow({.caption = u"Main"});
  WindowHandle tool = desktop.AddWindow({.caption = u"Tools", .owner = main});
  desktop.UserActivates(tool);
  desktop.grants = {};
  rt::ActivateWindow(u"Main", desktop);
  EXPECT_EQ(desktop.log, (std::vector<std::string>{"set:plain"}));
  EXPECT_EQ(desktop.Foreground(), tool);
  EXPECT_EQ(rt::RootOwner(desktop, tool), main);
}

TEST(Activation, NeverWaitsOnHungWindows) {
  FakeDesktop hungTarget;
  OtherProgram(hungTarget);
  hungTarget.AddWindow({.caption = u"Frozen", .hung = true});
  hungTarget.log.clear();
  EXPECT_THROW(rt::ActivateWindow(u"Frozen", hungTarget), rt::RuntimeError);
  EXPECT_TRUE(hungTarget.log.empty());

  FakeDesktop hungForeground;
  WindowHandle stuck = hungForeground.AddWindow({.caption = u"Stuck", .hung = true});
  hungForeground.UserActivates(stuck);
  WindowHandle target = hungForeground.AddWindow({.caption = u"Target"});
  hungForeground.grants = {"input"};
  rt::ActivateWindow(u"Target", hungForeground);
  EXPECT_EQ(hungForeground.log, (std::vector<std::string>{"set:plain", "input", "set:input"})) << "no attaching to a hung thread";
  EXPECT_EQ(hungForeground.Foreground(), target);
}

TEST(Activation, NoMatchIsAnError) {
  FakeDesktop desktop;
  desktop.AddWindow({.caption = u"Target"});
  EXPECT_THROW(rt::ActivateWindow(u"Missing", desktop), rt::RuntimeError);
  EXPECT_EQ(desktop.Foreground(), 0u);
}

}  // namespace
