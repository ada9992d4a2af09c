#include <gtest/gtest.h>

#include "info/frm_about.h"
#include "mainwin/composer.h"
#include "mainwin/form1_ids.h"
#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::U;

constexpr int kEsc = 27;
constexpr int kF1 = 112;

TEST(MainWindow, PauseResumeAndRestart) {
  Harness h(u"/T/x/9/loop");
  h.Start();
  strumlet::Form1& f = h.main();
  h.backend.Activate(f);
  rt::fake::Tick(h.app, f.Timer1, 2);
  ASSERT_EQ(f.Run.Counter, 7);

  rt::fake::Click(h.app, f.Command2);
  EXPECT_FALSE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Command2.Caption(), u"&Resume Counter");
  rt::fake::Tick(h.app, f.Timer1, 3);
  EXPECT_EQ(f.Run.Counter, 7) << "paused: the count stands still";
  rt::fake::Click(h.app, f.Command2);
  EXPECT_TRUE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
  EXPECT_EQ(f.Run.Counter, 7) << "resumed from where it was";

  f.Timer1.SetTimerEnabled(false);
  f.Text3.SetText(u"30");
  rt::fake::Click(h.app, f.Command1);
  EXPECT_TRUE(f.Timer1.TimerEnabled());
  EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
  EXPECT_EQ(f.Run.Counter, 30);
  EXPECT_EQ(f.Label1.Caption(), u"7") << "shown at the next tick";

  f.Text3.SetText(u"soon");
  rt::fake::Click(h.app, f.Command1);
  EXPECT_EQ(f.Run.Counter, 30) << "a bad interval leaves the count";
  ASSERT_EQ(h.os.Texts("MsgBox").size(), 1u);
}

TEST(MainWindow, KeysActOnReleaseWhileTheWindowIsActive) {
  const struct {
    const char* name;
    bool startPaused;
    int key, shift;
    bool active;
    bool runningAfter;
    int focus;  // control that has the focus after, 0 for unchanged
    bool closed;
  } cases[] = {
      {"Esc pauses", false, kEsc, 0, true, false, strumlet::form1_ids::kSendNow, false},
      {"Esc while paused stays paused", true, kEsc, 0, true, false, strumlet::form1_ids::kSendNow, false},
      {"F1 resumes", true, kF1, 0, true, true, strumlet::form1_ids::kCommand2, false},
      {"Shift+F1 resumes", true, kF1, 1, true, true, strumlet::form1_ids::kCommand2, false},
      {"Ctrl+F1 resumes", true, kF1, 2, true, true, strumlet::form1_ids::kCommand2, false},
      {"F1 while running", false, kF1, 0, true, true, strumlet::form1_ids::kCommand2, false},
      {"Ctrl+Esc does nothing", false, kEsc, 2, true, true, 0, false},
      {"Alt+Esc does nothing", false, kEsc, 4, true, true, 0, false},
      {"Shift+Ctrl+Esc does nothing", false, kEsc, 3, true, true, 0, false},
      {"Shift+Esc closes", false, kEsc, 1, true, true, 0, true},
      {"not active: Esc does nothing", false, kEsc, 0, false, true, 0, false},
      {"not active: Shift+Esc does nothing", false, kEsc, 1, false, true, 0, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    if (c.active) h.backend.Activate(f);
    if (c.startPaused) rt::fake::Click(h.app, f.Command2);
    rt::fake::Tick(h.app, f.Timer1);
    int counter = f.Run.Counter;
    rt::fake::KeyUp(h.app, f, c.key, c.shift);
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
  rt::fake::KeyUp(h.app, f, kEsc, 1);
  EXPECT_TRUE(h.app.Forms().empty());
  EXPECT_TRUE(help->Discarded());
  EXPECT_TRUE(about->Discarded());
  EXPECT_TRUE(h.backend.quit);
}

// Puts settings into the main window as the user would.
void Enter(Harness& h, const char* caption, const char* keys, const char* interval, int mode, bool noTarget) {
  strumlet::Form1& f = h.main();
  f.Text1.SetText(U(caption));
  f.Text2.SetText(U(keys));
  f.Text3.SetText(U(interval));
  (mode == 0 ? f.mOnce : mode == 1 ? f.mLoop : f.mPersist).SetValue(true);
  if (noTarget) rt::fake::Click(h.app, f.Check1);
}

struct ComposeCase {
  const char* name;
  const char* caption;
  const char* keys;
  const char* interval;
  int mode;  // 0 once, 1 loop, 2 persist
  bool noTarget;
  const char* line;
};

TEST(Composer, WritesTheSettingsAsACommandLine) {
  const ComposeCase cases[] = {
      {"start values", "Capture Frames", "~", "20", 1, false, "C:\\Tools\\strumlet.exe /Capture Frames /~ /20 /loop"},
      {"once", "Notepad", "abc", "5", 0, false, "C:\\Tools\\strumlet.exe /Notepad /abc /5"},
      {"once, no target", "Notepad", "abc", "5", 0, true, "C:\\Tools\\strumlet.exe /Notepad /abc /5 /notarget"},
      {"loop, no target", "N", "k", "5", 1, true, "C:\\Tools\\strumlet.exe /N /k /5 /loop /notarget"},
      {"persist, no target", "N", "k", "5", 2, true, "C:\\Tools\\strumlet.exe /N /k /5 /persist /notarget"},
      {"empty caption and interval", "", "k", "", 0, false, "C:\\Tools\\strumlet.exe / /k /"},
      {"slash and percent unchanged", "a/b %x%", "%{F4}/", " 5 ", 0, false, "C:\\Tools\\strumlet.exe /a/b %x% /%{F4}/ / 5 "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h;
    h.Start();
    strumlet::Form1& f = h.main();
    Enter(h, c.caption, c.keys, c.interval, c.mode, c.noTarget);
    h.os.clipboard = u"earlier";
    rt::ustring clipboardWhileShown;
    h.os.whileMsgBoxOpen = [&] { clipboardWhileShown = h.os.clipboard; };
    rt::fake::Click(h.app, f.Command6);
    rt::ustring line = U(c.line);
    ASSERT_EQ(h.os.Texts("MsgBox").size(), 1u);
    EXPECT_EQ(h.os.Texts("MsgBox")[0],
              line + u"\r\nCopied to clipboard\r\nRemember! If you put the command line in a batch file (%) must be doubled (%%)");
    EXPECT_EQ(h.os.lastMsgBoxTitle, u"Strumlet");
    EXPECT_EQ(clipboardWhileShown, u"earlier") << "the message comes before the copy";
    EXPECT_EQ(h.os.clipboard, line);
  }
}

TEST(Composer, ABusyClipboardIsReportedNotHidden) {
  Harness h;
  h.Start();
  h.os.clipboardBusy = true;
  rt::fake::Click(h.app, h.main().Command6);
  auto boxes = h.os.Texts("MsgBox");
  ASSERT_EQ(boxes.size(), 2u);
  EXPECT_NE(boxes[1].find(u"could not be copied"), rt::ustring::npos);
}

TEST(Composer, AComposedLineRestoresTheSameSettings) {
  const struct {
    const char* caption;
    const char* keys;
    const char* interval;
    int mode;
    bool noTarget;
  } cases[] = {
      {"Untitled - Notepad", "hello{2}world~", "5", 1, false},
      {"Calculator", "12+34~", "30", 0, false},
      {"Calculator", "{ESC}", "7", 0, true},
      {"Editor \xC3\xA9t\xC3\xA9", "%{F4}", "3", 2, true},
      {"Capture Frames", "~", "20", 1, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.caption);
    Harness first;
    first.Start();
    Enter(first, c.caption, c.keys, c.interval, c.mode, c.noTarget);
    rt::fake::Click(first.app, first.main().Command6);
    rt::ustring line = first.os.clipboard;
    // Started with it: the argument text follows the program's path and its blank.
    rt::ustring prefix = u"C:\\Tools\\strumlet.exe ";
    ASSERT_EQ(line.rfind(prefix, 0), 0u);
    Harness second(line.substr(prefix.size()));
    second.Start();
    strumlet::Form1& g = second.main();
    EXPECT_EQ(g.Text1.Text(), U(c.caption));
    EXPECT_EQ(g.Text2.Text(), U(c.keys));
    EXPECT_EQ(rt::Trim(g.Text3.Text()), U(c.interval));
    EXPECT_EQ(g.mOnce.Value(), c.mode == 0);
    EXPECT_EQ(g.mLoop.Value(), c.mode == 1);
    EXPECT_EQ(g.mPersist.Value(), c.mode == 2);
    EXPECT_EQ(g.Run.NoTarget, c.noTarget ? -1 : 0);
  }
}

TEST(AboutWindow, ShowsTitleVersionAndCopiesTheAddress) {
  Harness h;
  h.Start();
  strumlet::Form1& f = h.main();
  h.os.clipboard = u"a command line";
  rt::fake::Click(h.app, f.Command5);
  auto* about = f.AboutWindow.IfLoaded();
  ASSERT_NE(about, nullptr);
  EXPECT_EQ(about->Caption(), u"About Strumlet");
  EXPECT_EQ(about->lblTitle.Caption(), u"Strumlet");
  EXPECT_EQ(about->lblVersion.Caption(), u"Version " STRUMLET_SHOWN_VERSION);
  rt::ustring address = strumlet::HomepageAddress();
  EXPECT_FALSE(address.empty());
  EXPECT_EQ(h.os.clipboard, address);
  const rt::ustring& d = about->lblDescription.Caption();
  std::size_t first = d.find(u"\r\n");
  ASSERT_NE(first, rt::ustring::npos);
  EXPECT_EQ(d.substr(first), u"\r\nNew version at " + address + u"\r\n(Copied to clipboard)");
  EXPECT_EQ(d.find(u"\r\n", first + 2) + 2 + 21, d.size()) << "two CR LF, none at the end";

  rt::fake::Click(h.app, f.Command5);
  EXPECT_EQ(h.os.Texts("Clipboard").size(), 1u) << "shown again while open: not loaded again";
  EXPECT_TRUE(about->cmdOK.Default && about->cmdOK.Cancel) << "Enter and Esc close it";
  rt::fake::Click(h.app, about->cmdOK);
  EXPECT_EQ(f.AboutWindow.IfLoaded(), nullptr);
  rt::fake::Click(h.app, f.Command5);
  EXPECT_EQ(h.os.Texts("Clipboard").size(), 2u) << "loaded afresh: copied again";
}

}  // namespace
