#include <gtest/gtest.h>

#include <vector>

#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::U;

enum class Mode { Once, Loop, Persist };

struct StartCase {
  const char* command;  // the argument text
  const char* caption;
  const char* keys;
  const char* interval;
  Mode mode;
  int noTarget;
  int counter;
};

Mode SelectedMode(strumlet::Form1& f) {
  EXPECT_EQ(f.mOnce.Value() + f.mLoop.Value() + f.mPersist.Value(), 1) << "exactly one mode";
  return f.mOnce.Value() ? Mode::Once : f.mLoop.Value() ? Mode::Loop : Mode::Persist;
}

TEST(Startup, CommandLinesFillTheSettings) {
  const StartCase cases[] = {
      {"/window-caption /keys to send /5 /loop /notarget", "window-caption", "keys to send", "5 ", Mode::Loop, -1, 5},
      {"/window-caption /keys to send /5 /once /notarget", "window-caption", "keys to send", "5 ", Mode::Once, -1, 5},
      {"/window-caption /keys {4}to {2}send /5 /loop", "window-caption", "keys {4}to {2}send", "5 ", Mode::Loop, 0, 5},
      {"/window-caption /keys to send /5 /once", "window-caption", "keys to send", "5 ", Mode::Once, 0, 5},
      {"/window-caption /keys to send /5", "window-caption", "keys to send", "5", Mode::Once, 0, 5},
      {"/Untitled - Notepad/hello~", "Untitled - Notepad", "hello~", "2", Mode::Once, 0, 2},
      {"/Calculator", "Calculator", "", "2", Mode::Once, 0, 2},
      {"/Notepad/~/5/notarget", "Notepad", "~", "5", Mode::Once, -1, 5},
      {"Notepad/~/5", "otepad", "~", "5", Mode::Once, 0, 5},
      {"", "Capture Frames", "~", "20", Mode::Loop, 0, 20},
      {"/Untitled - Notepad/hello{2}world~/5/loop", "Untitled - Notepad", "hello{2}world~", "5", Mode::Loop, 0, 5},
      {"/a/b/1", "a", "b", "1", Mode::Once, 0, 1},
      {"/a/b/2.5/persist", "a", "b", "2.5", Mode::Persist, 0, 2},
      {"/a/b/-3", "a", "b", "-3", Mode::Once, 0, -3},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.command);
    Harness h(U(c.command));
    h.Start();
    strumlet::Form1& f = h.main();
    EXPECT_TRUE(h.os.Texts("MsgBox").empty());
    EXPECT_EQ(f.Text1.Text(), U(c.caption));
    EXPECT_EQ(f.Text2.Text(), U(c.keys));
    EXPECT_EQ(f.Text3.Text(), U(c.interval));
    EXPECT_EQ(SelectedMode(f), c.mode);
    EXPECT_EQ(f.Run.NoTarget, c.noTarget);
    EXPECT_EQ(f.Run.Counter, c.counter);
    EXPECT_EQ(f.Run.RunFinished, 0);
    EXPECT_TRUE(f.Timer1.TimerEnabled());
    bool minimised = c.noTarget == -1;
    EXPECT_EQ(f.State() == rt::WindowState::Minimized, minimised);
    EXPECT_EQ(h.backend.State(f).state == rt::WindowState::Minimized, minimised) << "the window opens minimised";
    EXPECT_EQ(f.Check1.Value(), minimised ? 1 : 0);
    EXPECT_EQ(f.Text1.Enabled(), !minimised);
    EXPECT_TRUE(h.backend.State(f).shown);
    EXPECT_EQ(h.app.Forms().size(), 1u) << "no help window";
    ASSERT_TRUE(f.Run.KeyParts.has_value());
    ASSERT_TRUE(f.Run.KeyPauses.has_value());
  }
}

TEST(Startup, TheHelpWindowsExampleSplitsIntoThreePieces) {
  Harness h(u"/window-caption /keys {4}to {2}send /5 /loop");
  h.Start();
  EXPECT_EQ(*h.main().Run.KeyParts, (std::vector<rt::ustring>{u"", u"keys ", u"to ", u"send"}));
  EXPECT_EQ(h.main().Run.KeyPauses->at(1), u"4");
  EXPECT_EQ(h.main().Run.KeyPauses->at(2), u"2");
}

struct BadCase {
  const char* label;
  rt::ustring command;
  bool keysSplit;  // whether the script was split before the error
};

TEST(Startup, ArgumentErrorsShowTheHelpAndTheMessage) {
  const BadCase cases[] = {
      {"empty interval", u"/a/b/", false},
      {"empty interval between slashes", u"/a/b//x", false},
      {"interval not a number", u"/a/b/five", false},
      {"interval out of range", u"/a/b/32768", false},
      {"interval out of range below", u"/a/b/-40000", false},
      {"script too long", u"/a/" + rt::ustring(32767, u'k') + u"/5", false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Harness h(c.command);
    bool helpShownFirst = false;
    h.os.whileMsgBoxOpen = [&] {
      auto* help = h.main().HelpWindow.IfLoaded();
      helpShownFirst = help != nullptr && help->Visible();
    };
    h.Start();
    strumlet::Form1& f = h.main();
    ASSERT_EQ(h.os.Texts("MsgBox"), (std::vector<rt::ustring>{u"Error in arguments (parameters). Please read help file!"}));
    EXPECT_EQ(h.os.lastMsgBoxTitle, u"Strumlet");
    EXPECT_TRUE(helpShownFirst) << "the help window is visible beside the message";
    EXPECT_TRUE(f.ArgumentErrorReported());
    EXPECT_EQ(f.Run.KeyParts.has_value(), c.keysSplit);
    EXPECT_TRUE(f.mOnce.Value());
    EXPECT_EQ(f.Text1.Text(), u"a") << "settings read so far stay";
    EXPECT_TRUE(f.Timer1.TimerEnabled()) << "the design-time timer still runs";
    EXPECT_EQ(h.app.Forms().size(), 2u);
    EXPECT_TRUE(h.backend.State(f).shown);
  }
}

TEST(Startup, NoTargetInFieldFiveWithBadIntervalSkipsTheNoTargetStart) {
  Harness h(u"/a/b/x/loop/notarget");
  h.Start();
  EXPECT_EQ(h.main().Run.NoTarget, -1);
  EXPECT_EQ(h.main().Check1.Value(), 0);
  EXPECT_TRUE(h.main().Text1.Enabled());
  EXPECT_EQ(h.main().State(), rt::WindowState::Normal);
}

// Odd command lines, each with the one outcome the reading rules give it.
TEST(Startup, StrangeCommandLinesGiveTheirExactSettings) {
  const struct {
    const char* label;
    rt::ustring command;
    rt::ustring caption, keys, interval;
    Mode mode;
    int noTarget;
    bool argumentError;
    int counter;                     // when no argument error
    std::vector<rt::ustring> parts;  // when no argument error
  } cases[] = {
      // The first "/" is dropped; the rest make fields of nothing, and the
      // empty third field is the argument error.
      {"slashes only", rt::ustring(32000, u'/'), u"", u"", u"", Mode::Once, 0, true, 0, {}},
      {"seven slashes", u"///////", u"", u"", u"", Mode::Once, 0, true, 0, {}},
      {"a long caption alone", u"/" + rt::ustring(32000, u'x'), rt::ustring(32000, u'x'), u"", u"2", Mode::Once, 0,
       false, 2, {u"", u""}},
      // An open brace collects to the end of the script, is no number and
      // stays in the one piece.
      {"open braces", u"/a/" + rt::ustring(32000, u'{') + u"/5", u"a", rt::ustring(32000, u'{'), u"5", Mode::Once, 0,
       false, 5, {u"", rt::ustring(32000, u'{')}},
      {"lone surrogates", u"/\xD800/\xDC00{2}\xD83D\xDE00/3/LOOP", u"\xD800", u"\xDC00{2}\xD83D\xDE00", u"3",
       Mode::Loop, 0, false, 3, {u"", u"\xDC00", u"\xD83D\xDE00"}},
      // The first character is dropped whatever it is, a NUL too.
      {"a NUL first", rt::ustring(1, u'\0') + u"a/b/3", u"a", u"b", u"3", Mode::Once, 0, false, 3, {u"", u"b"}},
      {"a NUL in the caption", u"/a" + rt::ustring(1, u'\0') + u"b/c/3", u"a" + rt::ustring(1, u'\0') + u"b", u"c",
       u"3", Mode::Once, 0, false, 3, {u"", u"c"}},
      {"a blank first", u" /a/b/3", u"", u"a", u"b", Mode::Once, 0, true, 0, {}},
      {"a tab in the interval", u"/a/b/\t3", u"a", u"b", u"\t3", Mode::Once, 0, true, 0, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.label);
    Harness h(c.command);
    h.Start();
    strumlet::Form1& f = h.main();
    EXPECT_EQ(f.Text1.Text(), c.caption);
    EXPECT_EQ(f.Text2.Text(), c.keys);
    EXPECT_EQ(f.Text3.Text(), c.interval);
    EXPECT_EQ(SelectedMode(f), c.mode);
    EXPECT_EQ(f.Run.NoTarget, c.noTarget);
    EXPECT_EQ(f.ArgumentErrorReported(), c.argumentError);
    if (c.argumentError) {
      EXPECT_EQ(h.os.Texts("MsgBox"), (std::vector<rt::ustring>{u"Error in arguments (parameters). Please read help file!"}));
      EXPECT_EQ(f.Run.Counter, 0);
      EXPECT_FALSE(f.Run.KeyParts.has_value());
    } else {
      EXPECT_TRUE(h.os.Texts("MsgBox").empty());
      EXPECT_EQ(f.Run.Counter, c.counter);
      ASSERT_TRUE(f.Run.KeyParts.has_value());
      EXPECT_EQ(*f.Run.KeyParts, c.parts);
    }
  }
}

TEST(Splitting, EditingTheScriptResplitsWhileTheWindowIsShown) {
  Harness h;
  h.Start();
  strumlet::Form1& f = h.main();
  f.Text2.SetText(u"");
  rt::fake::Type(h.app, f.Text2, u"ab{3}c");
  EXPECT_EQ(*f.Run.KeyParts, (std::vector<rt::ustring>{u"", u"ab", u"c"}));
  EXPECT_EQ(f.Run.KeyPauses->at(1), u"3");
  rt::fake::Type(h.app, f.Text2, u"{1");
  EXPECT_EQ(*f.Run.KeyParts, (std::vector<rt::ustring>{u"", u"ab", u"c", u""}));
}

TEST(Splitting, TheScriptBoxRefusesMoreThanFitsInASplit) {
  Harness h;
  h.Start();
  strumlet::Form1& f = h.main();
  f.Text2.SetText(u"");
  rt::fake::Paste(h.app, f.Text2, rt::ustring(40000, u'z'));
  EXPECT_EQ(f.Text2.Text().size(), 32766u);
  EXPECT_EQ(f.Run.KeyParts->at(1).size(), 32766u);
  rt::fake::Type(h.app, f.Text2, u"more");
  EXPECT_EQ(f.Text2.Text().size(), 32766u);
  EXPECT_TRUE(h.os.Texts("MsgBox").empty());
}

TEST(MainWindow, CheckBoxMirrorsNoTarget) {
  Harness h;
  h.Start();
  strumlet::Form1& f = h.main();
  rt::fake::Click(h.app, f.Check1);
  EXPECT_EQ(f.Run.NoTarget, -1);
  EXPECT_FALSE(f.Text1.Enabled());
  rt::fake::Click(h.app, f.Check1);
  EXPECT_EQ(f.Run.NoTarget, 0);
  EXPECT_TRUE(f.Text1.Enabled());
}

}  // namespace
