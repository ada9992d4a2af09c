// The main window of the real program: its buttons, keys, composer and the
// About window, driven from outside as a user would.
#include <gtest/gtest.h>

#include <string>

#include "mainwin/form1_ids.h"
#include "program_driver.h"

namespace {

using namespace strumlet::wine;
namespace ids = strumlet::form1_ids;

std::wstring Clipboard() {
  std::wstring text;
  if (!OpenClipboard(nullptr)) return L"<busy>";
  if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
    if (auto* p = static_cast<const wchar_t*>(GlobalLock(data))) {
      text = p;
      GlobalUnlock(data);
    }
  }
  CloseClipboard();
  return text;
}

TEST(RealMainWindow, PauseAndResumeByButtonAndKeys) {
  Program program(L"/Nothing Here 4711/x/30/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  auto caption = [&] { return program.ControlText(main, ids::kCommand2); };
  EXPECT_EQ(caption(), L"P&ause Counter");

  Click(program.Control(main, ids::kCommand2));
  EXPECT_TRUE(WaitFor([&] { return caption() == L"&Resume Counter"; }));
  Click(program.Control(main, ids::kCommand2));
  EXPECT_TRUE(WaitFor([&] { return caption() == L"P&ause Counter"; }));

  ASSERT_TRUE(Foreground(main));
  // Ctrl+Esc does nothing here (Alt+Esc belongs to the window manager). A
  // digit typed into the interval box marks when the keys before it have
  // been handled.
  ClickInto(program.Control(main, ids::kText3));
  Keys({VK_CONTROL}, VK_ESCAPE);
  Keys({}, '7');
  EXPECT_TRUE(WaitFor([&] { return program.ControlText(main, ids::kText3).back() == L'7'; }));
  EXPECT_EQ(caption(), L"P&ause Counter");
  ASSERT_TRUE(Foreground(main));
  Keys({}, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return caption() == L"&Resume Counter"; }));
  Keys({}, VK_ESCAPE);  // Esc never resumes
  Keys({}, VK_F1);
  EXPECT_TRUE(WaitFor([&] { return caption() == L"P&ause Counter"; }));
  std::wstring count = program.ControlText(main, ids::kLabel1);
  EXPECT_TRUE(WaitFor([&] { return program.ControlText(main, ids::kLabel1) != count; })) << "the countdown runs again";

  // Restart Counter: the interval box is read again.
  SendMessageW(program.Control(main, ids::kText3), WM_SETTEXT, 0, reinterpret_cast<LPARAM>(L"100"));
  Click(program.Control(main, ids::kCommand1));
  EXPECT_TRUE(WaitFor([&] {
    std::wstring c = program.ControlText(main, ids::kLabel1);
    return c == L"99" || c == L"98";
  }));

  // The no-target check box disables the caption box and enables it again.
  Click(program.Control(main, ids::kCheck1));
  EXPECT_TRUE(WaitFor([&] { return !IsWindowEnabled(program.Control(main, ids::kText1)); }));
  Click(program.Control(main, ids::kCheck1));
  EXPECT_TRUE(WaitFor([&] { return IsWindowEnabled(program.Control(main, ids::kText1)) != 0; }));

  EXPECT_EQ(program.Close(main), 0);
}

TEST(RealMainWindow, ShiftEscClosesTheMainWindowWithHelpAndAbout) {
  Program program(L"/Nothing Here 4711/x/30/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  Click(program.Control(main, ids::kCommand3));
  HWND help = program.WaitWindow(L"Help");
  ASSERT_NE(help, nullptr);
  Click(program.Control(main, ids::kCommand5));
  HWND about = program.WaitWindow(L"About Strumlet");
  ASSERT_NE(about, nullptr);
  ASSERT_TRUE(WaitFor([&] { return GetForegroundWindow() == about; })) << "a window that opens is active";
  // A second click opens no second help. Sent, not posted: it has been
  // handled when the call returns.
  DWORD_PTR result = 0;
  ASSERT_NE(SendMessageTimeoutW(program.Control(main, ids::kCommand3), BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 30000, &result), 0);
  // The user brings the main window to the front; its keys then reach it,
  // not the About or the help window (where Esc would close them). The
  // activations of the windows just shown may still be on their way.
  ASSERT_TRUE(SettledForeground(main));
  Keys({}, VK_ESCAPE);
  EXPECT_TRUE(WaitFor([&] { return program.ControlText(main, ids::kCommand2) == L"&Resume Counter"; }));
  EXPECT_TRUE(IsWindowVisible(about)) << "Esc went to the About window";
  EXPECT_TRUE(IsWindowVisible(help)) << "Esc went to the help window";
  EXPECT_EQ(GetForegroundWindow(), main);
  // About, without a taskbar button, belongs to a hidden window, not to the
  // main window.
  HWND owner = GetWindow(about, GW_OWNER);
  EXPECT_NE(owner, nullptr);
  EXPECT_NE(owner, main);
  EXPECT_FALSE(IsWindowVisible(owner));
  EXPECT_EQ(TopWindows(program.Pid(), L"", L"Help").size(), 1u);
  Keys({VK_SHIFT}, VK_ESCAPE);
  EXPECT_EQ(program.WaitExit(), 0);
}

TEST(RealMainWindow, TheComposerShowsItsLineThenCopiesIt) {
  Program program(L"/Untitled - Notepad/hello{2}world~/5/persist/x");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  Click(program.Control(main, ids::kCommand6));
  HWND box = program.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  std::wstring line = TestFolder() + L"\\strumlet.exe /Untitled - Notepad /hello{2}world~ /5 /persist /notarget";
  EXPECT_EQ(Program::MessageBoxText(box),
            line + L"\r\nCopied to clipboard\r\nRemember! If you put the command line in a batch file (%) must be doubled (%%)");
  EXPECT_EQ(TextOf(box), L"Strumlet");
  Program::PressOk(box);
  EXPECT_TRUE(WaitFor([&] { return Clipboard() == line; })) << testing::PrintToString(Clipboard());
  EXPECT_EQ(program.Close(main), 0);
}

}  // namespace
