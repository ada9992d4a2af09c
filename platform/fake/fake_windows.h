// A desktop for the activation rules alone: top-level windows in Z order
// with their state (enabled, minimised, hung, a modal dialog, an owner), and
// a foreground lock that can be set to refuse each of the ways round it.
// Records the calls in order.
#pragma once

#include <algorithm>
#include <map>
#include <set>
#include <string>
#include <vector>

#include "platform/activation.h"
#include "platform/text.h"

namespace rt::fake {

// Case-insensitive comparison as the fakes do it. The system folds every
// letter that has a simple upper case; this folds the ASCII letters only, so
// tests that depend on case give their captions in ASCII.
inline bool EqualIgnoringAsciiCase(ustring_view a, ustring_view b) { return UpperAscii(a) == UpperAscii(b); }

class FakeWindows : public WindowActivation {
 public:
  struct Win {
    ustring title;
    bool enabled = true;
    bool minimized = false;
    bool hung = false;
    WindowHandle popup = 0;  // a disabled window's modal dialog
    WindowHandle owner = 0;
  };
  std::map<WindowHandle, Win> windows;
  std::vector<WindowHandle> zOrder;  // topmost first
  WindowHandle foreground = 100;     // another program's window
  // Which attempts succeed: "plain", "attach", "input".
  std::set<std::string> allowed = {"plain"};
  std::vector<std::string> log;
  int attached = 0;

  void Add(WindowHandle h, Win w) {
    windows[h] = std::move(w);
    zOrder.push_back(h);
  }

  // The desktop's handle, one that no test gives a window.
  static constexpr WindowHandle kDesktop = 0xDE5C;
  WindowHandle Desktop() override { return kDesktop; }
  WindowHandle FirstChild(WindowHandle w) override { return w == kDesktop && !zOrder.empty() ? zOrder.front() : 0; }
  WindowHandle NextSibling(WindowHandle w) override {
    auto it = std::find(zOrder.begin(), zOrder.end(), w);
    return it == zOrder.end() || it + 1 == zOrder.end() ? 0 : *(it + 1);
  }
  WindowHandle Owner(WindowHandle w) override { return windows.count(w) ? windows[w].owner : 0; }
  ustring Caption(WindowHandle w) override { return windows.count(w) ? windows[w].title : ustring(); }
  ustring ClassName(WindowHandle) override { return u"Window"; }
  bool Visible(WindowHandle w) override { return windows.count(w) != 0; }
  bool Enabled(WindowHandle w) override { return windows.count(w) && windows[w].enabled; }
  bool Exists(WindowHandle w) override { return windows.count(w) != 0; }
  PlacementRect Placement(WindowHandle) override { return {}; }
  bool EqualIgnoringCase(ustring_view a, ustring_view b) override {
    return EqualIgnoringAsciiCase(a, b);
  }
  WindowHandle LastActivePopup(WindowHandle w) override { return windows[w].popup ? windows[w].popup : w; }
  bool IsMinimized(WindowHandle w) override { return windows.count(w) && windows[w].minimized; }
  void Restore(WindowHandle w) override {
    log.push_back("restore");
    windows[w].minimized = false;
  }
  bool IsHung(WindowHandle w) override { return windows.count(w) && windows[w].hung; }
  WindowHandle Foreground() override { return foreground; }
  bool SetForeground(WindowHandle w) override {
    std::string way = attached ? "attach" : inputGiven_ ? "input" : "plain";
    log.push_back("set:" + way);
    if (!allowed.count(way)) return false;
    foreground = w;
    return true;
  }
  void BringToTop(WindowHandle) override {}
  bool AttachToForeground(WindowHandle, bool attach) override {
    log.push_back(attach ? "attach" : "detach");
    attached += attach ? 1 : -1;
    return true;
  }
  void InjectNeutralInput() override {
    log.push_back("input");
    inputGiven_ = true;
  }
  bool WaitUntil(const std::function<bool()>& done, int) override { return done(); }

 private:
  bool inputGiven_ = false;
};

}  // namespace rt::fake
