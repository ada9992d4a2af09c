// A desktop without a screen, for tests: the window system that the window
// walk and the activation work on. Windows form a tree under the desktop
// window (handle 1), siblings in Z order; top-level windows may have an
// owner, and stay above it. Each window has a caption, a class, a restored
// rectangle, and its state: shown, enabled, minimised, hung. A modal dialog
// disables its owner and is the owner's last active popup. The foreground
// window changes only through SetForeground, which goes round a foreground
// lock as the Windows backend does (platform/foreground_lock.h): the lock
// grants a request in the ways a test allows (plain, while attached to the
// foreground thread's input, after this program's own input) and refuses it
// otherwise. The calls that matter to the lock are logged in order. A
// granted request may take a while to show (a window manager that takes its
// time): it runs on virtual time (fake_clock.h), so waiting for it costs no
// real time.
#pragma once

#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/activation.h"
#include "platform/fake/fake_clock.h"
#include "platform/foreground_lock.h"
#include "platform/text.h"

namespace rt::fake {

// Case-insensitive equality of window titles, as the fake desktop compares
// them: each UTF-16 unit through a simple upper-case table for the letters
// of ASCII, Latin-1, Latin Extended-A, Greek and Cyrillic (their simple
// upper case in Unicode), every other unit as it is; Windows' table covers
// more scripts. The dotless and dotted i, the long s and the micro sign are
// left alone, since their case partners lie outside their own block.
char16_t UpperCaseUnit(char16_t unit);
bool EqualIgnoringCase(ustring_view a, ustring_view b);

// One window's state, as a test sets it up.
struct FakeWindow {
  ustring caption;
  ustring className = u"Window";
  WindowHandle owner = 0;  // a top-level window's owner; ignored for child windows
  // For a window inside another: made as a child window (the child style),
  // it reports that window as its parent; a window set into another as it
  // was (a top-level window moved inside another program's window, without
  // the child style) reports none, as Windows' GetParent does.
  bool childStyle = true;
  bool visible = true;
  bool enabled = true;
  PlacementRect placement = {10, 10, 300, 200};
  bool minimized = false;
  bool hung = false;
};

// Ways round the foreground lock a SetForeground request can come in.
inline constexpr const char* kPlain = "plain";    // a plain request
inline constexpr const char* kAttach = "attach";  // while attached to the foreground thread's input
inline constexpr const char* kInput = "input";    // after this program's own neutral input

class FakeDesktop : public WindowActivation, private ForegroundLock, private FakeClock::Watcher {
 public:
  static constexpr WindowHandle kDesktop = 1;

  // On a clock of its own unless given one to share.
  explicit FakeDesktop(FakeClock* clock = nullptr);
  ~FakeDesktop() override;
  FakeDesktop(const FakeDesktop&) = delete;
  FakeDesktop& operator=(const FakeDesktop&) = delete;

  // A top-level window, below those added before it (so that a test lists
  // its windows topmost first), or directly above its owner when it has one.
  WindowHandle AddWindow(FakeWindow window);
  // A child window, at the bottom of its parent's children.
  WindowHandle AddChild(WindowHandle parent, FakeWindow window);
  // A modal dialog: a shown, enabled window owned by `owner`, directly above
  // it, which disables the owner and becomes its last active popup.
  WindowHandle OpenModalDialog(WindowHandle owner, ustring caption);
  // The window, its children and the windows it owns are destroyed. When the
  // foreground window goes, no window is the foreground.
  void CloseWindow(WindowHandle window);
  // The state of an existing window, for a test to read or change.
  FakeWindow& Window(WindowHandle window);
  // The top-level windows, topmost first.
  std::vector<WindowHandle> TopLevelWindows() const;
  // The user clicks a window of another program: it becomes the foreground
  // window and comes to the top, whatever the lock.
  void UserActivates(WindowHandle window);

  // Which ways round the lock SetForeground is granted in.
  std::set<std::string> grants = {kPlain};
  // SetForeground answers yes whatever came of it, as Windows' own request
  // may.
  bool claimsSuccess = false;
  // A granted request shows in Foreground this long after it was made (a
  // later granted request, or the user's click, replaces one on its way).
  std::uint64_t foregroundDelayMs = 0;
  // The lock's side of the desktop, for tests of the way round it.
  ForegroundLock& Lock() { return *this; }
  // "set:<way>" for each SetForeground, "attach", "detach", "input",
  // "restore".
  std::vector<std::string> log;
  // Attachments to the foreground thread not yet undone.
  int attached = 0;

  WindowHandle Desktop() override { return kDesktop; }
  WindowHandle FirstChild(WindowHandle window) override;
  WindowHandle NextSibling(WindowHandle window) override;
  WindowHandle Owner(WindowHandle window) override;
  ustring Caption(WindowHandle window) override;
  ustring ClassName(WindowHandle window) override;
  bool Visible(WindowHandle window) override;
  bool Enabled(WindowHandle window) override;
  bool Exists(WindowHandle window) override;
  PlacementRect Placement(WindowHandle window) override;

  bool EqualIgnoringCase(ustring_view a, ustring_view b) override { return fake::EqualIgnoringCase(a, b); }
  WindowHandle LastActivePopup(WindowHandle window) override;
  bool IsMinimized(WindowHandle window) override;
  void Restore(WindowHandle window) override;
  bool IsHung(WindowHandle window) override;
  WindowHandle Foreground() override { return foreground_; }
  bool SetForeground(WindowHandle window) override;
  void BringToTop(WindowHandle window) override;
  Clock& Time() override { return clock_; }

 private:
  void RequestForeground(WindowHandle window) override;
  bool AttachToForeground(WindowHandle foreground, bool attach) override;
  void InjectNeutralInput() override;
  void Passed(std::uint64_t now) override;
  // The window comes to the front now.
  void ComeToFront(WindowHandle window);

  struct Node {
    FakeWindow window;
    WindowHandle parent = 0;             // in the tree; the desktop for top-level windows
    std::vector<WindowHandle> children;  // topmost first
    WindowHandle lastActivePopup = 0;
  };
  Node* Find(WindowHandle window);
  const Node* Find(WindowHandle window) const;
  WindowHandle Insert(WindowHandle parent, FakeWindow window, std::size_t position);
  // Raises a top-level window's owner group (its root owner and every window
  // owned by it, in their order) to the top.
  void Raise(WindowHandle window);
  WindowHandle TopLevelOf(WindowHandle window);

  FakeClock ownClock_;
  FakeClock& clock_;
  std::map<WindowHandle, Node> nodes_;
  WindowHandle next_ = 2;
  WindowHandle foreground_ = 0;
  bool lastInputOurs_ = false;
  // A granted request on its way, and when it shows.
  WindowHandle coming_ = 0;
  std::uint64_t comesAt_ = 0;
};

}  // namespace rt::fake
