#include <gtest/gtest.h>

#include <vector>

#include "platform/errors.h"
#include "runner/key_script.h"
#include "test_support.h"

namespace {

using strumlet::SplitKeyScriptText;
using strumlet::testing::U;

struct SplitCase {
  const char* script;
  std::vector<const char*> parts;   // pieces 1..k+1
  std::vector<const char*> pauses;  // pauses 1..k
};

TEST(SplitKeyScript, CutsAtPauseMarks) {
  const SplitCase cases[] = {
      {"~", {"~"}, {}},
      {"keys {4}to {2}send", {"keys ", "to ", "send"}, {"4", "2"}},
      {"Hello{ENTER}{2}World{ENTER}", {"Hello{ENTER}", "World{ENTER}"}, {"2"}},
      {"{3}abc", {"", "abc"}, {"3"}},
      {"a{1}{2}b", {"a", "", "b"}, {"1", "2"}},
      {"{LEFT 42}{1.5}x", {"{LEFT 42}", "x"}, {"1.5"}},
      {"x{ 2 }y", {"x", "y"}, {" 2 "}},
      {"abc{5", {"abc", ""}, {"5"}},
      {"{}{x}", {"{}{x}"}, {}},
      {"", {""}, {}},
      // A brace group inside a non-number group is passed over.
      {"{a{5}b", {"{a{5}b"}, {}},
      // A single digit in braces is always a pause.
      {"{1}", {"", ""}, {"1"}},
      {"{-3}x", {"", "x"}, {"-3"}},
      {"{1e1}x{}}", {"", "x{}}"}, {"1e1"}},
      {"{{}{2}", {"{{}", ""}, {"2"}},
      {"}{2}{", {"}", "{"}, {"2"}},
      {"+(ab){40}%{F4}", {"+(ab)", "%{F4}"}, {"40"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.script);
    auto split = SplitKeyScriptText(U(c.script));
    ASSERT_EQ(split.parts.size(), c.parts.size() + 1);
    EXPECT_EQ(split.parts[0], u"");
    for (std::size_t j = 0; j < c.parts.size(); ++j) EXPECT_EQ(split.parts[j + 1], U(c.parts[j])) << "piece " << j + 1;
    ASSERT_GE(split.pauses.size(), c.pauses.size() + 1);
    for (std::size_t j = 0; j < split.pauses.size(); ++j) {
      const char* expected = j >= 1 && j <= c.pauses.size() ? c.pauses[j - 1] : "";
      EXPECT_EQ(split.pauses[j], U(expected)) << "pause " << j;
    }
  }
}

TEST(SplitKeyScript, JoiningGivesBackTheScript) {
  const char* scripts[] = {"keys {4}to {2}send", "a{1}{2}b{ 3 }", "{9}{x}{8}", "{LEFT 42}{h 10}{2}~"};
  for (const char* s : scripts) {
    auto split = SplitKeyScriptText(U(s));
    rt::ustring joined;
    for (std::size_t j = 1; j < split.parts.size(); ++j) {
      joined += split.parts[j];
      if (j + 1 < split.parts.size()) joined += u"{" + split.pauses[j] + u"}";
    }
    EXPECT_EQ(joined, U(s));
  }
}

TEST(SplitKeyScript, LongestScriptIs32766Characters) {
  rt::ustring longest(32766, u'a');
  EXPECT_EQ(SplitKeyScriptText(longest).parts.at(1), longest);
  EXPECT_THROW(SplitKeyScriptText(longest + u"a"), rt::RuntimeError);

  // Many pause marks still split in one pass.
  rt::ustring marks;
  while (marks.size() + 3 <= 32766) marks += u"{1}";
  EXPECT_EQ(SplitKeyScriptText(marks).parts.size(), marks.size() / 3 + 2);
}

}  // namespace
