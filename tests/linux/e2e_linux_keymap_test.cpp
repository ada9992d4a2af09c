// The real program on keymaps it did not make: a keymap with no empty
// keycode left (another program's bindings on all of them), bindings that
// a killed run left, a keymap or a group that another client changes in
// the middle of a send.
#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <string>

#include "desktop.h"
#include "keyboard_state.h"

namespace {

using namespace strumlet::linux_e2e;

// The keycodes another program bound, cleared again when the test ends.
class OtherBindings {
 public:
  explicit OtherBindings(KeyboardState& keyboard) : keyboard_(keyboard) {}
  ~OtherBindings() {
    for (int kc : bound_) keyboard_.Bind(kc, 0, 0);
    keyboard_.WriteRecord({});
  }
  void Bind(int keycode, unsigned long sym0, unsigned long sym1) {
    keyboard_.Bind(keycode, sym0, sym1);
    bound_.push_back(keycode);
  }

 private:
  KeyboardState& keyboard_;
  std::vector<int> bound_;
};

TEST(LinuxKeymap, WithNoEmptyKeycodeLeftASendOfCharactersOutsideTheKeymapFailsCleanly) {
  KeyboardState keyboard;
  OtherBindings other(keyboard);
  std::vector<int> empty = keyboard.EmptyKeycodes();
  ASSERT_FALSE(empty.empty());
  for (std::size_t i = 0; i < empty.size(); ++i) {
    unsigned long sym = UnicodeKeysym(U'\uE000' + static_cast<char32_t>(i));
    other.Bind(empty[i], sym, sym);
  }
  ASSERT_TRUE(keyboard.EmptyKeycodes().empty());
  const std::string errors = ScratchFile("errors");
  {
    Send send("Full Keymap", "ab \xCE\xB1\xCE\xB2", STRUMLET_EXE, {}, errors);
    ASSERT_TRUE(send.mainUp);
    Xterm target("Full Keymap");
    ASSERT_TRUE(target.Ready());
    EXPECT_EQ(send.process.WaitExit(), 1);
    EXPECT_EQ(target.Text(), "") << "nothing typed of a piece that cannot be typed whole";
  }
  EXPECT_NE(ReadFile(errors).find("no keycode of the keymap is free"), std::string::npos) << ReadFile(errors);
  for (std::size_t i = 0; i < empty.size(); ++i) {
    unsigned long sym = UnicodeKeysym(U'\uE000' + static_cast<char32_t>(i));
    EXPECT_EQ(keyboard.Syms(empty[i])[0], sym) << "another program's binding of " << empty[i] << " was touched";
  }
  EXPECT_EQ(keyboard.KeysDown(), "");
  // What needs no spare keycode is still typed.
  Send plain("Full Keymap Plain", "plain ASCII");
  ASSERT_TRUE(plain.mainUp);
  Xterm target("Full Keymap Plain");
  ASSERT_TRUE(target.Ready());
  EXPECT_EQ(plain.process.WaitExit(), 0);
  EXPECT_TRUE(target.WaitText("plain ASCII")) << target.Text();
}

// Bindings in the record on the root window are cleared at the next start
// only when the run that made them has gone and the keycode still holds
// what it bound.
TEST(LinuxKeymap, TheNextStartClearsWhatAKilledRunLeftAndNothingElse) {
  KeyboardState keyboard;
  OtherBindings other(keyboard);
  std::vector<int> empty = keyboard.EmptyKeycodes();
  ASSERT_GE(empty.size(), 4u);
  unsigned long dead = keyboard.NewWindow(), live = keyboard.NewWindow();
  keyboard.DestroyWindow(dead);
  const struct {
    const char* name;
    unsigned long owner;   // 0: not in the record
    char32_t recorded;     // what the record says the keycode holds
    char32_t holds;        // what it holds
    bool cleared;
  } cases[] = {
      {"left by a killed run", dead, U'\u03B1', U'\u03B1', true},
      {"rebound by another program since", dead, U'\u03B2', U'\u03B4', false},
      {"bound by a run still going", live, U'\u03B3', U'\u03B3', false},
      {"another program's, never recorded", 0, 0, U'\u03B5', false},
  };
  std::vector<unsigned long> record;
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    other.Bind(empty[i], UnicodeKeysym(c.holds), UnicodeKeysym(c.holds));
    if (c.owner) {
      for (unsigned long v : {c.owner, static_cast<unsigned long>(empty[i]), UnicodeKeysym(c.recorded),
                              UnicodeKeysym(c.recorded)}) {
        record.push_back(v);
      }
    }
  }
  keyboard.WriteRecord(record);
  Send send("After A Kill", "ok");
  ASSERT_TRUE(send.mainUp);
  Xterm target("After A Kill");
  ASSERT_TRUE(target.Ready());
  EXPECT_EQ(send.process.WaitExit(), 0);
  EXPECT_TRUE(target.WaitText("ok")) << target.Text();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.name);
    unsigned long expected = c.cleared ? 0 : UnicodeKeysym(c.holds);
    EXPECT_EQ(keyboard.Syms(empty[i])[0], expected);
  }
  std::vector<unsigned long> left = keyboard.Record();
  EXPECT_EQ(left, std::vector<unsigned long>({live, static_cast<unsigned long>(empty[2]), UnicodeKeysym(U'\u03B3'),
                                              UnicodeKeysym(U'\u03B3')}))
      << "only the live run's entry stays";
  keyboard.DestroyWindow(live);
}

// The layouts switched back when the test ends.
class Layout {
 public:
  explicit Layout(const std::string& layout) { ok_ = std::system(("setxkbmap " + layout).c_str()) == 0; }
  ~Layout() { std::system("setxkbmap us"); }
  bool Ok() const { return ok_; }

 private:
  bool ok_;
};

// y and z swap places between us and de: typed in the wrong group, the
// text would show it.
TEST(LinuxKeymap, AGroupSwitchedMidSendIsUndoneForTheSendAndKeptAfterIt) {
  Layout layout("-layout us,de");
  ASSERT_TRUE(layout.Ok());
  KeyboardState keyboard;
  keyboard.LockGroup(0);
  const std::string title = "Group Switch";
  Send send(title, ShiftedOutsideScript() + "yz YZ");
  ASSERT_TRUE(send.mainUp);
  Xterm target(title);
  ASSERT_TRUE(target.Ready());
  ASSERT_TRUE(AwaitMidSend(target, keyboard)) << target.Text();
  keyboard.LockGroup(1);
  EXPECT_EQ(send.process.WaitExit(), 0);
  EXPECT_TRUE(target.WaitText(ShiftedOutsideText() + "yz YZ")) << target.Text();
  EXPECT_EQ(keyboard.Group(), 1) << "the switch made during the send holds afterwards";
  keyboard.LockGroup(0);
}

TEST(LinuxKeymap, AKeymapChangedMidSendStopsTheSend) {
  Layout layout("us");
  KeyboardState keyboard;
  const std::string title = "Keymap Change";
  const std::string errors = ScratchFile("errors");
  {
    Send send(title, ShiftedOutsideScript() + "yz", STRUMLET_EXE, {}, errors);
    ASSERT_TRUE(send.mainUp);
    Xterm target(title);
    ASSERT_TRUE(target.Ready());
    ASSERT_TRUE(AwaitMidSend(target, keyboard)) << target.Text();
    ASSERT_EQ(std::system("setxkbmap de"), 0);
    EXPECT_EQ(send.process.WaitExit(), 1);
    std::string got = target.Text();
    EXPECT_TRUE(IsPrefix(got, ShiftedOutsideText())) << got;
  }
  EXPECT_NE(ReadFile(errors).find("changed the keymap"), std::string::npos) << ReadFile(errors);
  EXPECT_TRUE(WaitFor([&] { return keyboard.KeysDown().empty(); }, 20s)) << keyboard.KeysDown();
  EXPECT_TRUE(WaitFor([&] { return keyboard.Record().empty(); }, 20s));
}

}  // namespace
