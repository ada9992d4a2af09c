// The command-line composer: the settings of the main window written as a
// command line on the clipboard, for Windows and for a POSIX shell.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "mainwin/composer.h"
#include "platform/command_text.h"
#include "test_support.h"

namespace {

using strumlet::testing::Harness;
using strumlet::testing::U;

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

}  // namespace
