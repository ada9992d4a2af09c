// Starts the real program with command lines and reads its real windows.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>

#include "help_text_data.h"
#include "info/form2.h"
#include "info/form2_ids.h"
#include "mainwin/form1_ids.h"
#include "program_driver.h"

namespace {

using namespace strumlet::wine;
namespace ids = strumlet::form1_ids;

// The help text as it must read (tests/data/help_text.txt), each line ended
// by CR LF. The text is plain ASCII.
std::wstring ExpectedHelpText() {
  std::wstring text;
  for (const char* p = kExpectedHelpText; *p; ++p) {
    if (*p == '\r') continue;
    if (*p == '\n') text += L'\r';
    text += static_cast<wchar_t>(static_cast<unsigned char>(*p));
  }
  return text;
}

struct StartCase {
  const wchar_t* arguments;
  const wchar_t* caption;
  const wchar_t* keys;
  const wchar_t* interval;
  int modeId;
  bool noTarget;
};

TEST(RealProgram, CommandLinesFillTheMainWindow) {
  const StartCase cases[] = {
      {L"", L"Capture Frames", L"~", L"20", ids::kLoop, false},
      {L"/window-caption /keys {4}to {2}send /5 /loop", L"window-caption", L"keys {4}to {2}send", L"5 ", ids::kLoop, false},
      {L"/window-caption /keys to send /5 /once /notarget", L"window-caption", L"keys to send", L"5 ", ids::kOnce, true},
      {L"/Untitled - Notepad/hello~", L"Untitled - Notepad", L"hello~", L"2", ids::kOnce, false},
      {L"/\u65e5\u672c\u8a9e \u00e9t\u00e9 \U0001F600/\u00e9~/30/persistent", L"\u65e5\u672c\u8a9e \u00e9t\u00e9 \U0001F600",
       L"\u00e9~", L"30", ids::kPersist, false},
      // Two blanks after the path: the second is the first character of the
      // argument text, the one the reader drops, so every field moves on.
      {L" /Cap/3", L"", L"Cap", L"3", ids::kOnce, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << "arguments #" << (&c - cases));
    Program program(c.arguments);
    HWND main = program.MainWindow();
    ASSERT_NE(main, nullptr) << "the main window appears";
    EXPECT_EQ(program.ControlText(main, ids::kText1), c.caption);
    EXPECT_EQ(program.ControlText(main, ids::kText2), c.keys);
    EXPECT_EQ(program.ControlText(main, ids::kText3), c.interval);
    for (int id : {ids::kOnce, ids::kLoop, ids::kPersist}) {
      EXPECT_EQ(program.IsChecked(main, id), id == c.modeId) << "mode button " << id;
    }
    EXPECT_EQ(program.IsChecked(main, ids::kCheck1), c.noTarget);
    EXPECT_EQ(IsWindowEnabled(program.Control(main, ids::kText1)) != 0, !c.noTarget);
    EXPECT_EQ(IsIconic(main) != 0, c.noTarget) << "a no-target start is minimised";
    EXPECT_TRUE(TopWindows(program.Pid(), L"#32770").empty()) << "no message box";

    // The layout comes from twips at the display's DPI.
    HDC screen = GetDC(nullptr);
    int dpi = GetDeviceCaps(screen, LOGPIXELSY);
    ReleaseDC(nullptr, screen);
    if (!c.noTarget) {
      RECT client{};
      GetClientRect(main, &client);
      EXPECT_EQ(client.right, MulDiv(4440, dpi, 1440));
      EXPECT_EQ(client.bottom, MulDiv(3090, dpi, 1440));
      RECT text3{};
      GetWindowRect(program.Control(main, ids::kText3), &text3);
      POINT origin{0, 0};
      ClientToScreen(main, &origin);
      EXPECT_EQ(text3.left - origin.x, MulDiv(1440, dpi, 1440));
      EXPECT_EQ(text3.top - origin.y, MulDiv(2400, dpi, 1440));
    }
    EXPECT_EQ(program.Close(main), 0) << "closing the window ends the program";
  }
}

TEST(RealProgram, ArgumentErrorShowsHelpAndMessage) {
  Program program(L"/Some window/keys/");
  HWND box = program.WaitMessageBox();
  ASSERT_NE(box, nullptr);
  EXPECT_EQ(TextOf(box), L"Strumlet");
  EXPECT_EQ(Program::MessageBoxText(box), L"Error in arguments (parameters). Please read help file!");
  HWND help = program.WaitWindow(L"Help");
  ASSERT_NE(help, nullptr) << "the help window is shown beside the message";
  EXPECT_EQ(program.ControlText(help, strumlet::form2_ids::kText1), ExpectedHelpText());
  EXPECT_EQ(program.ControlText(help, strumlet::form2_ids::kCommand1), L"OK");
  RECT client{};
  GetClientRect(help, &client);
  HDC screen = GetDC(nullptr);
  int dpi = GetDeviceCaps(screen, LOGPIXELSY);
  ReleaseDC(nullptr, screen);
  EXPECT_EQ(client.right, MulDiv(8265, dpi, 1440));
  EXPECT_EQ(client.bottom, MulDiv(3555, dpi, 1440));

  Program::PressOk(box);
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr) << "the main window follows the message";
  EXPECT_EQ(program.ControlText(main, ids::kText1), L"Some window") << "the settings read so far stay";
  EXPECT_EQ(program.ControlText(main, ids::kText2), L"keys");
  EXPECT_EQ(program.ControlText(main, ids::kText3), L"");
}

}  // namespace

namespace {

TEST(RealProgram, TheScriptBoxRefusesMoreThanFitsInASplit) {
  Program program(L"/Nothing Here 4711/x/600/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  std::wstring big(40000, L'z');
  ASSERT_TRUE(OpenClipboard(nullptr));
  EmptyClipboard();
  HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (big.size() + 1) * sizeof(wchar_t));
  std::copy(big.c_str(), big.c_str() + big.size() + 1, static_cast<wchar_t*>(GlobalLock(memory)));
  GlobalUnlock(memory);
  SetClipboardData(CF_UNICODETEXT, memory);
  CloseClipboard();
  HWND text2 = program.Control(main, strumlet::form1_ids::kText2);
  SendMessageW(text2, EM_SETSEL, 0, -1);
  SendMessageW(text2, WM_PASTE, 0, 0);
  EXPECT_TRUE(WaitFor([&] { return SendMessageW(text2, WM_GETTEXTLENGTH, 0, 0) == 32766; }));
  EXPECT_EQ(program.Close(main), 0);
}

}  // namespace

namespace {

// Sets the prefix's screen DPI for the programs started while it lives.
class ScreenDpi {
 public:
  explicit ScreenDpi(DWORD dpi) {
    RegCreateKeyExW(HKEY_CURRENT_USER, L"Control Panel\\Desktop", 0, nullptr, 0, KEY_ALL_ACCESS, nullptr, &key_, nullptr);
    DWORD size = sizeof(old_);
    had_ = RegQueryValueExW(key_, L"LogPixels", nullptr, nullptr, reinterpret_cast<BYTE*>(&old_), &size) == ERROR_SUCCESS;
    RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&dpi), sizeof(dpi));
  }
  ~ScreenDpi() {
    if (had_) RegSetValueExW(key_, L"LogPixels", 0, REG_DWORD, reinterpret_cast<const BYTE*>(&old_), sizeof(old_));
    else RegDeleteValueW(key_, L"LogPixels");
    RegCloseKey(key_);
  }

 private:
  HKEY key_ = nullptr;
  DWORD old_ = 96;
  bool had_ = false;
};

TEST(RealProgram, TheLayoutScalesWithTheScreensDpi) {
  ScreenDpi dpi(144);
  Program program(L"/Nothing Here 4711/x/600/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  RECT client{};
  GetClientRect(main, &client);
  EXPECT_EQ(client.right, MulDiv(4440, 144, 1440));
  EXPECT_EQ(client.bottom, MulDiv(3090, 144, 1440));
  RECT box{};
  GetWindowRect(program.Control(main, strumlet::form1_ids::kCommand6), &box);
  EXPECT_EQ(box.right - box.left, MulDiv(1815, 144, 1440));
  EXPECT_EQ(box.bottom - box.top, MulDiv(295, 144, 1440));
  EXPECT_EQ(program.Close(main), 0);
}

}  // namespace
