// The window list of the real program, with Wine's Notepad on the desktop.
#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "mainwin/form1_ids.h"
#include "program_driver.h"
#include "windows/form3_ids.h"

namespace {

using namespace strumlet::wine;
namespace ids = strumlet::form1_ids;

std::vector<std::wstring> Entries(HWND list) {
  std::vector<std::wstring> entries;
  LRESULT count = SendMessageW(list, LB_GETCOUNT, 0, 0);
  for (LRESULT i = 0; i < count; ++i) {
    LRESULT length = SendMessageW(list, LB_GETTEXTLEN, static_cast<WPARAM>(i), 0);
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    SendMessageW(list, LB_GETTEXT, static_cast<WPARAM>(i), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<std::size_t>(length));
    entries.push_back(text);
  }
  return entries;
}

TEST(RealWindowList, ListsNotepadAndPickingItTypesIntoIt) {
  Notepad notepad;
  ASSERT_TRUE(notepad.Ready());
  Program program(L"/Nothing Here 4711/picked~/600/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  Click(program.Control(main, ids::kCommand7));
  HWND dialog = program.WaitWindow(L"Window list");
  ASSERT_NE(dialog, nullptr);
  HWND list = GetDlgItem(dialog, strumlet::form3_ids::kList1);
  ASSERT_TRUE(WaitFor([&] { return program.ControlText(dialog, strumlet::form3_ids::kLabel1) != L"Label1"; }));
  std::vector<std::wstring> entries = Entries(list);
  EXPECT_EQ(program.ControlText(dialog, strumlet::form3_ids::kLabel1), std::to_wstring(entries.size()) + L" windows found.");
  auto found = std::find(entries.begin(), entries.end(), L"Untitled - Notepad");
  ASSERT_NE(found, entries.end());
  EXPECT_NE(std::find(entries.begin(), entries.end(), L"Strumlet"), entries.end()) << "its own main window is listed too";

  // Beside the main window.
  RECT mainRect{}, dialogRect{};
  GetWindowRect(main, &mainRect);
  GetWindowRect(dialog, &dialogRect);
  EXPECT_EQ(dialogRect.left, mainRect.right);
  EXPECT_EQ(dialogRect.top, mainRect.top);

  // Pick the entry with the mouse.
  RECT item{};
  SendMessageW(list, LB_GETITEMRECT, static_cast<WPARAM>(found - entries.begin()), reinterpret_cast<LPARAM>(&item));
  LPARAM at = MAKELPARAM((item.left + item.right) / 2, (item.top + item.bottom) / 2);
  PostMessageW(list, WM_LBUTTONDOWN, MK_LBUTTON, at);
  PostMessageW(list, WM_LBUTTONUP, 0, at);
  ASSERT_TRUE(WaitFor([&] { return program.ControlText(main, ids::kText1) == L"Untitled - Notepad"; }));

  // A Once run now types into Notepad, and ends the program.
  Click(program.Control(main, ids::kOnce));
  ASSERT_TRUE(WaitFor([&] { return program.IsChecked(main, ids::kOnce); }));
  Click(program.Control(main, ids::kSendNow));
  EXPECT_EQ(program.WaitExit(), 0);
  EXPECT_EQ(notepad.Text(), L"picked\r\n");
}

TEST(RealWindowList, AMinimisedOrMaximisedListIsRestoredAtTheMainWindowsRightEdge) {
  Program program(L"/Nothing Here 4711/x/600/loop");
  HWND main = program.MainWindow();
  ASSERT_NE(main, nullptr);
  HWND button = program.Control(main, ids::kCommand7);
  // Sent, not posted: the click has been handled when the call returns.
  auto listWindows = [&] {
    DWORD_PTR result = 0;
    return SendMessageTimeoutW(button, BM_CLICK, 0, 0, SMTO_ABORTIFHUNG, 30000, &result) != 0;
  };
  ASSERT_TRUE(listWindows());
  HWND dialog = program.WaitWindow(L"Window list");
  ASSERT_NE(dialog, nullptr);
  auto besideMain = [&] {
    RECT m{}, d{};
    GetWindowRect(main, &m);
    GetWindowRect(dialog, &d);
    return !IsIconic(dialog) && !IsZoomed(dialog) && d.left == m.right && d.top == m.top;
  };
  EXPECT_TRUE(WaitFor(besideMain));
  const struct {
    const char* name;
    int show;
    int mainLeft, mainTop;
  } cases[] = {
      {"minimised", SW_MINIMIZE, 200, 150},
      {"maximised", SW_MAXIMIZE, 40, 60},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    ShowWindow(dialog, c.show);
    ASSERT_TRUE(WaitFor([&] { return c.show == SW_MINIMIZE ? IsIconic(dialog) != 0 : IsZoomed(dialog) != 0; }));
    // The main window has moved in the meantime.
    SetWindowPos(main, nullptr, c.mainLeft, c.mainTop, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    ASSERT_TRUE(WaitFor([&] {
      RECT m{};
      GetWindowRect(main, &m);
      return m.left == c.mainLeft && m.top == c.mainTop;
    }));
    ASSERT_TRUE(listWindows());
    EXPECT_TRUE(WaitFor(besideMain)) << "restored beside the main window";
  }
  EXPECT_EQ(program.Close(main), 0);
}

}  // namespace
