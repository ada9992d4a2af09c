// The real program's clipboard as a user meets it after the program has
// ended: a shell that captures the program's output gets it back when the
// program ends, while the text stays on the clipboard; and a program whose
// file a package upgrade replaced while it ran still copies.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <string>

#include "../unit/test_support.h"
#include "desktop.h"
#include "info/frm_about.h"

namespace {

using namespace strumlet::linux_e2e;

// `out=$(strumlet ...)` in a script: the shell reads the program's output
// (standard output and error) until every process that holds it has closed
// it. It must come back when the program ends, not when another program
// takes the clipboard.
TEST(LinuxClipboard, CapturingTheProgramsOutputReturnsWhenItEnds) {
  Screen screen;
  ASSERT_TRUE(screen.Ok()) << "needs an X display";
  strumlet::testing::Harness harness;
  strumlet::Form1& f = harness.main();
  const std::string pidFile = ScratchFile("pid"), doneFile = ScratchFile("done");
  Process shell(Spawn({"sh", "-c",
                       "out=$( { \"$STRUMLET\" '/Nothing Here 4711/x/600/loop' 2>&1 & echo $! >\"$PIDFILE\"; wait; } ); "
                       "echo ended >\"$DONEFILE\""},
                      {"STRUMLET=" STRUMLET_EXE, "PIDFILE=" + pidFile, "DONEFILE=" + doneFile}));
  pid_t pid = 0;
  ASSERT_TRUE(WaitFor([&] { return (pid = std::atoi(ReadFile(pidFile).c_str())) > 0; }));
  XWindow main = screen.AwaitMain(pid);
  ASSERT_NE(main, 0u);
  ASSERT_TRUE(screen.Activate(main));
  const std::string address = rt::ToUtf8(strumlet::HomepageAddress());
  screen.Click(main, f.ClientWidth, f.Command5);
  ASSERT_TRUE(WaitFor([&] { return screen.Clipboard() == address; })) << "the About window copied the address";
  screen.Close(main);
  EXPECT_TRUE(WaitFor([&] { return ReadFile(doneFile) == "ended\n"; }, 30s)) << "the shell's out=$(...) came back";
  EXPECT_EQ(shell.WaitExit(), 0);
  EXPECT_EQ(screen.Clipboard(), address) << "and the address is still on the clipboard";
  unlink(pidFile.c_str());
  unlink(doneFile.c_str());
}

// A package upgrade renames a new file over the running program's (as
// dpkg does); the command line copied afterwards is on the clipboard, also
// once the program has ended.
TEST(LinuxClipboard, CopiesAfterAnUpgradeReplacedTheProgramsFile) {
  Screen screen;
  ASSERT_TRUE(screen.Ok()) << "needs an X display";
  strumlet::testing::Harness harness;
  strumlet::Form1& f = harness.main();
  const std::string folder = ScratchFile("bin");
  ASSERT_EQ(mkdir(folder.c_str(), 0755), 0);
  const std::string file = folder + "/strumlet";
  Process copy(Spawn({"cp", STRUMLET_EXE, file}));
  ASSERT_EQ(copy.WaitExit(), 0);
  Process program(Spawn({file, "/Nothing Here 4711/x/600/loop"}));
  XWindow main = screen.AwaitMain(program.Pid());
  ASSERT_NE(main, 0u);
  Process upgrade(Spawn({"sh", "-c", "printf '#!/bin/sh\\nexit 3\\n' >\"$0.dpkg-new\" && chmod 755 \"$0.dpkg-new\" && mv \"$0.dpkg-new\" \"$0\"", file}));
  ASSERT_EQ(upgrade.WaitExit(), 0);

  ASSERT_TRUE(screen.Activate(main));
  screen.TakeClipboard();
  screen.Click(main, f.ClientWidth, f.Command6);
  XWindow box = screen.AwaitMessageBox(program.Pid());
  ASSERT_NE(box, 0u);
  ASSERT_TRUE(screen.Activate(box));
  screen.Key("Return");
  const std::string line = file + " '/Nothing Here 4711 /x /600 /loop'";
  EXPECT_TRUE(WaitFor([&] { return !screen.ClipboardIsOurs() && screen.Clipboard() == line; }))
      << screen.Clipboard().value_or("<nothing>");
  ASSERT_TRUE(screen.Activate(main));
  screen.Key("Escape", {"Shift_L"});
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(screen.Clipboard(), line) << "read after the program has ended";
  unlink(file.c_str());
  rmdir(folder.c_str());
}

}  // namespace
