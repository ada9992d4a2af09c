// The real Linux program's windows on a real X server (Xvfb with openbox),
// driven from outside with XTest as a user drives them: the window list
// with real X clients, and the composed line given to a shell. Where to
// click comes from the program's own layout in twips; what a window shows
// is read by copying it. (The scenarios every platform shares are in
// ../e2e.)
#include <gtest/gtest.h>

#include <string>

#include "../unit/test_support.h"
#include "desktop.h"
#include "platform/twips.h"

namespace {

using namespace strumlet::linux_e2e;

// The forms as the program lays them out: where the user clicks.
struct Layout {
  strumlet::Form1& Main() { return harness.main(); }
  strumlet::Form2& Help() { return harness.main().HelpWindow.Get(); }
  strumlet::Form3& List() { return harness.main().WindowList.Get(); }
  strumlet::testing::Harness harness;
};

// The main window at the place it starts at. A window restored from the
// task bar is moved there after it has become active (openbox animates
// it); clicks must wait for that.
bool AtItsPlace(Screen& screen, XWindow main, const strumlet::Form1& f) {
  int dpi = screen.Dpi(main, f.ClientWidth);
  return screen.AwaitPlace(main, rt::TwipsToPixels(f.StartLeft, dpi), rt::TwipsToPixels(f.StartTop, dpi));
}

// The path of the program and the argument text in single quotes, as a
// POSIX shell reads it back.
std::string ComposedLine(const std::string& arguments) { return std::string(STRUMLET_EXE) + " '" + arguments + "'"; }

TEST(LinuxWindowList, ListsXtermsTopmostFirstByTheirUtf8CaptionsAndPickingOneTypesIntoIt) {
  Screen screen;
  ASSERT_TRUE(screen.Ok()) << "needs an X display";
  const std::string caption = "Gr\xC3\xBC\xC3\x9F" "e \xE2\x9C\x93 \xCE\xA9";
  Xterm picked(caption);
  ASSERT_TRUE(picked.Ready());
  Xterm above("Other \xE2\x80\x93 window");
  ASSERT_TRUE(above.Ready());
  Layout layout;
  // A Once run whose target is not there yet, and whose countdown is long:
  // the caption picked from the list is what Send now types into.
  Program program({"/Nothing Here 4711/picked~/600/once"});
  XWindow main = screen.AwaitMain(program.Pid());
  ASSERT_NE(main, 0u);
  const int mainWidth = layout.Main().ClientWidth;
  const int listWidth = layout.List().ClientWidth;

  ASSERT_TRUE(screen.Activate(main));
  screen.Click(main, mainWidth, layout.Main().Command7);
  XWindow list = screen.AwaitTitle(program.Pid(), "Window list");
  ASSERT_NE(list, 0u);
  // Beside the main window, top edges level.
  EXPECT_TRUE(WaitFor([&] {
    Box m = screen.Frame(main), d = screen.Frame(list);
    return d.x == m.x + m.width && d.y == m.y;
  })) << "main at " << screen.Frame(main).x << "," << screen.Frame(main).y << " width " << screen.Frame(main).width
      << ", list at " << screen.Frame(list).x << "," << screen.Frame(list).y;

  // The first entry, at the top of the list, is the topmost window: the
  // xterm started last. The arrow key moves on to the one below it.
  ASSERT_TRUE(screen.Activate(list));
  const rt::TwipsRect& box = layout.List().List1.Bounds();
  int dpi = screen.Dpi(list, listWidth);
  screen.ClickAt(list, rt::TwipsToPixels(box.left + box.width / 2, dpi), rt::TwipsToPixels(box.top, dpi) + 8);
  EXPECT_EQ(screen.CopyText(main, mainWidth, layout.Main().Text1), "Other \xE2\x80\x93 window");
  ASSERT_TRUE(screen.Activate(list));
  screen.Key("Down");
  EXPECT_EQ(screen.CopyText(main, mainWidth, layout.Main().Text1), caption) << "the caption as the user sees it";

  // Send now types into the picked xterm, and the Once run ends.
  screen.Click(main, mainWidth, layout.Main().SendNow);
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(picked.Text(), "picked\r");
  EXPECT_EQ(above.Text(), "");
}

TEST(LinuxMainWindow, TheComposedLineIsCopiedAfterTheBoxAndStartsTheSameRunFromAShell) {
  Screen screen;
  ASSERT_TRUE(screen.Ok()) << "needs an X display";
  Layout layout;
  strumlet::Form1& f = layout.Main();
  std::optional<std::string> line;
  {
    Program program({"/Bob's Target/it's~/600/loop/x"});
    XWindow main = screen.AwaitMain(program.Pid());
    ASSERT_NE(main, 0u);
    ASSERT_TRUE(screen.Activate(main));
    ASSERT_TRUE(AtItsPlace(screen, main, f)) << "restored from the task bar";
    // The user makes it a Once run every two seconds, to the target.
    screen.Click(main, f.ClientWidth, f.mOnce);
    screen.Click(main, f.ClientWidth, f.Check1);
    screen.Click(main, f.ClientWidth, f.Text3);
    screen.Key("a", {"Control_L"});
    screen.Type("2");
    screen.TakeClipboard();
    screen.Click(main, f.ClientWidth, f.Command6);
    XWindow box = screen.AwaitMessageBox(program.Pid());
    ASSERT_NE(box, 0u);
    EXPECT_TRUE(screen.ClipboardIsOurs()) << "nothing is copied while the box is open";
    ASSERT_TRUE(screen.Activate(box));
    screen.Key("Return");
    ASSERT_TRUE(WaitFor([&] { return !screen.Exists(box); }));
    ASSERT_TRUE(screen.Activate(main));
    screen.Key("Escape", {"Shift_L"});
    EXPECT_EQ(program.WaitExit(), 0) << "Shift+Esc closes the program";
    line = screen.Clipboard();
  }
  EXPECT_EQ(line, ComposedLine("/Bob'\\''s Target /it'\\''s~ /2")) << "read after the program has ended";
  ASSERT_TRUE(line.has_value());

  // Given to a shell, the line starts the program with those settings.
  Xterm target("Bob's Target");
  ASSERT_TRUE(target.Ready());
  Process shell(Spawn({"sh", "-c", *line}));
  EXPECT_EQ(shell.WaitExit(), 0);
  EXPECT_EQ(target.Text(), "it's\r");
}

}  // namespace
