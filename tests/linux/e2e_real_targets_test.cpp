// The real Linux program typing into the programs people type into: a GTK 3
// program, Chromium and Firefox ESR, each under the us, de and fr layouts,
// on a virtual display (Xvfb with openbox). What arrived is read back from
// the target (the GTK program's file, the browsers' window captions); what
// went out, and when, from the X server's own record of key presses.
#include <gtest/gtest.h>
#include <signal.h>

#include <functional>
#include <memory>
#include <random>
#include <string>
#include <thread>

#include "chromium_target.h"
#include "desktop.h"
#include "firefox_target.h"
#include "gtk_target.h"
#include "key_watch.h"
#include "platform/text.h"
#include "typing_cases.h"

// Xlib last: its macros (None, Bool) clash with the names above.
#include <X11/keysym.h>

namespace {

using namespace strumlet::linux_e2e;

struct Target {
  const char* name;
  std::function<std::unique_ptr<TextTarget>(const std::string& title)> open;
  // Whether the keys are handled by the process that reads them from the X
  // server: then the text is complete when the program ends. A browser hands
  // them on to the page's process, which may take longer.
  bool completeAtExit;
};

const Target kGtk{"GTK", [](const std::string& t) { return std::make_unique<GtkEditor>(t); }, true};
const Target kChromium{"Chromium", [](const std::string& t) { return std::make_unique<ChromiumEditor>(t); }, false};
const Target kFirefox{"Firefox", [](const std::string& t) { return std::make_unique<FirefoxEditor>(t); }, false};

struct Param {
  const Target* target;
  const char* layout;
};

class RealTargetTyping : public ::testing::TestWithParam<Param> {
 protected:
  void SetUp() override { ASSERT_TRUE(keyboard_.SetLayout(GetParam().layout)); }

  // The target, up with the focus, titled after the case and the layout.
  std::unique_ptr<TextTarget> Open(const std::string& what) {
    title_ = std::string(GetParam().target->name) + " " + what + " " + GetParam().layout;
    std::unique_ptr<TextTarget> target = GetParam().target->open(title_);
    if (!target->Ready()) {
      Screen screen;
      ADD_FAILURE() << title_ << " did not come up with the focus (window " << target->Window() << "); the window "
                    << "manager's active window is " << screen.Active() << " \"" << screen.Title(screen.Active())
                    << "\"";
    }
    return target;
  }

  // Once with an interval of 2 seconds, into the target opened last.
  std::vector<std::string> Once(const std::string& keys) { return {"/" + title_ + "/" + keys + "/2"}; }

  Keyboard keyboard_;
  std::string title_;
};

TEST_P(RealTargetTyping, TheNotationAndCharactersOutsideTheKeymapArriveExactly) {
  std::unique_ptr<TextTarget> target = Open("Corpus");
  ASSERT_TRUE(target->Ready());
  Program program(Once(EditorCorpusKeys()));
  EXPECT_EQ(program.WaitExit(), 0);
  if (GetParam().target->completeAtExit) EXPECT_EQ(target->Text(), EditorCorpusText());
  EXPECT_TRUE(target->WaitText(EditorCorpusText())) << target->Text();
}

TEST_P(RealTargetTyping, CapsLockOnBeforehandLeavesTheTextAsWrittenAndIsOnAgainAfterwards) {
  std::unique_ptr<TextTarget> target = Open("Caps");
  ASSERT_TRUE(target->Ready());
  keyboard_.ToggleCapsLock();
  ASSERT_TRUE(WaitFor([&] { return keyboard_.CapsLock(); }, 10s));
  Program program(Once(kMixedCase));
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_TRUE(target->WaitText(kMixedCase)) << target->Text();
  EXPECT_TRUE(keyboard_.CapsLock()) << "Caps Lock is on again";
}

// The target stops reading (SIGSTOP) while each of two pieces is on its way,
// for a few seconds. The pause between them counts from the moment the first
// has been read, so the second goes out at least the pause after the target
// went on; and the Once run ends only once the target has read the second.
TEST_P(RealTargetTyping, APauseCountsFromDeliveryAndOnceEndsOnlyAfterIt) {
  constexpr unsigned long kPauseMs = 2000;
  constexpr auto kStall = 3s;
  // Lines of lower-case letters: one key press a character (Enter for the
  // line ends) on every layout tried. Each piece is longer than the typing
  // sends before it waits for the target (a chunk), and its lines are short,
  // as in a letter: editors lay out a whole line again at each key. The
  // second piece starts with End, which the first lacks.
  std::mt19937 random(20261208);
  auto lines = [&] {
    std::string s;
    for (int line = 0; line < 30; ++line) {
      if (line > 0) s += '\n';
      for (int i = 0; i < 40; ++i) s += static_cast<char>('a' + random() % 26);
    }
    return s;
  };
  const std::string first = lines(), second = lines();
  const int pieceLength = static_cast<int>(first.size());
  auto notation = [](std::string text) {
    for (char& c : text) c = c == '\n' ? '~' : c;
    return text;
  };
  KeyWatch keys;
  ASSERT_TRUE(keys.Ok()) << "no XInput 2 on the display";
  std::unique_ptr<TextTarget> target = Open("Delivery");
  ASSERT_TRUE(target->Ready());
  const pid_t group = target->Pid();
  // Whatever happens, the target goes on in the end.
  struct GoOn {
    pid_t group;
    ~GoOn() { kill(-group, SIGCONT); }
  } goOn{group};

  // Each stop comes while part of the piece has not even gone out: the
  // target then has keys still to read, whatever it read before it stopped.
  const char* const tooLate = "the target read the whole piece before it stopped: no delivery to wait for";
  Program program(Once(notation(first) + "{2}{END}" + notation(second)));
  ASSERT_NE(keys.AwaitPress(static_cast<unsigned long>(first[0]), 60s), 0u) << "the first piece never went out";
  kill(-group, SIGSTOP);
  ASSERT_LT(keys.Presses(), pieceLength) << tooLate;
  std::this_thread::sleep_for(kStall);
  unsigned long wentOn = keys.ServerTime();
  kill(-group, SIGCONT);

  unsigned long secondAt = keys.AwaitPress(XK_End, 60s);
  kill(-group, SIGSTOP);
  ASSERT_NE(secondAt, 0u) << "the second piece never went out";
  ASSERT_LT(keys.Presses(), pieceLength) << tooLate;
  EXPECT_GE(secondAt - wentOn, kPauseMs) << "the pause counted from before the first piece had arrived";
  std::this_thread::sleep_for(kStall);
  EXPECT_TRUE(program.Running()) << "the Once run ended while the target had not read its keys";
  kill(-group, SIGCONT);

  EXPECT_EQ(program.WaitExit(), 0);
  const std::string text = first + second;
  if (GetParam().target->completeAtExit) {
    EXPECT_EQ(target->Text().size(), text.size()) << "the Once run ended before the target had read every key";
  }
  EXPECT_TRUE(target->WaitText(text)) << target->Text().size() << " of " << text.size() << " characters";
}

std::string Name(const ::testing::TestParamInfo<Param>& info) { return info.param.layout; }

INSTANTIATE_TEST_SUITE_P(Gtk, RealTargetTyping,
                         ::testing::Values(Param{&kGtk, "us"}, Param{&kGtk, "de"}, Param{&kGtk, "fr"}), Name);
INSTANTIATE_TEST_SUITE_P(Chromium, RealTargetTyping,
                         ::testing::Values(Param{&kChromium, "us"}, Param{&kChromium, "de"},
                                           Param{&kChromium, "fr"}),
                         Name);
INSTANTIATE_TEST_SUITE_P(Firefox, RealTargetTyping,
                         ::testing::Values(Param{&kFirefox, "us"}, Param{&kFirefox, "de"}, Param{&kFirefox, "fr"}),
                         Name);

}  // namespace
