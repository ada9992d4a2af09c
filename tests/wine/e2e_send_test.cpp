// The countdown typing into Wine's Notepad, read back character by character.
#include <gtest/gtest.h>

#include <string>

#include "mainwin/form1_ids.h"
#include "program_driver.h"

namespace {

using namespace strumlet::wine;
namespace ids = strumlet::form1_ids;

TEST(RealSend, TheRoadOfOneRunSendsTwiceInALoop) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  Program program(L"/Untitled - Notepad/hello{2}world~/5/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  EXPECT_TRUE(notepad.WaitText(L"helloworld\r\n", 45s)) << "first send: " << testing::PrintToString(notepad.Text());
  EXPECT_TRUE(notepad.WaitText(L"helloworld\r\nhelloworld\r\n", 45s)) << "second send: " << testing::PrintToString(notepad.Text());
  EXPECT_EQ(program.ControlText(main, ids::kLabel2), L"Window Caption");
  EXPECT_TRUE(program.Running()) << "a loop goes on";
  EXPECT_EQ(program.Close(main), 0);
}

TEST(RealSend, TheNotationArrivesCharacterForCharacter) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  // Modifiers on keys and groups, navigation keys, repeats, every escape,
  // Enter and Tab, letters from outside any single code page.
  const std::wstring script =
      L"+hello +(world){LEFT 5}{DEL}w^{HOME}>{END}~{TAB}a{+}{%}{{}{}}{(}{)}{~}{^}{[}{]}~{x 3}{BS}~"
      L"d\u00e9j\u00e0 vu \u00f1 \u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c \u20ac \U0001F600";
  const std::wstring expected =
      L">Hello wORLD\r\n\ta+%{}()~^[]\r\nxx\r\nd\u00e9j\u00e0 vu \u00f1 \u03a9\u03bc\u03ad\u03b3\u03b1 \u65e5\u672c \u20ac \U0001F600";
  Program program(L"/Untitled - Notepad/" + script + L"/2");
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(notepad.Text(), expected);
}

TEST(RealSend, SendNowSendsTwoTicksLater) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  Program program(L"/Untitled - Notepad/now/300/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  Click(program.Control(main, ids::kSendNow));
  EXPECT_TRUE(notepad.WaitText(L"now", 30s)) << testing::PrintToString(notepad.Text());
  EXPECT_EQ(program.Close(main), 0);
}

}  // namespace

namespace {

TEST(RealSend, AMinimisedTargetIsRestoredAndTypedInto) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  ShowWindow(notepad.Window(), SW_MINIMIZE);
  ASSERT_TRUE(WaitFor([&] { return IsIconic(notepad.Window()) != 0; }, 30s));
  strumlet::wine::Program program(L"/Untitled - Notepad/restored~/2");
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(notepad.Text(), L"restored\r\n");
  EXPECT_FALSE(IsIconic(notepad.Window()));
}

}  // namespace

namespace {

// A plain window of the test's own, to cover the target.
class Cover {
 public:
  Cover() {
    hwnd_ = CreateWindowExW(0, L"STATIC", L"Covering window", WS_POPUP | WS_VISIBLE | WS_BORDER, 0, 0, 1280,
                            1024, nullptr, nullptr, GetModuleHandleW(nullptr), nullptr);
  }
  ~Cover() { DestroyWindow(hwnd_); }
  HWND Hwnd() const { return hwnd_; }

 private:
  HWND hwnd_;
};

TEST(RealSend, AMinimisedProgramActivatesACoveredTarget) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  strumlet::wine::Program program(L"/Untitled - Notepad/uncovered/3");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  ShowWindow(main, SW_MINIMIZE);
  Cover cover;
  SetForegroundWindow(cover.Hwnd());
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == cover.Hwnd() && IsIconic(main); }, 30s));
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(notepad.Text(), L"uncovered");
  EXPECT_EQ(GetForegroundWindow(), notepad.Window()) << "the target came to the front";
}

TEST(RealSend, ALongCaptionIsMatchedInFull) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  // Longer than any fixed title buffer of the usual sizes.
  std::wstring caption;
  for (int i = 0; caption.size() < 600; ++i) caption += L"long caption " + std::to_wstring(i) + L" ";
  caption.resize(600);
  ASSERT_TRUE(SetWindowTextW(notepad.Window(), caption.c_str()));
  ASSERT_TRUE(WaitFor([&] { return TextOf(notepad.Window()) == caption; }));
  Program program(L"/" + caption + L"/typed/2");
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(notepad.Text(), L"typed");
}

}  // namespace

namespace {

using namespace strumlet::wine;

// A target that closes in the middle of a send (the script's own exit~):
// the rest does not go to the window that gets the focus next, and the run
// ends as a failure. Strumlet types with no target of its own (it starts
// minimised) so that the window the focus passes to is Notepad.
TEST(RealSend, ATargetThatClosesMidSendLeavesTheRestUntyped) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  Console console(L"Strumlet closing console");
  HWND window = console.Window();
  ASSERT_NE(window, nullptr);
  ASSERT_TRUE(Foreground(window));
  std::wstring rest;
  for (int i = 0; i < 2000; ++i) rest += static_cast<wchar_t>(L'a' + i % 26);
  Program program(L"/-/exit~" + rest + L"/2/once/x");
  EXPECT_EQ(program.WaitExit(), 1) << "a failed send: Window not found!";
  EXPECT_FALSE(IsWindow(window)) << "the console closed";
  EXPECT_LE(notepad.Text().size(), 40u) << testing::PrintToString(notepad.Text());
}

}  // namespace
