// The real program on a desktop with no window manager (a kiosk, a bare X
// session): nobody answers _NET_ACTIVE_WINDOW there, so the program raises
// its target and gives it the input focus itself, away from another
// program's window that had it.
#include <gtest/gtest.h>

#include <string>

#include "../x11/toolkit_windows.h"
#include "../x11/virtual_desktop.h"
#include "desktop.h"

namespace {

using namespace strumlet::x11_test;

TEST(NoWindowManager, AOnceRunBringsItsTargetForwardAndTypesIntoIt) {
  VirtualDesktop desktop(WindowManagerNamed("none"));
  ASSERT_EQ(desktop.Error(), "");
  Connection display = Connect();
  ASSERT_TRUE(display);
  ToolkitWindow target(Toolkit::Xterm, "Kiosk Terminal", desktop.Folder());
  ToolkitWindow other(Toolkit::Qt, "Kiosk Editor", desktop.Folder());
  Window t = 0, o = 0;
  ASSERT_TRUE(WaitFor([&] { return target.Started() && (t = FindClient(display.get(), target.Title())) != 0; }, 120s));
  // The editor opens last and takes the focus (Qt does so itself when no
  // window manager gives it).
  ASSERT_TRUE(WaitFor([&] { return other.Started() && (o = FindClient(display.get(), other.Title())) != 0; }, 120s));
  ASSERT_TRUE(WaitFor([&] { return FocusInside(display.get(), o); }));

  // Named by the beginning of its caption, in another case.
  strumlet::linux_e2e::Program program({"/kiosk term/typed here~/3/once"});
  EXPECT_EQ(program.WaitExit(120s), 0);
  EXPECT_EQ(target.Typed(display.get(), t), "typed here\r");
  EXPECT_EQ(other.Typed(display.get(), o), "");
  EXPECT_TRUE(Stacked(display.get(), t, o)) << "raised above the editor";
}

}  // namespace
