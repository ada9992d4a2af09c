// The desktop's windows and activation on a real X server with a real
// window manager (openbox) and real clients (xterm, and windows this test
// makes itself where a property is needed that xterm cannot set).
#include <gtest/gtest.h>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <string>
#include <thread>

#include "platform/activation.h"
#include "platform/x11/x11_windows.h"
#include "virtual_desktop.h"

namespace {

using rt::WindowHandle;
using strumlet::x11_test::WaitFor;

// An xterm with a title, ended with the test.
class Xterm {
 public:
  explicit Xterm(const std::string& title) {
    pid_ = fork();
    if (pid_ == 0) {
      execlp("xterm", "xterm", "-u8", "-T", title.c_str(), "-e", "sh", "-c", "sleep 600", static_cast<char*>(nullptr));
      _exit(127);
    }
  }
  ~Xterm() {
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
  }

 private:
  pid_t pid_;
};

class X11WindowsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    display_ = XOpenDisplay(nullptr);
    ASSERT_NE(display_, nullptr) << "needs an X display";
    windows_ = std::make_unique<rt::x11::X11Windows>(display_, static_cast<long>(getpid()));
    ASSERT_TRUE(WaitFor([&] { return windows_->HasWindowManager(); })) << "needs a window manager";
  }
  void TearDown() override {
    windows_.reset();
    if (display_) XCloseDisplay(display_);
  }
  // The visible window with that whole title, once it is there.
  WindowHandle Await(const rt::ustring& title) {
    WindowHandle found = 0;
    WaitFor([&] {
      for (const rt::TopWindow& w : rt::VisibleTopWindows(*windows_)) {
        if (w.title == title) found = w.handle;
      }
      return found != 0;
    });
    return found;
  }
  // A window of this test, made by raw Xlib, as another program's would be.
  Window MakeWindow(const char* utf8Title, Window transientFor, bool modal, bool ownPid) {
    Window w = XCreateSimpleWindow(display_, DefaultRootWindow(display_), 10, 10, 200, 100, 0, 0, 0xFFFFFF);
    Xutf8SetWMProperties(display_, w, utf8Title, nullptr, nullptr, 0, nullptr, nullptr, nullptr);
    XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_NAME", False), XInternAtom(display_, "UTF8_STRING", False),
                    8, PropModeReplace, reinterpret_cast<const unsigned char*>(utf8Title),
                    static_cast<int>(std::string(utf8Title).size()));
    if (transientFor) XSetTransientForHint(display_, w, transientFor);
    if (modal) {
      Atom state = XInternAtom(display_, "_NET_WM_STATE_MODAL", False);
      XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_STATE", False), XA_ATOM, 32, PropModeReplace,
                      reinterpret_cast<unsigned char*>(&state), 1);
    }
    unsigned long pid = ownPid ? static_cast<unsigned long>(getpid()) : 1;
    XChangeProperty(display_, w, XInternAtom(display_, "_NET_WM_PID", False), XA_CARDINAL, 32, PropModeReplace,
                    reinterpret_cast<unsigned char*>(&pid), 1);
    XMapWindow(display_, w);
    XFlush(display_);
    return w;
  }

  Display* display_ = nullptr;
  std::unique_ptr<rt::x11::X11Windows> windows_;
};

TEST_F(X11WindowsTest, ListsClientWindowsTopmostFirstWithTheirCaptionsAndClasses) {
  Xterm first("Target \xC3\x89t\xC3\xA9 one");
  WindowHandle a = Await(u"Target \u00C9t\u00E9 one");
  ASSERT_NE(a, 0u) << "the first xterm";
  Xterm second("Target two");
  WindowHandle b = Await(u"Target two");
  ASSERT_NE(b, 0u);
  Window mine = MakeWindow("Strumlet own window", 0, false, true);
  XSync(display_, False);

  std::vector<rt::TopWindow> list = rt::VisibleTopWindows(*windows_);
  auto pos = [&](WindowHandle h) {
    for (std::size_t i = 0; i < list.size(); ++i) {
      if (list[i].handle == h) return static_cast<int>(i);
    }
    return -1;
  };
  EXPECT_LT(pos(b), pos(a)) << "the newer window is on top";
  for (const rt::TopWindow& w : list) EXPECT_NE(w.title, u"Strumlet own window") << "the program's own windows are left out";
  EXPECT_EQ(windows_->ClassName(a), u"XTerm");
  EXPECT_EQ(windows_->Owner(a), 0u);
  EXPECT_TRUE(windows_->Enabled(a));
  EXPECT_TRUE(windows_->Exists(a));
  rt::PlacementRect r = windows_->Placement(a);
  EXPECT_GT(r.right - r.left, 50);
  EXPECT_GT(r.bottom - r.top, 50);

  // Matching: the whole title ignoring case, else a title's beginning.
  EXPECT_EQ(rt::FindWindowByCaption(u"target \u00E9T\u00C9 ONE", *windows_), a);
  EXPECT_EQ(rt::FindWindowByCaption(u"Target", *windows_), b) << "the topmost of the titles that begin so";
  EXPECT_EQ(rt::FindWindowByCaption(u"Nothing like it", *windows_), 0u);
  XDestroyWindow(display_, mine);
  XSync(display_, False);
}

TEST_F(X11WindowsTest, ActivationBringsCoveredAndMinimisedWindowsToTheFront) {
  Xterm first("Activation one");
  WindowHandle a = Await(u"Activation one");
  Xterm second("Activation two");
  WindowHandle b = Await(u"Activation two");
  ASSERT_NE(a, 0u);
  ASSERT_NE(b, 0u);
  ASSERT_TRUE(WaitFor([&] { return windows_->Foreground() == b; })) << "the new window has the focus";

  rt::ActivateWindow(u"activation ONE", *windows_);
  EXPECT_EQ(windows_->Foreground(), a) << "a covered window";

  XIconifyWindow(display_, static_cast<Window>(a), DefaultScreen(display_));
  XFlush(display_);
  ASSERT_TRUE(WaitFor([&] { return windows_->IsMinimized(a); }));
  EXPECT_TRUE(windows_->Visible(a)) << "a minimised window still counts as shown";
  rt::ActivateWindow(u"Activation one", *windows_);
  EXPECT_FALSE(windows_->IsMinimized(a));
  EXPECT_EQ(windows_->Foreground(), a) << "a minimised window";
}

TEST_F(X11WindowsTest, AWindowWaitingOnItsModalDialogGivesWayToIt) {
  Window main = MakeWindow("Editor with a dialog", 0, false, false);
  WindowHandle m = Await(u"Editor with a dialog");
  ASSERT_EQ(m, static_cast<WindowHandle>(main));
  Window dialog = MakeWindow("Save changes?", main, true, false);
  ASSERT_TRUE(WaitFor([&] { return !windows_->Enabled(m); })) << "disabled while the modal dialog is up";
  EXPECT_EQ(windows_->Owner(dialog), m);
  EXPECT_EQ(windows_->LastActivePopup(m), static_cast<WindowHandle>(dialog));
  rt::ActivateWindow(u"Editor with a dialog", *windows_);
  // The window manager may grant the request after the activation has seen
  // the dialog's owner in front, which counts too.
  EXPECT_TRUE(WaitFor([&] { return windows_->Foreground() == static_cast<WindowHandle>(dialog); }))
      << "the dialog, not the window behind it";
  XDestroyWindow(display_, dialog);
  XSync(display_, False);
  EXPECT_TRUE(WaitFor([&] { return windows_->Enabled(m); }));
  XDestroyWindow(display_, main);
  XSync(display_, False);
  EXPECT_TRUE(WaitFor([&] { return !windows_->Exists(m); }));
  EXPECT_EQ(windows_->Caption(m), u"") << "a window that has gone answers as an empty one";
}

}  // namespace
