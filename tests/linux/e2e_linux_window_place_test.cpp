// Where the real program's window list opens, under several window
// managers, each on a throwaway desktop of its own: beside the main window
// (its outer frame's left edge at the main window's right edge, top edges
// level), placed by the program (the position hints window managers
// honour), and back beside the main window after the user has moved it.
#include <gtest/gtest.h>

#include <string>

#include "../unit/test_support.h"
#include "../x11/virtual_desktop.h"
#include "desktop.h"

namespace {

using namespace strumlet::linux_e2e;

std::string Describe(Screen& screen, XWindow main, XWindow list) {
  Box m = screen.Frame(main), l = screen.Frame(list);
  return "main frame at " + std::to_string(m.x) + "," + std::to_string(m.y) + " width " + std::to_string(m.width) +
         ", list frame at " + std::to_string(l.x) + "," + std::to_string(l.y);
}

bool Beside(Screen& screen, XWindow main, XWindow list) {
  Box m = screen.Frame(main), l = screen.Frame(list);
  return l.x == m.x + m.width && l.y == m.y;
}

class WindowListPlace : public ::testing::TestWithParam<std::string> {};

TEST_P(WindowListPlace, OpensBesideTheMainWindowAndComesBackBesideItAfterTheUserMovedIt) {
  strumlet::x11_test::VirtualDesktop desktop(strumlet::x11_test::WindowManagerNamed(GetParam()));
  if (desktop.Error().find("not installed") != std::string::npos) GTEST_SKIP() << desktop.Error();
  ASSERT_EQ(desktop.Error(), "");
  Screen screen;
  ASSERT_TRUE(screen.Ok());
  strumlet::testing::Harness layout;
  strumlet::Form1& f = layout.main();
  Program program({"/Nothing Here 4711/x/600/loop"});
  XWindow main = screen.AwaitMain(program.Pid(), 120s);
  ASSERT_NE(main, 0u) << (program.Running() ? std::string("the program runs without a main window")
                                            : "the program ended with " + std::to_string(program.WaitExit(0s)))
                      << "; " << desktop.Describe();

  ASSERT_TRUE(strumlet::x11_test::ActivateFromTaskBar(main));
  screen.Click(main, f.ClientWidth, f.Command7);
  XWindow list = screen.AwaitTitle(program.Pid(), "Window list");
  ASSERT_NE(list, 0u);
  EXPECT_TRUE(WaitFor([&] { return Beside(screen, main, list); })) << Describe(screen, main, list);
  EXPECT_TRUE(strumlet::x11_test::PlacedByItsProgram(list)) << "USPosition or PPosition in WM_NORMAL_HINTS";

  // The main window moved while the list is open (below it, so that the
  // list does not cover it): the next click brings the list back beside it.
  Box before = screen.Client(main);
  // The user drags it elsewhere (the window manager moves it on request).
  strumlet::x11_test::MoveClient(main, before.x + 217, before.y + 420);
  ASSERT_TRUE(WaitFor([&] { return screen.Client(main).x != before.x; })) << "the main window did not move";
  ASSERT_TRUE(strumlet::x11_test::ActivateFromTaskBar(main));
  screen.Click(main, f.ClientWidth, f.Command7);
  EXPECT_TRUE(WaitFor([&] { return Beside(screen, main, list); })) << Describe(screen, main, list);
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, WindowListPlace,
                         ::testing::Values("openbox", "fluxbox", "xfwm4", "icewm", "mutter"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
