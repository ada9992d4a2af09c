#include <gtest/gtest.h>

#include "platform/text.h"
#include "test_support.h"

namespace {

TEST(Text, TrimRemovesOnlyOuterBlanks) {
  EXPECT_EQ(rt::Trim(u"  a b  "), u"a b");
  EXPECT_EQ(rt::Trim(u"   "), u"");
  EXPECT_EQ(rt::Trim(u"\ta\t"), u"\ta\t");
}

TEST(Text, UpperAsciiLeavesOtherLettersAlone) {
  EXPECT_EQ(rt::UpperAscii(u"loop\u00e9\u0131"), u"LOOP\u00e9\u0131");
}

TEST(Text, DecimalText) {
  const struct {
    long long value;
    const char16_t* text;
  } cases[] = {{0, u"0"}, {19, u"19"}, {-1, u"-1"}, {-32768, u"-32768"}, {-9223372036854775807LL - 1, u"-9223372036854775808"}};
  for (const auto& c : cases) EXPECT_EQ(rt::DecimalText(c.value), c.text);
}

TEST(Text, Utf8RoundTripKeepsEveryScript) {
  const char* samples[] = {"Untitled - Notepad", "Bloc-notes \xC3\xA9t\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC",
                           "\xF0\x9F\x98\x80 smile"};
  for (const char* s : samples) EXPECT_EQ(rt::ToUtf8(rt::FromUtf8(s)), s);
  EXPECT_EQ(rt::FromUtf8("\xF0\x9F\x98\x80").size(), 2u);  // a surrogate pair
  EXPECT_EQ(rt::FromUtf8("\xC3"), u"\uFFFD");              // cut sequence
  EXPECT_EQ(rt::FromUtf8("\xC0\x80"), u"\uFFFD\uFFFD");    // overlong
}

}  // namespace
