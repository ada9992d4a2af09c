#include <gtest/gtest.h>

#include <vector>

#include "info/form2.h"
#include "test_support.h"

namespace {

using strumlet::HelpText;

std::vector<rt::ustring> Lines(const rt::ustring& text) {
  std::vector<rt::ustring> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = text.find(u"\r\n", start)) != rt::ustring::npos; start = end + 2) {
    lines.push_back(text.substr(start, end - start));
  }
  EXPECT_EQ(start, text.size()) << "the text ends with CR LF";
  return lines;
}

TEST(HelpText, HasItsSeventySixLines) {
  auto lines = Lines(HelpText());
  ASSERT_EQ(lines.size(), 76u);
  const struct {
    int number;
    const char16_t* text;
  } fixed[] = {
      {1, u"You can use command line arguments eg: "},
      {2, u"strumlet /WindowName /KeysToSend /SecondsToWaitBeforeSending /loop|once|persist /notarget"},
      {7, u"Add {n} in the string of keystrokes where n is seconds to wait before sending the next set of keys."},
      {8, u"If used in a batch file or from DOS prompt use %% instead of % to send the ALT key"},
      {9, u"Pressing ESC when Strumlet window is active pauses the timer, F1 resumes, Shift-Esc quits program"},
      {10, u""},
      {11, u"Examples:"},
      {14, u"Strumlet.exe /window-caption /keys {4}to {2}send /5 /loop"},
      {16, u"Strumlet.exe /window-caption /keys to send /5"},
      {17, u""},
      {18, u"Keys:"},
      {19, u"BACKSPACE  {BACKSPACE}, {BS}, or {BKSP}"},
      {20, u"BREAK        {BREAK}"},
      {25, u"ENTER        {ENTER} or ~"},
      {31, u"NUM LOCK {NUMLOCK}"},
      {38, u"UP ARROW {UP}"},
      {39, u"F1       {F1}"},
      {47, u"F9       {F9}"},
      {48, u"F10      {F10}"},
      {54, u"F16      {F16}"},
      {55, u""},
      {58, u""},
      {59, u"Key  Code"},
      {60, u"SHIFT    +"},
      {61, u"CTRL     ^"},
      {62, u"ALT  %"},
      {63, u""},
      {71, u""},
      {75, u""},
  };
  for (const auto& f : fixed) EXPECT_EQ(lines[static_cast<std::size_t>(f.number - 1)], f.text) << "line " << f.number;

  EXPECT_EQ(lines[55].rfind(u"To specify keys combined", 0), 0u);
  EXPECT_EQ(lines[56].back(), u':');
  EXPECT_EQ(lines[63].rfind(u"To specify that any combination", 0), 0u);
  EXPECT_EQ(lines[71].rfind(u"Note   You can't use SendKeys", 0), 0u);
  EXPECT_FALSE(lines[75].empty());

  // The three passages are wrapped by hand: every line but a passage's last
  // ends with a blank, and none is longer than 80 characters.
  const struct {
    int first, last;
  } passages[] = {{56, 57}, {64, 70}, {72, 74}};
  for (const auto& p : passages) {
    for (int n = p.first; n <= p.last; ++n) {
      const rt::ustring& line = lines[static_cast<std::size_t>(n - 1)];
      EXPECT_LE(line.size(), 80u) << "line " << n;
      EXPECT_FALSE(line.empty()) << "line " << n;
      if (!line.empty()) {
        EXPECT_EQ(line.back() == u' ', n != p.last) << "line " << n;
      }
    }
  }
  for (const auto& line : lines) EXPECT_EQ(line.find(u'\t'), rt::ustring::npos);
}

TEST(HelpWindow, LoadsItsTextAfreshEveryTime) {
  strumlet::testing::Harness h;
  h.Start();
  auto& slot = h.main().HelpWindow;
  slot.Get().Show();
  auto* first = slot.IfLoaded();
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(first->Text1.Text(), HelpText());
  first->Text1.UserSetText(u"edited");
  slot.Get().Show();
  EXPECT_EQ(slot.IfLoaded()->Text1.Text(), u"edited") << "showing it again does not reload";
  EXPECT_EQ(h.app.Forms().size(), 2u);
  EXPECT_TRUE(first->Command1.Cancel) << "Esc closes the help";
  rt::fake::Click(h.app, first->Command1);
  EXPECT_EQ(slot.IfLoaded(), nullptr);
  slot.Get().Show();
  EXPECT_EQ(slot.IfLoaded()->Text1.Text(), HelpText());
  EXPECT_EQ(h.app.Forms().size(), 2u);
}

}  // namespace
