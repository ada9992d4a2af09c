#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/wildcard.h"
#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::U;

TEST(Wildcard, FollowsThePlatformsRules) {
  const struct {
    const char* text;
    const char* pattern;
    bool match;
  } cases[] = {
      {"", "*", true},           {"anything", "*", true},   {"abc", "a*", true},      {"abc", "*c", true},
      {"abc", "a*c", true},      {"ac", "a*c", true},       {"abd", "a*c", false},    {"abc", "a**c", true},
      {"abcbc", "*bc", true},    {"abc", "???", true},      {"ab", "???", false},     {"a1", "a#", true},
      {"ab", "a#", false},       {"b", "[abc]", true},      {"d", "[abc]", false},    {"d", "[!abc]", true},
      {"m", "[a-z]", true},      {"M", "[a-z]", false},     {"*", "[*]", true},       {"x", "[*]", false},
      {"a?", "a[?]", true},      {"ABC", "abc", false},     {"abc", "abc", true},     {"abc", "ab", false},
      {"", "", true},            {"a", "", false},          {"", "?", false},         {"xay", "*a*", true},
      {"\xE6\x97\xA5", "?", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(c.text) + " ~ " + c.pattern);
    EXPECT_EQ(rt::Like(U(c.text), U(c.pattern)), c.match);
    // A pattern said to match everything does, so its text need not be read.
    if (rt::MatchesEverything(U(c.pattern))) {
      EXPECT_TRUE(c.match);
    }
  }
  for (const char* pattern : {"*", "**", "***"}) EXPECT_TRUE(rt::MatchesEverything(U(pattern))) << pattern;
  for (const char* pattern : {"", "*a", "?", "*?*", "[*]", "#"}) EXPECT_FALSE(rt::MatchesEverything(U(pattern))) << pattern;
  EXPECT_THROW(rt::Like(u"a", u"[a"), rt::RuntimeError);
  EXPECT_THROW(rt::Like(u"a", u"[z-a]"), rt::RuntimeError);
}

std::vector<rt::ustring> Listed(Harness& h) {
  rt::fake::Click(h.app, h.main().Command7);
  auto* dialog = h.main().WindowList.IfLoaded();
  EXPECT_NE(dialog, nullptr);
  return dialog ? dialog->List1.Items() : std::vector<rt::ustring>{};
}

TEST(WindowWalk, ListsTheVisibleEnabledCaptionedTopWindowsInZOrder) {
  Harness h;
  h.Start();
  auto& desktop = h.os.desktop;
  rt::WindowHandle notepad = desktop.AddWindow({.caption = u"Untitled - Notepad"});
  desktop.AddChild(notepad, {.caption = u"child edit", .className = u"Edit"});  // child: walked, never listed
  desktop.AddWindow({.caption = u"Hidden", .visible = false});
  desktop.AddWindow({.caption = u"Disabled", .enabled = false});
  desktop.AddWindow({.caption = u""});
  rt::WindowHandle owner = desktop.AddWindow({.caption = u"Owner"});
  desktop.AddWindow({.caption = u"Owned dialog", .className = u"#32770", .owner = owner});  // above its owner
  desktop.AddWindow({.caption = u"Minimised", .minimized = true});
  desktop.AddWindow({.caption = u"Centre point", .placement = {640, 512, 640, 512}});
  desktop.AddWindow({.caption = u"Full 1280", .placement = {0, 0, 1280, 1024}});
  desktop.AddWindow({.caption = u"Almost full", .placement = {0, 0, 1280, 1023}});
  desktop.AddWindow({.caption = u"Smaller screen", .placement = {0, 0, 1024, 768}});
  desktop.AddWindow({.caption = u"Untitled - Notepad"});  // duplicates are kept
  rt::ustring longCaption(300, u'L');
  desktop.AddWindow({.caption = longCaption});
  rt::ustring pairAtTheCut = rt::ustring(253, u'p') + u"\xD83D\xDE00tail";
  desktop.AddWindow({.caption = pairAtTheCut});
  desktop.AddWindow({.caption = u"  \u65e5\u672c\u8a9e caption  "});
  // Windows below a child: the walk descends, each reports its parent, so
  // they are left out.
  rt::WindowHandle host = desktop.AddWindow({.caption = u"Host"});
  rt::WindowHandle inner = desktop.AddChild(host, {.caption = u"Inner"});
  desktop.AddChild(inner, {.caption = u"Deep"});

  std::vector<rt::ustring> expected = {
      u"Untitled - Notepad", u"Owner", u"Minimised", u"Almost full", u"Smaller screen", u"Untitled - Notepad",
      rt::ustring(254, u'L'), rt::ustring(253, u'p'), u"  \u65e5\u672c\u8a9e caption  ", u"Host",
  };
  EXPECT_EQ(Listed(h), expected);
  auto* dialog = h.main().WindowList.IfLoaded();
  EXPECT_EQ(dialog->Label1.Caption(), u"10 windows found.");
  EXPECT_EQ(h.main().WalkDepth, 0);

  // Picking an entry copies it into the caption box unchanged.
  rt::fake::Click(h.app, h.main().Command7);
  dialog->List1.UserSelect(8);
  EXPECT_EQ(h.main().Text1.Text(), u"  \u65e5\u672c\u8a9e caption  ");
  dialog->List1.UserSelect(0);
  EXPECT_EQ(h.main().Text1.Text(), u"Untitled - Notepad");
}

TEST(WindowWalk, WindowsSetIntoAnotherWithoutTheChildStyleAreListedWhereTheWalkMeetsThem) {
  // Such a window reports no parent, so it passes like a top-level window,
  // after the windows it lies in are walked and before they are tested;
  // inside a hidden window it is hidden too. Only a walk into every window
  // finds it.
  Harness h;
  h.Start();
  auto& desktop = h.os.desktop;
  rt::WindowHandle top = desktop.AddWindow({.caption = u"Top A"});
  rt::WindowHandle panel = desktop.AddChild(top, {.caption = u"Panel"});
  desktop.AddChild(panel, {.caption = u"Embedded deep", .childStyle = false});
  desktop.AddChild(top, {.caption = u"Embedded", .childStyle = false});
  rt::WindowHandle hidden = desktop.AddWindow({.caption = u"Hidden host", .visible = false});
  desktop.AddChild(hidden, {.caption = u"Inside hidden", .childStyle = false});
  desktop.AddWindow({.caption = u"Top B"});
  EXPECT_EQ(Listed(h), (std::vector<rt::ustring>{u"Embedded deep", u"Embedded", u"Top A", u"Top B"}));
  EXPECT_EQ(h.main().WalkDepth, 0);
}

TEST(WindowWalk, CountLineHasNoSingular) {
  for (int windows : {0, 1, 2}) {
    Harness h;
    h.Start();
    for (int i = 0; i < windows; ++i) h.os.desktop.AddWindow({.caption = u"W" + rt::DecimalText(i)});
    Listed(h);
    EXPECT_EQ(h.main().WindowList.IfLoaded()->Label1.Caption(), rt::DecimalText(windows) + u" windows found.");
  }
}

TEST(WindowWalk, StartedBelowTheDesktopAddsNothing) {
  Harness h;
  h.Start();
  rt::WindowHandle top = h.os.desktop.AddWindow({.caption = u"Top"});
  h.os.desktop.AddChild(top, {.caption = u"Child"});
  h.main().ListTopWindows(top, u"*", u"*");
  auto* dialog = h.main().WindowList.IfLoaded();
  ASSERT_NE(dialog, nullptr) << "the walk loads the dialog it fills";
  EXPECT_FALSE(dialog->Visible()) << "loaded but never shown";
  EXPECT_TRUE(h.backend.State(*dialog).realised);
  EXPECT_FALSE(h.backend.State(*dialog).shown);
  EXPECT_TRUE(dialog->List1.Items().empty());
  EXPECT_EQ(h.main().WalkDepth, 0);
}

TEST(WindowWalk, PatternsFilterCaptionsAndClasses) {
  Harness h;
  h.Start();
  h.os.desktop.AddWindow({.caption = u"Untitled - Notepad", .className = u"Notepad"});
  h.os.desktop.AddWindow({.caption = u"Calculator", .className = u"CalcFrame"});
  // A class name counts with its first 254 units, less half a pair.
  h.os.desktop.AddWindow({.caption = u"Long class", .className = rt::ustring(253, u'c') + u"\xD83D\xDE00"});
  h.main().ListTopWindows(0, u"*Notepad", u"*");
  h.main().ListTopWindows(0, u"*", u"Calc*");
  h.main().ListTopWindows(0, u"*", rt::ustring(253, u'c'));
  auto* dialog = h.main().WindowList.IfLoaded();
  ASSERT_NE(dialog, nullptr) << "the walk loads the dialog it fills";
  EXPECT_FALSE(h.backend.State(*dialog).shown);
  EXPECT_EQ(dialog->List1.Items(), (std::vector<rt::ustring>{u"Untitled - Notepad", u"Calculator", u"Long class"}));
}

TEST(WindowWalk, AVeryDeepTreeEndsInAnErrorNotACrash) {
  Harness h;
  h.Start();
  h.os.desktop.AddWindow({.caption = u"Above"});
  rt::WindowHandle parent = h.os.desktop.AddWindow({.caption = u"level"});
  for (int i = 1; i < 33000; ++i) parent = h.os.desktop.AddChild(parent, {.caption = u"level"});
  EXPECT_THROW(h.main().ListTopWindows(0, u"*", u"*"), rt::RuntimeError);
  EXPECT_EQ(h.main().WalkDepth, 0) << "the next walk starts at the desktop again";
  EXPECT_EQ(h.main().WindowList.Get().List1.Items(), std::vector<rt::ustring>{u"Above"}) << "what was listed stays";
}

TEST(WindowList, PlacedAtTheMainWindowsRightEdgeAndReopenedEmpty) {
  Harness h;
  h.Start();
  h.os.desktop.AddWindow({.caption = u"One"});
  rt::fake::Click(h.app, h.main().Command7);
  auto* dialog = h.main().WindowList.IfLoaded();
  ASSERT_NE(dialog, nullptr);
  rt::TwipsRect main = h.main().Bounds();
  EXPECT_EQ(dialog->RequestedPosition().left, main.left + main.width);
  EXPECT_EQ(dialog->RequestedPosition().top, main.top);
  EXPECT_TRUE(dialog->Visible());
  rt::fake::Click(h.app, h.main().Command7);
  EXPECT_EQ(dialog->List1.ListCount(), 1) << "refilled, not appended";
  dialog->Unload();
  EXPECT_EQ(h.main().WindowList.Get().List1.ListCount(), 0) << "a closed dialog comes back empty";
  EXPECT_TRUE(h.main().Timer1.TimerEnabled()) << "the countdown goes on";
}

}  // namespace
