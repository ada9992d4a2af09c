// The real program on a headless sway, on its Wayland services: typing into
// foot (raw mode: every byte it reads goes to a file as it is), a GTK 3 and
// a Qt 6 editor, under the us, de and fr layouts of the seat's keyboards.
#include <gtest/gtest.h>
#include <signal.h>

#include <string>

#include "../e2e/typing_corpus.h"
#include "platform/text.h"
#include "sway_fixture.h"

namespace {

using namespace strumlet::wayland_e2e;
using Kind = TextTarget::Kind;

const Kind kKinds[] = {Kind::Foot, Kind::Gtk, Kind::Qt};
using strumlet::e2e::kLayouts;
using strumlet::e2e::kMixedCase;

class WaylandSend : public SwayTest {
 protected:
  void TearDown() override { Sway::SetLayout("us"); }
};

TEST_F(WaylandSend, OnceTypesThePieceWithItsPauseIntoEveryToolkitAndEndsWithExitCodeZero) {
  for (Kind kind : kKinds) {
    SCOPED_TRACE(TextTarget::Name(kind));
    const std::string title = std::string("Once Target ") + TextTarget::Name(kind);
    TextTarget target(kind, title);
    ASSERT_TRUE(target.Ready());
    Program program({"/once target " + std::string(TextTarget::Name(kind)) + "/hello{1}world/2"});
    EXPECT_EQ(program.WaitExit(), 0) << program.Errors();
    EXPECT_TRUE(target.WaitText("helloworld")) << target.Text();
    EXPECT_EQ(program.Errors(), "") << "a compositor with every protocol needs no notice";
  }
}

// Faster than the target reads, keys would fill what the compositor holds
// for it, and the compositor would disconnect the target: 5,000 characters,
// half of them with Shift, arrive whole.
TEST_F(WaylandSend, ALongPieceArrivesWholeInFoot) {
  TextTarget target(Kind::Foot, "Long Target");
  ASSERT_TRUE(target.Ready());
  std::string text, keys;
  unsigned seed = 12345;
  for (int i = 0; i < 5000; ++i) {
    seed = seed * 1103515245u + 12345u;
    char c = static_cast<char>(0x21 + (seed >> 16) % 94);
    if (c == '/') c = '?';  // the command line's field separator
    text += c;
    keys += std::string("+^%~(){}[]").find(c) != std::string::npos ? std::string("{") + c + "}" : std::string(1, c);
  }
  Program program({"/Long Target/" + keys + "/2"});
  EXPECT_EQ(program.WaitExit(), 0) << program.Errors();
  EXPECT_TRUE(target.WaitText(text)) << target.Text().size() << " of " << text.size() << " bytes arrived";
}

TEST_F(WaylandSend, LoopSendsAgainAndAWindowInTheScratchpadIsBroughtBack) {
  TextTarget target(Kind::Foot, "Loop Target");
  ASSERT_TRUE(target.Ready());
  TextTarget cover(Kind::Gtk, "Cover Window");
  ASSERT_TRUE(cover.Ready());
  Program program({"/Loop Target/ab/2/loop"});
  EXPECT_TRUE(target.WaitText("ab")) << target.Text();
  ASSERT_TRUE(Sway::ToScratchpad(target.Window()));
  EXPECT_TRUE(target.WaitText("abab")) << target.Text();
  auto back = Sway::Find([&](const SwayWindow& w) { return w.id == target.Window(); });
  ASSERT_TRUE(back.has_value());
  EXPECT_FALSE(back->scratchpad) << "the target came back from the scratchpad";
  EXPECT_EQ(cover.Text(), "") << "nothing went to the other window";
}

// Caps Lock is a keyboard's own: locked on the user's keyboard, it leaves
// the program's keys as written, and is still on for the user's keys after.
TEST_F(WaylandSend, CapsLockOnTheUsersKeyboardLeavesTheTextAsWrittenAndStaysOn) {
  for (const char* layout : kLayouts) {
    SCOPED_TRACE(layout);
    ASSERT_TRUE(Sway::SetLayout(layout));
    const std::string title = std::string("Caps Target ") + layout;
    TextTarget target(Kind::Foot, title);
    ASSERT_TRUE(target.Ready());
    SecondKeyboard user;
    ASSERT_TRUE(user.Started());
    user.LockCaps(true);
    user.Tap('a');
    ASSERT_TRUE(target.WaitText("A")) << "the lock holds for the user's keys: " << target.Text();
    Program program({"/" + title + "/" + kMixedCase + "/2"});
    EXPECT_EQ(program.WaitExit(), 0) << program.Errors();
    EXPECT_TRUE(target.WaitText(std::string("A") + kMixedCase)) << target.Text();
    user.Tap('a');
    EXPECT_TRUE(target.WaitText(std::string("A") + kMixedCase + "A")) << "Caps Lock is still on: " << target.Text();
  }
}

TEST_F(WaylandSend, AShiftHeldOnTheUsersKeyboardNeitherChangesTheTextNorIsReleased) {
  for (const char* layout : kLayouts) {
    SCOPED_TRACE(layout);
    ASSERT_TRUE(Sway::SetLayout(layout));
    const std::string title = std::string("Shift Target ") + layout;
    TextTarget target(Kind::Foot, title);
    ASSERT_TRUE(target.Ready());
    SecondKeyboard user;
    ASSERT_TRUE(user.Started());
    user.HoldShift();
    user.Tap('b');
    ASSERT_TRUE(target.WaitText("B")) << target.Text();
    Program program({"/" + title + "/" + kMixedCase + "/2"});
    EXPECT_EQ(program.WaitExit(), 0) << program.Errors();
    EXPECT_TRUE(target.WaitText(std::string("B") + kMixedCase)) << target.Text();
    user.Tap('b');
    EXPECT_TRUE(target.WaitText(std::string("B") + kMixedCase + "B")) << "the user's Shift is still down: " << target.Text();
  }
}

// The typing corpus of every platform (../e2e/typing_corpus.h) into the GTK
// editor under each layout; the shared scenario types it into the Qt one.
TEST_F(WaylandSend, TheNotationAndCharactersOutsideTheLayoutArriveExactlyInAGtkEditor) {
  const std::string keys = strumlet::e2e::TypingCorpusKeys(), text = strumlet::e2e::TypingCorpusText("\n");
  for (const char* layout : kLayouts) {
    SCOPED_TRACE(layout);
    ASSERT_TRUE(Sway::SetLayout(layout));
    const std::string title = std::string("Editor ") + layout + " " + TextTarget::Name(Kind::Gtk);
    TextTarget target(Kind::Gtk, title);
    ASSERT_TRUE(target.Ready());
    Program program({"/" + title + "/" + keys + "/2"});
    EXPECT_EQ(program.WaitExit(), 0) << program.Errors();
    EXPECT_TRUE(target.WaitText(text)) << target.Text();
  }
}

// Keys go only where the send began: when another window takes the focus
// during a long send, the send stops as a failure, and at most a chunk of
// keys strays into the other window.
TEST_F(WaylandSend, AnotherWindowTakingTheFocusStopsTheSendWithExitCodeOne) {
  TextTarget target(Kind::Foot, "Focus Target");
  ASSERT_TRUE(target.Ready());
  TextTarget other(Kind::Foot, "Focus Thief");
  ASSERT_TRUE(other.Ready());
  ASSERT_TRUE(Sway::Focus(target.Window()));
  Program program({"/Focus Target/{x 30000}/2"});
  ASSERT_TRUE(WaitFor([&] { return !target.Text().empty(); })) << program.Errors();
  ASSERT_TRUE(Sway::Focus(other.Window()));
  EXPECT_EQ(program.WaitExit(), 1) << "the send failed";
  std::size_t typed = target.Text().size();
  EXPECT_LT(typed, 30000u);
  // A chunk is 200 events, 100 characters here.
  EXPECT_LE(other.Text().size(), 100u) << "at most one chunk strayed";
}

// A send ended by SIGTERM leaves no key down to repeat in the target once
// the program is gone. (Sway also lets go of a vanished keyboard's keys by
// itself, so here this holds even for a program that released nothing.)
TEST_F(WaylandSend, ASignalDuringASendLeavesNoKeyDown) {
  TextTarget target(Kind::Foot, "Signal Target");
  ASSERT_TRUE(target.Ready());
  // The user's keyboard is on the seat throughout.
  SecondKeyboard user;
  ASSERT_TRUE(user.Started());
  Program program({"/Signal Target/+({x 30000})/2"});
  ASSERT_TRUE(WaitFor([&] { return !target.Text().empty(); })) << program.Errors();
  kill(program.Pid(), SIGTERM);
  EXPECT_EQ(program.WaitExit(), 128 + SIGTERM);
  // What was on its way arrives; a key left down would go on repeating (after
  // the compositor's delay of 600 ms, 25 times a second) and never let the
  // text rest for two seconds.
  std::string after = target.Text();
  auto restedSince = std::chrono::steady_clock::now();
  EXPECT_TRUE(WaitFor([&] {
    std::string now = target.Text();
    if (now != after) {
      after = now;
      restedSince = std::chrono::steady_clock::now();
    }
    return std::chrono::steady_clock::now() - restedSince > 2s;
  }, 30s)) << "no key repeats";
  EXPECT_LT(after.size(), 30000u);
  EXPECT_EQ(after.find_first_not_of('X'), std::string::npos) << "Shift held through the group";
  user.Tap('a');
  EXPECT_TRUE(target.WaitText(after + "a")) << "no Shift is left down: " << target.Text().substr(after.size());
}

}  // namespace
