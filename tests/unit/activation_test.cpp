#include <gtest/gtest.h>

#include <set>
#include <string>

#include "platform/activation.h"
#include "platform/errors.h"
#include "platform/fake/fake_windows.h"
#include "test_support.h"

namespace {

using rt::WindowHandle;

using rt::fake::FakeWindows;

TEST(Activation, FindsTheWholeTitleFirstThenABeginning) {
  FakeWindows ws;
  ws.Add(1, {u"Untitled - Notepad Plus"});
  ws.Add(2, {u"untitled - notepad"});
  ws.Add(3, {u"Untitled - Notepad"});
  ws.Add(4, {u"Calculator"});
  const struct {
    const char16_t* caption;
    WindowHandle found;
  } cases[] = {
      {u"Untitled - Notepad", 2},   // whole title, ignoring case, topmost of two
      {u"UNTITLED - NOTEPAD PLUS", 1},
      {u"Untitled", 1},             // a beginning, topmost
      {u"calc", 4},
      {u"Notepad", 0},              // not a beginning
      {u"", 0},
  };
  for (const auto& c : cases) EXPECT_EQ(rt::FindWindowByCaption(c.caption, ws), c.found) << rt::ToUtf8(c.caption);
}

TEST(Activation, GoesRoundTheForegroundLockAndChecksEachTime) {
  const struct {
    std::set<std::string> allowed;
    bool succeeds;
    std::vector<std::string> log;
  } cases[] = {
      {{"plain"}, true, {"set:plain"}},
      {{"attach"}, true, {"set:plain", "attach", "set:attach", "detach"}},
      {{"input"}, true, {"set:plain", "attach", "set:attach", "detach", "input", "set:input"}},
      {{}, false, {"set:plain", "attach", "set:attach", "detach", "input", "set:input"}},
  };
  for (const auto& c : cases) {
    FakeWindows ws;
    ws.Add(7, {u"Target"});
    ws.allowed = c.allowed;
    if (c.succeeds) {
      rt::ActivateWindow(u"Target", ws);
      EXPECT_EQ(ws.foreground, 7u);
    } else {
      EXPECT_THROW(rt::ActivateWindow(u"Target", ws), rt::RuntimeError);
      EXPECT_EQ(ws.foreground, 100u);
    }
    EXPECT_EQ(ws.log, c.log);
    EXPECT_EQ(ws.attached, 0) << "always detached again";
  }
}

TEST(Activation, RestoresMinimisedAndGivesWayToModalDialogs) {
  FakeWindows ws;
  ws.Add(7, {u"Editor", false, true, false, 8});
  ws.Add(8, {u"Save As", true, false, false, 0, 7});
  rt::ActivateWindow(u"editor", ws);
  EXPECT_EQ(ws.foreground, 8u) << "the dialog of the disabled window";

  FakeWindows ws2;
  ws2.Add(7, {u"Editor", true, true});
  rt::ActivateWindow(u"Editor", ws2);
  EXPECT_EQ(ws2.log.front(), "restore");
  EXPECT_FALSE(ws2.windows[7].minimized);
}

TEST(Activation, NeverWaitsOnHungWindows) {
  FakeWindows hungTarget;
  hungTarget.Add(7, {u"Frozen", true, false, true});
  EXPECT_THROW(rt::ActivateWindow(u"Frozen", hungTarget), rt::RuntimeError);
  EXPECT_TRUE(hungTarget.log.empty());

  FakeWindows hungForeground;
  hungForeground.Add(100, {u"Stuck", true, false, true});
  hungForeground.Add(7, {u"Target"});
  hungForeground.allowed = {"input"};
  rt::ActivateWindow(u"Target", hungForeground);
  EXPECT_EQ(hungForeground.log, (std::vector<std::string>{"set:plain", "input", "set:input"})) << "no attaching to a hung thread";
}

TEST(Activation, NoMatchIsAnError) {
  FakeWindows ws;
  ws.Add(7, {u"Target"});
  EXPECT_THROW(rt::ActivateWindow(u"Missing", ws), rt::RuntimeError);
}

}  // namespace
