// The real program's countdown and send on every platform, into targets
// that record what arrived. Written once against the driver
// (program_under_test.h).
#include <gtest/gtest.h>

#include <string>

#include "e2e_text.h"
#include "mainwin/form1_ids.h"
#include "program_under_test.h"
#include "typing_corpus.h"

namespace {

using namespace strumlet::e2e;
namespace ids = strumlet::form1_ids;

// What arrived: at once where the target shows it the moment the program
// ends (the program ends only once its keys have arrived), else once the
// target has written it.
void ExpectArrived(const TextTarget& target, const std::string& text) {
  if (target.ReadAtOnce()) EXPECT_EQ(target.Text(), text);
  else EXPECT_TRUE(target.WaitText(text)) << target.Text();
}

// Named by the beginning of its caption, in another case; a pause of no
// seconds and one of a second between the pieces.
TEST(RealSend, OnceTypesThePiecesWithTheirPausesAndEndsWithExitCodeZero) {
  auto desktop = MakeDesktop();
  auto target = desktop->OpenTarget("Once Target Window");
  ASSERT_TRUE(target->Ready());
  auto program = desktop->Start({"/once target/hello{0}once{1}world~/2"});
  EXPECT_EQ(program->WaitExit(), 0);
  ExpectArrived(*target, "helloonceworld" + target->Enter());
}

// Modifiers on keys and groups, named keys, repeats, every escape and
// characters beyond ASCII, as the bytes a terminal sends for them.
TEST(RealSend, TheNotationArrivesByteForByteInATerminal) {
  auto desktop = MakeDesktop();
  auto target = desktop->OpenTarget("Notation Target", TargetKind::Terminal);
  if (!target) GTEST_SKIP() << "no terminal here records the bytes that arrive";
  ASSERT_TRUE(target->Ready());
  auto program = desktop->Start({"/Notation Target/+hello +(ab)~{TAB}^a%x{LEFT}{x 3}{+}{%}{{}{}}{(}{)}{~}{^}caf\xC3\xA9 \xE2\x82\xAC/2"});
  EXPECT_EQ(program->WaitExit(), 0);
  ExpectArrived(*target, "Hello AB\r\t\001\033x\033[Dxxx+%{}()~^caf\xC3\xA9 \xE2\x82\xAC");
}

TEST(RealSend, AMissingTargetShowsTheRedStatusAndOnceEndsWithExitCodeOne) {
  auto desktop = MakeDesktop();
  {
    auto program = desktop->Start({"/No Such Window 4711/abc/3/loop"});
    WindowId main = program->AwaitMain();
    ASSERT_NE(main, 0u);
    if (desktop->SeesControls()) {
      ASSERT_TRUE(WaitFor([&] { return program->Text(main, ids::kLabel2) == "Window not found!"; }, 45s));
    }
    EXPECT_TRUE(WaitFor([&] { return program->CornerColor(main, ids::kLabel2) == 0xFF0000u; }, 45s))
        << std::hex << program->CornerColor(main, ids::kLabel2).value_or(0xBAD);
    EXPECT_TRUE(program->Running()) << "a Loop run goes on";
  }
  auto once = desktop->Start({"/No Such Window 4711/abc/2"});
  EXPECT_EQ(once->WaitExit(), 1);
}

TEST(RealSend, PersistWaitsForTheWindowThenSendsOnce) {
  auto desktop = MakeDesktop();
  auto program = desktop->Start({"/Late Target/found it/2/persist"});
  WindowId main = program->AwaitMain();
  ASSERT_NE(main, 0u);
  // Not found yet: the status says so, on red, and the run goes on.
  if (desktop->SeesControls()) {
    ASSERT_TRUE(WaitFor([&] { return program->Text(main, ids::kLabel2) == "Window not found!"; }, 45s));
    EXPECT_EQ(program->Checked(main, ids::kPersist), true);
  }
  EXPECT_TRUE(WaitFor([&] { return program->CornerColor(main, ids::kLabel2) == 0xFF0000u; }, 45s));
  EXPECT_TRUE(program->Running());
  auto target = desktop->OpenTarget("Late Target");
  ASSERT_TRUE(target->Ready());
  EXPECT_EQ(program->WaitExit(), 0);
  ExpectArrived(*target, "found it");
}

// Every printable ASCII character, the characters that are dead keys or
// need AltGr on German and French keyboards, characters outside every
// layout (more than there are spare keys), and the editing keys, under each
// layout.
TEST(RealTyping, EveryCharacterAndEditingKeyArrivesAsWrittenInAnEditor) {
  auto desktop = MakeDesktop();
  for (const std::string& layout : desktop->Layouts()) {
    SCOPED_TRACE("keyboard layout " + layout);
    ASSERT_TRUE(desktop->SetLayout(layout));
    const std::string title = "Typing Target " + layout;
    auto target = desktop->OpenTarget(title, TargetKind::Editor);
    ASSERT_TRUE(target->Ready());
    auto program = desktop->Start({"/" + title + "/" + TypingCorpusKeys() + "/2"});
    EXPECT_EQ(program->WaitExit(), 0);
    ExpectArrived(*target, TypingCorpusText(target->Enter()));
  }
}

}  // namespace
