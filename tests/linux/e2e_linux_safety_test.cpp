// A send of the real program stopped half-way from outside (a signal, a
// kill, its X connection cut) while it holds Shift over characters outside
// the keymap: afterwards no key is down, the keymap is what it was, Caps
// Lock is as it was, and the next run works. The target is a raw xterm: it
// answers no pings, so the program waits a guard time before each round of
// spare keycodes, and the send lasts seconds.
#include <gtest/gtest.h>

#include <signal.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>

#include "desktop.h"
#include "keyboard_state.h"

namespace {

using namespace strumlet::linux_e2e;

// Caps Lock on for the test, off again afterwards.
class CapsLockOn {
 public:
  explicit CapsLockOn(KeyboardState& keyboard) : keyboard_(keyboard) {
    if (!keyboard_.CapsLock()) keyboard_.ToggleCapsLock();
  }
  ~CapsLockOn() {
    if (keyboard_.CapsLock()) keyboard_.ToggleCapsLock();
  }

 private:
  KeyboardState& keyboard_;
};

void ExpectKeyboardAsBefore(KeyboardState& keyboard, const std::string& keymap) {
  EXPECT_TRUE(WaitFor([&] { return keyboard.KeysDown().empty(); }, 20s)) << "keys down: " << keyboard.KeysDown();
  EXPECT_TRUE(WaitFor([&] { return keyboard.Keymap() == keymap; }, 20s)) << "the keymap is not what it was";
  EXPECT_TRUE(WaitFor([&] { return keyboard.Record().empty(); }, 20s)) << "bindings still recorded";
  EXPECT_TRUE(keyboard.CapsLock()) << "Caps Lock is on again";
}

void ExpectTheNextRunWorks(const std::string& title) {
  const std::string text = "ok \xCE\xB1\xCE\xB2";
  Send next(title + " again", text);
  ASSERT_TRUE(next.mainUp);
  Xterm target(title + " again");
  ASSERT_TRUE(target.Ready());
  EXPECT_EQ(next.process.WaitExit(), 0);
  EXPECT_TRUE(target.WaitText(text)) << target.Text();
}

TEST(LinuxSafety, ASendStoppedHalfWayLeavesTheKeyboardAsItWas) {
  const struct {
    const char* name;
    int signal;
  } cases[] = {{"SIGTERM", SIGTERM}, {"SIGINT", SIGINT}, {"SIGHUP", SIGHUP}, {"SIGQUIT", SIGQUIT}, {"SIGKILL", SIGKILL}};
  // SIGQUIT would leave a core file behind.
  rlimit noCore{0, 0};
  setrlimit(RLIMIT_CORE, &noCore);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    KeyboardState keyboard;
    const std::string keymap = keyboard.Keymap();
    ASSERT_FALSE(keymap.empty());
    CapsLockOn caps(keyboard);
    const std::string title = std::string("Killed Send ") + c.name;
    Send send(title, ShiftedOutsideScript());
    ASSERT_TRUE(send.mainUp);
    Xterm target(title);
    ASSERT_TRUE(target.Ready());
    ASSERT_TRUE(AwaitMidSend(target, keyboard)) << target.Text();
    kill(send.process.Pid(), c.signal);
    // The program ends by the signal, after it has put the keyboard back
    // (or, killed, the watchdog does).
    EXPECT_EQ(send.process.WaitExit(), 128 + c.signal);
    std::string got = target.Text();
    EXPECT_TRUE(IsPrefix(got, ShiftedOutsideText())) << got;
    EXPECT_LT(got.size(), ShiftedOutsideText().size()) << "the send was over before the signal";
    ExpectKeyboardAsBefore(keyboard, keymap);
    ExpectTheNextRunWorks(title);
  }
}

TEST(LinuxSafety, ASignalIgnoredAtStartStaysIgnored) {
  KeyboardState keyboard;
  const std::string title = "Nohup Send";
  // As nohup starts it: SIGHUP ignored, which exec keeps.
  Send send(title, ShiftedOutsideScript(), STRUMLET_EXE, {"sh", "-c", "trap '' HUP; exec \"$0\" \"$1\""});
  ASSERT_TRUE(send.mainUp);
  Xterm target(title);
  ASSERT_TRUE(target.Ready());
  ASSERT_TRUE(AwaitMidSend(target, keyboard)) << target.Text();
  kill(send.process.Pid(), SIGHUP);
  EXPECT_EQ(send.process.WaitExit(), 0);
  EXPECT_TRUE(target.WaitText(ShiftedOutsideText())) << target.Text();
  EXPECT_EQ(keyboard.KeysDown(), "");
}

TEST(LinuxSafety, ALostConnectionEndsTheProgramWithExitCodeThreeAndTheWatchdogPutsTheKeyboardBack) {
  KeyboardState keyboard;
  const std::string keymap = keyboard.Keymap();
  CapsLockOn caps(keyboard);
  const std::string title = "Cut Off Send";
  Send send(title, ShiftedOutsideScript());
  ASSERT_TRUE(send.mainUp);
  Xterm target(title);
  ASSERT_TRUE(target.Ready());
  ASSERT_TRUE(AwaitMidSend(target, keyboard)) << target.Text();
  // The record names a window of the send's own connection.
  std::vector<unsigned long> record = keyboard.Record();
  ASSERT_FALSE(record.empty());
  keyboard.KillClient(record[0]);
  EXPECT_EQ(send.process.WaitExit(), 3);
  ExpectKeyboardAsBefore(keyboard, keymap);
  ExpectTheNextRunWorks(title);
}

// The package was upgraded while the program ran: the file it was started
// from is gone, another one is in its place. Its watchdog still comes from
// the program itself, and still cleans up after a kill.
TEST(LinuxSafety, TheWatchdogComesFromTheRunningProgramEvenAfterItsFileWasReplaced) {
  KeyboardState keyboard;
  const std::string keymap = keyboard.Keymap();
  CapsLockOn caps(keyboard);
  const std::string dir = ScratchFile("upgrade");
  ASSERT_TRUE(std::filesystem::create_directory(dir));
  const std::string copy = dir + "/strumlet";
  std::filesystem::copy_file(STRUMLET_EXE, copy);
  const std::string title = "Upgraded Send";
  // The send (and with it the watchdog) starts once the target is up.
  Send send(title, ShiftedOutsideScript(), copy);
  ASSERT_TRUE(send.mainUp);
  ASSERT_EQ(unlink(copy.c_str()), 0);
  std::ofstream(copy) << "#!/bin/sh\nexit 99\n";
  chmod(copy.c_str(), 0755);
  Xterm target(title);
  ASSERT_TRUE(target.Ready());
  ASSERT_TRUE(AwaitMidSend(target, keyboard)) << target.Text();
  kill(send.process.Pid(), SIGKILL);
  EXPECT_EQ(send.process.WaitExit(), 128 + SIGKILL);
  ExpectKeyboardAsBefore(keyboard, keymap);
  std::filesystem::remove_all(dir);
}

}  // namespace
