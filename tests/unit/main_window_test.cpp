#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "info/frm_about.h"
#include "mainwin/composer.h"
#include "mainwin/form1_ids.h"
#include "platform/command_text.h"
#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::U;

constexpr int kEsc = 27;
constexpr int kF1 = 112;
// The control that has the focus when the main window first opens: the
// first one in tab order that takes it.
constexpr int kFirstFocus = strumlet::form1_ids::kText1;

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

// The system refuses the timer while the countdown runs, or when the user
// resumes it: the countdown stands paused, the button says so by offering to
// resume, and resuming asks the system again.
TEST(MainWindow, ATimerTheSystemRefusesLeavesTheCountdownPausedAndResumable) {
  struct Case {
    const char* name;
    bool pausedFirst;
  };
  for (const Case& c : {Case{"while counting", false}, Case{"on resuming", true}}) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    h.backend.Activate(f);
    rt::fake::Tick(h.app, f.Timer1, 2);
    if (c.pausedFirst) {
      rt::fake::Click(h.app, f.Command2);
      rt::fake::Click(h.app, f.Command2);
    }
    rt::fake::Refuse(h.app, f.Timer1, u"no timers left");

    EXPECT_FALSE(f.Timer1.TimerEnabled());
    EXPECT_EQ(f.Command2.Caption(), u"&Resume Counter");
    ASSERT_EQ(h.os.Texts("MsgBox").size(), 1u);
    EXPECT_EQ(h.os.Texts("MsgBox")[0], u"no timers left");
    rt::fake::Tick(h.app, f.Timer1, 3);
    EXPECT_EQ(f.Run.Counter, 7) << "the count stands still";

    rt::fake::Click(h.app, f.Command2);
    EXPECT_TRUE(f.Timer1.TimerEnabled());
    EXPECT_EQ(f.Command2.Caption(), u"P&ause Counter");
    rt::fake::Tick(h.app, f.Timer1);
    EXPECT_EQ(f.Run.Counter, 6) << "counting again";
  }
}

TEST(MainWindow, KeysActOnReleaseWhileTheWindowIsActive) {
  const struct {
    const char* name;
    bool startPaused;
    int key, shift;
    bool active;
    bool runningAfter;
    int focus;  // control that has the focus after
    bool closed;
  } cases[] = {
      {"Esc pauses", false, kEsc, 0, true, false, strumlet::form1_ids::kSendNow, false},
      {"Esc while paused stays paused", true, kEsc, 0, true, false, strumlet::form1_ids::kSendNow, false},
      {"F1 resumes", true, kF1, 0, true, true, strumlet::form1_ids::kCommand2, false},
      {"Shift+F1 resumes", true, kF1, 1, true, true, strumlet::form1_ids::kCommand2, false},
      {"Ctrl+F1 resumes", true, kF1, 2, true, true, strumlet::form1_ids::kCommand2, false},
      {"F1 while running", false, kF1, 0, true, true, strumlet::form1_ids::kCommand2, false},
      {"Ctrl+Esc does nothing", false, kEsc, 2, true, true, kFirstFocus, false},
      {"Alt+Esc does nothing", false, kEsc, 4, true, true, kFirstFocus, false},
      {"Shift+Ctrl+Esc does nothing", false, kEsc, 3, true, true, kFirstFocus, false},
      {"Shift+Esc closes", false, kEsc, 1, true, true, 0, true},
      {"not active: Esc does nothing", false, kEsc, 0, false, true, kFirstFocus, false},
      {"not active: Shift+Esc does nothing", false, kEsc, 1, false, true, kFirstFocus, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    if (!c.active) h.backend.ActivateOtherProgram();
    if (c.startPaused) rt::fake::Click(h.app, f.Command2);
    rt::fake::Tick(h.app, f.Timer1);
    int counter = f.Run.Counter;
    // Only the release: the key went down in another window.
    rt::fake::KeyUp(h.app, h.backend, c.key, c.shift);
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
  rt::fake::Press(h.app, h.backend, kEsc, 1);
  EXPECT_TRUE(h.app.Forms().empty());
  EXPECT_TRUE(help->Discarded());
  EXPECT_TRUE(about->Discarded());
  EXPECT_TRUE(h.backend.quit);
}

TEST(MainWindow, EscClicksCommand2AndItsReleaseStillReachesFormKeyUp) {
  const struct {
    const char* name;
    bool startPaused;
    bool runningAfterDown;  // Command2 toggled the countdown
  } cases[] = {
      {"running", false, false},
      {"paused", true, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    ASSERT_EQ(h.backend.ActiveForm(), &f) << "the main window opens active";
    if (c.startPaused) rt::fake::Click(h.app, f.Command2);
    rt::fake::KeyDown(h.app, h.backend, kEsc, 0);
    EXPECT_EQ(f.Timer1.TimerEnabled(), c.runningAfterDown);
    EXPECT_EQ(f.Command2.Caption(), c.runningAfterDown ? u"P&ause Counter" : u"&Resume Counter");
    EXPECT_EQ(h.backend.State(f).focusedControl, kFirstFocus) << "the press alone does not move the focus";
    rt::fake::KeyUp(h.app, h.backend, kEsc, 0);
    EXPECT_FALSE(f.Timer1.TimerEnabled()) << "Esc always ends paused";
    EXPECT_EQ(f.Command2.Caption(), u"&Resume Counter");
    EXPECT_EQ(h.backend.State(f).focusedControl, strumlet::form1_ids::kSendNow) << "Form_KeyUp ran";
  }
}

TEST(MainWindow, KeysInTheHelpAndAboutWindowsLeaveTheCountdownAlone) {
  enum Window { kHelp, kAbout };
  const struct {
    const char* name;
    Window window;
    bool startPaused;
    int key, shift;
    bool pressed;  // pressed there too, not only released
  } cases[] = {
      {"F1 in Help while paused", kHelp, true, kF1, 0, true},
      {"F1 in About while paused", kAbout, true, kF1, 0, true},
      {"Esc released in Help while running", kHelp, false, kEsc, 0, false},
      {"Esc released in About while running", kAbout, false, kEsc, 0, false},
      {"Shift+Esc released in Help", kHelp, false, kEsc, 1, false},
      {"Shift+Esc released in About", kAbout, false, kEsc, 1, false},
      {"Ctrl+Esc in Help", kHelp, false, kEsc, 2, true},
      {"Ctrl+Esc in About", kAbout, true, kEsc, 2, true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    if (c.startPaused) rt::fake::Click(h.app, f.Command2);
    rt::fake::Click(h.app, c.window == kHelp ? f.Command3 : f.Command5);
    rt::Form* window = c.window == kHelp ? static_cast<rt::Form*>(f.HelpWindow.IfLoaded()) : f.AboutWindow.IfLoaded();
    ASSERT_NE(window, nullptr);
    ASSERT_EQ(h.backend.ActiveForm(), window) << "a window that opens is active";
    int focus = h.backend.State(f).focusedControl;
    if (c.pressed) {
      rt::fake::Press(h.app, h.backend, c.key, c.shift);
    } else {
      rt::fake::KeyUp(h.app, h.backend, c.key, c.shift);
    }
    EXPECT_TRUE(f.Loaded());
    EXPECT_TRUE(window->Loaded());
    EXPECT_EQ(f.Timer1.TimerEnabled(), !c.startPaused);
    EXPECT_EQ(f.Command2.Caption(), c.startPaused ? u"&Resume Counter" : u"P&ause Counter");
    EXPECT_EQ(h.backend.State(f).focusedControl, focus);
  }
}

TEST(MainWindow, EscClosesHelpAndAboutThroughTheirCancelButtons) {
  for (bool help : {true, false}) {
    SCOPED_TRACE(help ? "Help" : "About");
    Harness h(u"/T/x/9/loop");
    h.Start();
    strumlet::Form1& f = h.main();
    rt::fake::Click(h.app, help ? f.Command3 : f.Command5);
    rt::Form* window = help ? static_cast<rt::Form*>(f.HelpWindow.IfLoaded()) : f.AboutWindow.IfLoaded();
    ASSERT_NE(window, nullptr);
    rt::fake::KeyDown(h.app, h.backend, kEsc, 0);
    EXPECT_TRUE(window->Discarded());
    EXPECT_EQ(h.backend.ActiveForm(), &f) << "the main window is active again";
    EXPECT_TRUE(f.Timer1.TimerEnabled()) << "the press alone leaves the countdown";
  }
}

TEST(MainWindow, AWindowTheSystemCannotCreateEndsTheProgramWithAMessage) {
  const struct {
    const char* name;
    const char* refused;  // the form whose window is refused
    bool opensHelpFirst;
  } cases[] = {
      {"the main window at start", "Form1", false},
      {"the About window", "frmAbout", true},
      {"the window list", "Form3", true},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Harness h(u"/T/x/9/loop");
    h.backend.refuseWindows = {c.refused};
    h.Start();
    strumlet::Form1& f = h.main();
    if (std::string(c.refused) != "Form1") {
      ASSERT_TRUE(f.Loaded());
      if (c.opensHelpFirst) rt::fake::Click(h.app, f.Command3);
      rt::fake::Click(h.app, std::string(c.refused) == "frmAbout" ? f.Command5 : f.Command7);
    }
    ASSERT_EQ(h.os.Texts("MsgBox").size(), 1u);
    EXPECT_NE(h.os.Texts("MsgBox")[0].find(u"could not create the window"), rt::ustring::npos);
    EXPECT_FALSE(h.app.AnyLoaded()) << "no window is left running without its native window";
    EXPECT_TRUE(h.backend.quit) << "the message loop ends";
    EXPECT_EQ(h.program.ExitCode(), 3);
    EXPECT_FALSE(f.Loaded());
  }
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

// For a POSIX shell: the path, a blank, and the argument text as one word.
TEST(Composer, WritesAShellCommandLineThatTheShellReadsBackUnchanged) {
  const struct {
    const char* name;
    const char* folder;
    const char* caption;
    const char* keys;
    int mode;
    const char* line;
  } cases[] = {
      {"plain", "/usr/bin", "Untitled - Text Editor", "hello{2}world~", 1,
       "/usr/bin/strumlet '/Untitled - Text Editor /hello{2}world~ /5 /loop'"},
      {"shell characters stay", "/usr/bin", "a $HOME `x` \\ \"q\"", "%(ab)~*?", 0,
       "/usr/bin/strumlet '/a $HOME `x` \\ \"q\" /%(ab)~*? /5'"},
      {"single quotes", "/usr/bin", "it's", "'", 2, "/usr/bin/strumlet '/it'\\''s /'\\'' /5 /persist'"},
      {"a path with a blank is quoted", "/opt/my tools", "T", "k", 0, "'/opt/my tools/strumlet' '/T /k /5'"},
      {"UTF-8", "/usr/bin", "Caf\xC3\xA9 \xE2\x80\x93 Editor", "\xC3\xA9", 0,
       "/usr/bin/strumlet '/Caf\xC3\xA9 \xE2\x80\x93 Editor /\xC3\xA9 /5'"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    rt::AppInfo info = strumlet::testing::TestInfo(u"");
    info.folder = U(c.folder);
    info.shellCommandLine = true;
    rt::fake::FakeSystem os;
    rt::fake::FakeBackend backend;
    rt::App app(os, backend, info);
    strumlet::Program program(app);
    program.Start();
    strumlet::Form1& f = program.Main();
    f.Text1.SetText(U(c.caption));
    f.Text2.SetText(U(c.keys));
    f.Text3.SetText(u"5");
    (c.mode == 0 ? f.mOnce : c.mode == 1 ? f.mLoop : f.mPersist).SetValue(true);
    rt::fake::Click(app, f.Command6);
    EXPECT_EQ(os.clipboard, U(c.line));
#ifndef _WIN32
    // The shell itself reads the line: its words after the program's path,
    // joined with blanks, are the argument text the settings were written as.
    rt::ustring path = rt::ShellWord(info.folder + u"/strumlet");
    ASSERT_EQ(os.clipboard.rfind(path + u" ", 0), 0u);
    std::string script = "printf '%s' " + rt::ToUtf8(os.clipboard.substr(path.size() + 1));
    std::string quoted = "'";
    for (char ch : script) quoted += ch == '\'' ? std::string("'\\''") : std::string(1, ch);
    quoted += "'";
    FILE* shell = popen(("sh -c " + quoted).c_str(), "r");
    ASSERT_NE(shell, nullptr);
    std::string out;
    char buffer[256];
    for (std::size_t n; (n = fread(buffer, 1, sizeof buffer, shell)) > 0;) out.append(buffer, n);
    ASSERT_EQ(pclose(shell), 0);
    rt::ustring expected = u"/" + U(c.caption) + u" /" + U(c.keys) + u" /5";
    if (c.mode == 1) expected += u" /loop";
    if (c.mode == 2) expected += u" /persist";
    EXPECT_EQ(rt::FromUtf8(out), expected);
#endif
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
