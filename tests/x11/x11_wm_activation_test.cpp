// Activation by caption under the window managers people run, and with
// none (a bare X session, a kiosk), into windows of three toolkits: each
// window is brought to the front from behind another one by a prefix of its
// caption in another case, and from minimised by its whole caption in
// upper case; then the keys typed go to it. What counts is what the server
// says (the window manager's active window, the input focus, the stacking
// order) and what arrived in the window.
#include <gtest/gtest.h>

#include <cctype>
#include <memory>
#include <string>
#include <vector>

#include "platform/activation.h"
#include "platform/x11/x11_windows.h"
#include "toolkit_windows.h"

namespace {

using namespace strumlet::x11_test;

rt::ustring U(const std::string& utf8) { return rt::FromUtf8(utf8); }

std::string Upper(std::string s) {
  for (char& c : s) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return s;
}

// Every other letter's case turned.
std::string Jumbled(std::string s) {
  for (std::size_t i = 0; i < s.size(); i += 2) {
    unsigned char c = static_cast<unsigned char>(s[i]);
    s[i] = static_cast<char>(std::isupper(c) ? std::tolower(c) : std::toupper(c));
  }
  return s;
}

// The window is where the keys go, in front of `behind`, and the walk over
// the desktop's windows (the window list, the caption matching) finds it
// topmost.
void ExpectInFront(rt::x11::X11Windows& windows, Display* display, Window window, Window behind, bool windowManager) {
  EXPECT_TRUE(FocusInside(display, window)) << "the input focus";
  if (windowManager) EXPECT_EQ(ActiveWindow(display), window) << "the window manager's active window";
  EXPECT_TRUE(WaitFor([&] { return Stacked(display, window, behind); }, 10s)) << "raised above the other window";
  std::vector<rt::TopWindow> walk;
  EXPECT_TRUE(WaitFor(
      [&] {
        walk = rt::VisibleTopWindows(windows);
        return !walk.empty() && walk.front().handle == window;
      },
      10s))
      << "topmost in the walk: " << (walk.empty() ? std::string("none") : rt::ToUtf8(walk.front().title));
}

class UnderEveryWindowManager : public ::testing::TestWithParam<std::string> {};

TEST_P(UnderEveryWindowManager, BringsCoveredAndMinimisedWindowsOfEveryToolkitToTheFrontByCaption) {
  VirtualDesktop desktop(WindowManagerNamed(GetParam()));
  if (desktop.Error().find("not installed") != std::string::npos) GTEST_SKIP() << desktop.Error();
  ASSERT_EQ(desktop.Error(), "");
  Connection display = Connect();
  ASSERT_TRUE(display);
  Display* d = display.get();
  rt::x11::X11Windows windows(d, getpid());
  const bool manager = desktop.HasWindowManager();

  std::vector<std::unique_ptr<ToolkitWindow>> targets;
  for (Toolkit kit : {Toolkit::Xterm, Toolkit::Qt, Toolkit::Gtk}) {
    targets.push_back(std::make_unique<ToolkitWindow>(kit, std::string(ToolkitName(kit)) + " Lemon Target",
                                                      desktop.Folder()));
  }
  std::vector<Window> handles;
  for (auto& t : targets) {
    Window w = 0;
    ASSERT_TRUE(WaitFor([&] { return t->Started() && (w = FindClient(d, t->Title())) != 0; }, 120s))
        << t->Title() << " did not open";
    handles.push_back(w);
  }

  std::vector<std::string> expected(targets.size());
  auto type = [&](std::size_t i, const std::string& word) {
    TypeLetters(d, word);
    expected[i] += word;
    EXPECT_TRUE(WaitFor([&] { return targets[i]->Typed(d, handles[i]) == expected[i]; }))
        << "typed into it: " << targets[i]->Typed(d, handles[i]);
  };
  for (std::size_t i = 0; i < targets.size(); ++i) {
    const ToolkitWindow& target = *targets[i];
    SCOPED_TRACE(target.Title() + " under " + GetParam());
    const std::size_t other = (i + 1) % targets.size();
    Window w = handles[i];

    // Another window in front, with the focus; then this one by the
    // beginning of its caption, its letters' case turned.
    rt::ActivateWindow(U(targets[other]->Title()), windows);
    ASSERT_TRUE(FocusInside(d, handles[other]));
    ASSERT_NO_THROW(rt::ActivateWindow(U(Jumbled(target.Title().substr(0, 8))), windows));
    ExpectInFront(windows, d, w, handles[other], manager);
    type(i, "cover");

    // Minimised (a window manager's doing: with none, nothing minimises),
    // then named by its whole caption in capitals.
    if (!manager) continue;
    XIconifyWindow(d, w, DefaultScreen(d));
    XFlush(d);
    ASSERT_TRUE(WaitFor([&] { return windows.IsMinimized(w); }, 20s)) << "minimised";
    ASSERT_NO_THROW(rt::ActivateWindow(U(Upper(target.Title())), windows));
    EXPECT_FALSE(windows.IsMinimized(w)) << "restored";
    ExpectInFront(windows, d, w, handles[other], manager);
    type(i, "mini");
  }
}

INSTANTIATE_TEST_SUITE_P(WindowManagers, UnderEveryWindowManager,
                         ::testing::Values("openbox", "xfwm4", "mutter", "icewm", "fluxbox", "none"),
                         [](const ::testing::TestParamInfo<std::string>& info) { return info.param; });

}  // namespace
