#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

#include "help_text_data.h"
#include "info/form2.h"
#include "platform/key_notation.h"
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

// The lines of the data file (LF or CR LF line ends).
std::vector<rt::ustring> ExpectedLines() {
  std::string data = kExpectedHelpText;
  std::vector<rt::ustring> lines;
  std::size_t start = 0;
  for (std::size_t end; (end = data.find('\n', start)) != std::string::npos; start = end + 1) {
    std::string line = data.substr(start, end - start);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    lines.push_back(rt::FromUtf8(line));
  }
  EXPECT_EQ(start, data.size()) << "the data file ends with a line end";
  return lines;
}

TEST(HelpText, ReadsLineForLineAsItMust) {
  std::vector<rt::ustring> expected = ExpectedLines();
  ASSERT_EQ(expected.size(), 76u);
  // The data file keeps its trailing blanks (line 1 ends "eg: ").
  ASSERT_EQ(expected[0], u"You can use command line arguments eg: ");

  std::vector<rt::ustring> lines = Lines(HelpText());
  ASSERT_EQ(lines.size(), 76u);
  for (std::size_t i = 0; i < expected.size(); ++i) EXPECT_EQ(lines[i], expected[i]) << "line " << i + 1;
}

TEST(HelpText, PassagesAreWrappedByHand) {
  auto lines = Lines(HelpText());
  ASSERT_EQ(lines.size(), 76u);
  EXPECT_EQ(lines[55].rfind(u"To specify keys combined", 0), 0u);
  EXPECT_EQ(lines[56].back(), u':');
  EXPECT_EQ(lines[63].rfind(u"To specify that any combination", 0), 0u);
  EXPECT_EQ(lines[71].rfind(u"Note   You can't use SendKeys", 0), 0u);
  EXPECT_FALSE(lines[75].empty());

  // Every line but a passage's last ends with a blank, and none is longer
  // than 80 characters.
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

// The codes a line of the key table lists: every brace group, and "~".
std::vector<rt::ustring> CodesOf(const rt::ustring& line) {
  std::vector<rt::ustring> codes;
  for (std::size_t i = 0; i < line.size(); ++i) {
    if (line[i] == u'~') codes.push_back(u"~");
    if (line[i] != u'{') continue;
    std::size_t close = line.find(u'}', i);
    if (close == rt::ustring::npos) break;
    codes.push_back(line.substr(i, close - i + 1));
    i = close;
  }
  return codes;
}

// Each key the help lists (lines 19 to 54) is a key the notation knows: one
// press of a named key, the same key for every code on its line, and a
// different key on every line.
TEST(HelpText, EveryListedKeyCodeIsAccepted) {
  std::vector<rt::ustring> expected = ExpectedLines();
  ASSERT_EQ(expected.size(), 76u);
  std::set<std::uint16_t> keys;
  std::size_t codeCount = 0;
  for (std::size_t n = 19; n <= 54; ++n) {
    const rt::ustring& line = expected[n - 1];
    SCOPED_TRACE(rt::ToUtf8(line));
    std::vector<rt::ustring> codes = CodesOf(line);
    ASSERT_FALSE(codes.empty());
    std::vector<rt::KeyStroke> first;
    for (const rt::ustring& code : codes) {
      SCOPED_TRACE(rt::ToUtf8(code));
      std::vector<rt::KeyStroke> strokes;
      ASSERT_NO_THROW(strokes = rt::ParseKeys(code));
      ASSERT_EQ(strokes.size(), 1u);
      EXPECT_EQ(strokes[0].kind, rt::KeyStroke::Kind::Press);
      EXPECT_NE(strokes[0].vk, 0);
      if (first.empty()) first = strokes;
      EXPECT_EQ(strokes, first) << "the codes of one line are one key";
      ++codeCount;
    }
    keys.insert(first[0].vk);
  }
  EXPECT_EQ(keys.size(), 36u);
  EXPECT_EQ(codeCount, 41u);

  // The modifier table (lines 60 to 62): each code holds its key around the
  // next key only.
  const struct {
    std::size_t line;
    std::uint16_t vk;
  } modifiers[] = {{60, 0x10}, {61, 0x11}, {62, 0x12}};
  for (const auto& m : modifiers) {
    const rt::ustring& line = expected[m.line - 1];
    SCOPED_TRACE(rt::ToUtf8(line));
    rt::ustring code(1, line.back());
    std::vector<rt::KeyStroke> strokes = rt::ParseKeys(code + u"ab");
    ASSERT_EQ(strokes.size(), 4u);
    EXPECT_EQ(strokes[0].kind, rt::KeyStroke::Kind::Hold);
    EXPECT_EQ(strokes[0].vk, m.vk);
    EXPECT_EQ(strokes[1].text, u"a");
    EXPECT_EQ(strokes[2].kind, rt::KeyStroke::Kind::Release);
    EXPECT_EQ(strokes[2].vk, m.vk);
    EXPECT_EQ(strokes[3].text, u"b");
  }
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
