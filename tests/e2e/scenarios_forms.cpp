// The real program's windows on every platform, driven as a user drives
// them: the main window's keys, the composer and the About window with the
// clipboard read after the program has ended, the help text by every way
// it opens, and the key-script box's limit. Written once against the
// driver (program_under_test.h).
#include <gtest/gtest.h>

#include <string>

#include "e2e_text.h"
#include "help_text_data.h"
#include "info/form2_ids.h"
#include "info/frm_about.h"
#include "info/frm_about_ids.h"
#include "mainwin/form1_ids.h"
#include "platform/text.h"
#include "program_under_test.h"
#include "strumlet_version.h"

namespace {

using namespace strumlet::e2e;
namespace ids = strumlet::form1_ids;

TEST(RealMainWindow, EscPausesOntoSendNowF1ResumesAndShiftEscCloses) {
  auto desktop = MakeDesktop();
  auto target = desktop->OpenTarget("Key Target");
  ASSERT_TRUE(target->Ready());
  auto program = desktop->Start({"/Key Target/sent/600/loop"});
  WindowId main = program->AwaitMain();
  ASSERT_NE(main, 0u);
  auto count = [&] {
    std::string t = program->Title(main);
    return t.substr(0, t.find(' '));
  };
  ASSERT_TRUE(program->Key(main, {"Escape"}));
  // Esc leaves the focus on Send Now: Space clicks it, and the countdown
  // runs again from two.
  ASSERT_TRUE(program->Key(main, {"space"}));
  EXPECT_TRUE(target->WaitText("sent")) << target->Text();
  ASSERT_TRUE(program->Key(main, {"Escape"}));
  ASSERT_TRUE(program->Key(main, {"F1"}));
  const std::string at = count();
  EXPECT_TRUE(WaitFor([&] { return count() != at; })) << "F1 resumed the countdown";
  ASSERT_TRUE(program->Key(main, {"Escape", {"Shift"}}));
  EXPECT_EQ(program->WaitExit(), 0);
  EXPECT_EQ(target->Text(), "sent");
}

// Every load of the About window puts the address on the clipboard, over
// the composed line; it stays there after the program has ended.
TEST(RealMainWindow, TheAboutWindowReplacesTheComposedLineWithTheAddress) {
  auto desktop = MakeDesktop();
  if (std::string why = desktop->CannotClick(ids::kCommand5); !why.empty()) GTEST_SKIP() << why;
  const std::string address = rt::ToUtf8(strumlet::HomepageAddress());
  auto program = desktop->Start({"/Nothing Here 4711/x/600/persist/x"});
  WindowId main = program->AwaitMain();
  ASSERT_NE(main, 0u);
  ASSERT_TRUE(program->Click(main, ids::kCommand6));
  WindowId box = program->AwaitMessageBox();
  ASSERT_NE(box, 0u);
  ASSERT_TRUE(program->CloseMessageBox(box));
  const std::string line = desktop->ComposedLine("/Nothing Here 4711 /x /600 /persist /notarget");
  EXPECT_TRUE(WaitFor([&] { return desktop->Clipboard() == line; })) << desktop->Clipboard().value_or("<nothing>");

  ASSERT_TRUE(program->Click(main, ids::kCommand5));
  WindowId about = program->AwaitWindow("About Strumlet");
  ASSERT_NE(about, 0u);
  EXPECT_TRUE(WaitFor([&] { return desktop->Clipboard() == address; })) << desktop->Clipboard().value_or("<nothing>");
  if (desktop->SeesControls()) {
    namespace a = strumlet::about_ids;
    EXPECT_EQ(program->Text(about, a::kTitle), "Strumlet");
    EXPECT_EQ(program->Text(about, a::kVersion), "Version " STRUMLET_SHOWN_VERSION);
    EXPECT_NE(program->Text(about, a::kDescription).value_or("").find("\r\nNew version at " + address + "\r\n(Copied to clipboard)"),
              std::string::npos);
  }
  // A second click opens no second window.
  ASSERT_TRUE(program->Click(main, ids::kCommand5));
  EXPECT_TRUE(WaitFor([&] { return program->Windows("About Strumlet").size() == 1; }, 5s)) << "one About window";
  EXPECT_EQ(program->Windows("About Strumlet").size(), 1u);
  // Esc clicks OK.
  ASSERT_TRUE(program->Key(about, {"Escape"}));
  EXPECT_TRUE(WaitFor([&] { return program->Gone(about); }));

  program->Close(main);
  EXPECT_EQ(program->WaitExit(), 0) << "the close box ends the program";
  EXPECT_EQ(desktop->Clipboard(), address) << "read after the program has ended";
}

// The help text exactly, by each way it opens: the button, its access key,
// and start-up with an argument error; edited, closed with OK and opened
// again, it is new, not doubled.
TEST(RealHelp, TheHelpTextReadsTheSameByEveryWayItOpens) {
  const std::string expected = Lines(kExpectedHelpText);
  const struct {
    const char* name;
    const char* arguments;
    bool argumentError;
    bool byKey;
  } cases[] = {
      {"the Help button", "/Nothing Here 4711/x/600/loop", false, false},
      {"Alt+H", "/Nothing Here 4711/x/600/loop", false, true},
      {"an argument error", "/Nothing Here 4711/x//loop", true, false},
  };
  auto desktop = MakeDesktop();
  namespace h = strumlet::form2_ids;
  if (std::string why = desktop->CannotClick(h::kText1); !why.empty()) GTEST_SKIP() << why;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    auto program = desktop->Start({c.arguments});
    if (c.argumentError) {
      WindowId box = program->AwaitMessageBox();
      ASSERT_NE(box, 0u);
      ASSERT_TRUE(program->CloseMessageBox(box));
    }
    WindowId main = program->AwaitMain();
    ASSERT_NE(main, 0u);
    // Shown after the message, it comes to the front (before the test
    // turns to the help window).
    EXPECT_TRUE(WaitFor([&] { return program->IsActive(main); }, 30s)) << "the main window is active";
    // Its countdown runs (an empty interval counts from nothing): Esc pauses
    // it, so that no activation of the missing target moves the keyboard
    // while the test types into the help window.
    if (c.argumentError) {
      ASSERT_TRUE(program->Key(main, {"Escape"}));
    }
    auto open = [&] { return c.byKey ? program->Key(main, {"h", {"Alt"}}) : program->Click(main, ids::kCommand3); };
    if (!c.argumentError) {
      ASSERT_TRUE(open());
    }
    WindowId help = program->AwaitWindow("Help");
    ASSERT_NE(help, 0u);
    EXPECT_EQ(Lines(program->Text(help, h::kText1).value_or("<unread>")), expected);

    ASSERT_TRUE(program->Click(help, h::kText1));
    for (const char* key : {"e", "d", "i", "t", "e", "d"}) ASSERT_TRUE(program->Key(help, {key}));
    // Every key has arrived before OK is clicked (keys can be on their way
    // still where a platform sends them without waiting).
    EXPECT_TRUE(WaitFor([&] { return program->Text(help, h::kText1).value_or("").find("edited") != std::string::npos; }, 30s))
        << "the edit arrived";
    ASSERT_TRUE(program->Click(help, h::kCommand1));
    ASSERT_TRUE(WaitFor([&] { return program->Gone(help); })) << "OK closes the help window";
    ASSERT_TRUE(open());
    help = program->AwaitWindow("Help");
    ASSERT_NE(help, 0u);
    EXPECT_EQ(Lines(program->Text(help, h::kText1).value_or("<unread>")), expected);

    program->Close(main);
    EXPECT_EQ(program->WaitExit(), 0) << "closing the main window closes the help window too";
  }
}

// A paste into the key script keeps what one split can hold, 32766 units;
// the rest is left out.
TEST(RealMainWindow, TheScriptBoxRefusesMoreThanFitsInASplit) {
  auto desktop = MakeDesktop();
  if (std::string why = desktop->CannotClick(ids::kText2); !why.empty()) GTEST_SKIP() << why;
  auto program = desktop->Start({"/Nothing Here 4711/x/600/loop"});
  WindowId main = program->AwaitMain();
  ASSERT_NE(main, 0u);
  ASSERT_TRUE(desktop->SetClipboard(std::string(40000, 'z')));
  ASSERT_TRUE(program->PasteInto(main, ids::kText2));
  std::optional<std::string> text;
  EXPECT_TRUE(WaitFor([&] {
    text = program->Text(main, ids::kText2);
    return text && text->size() != 1;
  })) << "the paste arrived";
  EXPECT_EQ(text, std::string(32766, 'z'));
  program->Close(main);
  EXPECT_EQ(program->WaitExit(), 0);
}

}  // namespace
