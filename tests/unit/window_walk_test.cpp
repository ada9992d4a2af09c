#include <gtest/gtest.h>

#include "platform/errors.h"
#include "platform/wildcard.h"
#include "test_support.h"

namespace {

using rt::fake::FakeWindow;
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
  }
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
  auto& os = h.os;
  rt::WindowHandle notepad = os.AddWindow(1, {u"Untitled - Notepad"});
  os.AddWindow(notepad, {u"child edit", u"Edit", notepad});  // child: walked, never listed
  os.AddWindow(1, {u"Hidden", u"W", 0, false});
  os.AddWindow(1, {u"Disabled", u"W", 0, true, false});
  os.AddWindow(1, {u"", u"W"});
  rt::WindowHandle owner = os.AddWindow(1, {u"Owner"});
  os.AddWindow(1, {u"Owned dialog", u"#32770", owner});
  os.AddWindow(1, {u"Centre point", u"W", 0, true, true, {640, 512, 640, 512}});
  os.AddWindow(1, {u"Full 1280", u"W", 0, true, true, {0, 0, 1280, 1024}});
  os.AddWindow(1, {u"Almost full", u"W", 0, true, true, {0, 0, 1280, 1023}});
  os.AddWindow(1, {u"Smaller screen", u"W", 0, true, true, {0, 0, 1024, 768}});
  os.AddWindow(1, {u"Untitled - Notepad"});  // duplicates are kept
  rt::ustring longCaption(300, u'L');
  os.AddWindow(1, {longCaption});
  rt::ustring pairAtTheCut = rt::ustring(253, u'p') + u"\xD83D\xDE00tail";
  os.AddWindow(1, {pairAtTheCut});
  os.AddWindow(1, {u"  \u65e5\u672c\u8a9e caption  "});
  // A top-level window nested below a child: the walk descends, GetParent
  // reports its parent, so it is left out.
  rt::WindowHandle host = os.AddWindow(1, {u"Host"});
  rt::WindowHandle inner = os.AddWindow(host, {u"Inner", u"W", host});
  os.AddWindow(inner, {u"Deep", u"W", inner});

  std::vector<rt::ustring> expected = {
      u"Untitled - Notepad", u"Owner",  u"Almost full", u"Smaller screen", u"Untitled - Notepad", rt::ustring(254, u'L'),
      rt::ustring(253, u'p'), u"  \u65e5\u672c\u8a9e caption  ", u"Host",
  };
  EXPECT_EQ(Listed(h), expected);
  auto* dialog = h.main().WindowList.IfLoaded();
  EXPECT_EQ(dialog->Label1.Caption(), u"9 windows found.");
  EXPECT_EQ(h.main().WalkDepth, 0);

  // Picking an entry copies it into the caption box unchanged.
  rt::fake::Click(h.app, h.main().Command7);
  dialog->List1.UserSelect(7);
  EXPECT_EQ(h.main().Text1.Text(), u"  \u65e5\u672c\u8a9e caption  ");
  dialog->List1.UserSelect(0);
  EXPECT_EQ(h.main().Text1.Text(), u"Untitled - Notepad");
}

TEST(WindowWalk, CountLineHasNoSingular) {
  for (int windows : {0, 1, 2}) {
    Harness h;
    h.Start();
    for (int i = 0; i < windows; ++i) h.os.AddWindow(1, {u"W" + rt::DecimalText(i)});
    Listed(h);
    EXPECT_EQ(h.main().WindowList.IfLoaded()->Label1.Caption(), rt::DecimalText(windows) + u" windows found.");
  }
}

TEST(WindowWalk, StartedBelowTheDesktopAddsNothing) {
  Harness h;
  h.Start();
  rt::WindowHandle top = h.os.AddWindow(1, {u"Top"});
  h.os.AddWindow(top, {u"Child", u"W", top});
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
  h.os.AddWindow(1, {u"Untitled - Notepad", u"Notepad"});
  h.os.AddWindow(1, {u"Calculator", u"CalcFrame"});
  h.main().ListTopWindows(0, u"*Notepad", u"*");
  h.main().ListTopWindows(0, u"*", u"Calc*");
  auto* dialog = h.main().WindowList.IfLoaded();
  ASSERT_NE(dialog, nullptr) << "the walk loads the dialog it fills";
  EXPECT_FALSE(h.backend.State(*dialog).shown);
  EXPECT_EQ(dialog->List1.Items(), (std::vector<rt::ustring>{u"Untitled - Notepad", u"Calculator"}));
}

TEST(WindowWalk, AVeryDeepTreeEndsInAnErrorNotACrash) {
  Harness h;
  h.Start();
  rt::WindowHandle parent = 1;
  for (int i = 0; i < 33000; ++i) parent = h.os.AddWindow(parent, {u"level", u"W", parent == 1 ? 0 : parent});
  EXPECT_THROW(h.main().ListTopWindows(0, u"*", u"*"), rt::RuntimeError);
  EXPECT_EQ(h.main().WalkDepth, 0) << "the next walk starts at the desktop again";
}

TEST(WindowList, PlacedAtTheMainWindowsRightEdgeAndReopenedEmpty) {
  Harness h;
  h.Start();
  h.os.AddWindow(1, {u"One"});
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
