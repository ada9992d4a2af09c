// The ping that tells a hung program, against the toolkits that answer it
// (each sends its answer with other event masks: Qt with the structure
// mask, GTK and Chromium with the substructure mask): each answers while it
// runs, is activated and typed into, and is hung only once its program has
// been stopped for five seconds.
#include <gtest/gtest.h>

#include <signal.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/x11/x11_windows.h"
#include "toolkit_windows.h"

namespace {

using namespace strumlet::x11_test;
using Clock = std::chrono::steady_clock;

class EveryPingingToolkit : public ::testing::TestWithParam<Toolkit> {};

TEST_P(EveryPingingToolkit, AnswersIsActivatedAndTypedIntoAndIsHungOnlyAfterFiveSecondsStopped) {
  const Toolkit kit = GetParam();
  if (!Installed(ToolkitProgram(kit))) {
    GTEST_SKIP() << ToolkitProgram(kit) << " is not installed (scripts/deps.sh installs it)";
  }
  VirtualDesktop desktop(WindowManagerNamed("openbox"));
  ASSERT_EQ(desktop.Error(), "");
  Connection display = Connect();
  ASSERT_TRUE(display);
  Display* d = display.get();
  rt::x11::X11Windows windows(d, getpid());

  ToolkitWindow other(Toolkit::Xterm, "Plain Terminal", desktop.Folder());
  ToolkitWindow target(kit, std::string(ToolkitName(kit)) + " Ping Target", desktop.Folder());
  Window w = 0, o = 0;
  ASSERT_TRUE(WaitFor([&] { return other.Started() && (o = FindClient(d, other.Title())) != 0; }, 120s));
  ASSERT_TRUE(WaitFor([&] { return target.Started() && (w = FindClient(d, target.Title())) != 0; }, 120s))
      << target.Title() << " did not open";

  EXPECT_FALSE(windows.IsHung(w)) << "a program that reads its events answers";
  rt::ActivateWindow(u"plain terminal", windows);
  ASSERT_TRUE(FocusInside(d, o));
  ASSERT_NO_THROW(rt::ActivateWindow(rt::FromUtf8(target.Title()), windows));
  EXPECT_TRUE(FocusInside(d, w));
  EXPECT_EQ(ActiveWindow(d), w);

  // Stopped: hung, but not before five seconds without an answer; its
  // caption then finds nothing to activate.
  ASSERT_EQ(kill(target.Pid(), SIGSTOP), 0);
  Clock::time_point start = Clock::now();
  EXPECT_TRUE(windows.IsHung(w)) << "a stopped program";
  EXPECT_GE(Clock::now() - start, std::chrono::milliseconds(4900)) << "judged before five seconds";
  EXPECT_THROW(rt::ActivateWindow(rt::FromUtf8(target.Title()), windows), rt::RuntimeError);
  ASSERT_EQ(kill(target.Pid(), SIGCONT), 0);
  EXPECT_TRUE(WaitFor([&] { return !windows.IsHung(w); }, 30s)) << "answers again once it runs";

  // Stopped for a moment only: its answer, within five seconds, counts.
  ASSERT_EQ(kill(target.Pid(), SIGSTOP), 0);
  std::thread resume([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(1500));
    kill(target.Pid(), SIGCONT);
  });
  EXPECT_FALSE(windows.IsHung(w)) << "stopped for a second and a half";
  resume.join();

  ASSERT_NO_THROW(rt::ActivateWindow(rt::FromUtf8(target.Title()), windows));
  TypeLetters(d, "pinged");
  EXPECT_TRUE(WaitFor([&] { return target.Typed(d, w) == "pinged"; }))
      << "arrived: " << target.Typed(d, w);
}

INSTANTIATE_TEST_SUITE_P(Toolkits, EveryPingingToolkit, ::testing::Values(Toolkit::Qt, Toolkit::Gtk, Toolkit::Chromium),
                         [](const ::testing::TestParamInfo<Toolkit>& info) { return std::string(ToolkitName(info.param)); });

}  // namespace
