// The real program started with command lines, on every platform: what its
// main window holds, the argument error, and the layout at the screen's
// DPI. Written once against the driver (program_under_test.h).
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "e2e_text.h"
#include "help_text_data.h"
#include "info/form2_ids.h"
#include "mainwin/composer.h"
#include "mainwin/form1_ids.h"
#include "platform/text.h"
#include "platform/twips.h"
#include "program_under_test.h"

namespace {

using namespace strumlet::e2e;
namespace ids = strumlet::form1_ids;

enum class Mode { Once, Loop, Persist };

struct StartCase {
  std::vector<std::string> arguments;
  const char* caption;
  const char* keys;
  const char* interval;
  Mode mode;
  bool noTarget;
  // A Once run with a short interval ends on its own within seconds: its
  // controls are read at once, where the platform sees them, and nothing
  // more is done with it.
  bool quick;
};

// The settings as the composer writes them.
std::string Settings(const StartCase& c) {
  std::string s = std::string("/") + c.caption + " /" + c.keys + " /" + c.interval;
  if (c.mode == Mode::Loop) s += " /loop";
  if (c.mode == Mode::Persist) s += " /persist";
  if (c.noTarget) s += " /notarget";
  return s;
}

TEST(RealProgram, CommandLinesFillTheMainWindow) {
  const StartCase cases[] = {
      {{}, "Capture Frames", "~", "20", Mode::Loop, false, false},
      // The interval keeps the blank before the next "/".
      {{"/window-caption /keys {4}to {2}send /5 /loop"}, "window-caption", "keys {4}to {2}send", "5 ", Mode::Loop, false,
       false},
      // Split by a shell: the same as one word.
      {{"/window-caption", "/keys", "to", "send", "/600", "/once", "/notarget"}, "window-caption", "keys to send", "600 ",
       Mode::Once, true, false},
      {{"/Untitled - Notepad/hello~"}, "Untitled - Notepad", "hello~", "2", Mode::Once, false, true},
      {{"/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80/\xC3\xA9~/30/persistent"},
       "\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80", "\xC3\xA9~", "30", Mode::Persist, false,
       false},
      // The first character is dropped whatever it is: after two blanks
      // behind the path, the second blank, so every field moves on.
      {{" /Cap/3"}, "", "Cap", "3", Mode::Once, false, true},
      {{" /Cap/300/loop"}, "", "Cap", "300", Mode::Loop, false, false},
      {{"Notepad/~/600/loop"}, "otepad", "~", "600", Mode::Loop, false, false},
  };
  auto desktop = MakeDesktop();
  for (const auto& c : cases) {
    SCOPED_TRACE(Settings(c));
    if (c.quick && !desktop->SeesControls()) continue;  // read at once or not at all
    auto program = desktop->Start(c.arguments);
    WindowId main = program->AwaitMain();
    ASSERT_NE(main, 0u) << "the main window appears";
    if (desktop->Minimises()) {
      EXPECT_EQ(WaitFor([&] { return program->IsMinimised(main); }, c.noTarget ? 30s : 0s), c.noTarget)
          << "a no-target start is minimised";
    }
    if (desktop->SeesControls()) {
      EXPECT_EQ(program->Text(main, ids::kText1), c.caption);
      EXPECT_EQ(program->Text(main, ids::kText2), c.keys);
      EXPECT_EQ(program->Text(main, ids::kText3), c.interval);
      const int modeIds[] = {ids::kOnce, ids::kLoop, ids::kPersist};
      for (int id : modeIds) {
        EXPECT_EQ(program->Checked(main, id), id == modeIds[static_cast<int>(c.mode)]) << "mode button " << id;
      }
      EXPECT_EQ(program->Checked(main, ids::kCheck1), c.noTarget);
      EXPECT_EQ(program->Enabled(main, ids::kText1), !c.noTarget);
      EXPECT_EQ(program->AwaitMessageBox(0ms), 0u) << "no message box";
    }
    // The layout comes from twips at the screen's DPI.
    std::optional<int> dpi = desktop->ScreenDpi();
    if (dpi && !c.noTarget) {
      Size client = program->ClientSize(main);
      EXPECT_EQ(client.width, rt::TwipsToPixels(4440, *dpi));
      EXPECT_EQ(client.height, rt::TwipsToPixels(3090, *dpi));
      if (std::optional<Box> text3 = program->ControlBox(main, ids::kText3)) {
        EXPECT_EQ(text3->x, rt::TwipsToPixels(1440, *dpi));
        EXPECT_EQ(text3->y, rt::TwipsToPixels(2400, *dpi));
      }
    }
    if (!c.quick) {
      // Every setting as the composer writes it, shown and then copied.
      const std::string line = desktop->ComposedLine(Settings(c));
      ASSERT_TRUE(program->Click(main, ids::kCommand6));
      WindowId box = program->AwaitMessageBox();
      ASSERT_NE(box, 0u);
      EXPECT_EQ(program->ReadMessageBox(box), (MessageBoxContent{"Strumlet", Lines(rt::ToUtf8(strumlet::ComposerMessage(rt::FromUtf8(line)))), "OK"}));
      ASSERT_TRUE(program->CloseMessageBox(box));
      EXPECT_TRUE(WaitFor([&] { return desktop->Clipboard() == line; })) << desktop->Clipboard().value_or("<nothing>");
    }
    program->Close(main);
    EXPECT_EQ(program->WaitExit(), 0) << "closing the window ends the program";
  }
}

// An interval that is no number, or a key script too long to split: the
// help window and the message; once the message is closed, the main window
// follows, and the Once run ends at its first activation without having
// sent anything.
TEST(RealProgram, AnArgumentErrorShowsHelpAndMessageAndTheOnceRunEndsWithExitCodeTwo) {
  const std::string tooLong = "/Some window/" + std::string(32767, 'k') + "/3";
  const struct {
    const char* name;
    std::string arguments;
    const char* interval;  // what the interval box holds afterwards
  } cases[] = {
      {"an empty interval", "/Some window/keys/", ""},
      {"an interval that is no number", "/Some window/keys/abc", nullptr},
      {"an interval beyond 32767", "/Some window/keys/40000", nullptr},
      {"a key script too long to split", tooLong, nullptr},
  };
  auto desktop = MakeDesktop();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    // On Windows no command line can carry a key script that long.
    if (c.arguments.size() > desktop->LongestArgumentText()) continue;
    auto program = desktop->Start({c.arguments});
    WindowId box = program->AwaitMessageBox();
    ASSERT_NE(box, 0u);
    WindowId help = program->AwaitWindow("Help");
    EXPECT_NE(help, 0u) << "the help window is shown beside the message";
    EXPECT_EQ(program->AwaitMain(0ms), 0u) << "the main window follows the message";
    EXPECT_EQ(program->ReadMessageBox(box),
              (MessageBoxContent{"Strumlet", "Error in arguments (parameters). Please read help file!", "OK"}));
    const bool readBack = c.interval != nullptr && desktop->SeesControls();
    if (readBack && help != 0) {
      EXPECT_EQ(Lines(program->Text(help, strumlet::form2_ids::kText1).value_or("")), Lines(kExpectedHelpText));
      EXPECT_EQ(program->Text(help, strumlet::form2_ids::kCommand1), "OK");
      if (std::optional<int> dpi = desktop->ScreenDpi()) {
        Size client = program->ClientSize(help);
        EXPECT_EQ(client.width, rt::TwipsToPixels(8265, *dpi));
        EXPECT_EQ(client.height, rt::TwipsToPixels(3555, *dpi));
      }
    }
    ASSERT_TRUE(program->CloseMessageBox(box));
    if (readBack) {
      // Read before the first activation ends the run.
      WindowId main = program->AwaitMain();
      ASSERT_NE(main, 0u) << "the main window follows the message";
      EXPECT_EQ(program->Text(main, ids::kText1), "Some window") << "the settings read so far stay";
      EXPECT_EQ(program->Text(main, ids::kText2), "keys");
      EXPECT_EQ(program->Text(main, ids::kText3), c.interval);
    }
    EXPECT_EQ(program->WaitExit(), 2);
  }
}

// The forms are laid out in twips at the screen's DPI (the prefix's
// LogPixels under Wine, Qt's font DPI on Linux).
TEST(RealProgram, TheLayoutScalesWithTheScreensDpi) {
  auto desktop = MakeDesktop();
  for (int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    auto program = desktop->Start({"/Nothing Here 4711/x/600/loop"}, StartOptions{dpi});
    WindowId main = program->AwaitMain();
    ASSERT_NE(main, 0u);
    EXPECT_TRUE(WaitFor([&] {
      Size client = program->ClientSize(main);
      return client.width == rt::TwipsToPixels(4440, dpi) && client.height == rt::TwipsToPixels(3090, dpi);
    }, 30s)) << program->ClientSize(main).width << "x" << program->ClientSize(main).height;
    if (std::optional<Box> box = program->ControlBox(main, ids::kCommand6)) {
      EXPECT_EQ(box->width, rt::TwipsToPixels(1815, dpi));
      EXPECT_EQ(box->height, rt::TwipsToPixels(295, dpi));
    }
    program->Close(main);
    EXPECT_EQ(program->WaitExit(), 0);
  }
}

}  // namespace
