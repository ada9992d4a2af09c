// The real Linux program started with command lines: what its main window
// holds (read through the composer, which writes every setting), the
// argument error and the exit codes a script sees.
#include <gtest/gtest.h>

#include <unistd.h>

#include <string>
#include <vector>

#include "../unit/test_support.h"
#include "desktop.h"
#include "mainwin/composer.h"
#include "platform/text.h"
#include "platform/twips.h"

namespace {

using namespace strumlet::linux_e2e;

// A message box of the program's as its Ctrl+C copies it: the program's
// text with its line breaks as they are on Linux.
std::string CopiedBox(const std::string& text) {
  const std::string rule = "---------------------------\n";
  std::string lines = text;
  for (std::size_t at; (at = lines.find("\r\n")) != std::string::npos;) lines.replace(at, 2, "\n");
  return rule + "Strumlet\n" + rule + lines + "\n" + rule + "OK   \n" + rule;
}

TEST(LinuxStartup, CommandLinesFillTheMainWindow) {
  const struct {
    std::vector<std::string> arguments;
    // The settings as the composer writes them.
    const char* settings;
    bool minimised;
  } cases[] = {
      {{}, "/Capture Frames /~ /20 /loop", false},
      // The interval keeps the blank before the next "/".
      {{"/window-caption /keys {4}to {2}send /5 /loop"}, "/window-caption /keys {4}to {2}send /5  /loop", false},
      // Split by the shell: the same as one word.
      {{"/window-caption", "/keys", "to", "send", "/600", "/once", "/notarget"},
       "/window-caption /keys to send /600  /notarget", true},
      {{"/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80/\xC3\xA9~/30/persistent"},
       "/\xE6\x97\xA5\xE6\x9C\xAC\xE8\xAA\x9E \xC3\xA9t\xC3\xA9 \xF0\x9F\x98\x80 /\xC3\xA9~ /30 /persist", false},
      // The first character is dropped whatever it is.
      {{" /Cap/300/loop"}, "/ /Cap /300 /loop", false},
      {{"Notepad/~/600/loop"}, "/otepad /~ /600 /loop", false},
  };
  Screen screen;
  ASSERT_TRUE(screen.Ok()) << "needs an X display";
  strumlet::testing::Harness layout;
  strumlet::Form1& f = layout.main();
  for (const auto& c : cases) {
    SCOPED_TRACE(c.settings);
    Program program(c.arguments);
    XWindow main = screen.AwaitMain(program.Pid());
    ASSERT_NE(main, 0u);
    EXPECT_EQ(WaitFor([&] { return screen.IsMinimised(main); }, c.minimised ? 30s : 0s), c.minimised)
        << "a no-target start is minimised";
    ASSERT_TRUE(screen.Activate(main));
    // Restored from the task bar, it is moved into place (openbox animates
    // it) after it has become active.
    int dpi = screen.Dpi(main, f.ClientWidth);
    ASSERT_TRUE(screen.AwaitPlace(main, rt::TwipsToPixels(f.StartLeft, dpi), rt::TwipsToPixels(f.StartTop, dpi)));
    screen.TakeClipboard();
    screen.Click(main, f.ClientWidth, f.Command6);
    XWindow box = screen.AwaitMessageBox(program.Pid());
    ASSERT_NE(box, 0u);
    std::string line = std::string(STRUMLET_EXE) + " '" + c.settings + "'";
    EXPECT_EQ(screen.CopyMessageBox(box), CopiedBox(rt::ToUtf8(strumlet::ComposerMessage(rt::FromUtf8(line)))));
    ASSERT_TRUE(screen.Activate(box));
    screen.Key("Return");
    EXPECT_TRUE(WaitFor([&] { return !screen.ClipboardIsOurs() && screen.Clipboard() == line; }))
        << screen.Clipboard().value_or("<nothing>");
    screen.Close(main);
    EXPECT_EQ(program.WaitExit(), 0) << "closing the window ends the program";
  }
}

// An interval that is no number, or a key script too long to split: the
// help window and the message; once the message is closed, the Once run
// ends at its first activation without having sent anything.
TEST(LinuxStartup, AnArgumentErrorShowsHelpAndMessageAndTheOnceRunEndsWithExitCodeTwo) {
  const std::string tooLong = "/Some window/" + std::string(32767, 'k') + "/3";
  const struct {
    const char* name;
    std::string arguments;
  } cases[] = {
      {"an empty interval", "/Some window/keys/"},
      {"an interval that is no number", "/Some window/keys/abc"},
      {"an interval beyond 32767", "/Some window/keys/40000"},
      {"a key script too long to split", tooLong},
  };
  Screen screen;
  ASSERT_TRUE(screen.Ok()) << "needs an X display";
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    Program program({c.arguments});
    XWindow box = screen.AwaitMessageBox(program.Pid());
    ASSERT_NE(box, 0u);
    EXPECT_NE(screen.AwaitTitle(program.Pid(), "Help"), 0u) << "the help window is shown beside the message";
    EXPECT_EQ(screen.AwaitMain(program.Pid(), 0ms), 0u) << "the main window follows the message";
    EXPECT_EQ(screen.CopyMessageBox(box), CopiedBox("Error in arguments (parameters). Please read help file!"));
    ASSERT_TRUE(screen.Activate(box));
    screen.Key("Return");
    EXPECT_EQ(program.WaitExit(), 2);
  }
}

// The forms are laid out in twips at the screen's logical DPI, which Qt
// takes from the font DPI (Xft.dpi, or QT_FONT_DPI as here).
TEST(LinuxStartup, TheLayoutScalesWithTheScreensDpi) {
  Screen screen;
  ASSERT_TRUE(screen.Ok()) << "needs an X display";
  strumlet::testing::Harness layout;
  strumlet::Form1& f = layout.main();
  for (int dpi : {96, 144}) {
    SCOPED_TRACE(dpi);
    Program program({"/Nothing Here 4711/x/600/loop"}, {"QT_FONT_DPI=" + std::to_string(dpi)});
    XWindow main = screen.AwaitMain(program.Pid());
    ASSERT_NE(main, 0u);
    EXPECT_TRUE(WaitFor([&] {
      Box client = screen.Client(main);
      return client.width == rt::TwipsToPixels(f.ClientWidth, dpi) && client.height == rt::TwipsToPixels(f.ClientHeight, dpi);
    }, 30s)) << screen.Client(main).width << "x" << screen.Client(main).height;
    screen.Close(main);
    EXPECT_EQ(program.WaitExit(), 0);
  }
}

TEST(LinuxStartup, WithoutADisplayItEndsWithExitCodeThreeAndSaysWhy) {
  for (const char* display : {"DISPLAY=", "DISPLAY=:65000"}) {
    SCOPED_TRACE(display);
    std::string errors = ScratchFile("stderr");
    Process program(Spawn({STRUMLET_EXE, "/Some window/keys/2"}, {display}, errors));
    EXPECT_EQ(program.WaitExit(), 3);
    EXPECT_NE(ReadFile(errors).find("Strumlet: cannot open the X display"), std::string::npos) << ReadFile(errors);
    unlink(errors.c_str());
  }
}

}  // namespace
