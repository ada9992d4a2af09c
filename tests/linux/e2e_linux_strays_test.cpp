// The real program never types into another window: a target that closes
// in the middle of a send, and another window that takes the focus, each
// get at most the one chunk that was on its way (about 40 bytes); the send
// fails ("Window not found!", exit code 1) and leaves no key down and no
// binding behind.
#include <gtest/gtest.h>

#include <string>

#include "desktop.h"
#include "keyboard_state.h"

namespace {

using namespace strumlet::linux_e2e;

constexpr std::size_t kOneChunk = 40;  // bytes

void ExpectNothingLeft(KeyboardState& keyboard) {
  EXPECT_TRUE(WaitFor([&] { return keyboard.KeysDown().empty(); }, 20s)) << "keys down: " << keyboard.KeysDown();
  EXPECT_TRUE(WaitFor([&] { return keyboard.Record().empty(); }, 20s)) << "bindings still recorded";
}

// The script types `exit` into a shell, whose terminal closes, and goes on.
TEST(LinuxStrays, ATargetThatClosesMidSendPassesNothingOnToTheNextWindow) {
  KeyboardState keyboard;
  const std::string title = "Closing Target";
  Send send(title, "exit~" + std::string(3000, 'x') + ShiftedOutsideScript());
  ASSERT_TRUE(send.mainUp);
  // Opened after the program's window, before the target: the window
  // manager gives it the focus when the target closes.
  Xterm witness("Stray Witness");
  ASSERT_TRUE(witness.Ready());
  Process shell(Spawn({"xterm", "-T", title, "-e", "sh"}));
  EXPECT_EQ(send.process.WaitExit(), 1);
  Screen screen;
  EXPECT_TRUE(WaitFor([&] { return screen.WindowsOf(shell.Pid()).empty(); }, 30s)) << "the target closed";
  EXPECT_LE(witness.Text().size(), kOneChunk) << witness.Text();
  ExpectNothingLeft(keyboard);
}

TEST(LinuxStrays, AWindowThatTakesTheFocusMidSendGetsAtMostOneChunk) {
  const struct {
    const char* name;
    std::string script, text;
    std::size_t before;  // bytes the target has when the focus moves
  } cases[] = {
      {"while the keys flow", std::string(30000, 'x'), std::string(30000, 'x'), 2000},
      {"while a spare keycode waits to be rebound", ShiftedOutsideScript(), ShiftedOutsideText(), 4},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KeyboardState keyboard;
    const std::string title = std::string("Focus Target ") + c.name;
    Send send(title, c.script);
    ASSERT_TRUE(send.mainUp);
    Xterm thief(std::string("Focus Thief ") + c.name);
    ASSERT_TRUE(thief.Ready());
    Xterm target(title);
    ASSERT_TRUE(target.Ready());
    ASSERT_TRUE(WaitFor([&] { return target.Text().size() > c.before; }, 60s)) << target.Text().size();
    Screen screen;
    screen.Activate(thief.Window());  // false for an xterm: it answers no ping
    ASSERT_TRUE(WaitFor([&] { return screen.HasInputFocus(thief.Window()); }, 30s));
    EXPECT_EQ(send.process.WaitExit(), 1);
    EXPECT_LE(thief.Text().size(), kOneChunk) << thief.Text();
    std::string got = target.Text();
    EXPECT_TRUE(IsPrefix(got, c.text)) << got;
    EXPECT_LT(got.size(), c.text.size());
    ExpectNothingLeft(keyboard);
  }
}

}  // namespace
